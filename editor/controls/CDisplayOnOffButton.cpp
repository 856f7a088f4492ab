#include "CDisplayOnOffButton.h"

namespace calverine {

CDisplayOnOffButton::CDisplayOnOffButton(const gui::CRect& size, gui::IControlListener* listener, int tag,
                                         std::shared_ptr<gui::CBitmap> filmstrip, EditorServices& services)
    : COnOffButton(size, listener, tag, std::move(filmstrip)), link_(*this, services) {}

gui::MouseResult CDisplayOnOffButton::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    if (link_.handleMenuClick(where, buttons)) return gui::MouseResult::Handled;
    link_.press(buttons);
    const gui::MouseResult result = COnOffButton::onMouseDown(where, buttons);
    link_.refresh();  // the text of the value the click set
    // Held until the button comes up, so the text stays while it is pressed.
    return result == gui::MouseResult::Handled && link_.showing() ? gui::MouseResult::Capture : result;
}

gui::MouseResult CDisplayOnOffButton::onMouseUp(gui::CPoint, std::uint32_t) {
    if (!link_.showing()) return gui::MouseResult::NotHandled;
    link_.release();
    return gui::MouseResult::Handled;
}

void CDisplayOnOffButton::onMouseCancel() {
    COnOffButton::onMouseCancel();
    link_.release();
}

}  // namespace calverine
