#include "CSwitchToBacksideControl.h"

#include <algorithm>

namespace calverine {

namespace {
constexpr int kToBack = 304;
}

CSwitchToBacksideControl::CSwitchToBacksideControl(const gui::CRect& size, gui::IControlListener* listener, int tag,
                                                   std::shared_ptr<gui::CBitmap> filmstrip)
    : CControl(size, listener, tag), filmstrip_(std::move(filmstrip)) {
    setCursor(gui::CursorType::Hand);
}

void CSwitchToBacksideControl::draw(gui::CDrawContext& context) {
    const gui::CRect b = localBounds();
    const bool lit = getValueNormalized() > 0.5f;
    if (filmstrip_) {
        const double h = filmstrip_->height() / 2.0;
        context.drawBitmapScaled(*filmstrip_, gui::CRect::fromSize(0, lit ? h : 0, filmstrip_->width(), h), b);
        return;
    }
    context.setFillColor(lit ? getAccent() : gui::theme::kRaised);
    context.setFrameColor(gui::theme::kEdge);
    context.setLineWidth(1);
    context.drawRoundRect(b.inset(0.5, 0.5), std::min(4.0, b.height() / 4), gui::DrawStyle::FilledAndStroked);
    context.setFont(gui::theme::font(std::clamp(b.height() * 0.5, 9.0, 12.0), true));
    context.setFontColor(lit ? gui::theme::kTextOnAccent : gui::theme::kText);
    context.drawString(getTag() == kToBack ? "INFO" : "PANEL", b);
}

gui::MouseResult CSwitchToBacksideControl::onMouseDown(gui::CPoint, std::uint32_t buttons) {
    if (!(buttons & gui::kLButton)) return gui::MouseResult::NotHandled;
    editTo(getMax());
    return gui::MouseResult::Handled;
}

}  // namespace calverine
