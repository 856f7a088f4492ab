#include "COnOffButton.h"

#include <algorithm>

namespace gui {

COnOffButton::COnOffButton(const CRect& size, IControlListener* listener, int tag, std::shared_ptr<CBitmap> filmstrip)
    : CControl(size, listener, tag), filmstrip_(std::move(filmstrip)) {
    setCursor(CursorType::Hand);
}

void COnOffButton::draw(CDrawContext& context) {
    const CRect b = localBounds();
    if (filmstrip_) {
        const double h = filmstrip_->height() / 2.0;
        context.drawBitmapScaled(*filmstrip_, CRect::fromSize(0, isOn() ? h : 0, filmstrip_->width(), h), b);
        return;
    }
    const double radius = std::min(4.0, b.height() / 4);
    context.setFillColor(isOn() ? getAccent() : theme::kRaised);
    context.setFrameColor(isOn() ? getAccent() : theme::kEdge);
    context.setLineWidth(1);
    context.drawRoundRect(b.inset(0.5, 0.5), radius, DrawStyle::FilledAndStroked);
    if (title_.empty()) return;
    context.setFont(theme::font(std::clamp(b.height() * 0.5, 9.0, 13.0), true));
    context.setFontColor(isOn() ? theme::kTextOnAccent : theme::kText);
    context.drawString(title_, b);
}

MouseResult COnOffButton::onMouseDown(CPoint, std::uint32_t buttons) {
    if (!(buttons & kLButton)) return MouseResult::NotHandled;
    editTo(isOn() ? getMin() : getMax());
    return MouseResult::Handled;
}

}  // namespace gui
