#include "CRRButton.h"

#include <algorithm>
#include <cmath>

namespace calverine {

CRRButton::CRRButton(const gui::CRect& size, gui::IControlListener* listener, int tag,
                     std::shared_ptr<gui::CBitmap> filmstrip, EditorServices& services)
    : CControl(size, listener, tag), filmstrip_(std::move(filmstrip)), link_(*this, services) {
    setCursor(gui::CursorType::Hand);
}

int CRRButton::state() const {
    return int(std::lround(getValueNormalized() * (kStates - 1)));
}

void CRRButton::draw(gui::CDrawContext& context) {
    const gui::CRect b = localBounds();
    if (filmstrip_) {
        const double h = double(filmstrip_->height()) / kStates;
        context.drawBitmapScaled(*filmstrip_, gui::CRect::fromSize(0, state() * h, filmstrip_->width(), h), b);
        return;
    }
    // A key with a lamp that is dark, half lit or fully lit.
    context.setFillColor(gui::theme::kRaised);
    context.setFrameColor(gui::theme::kEdge);
    context.setLineWidth(1);
    context.drawRoundRect(b.inset(0.5, 0.5), std::min(4.0, b.height() / 4), gui::DrawStyle::FilledAndStroked);
    const double lamp = std::min(b.width(), b.height()) * 0.4;
    const gui::CPoint c = b.center();
    const std::uint8_t alpha[kStates] = {0, 128, 255};
    context.setFillColor(gui::theme::kTrack);
    context.drawEllipse(gui::CRect{c.x - lamp / 2, c.y - lamp / 2, c.x + lamp / 2, c.y + lamp / 2});
    context.setFillColor(gui::theme::withAlpha(getAccent(), alpha[state()]));
    context.drawEllipse(gui::CRect{c.x - lamp / 2, c.y - lamp / 2, c.x + lamp / 2, c.y + lamp / 2});
}

gui::MouseResult CRRButton::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    if (link_.handleMenuClick(where, buttons)) return gui::MouseResult::Handled;
    if (!(buttons & gui::kLButton)) return gui::MouseResult::NotHandled;
    link_.press(buttons);
    const int next = (state() + 1) % kStates;
    editTo(getMin() + (getMax() - getMin()) * float(next) / (kStates - 1));
    link_.refresh();
    return gui::MouseResult::Capture;
}

gui::MouseResult CRRButton::onMouseUp(gui::CPoint, std::uint32_t) {
    link_.release();
    return gui::MouseResult::Handled;
}

}  // namespace calverine
