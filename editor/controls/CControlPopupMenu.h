// The per-control right-click menus, made once per frame: tag 308 with
// "MIDI Learn", "MIDI Forget", "Lock Parameter" for parameters that can be
// learned, tag 309 with "Lock Parameter" alone for the others. The editor
// opens one for a parameter control; the listener then hears the menu's
// tag with the chosen index as its value, and targetTag() names the
// parameter control it was opened for.
//
// Thread: the GUI thread only.
#pragma once

#include "BrnCOptionMenu.h"

namespace calverine {

class CControlPopupMenu : public BrnCOptionMenu {
public:
    static constexpr int kLearnMenu = 308;
    static constexpr int kLockMenu = 309;

    // `tag` is kLearnMenu or kLockMenu.
    CControlPopupMenu(gui::IControlListener* listener, int tag);

    void openFor(int targetTag, gui::CFrame& frame, gui::CPoint framePoint);
    int targetTag() const { return target_; }

private:
    int target_ = -1;
};

}  // namespace calverine
