#include "COnOffButtonPartEdit.h"

#include "CFrame.h"

namespace calverine {

gui::MouseResult COnOffButtonPartEdit::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    if (!menu_) return COnOffButton::onMouseDown(where, buttons);
    if (!(buttons & gui::kLButton)) return gui::MouseResult::NotHandled;
    if (gui::CFrame* frame = getFrame()) {
        const gui::CPoint origin = localToFrame({0, 0});
        menu_->openNextTo(*frame, gui::CRect::fromSize(origin.x, origin.y, getViewSize().width(),
                                                       getViewSize().height()));
    }
    return gui::MouseResult::Handled;
}

}  // namespace calverine
