#include "CDisplayAnimKnob.h"

namespace calverine {

CDisplayAnimKnob::CDisplayAnimKnob(const gui::CRect& size, gui::IControlListener* listener, int tag,
                                   std::shared_ptr<gui::CBitmap> filmstrip, int frames, EditorServices& services,
                                   ValueDisplayLink::TextOf text)
    : CAnimKnob(size, listener, tag, std::move(filmstrip), frames), link_(*this, services, std::move(text)) {}

gui::MouseResult CDisplayAnimKnob::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    if (link_.handleMenuClick(where, buttons)) return gui::MouseResult::Handled;
    link_.press(buttons);
    const gui::MouseResult result = CAnimKnob::onMouseDown(where, buttons);
    link_.refresh();  // a reset by double-click changed the value already
    return result;
}

gui::MouseResult CDisplayAnimKnob::onMouseMoved(gui::CPoint where, std::uint32_t buttons) {
    const gui::MouseResult result = CAnimKnob::onMouseMoved(where, buttons);
    link_.refresh();
    return result;
}

gui::MouseResult CDisplayAnimKnob::onMouseUp(gui::CPoint where, std::uint32_t buttons) {
    const gui::MouseResult result = CAnimKnob::onMouseUp(where, buttons);
    link_.release();
    return result;
}

void CDisplayAnimKnob::onMouseCancel() {
    CAnimKnob::onMouseCancel();
    link_.release();
}

}  // namespace calverine
