#include "CControlPopupMenu.h"

namespace calverine {

CControlPopupMenu::CControlPopupMenu(gui::IControlListener* listener, int tag)
    : BrnCOptionMenu(gui::CRect{}, listener, tag) {
    if (tag == kLearnMenu) {
        addEntry("MIDI Learn");
        addEntry("MIDI Forget");
    }
    addEntry("Lock Parameter");
    // -1 while closed, so choosing the same entry again is still a change.
    setRange(-1, float(items().size() - 1));
    setValue(-1);
}

void CControlPopupMenu::openFor(int targetTag, gui::CFrame& frame, gui::CPoint framePoint) {
    target_ = targetTag;
    setValue(-1);
    openAt(frame, framePoint);
}

}  // namespace calverine
