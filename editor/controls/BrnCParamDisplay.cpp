#include "BrnCParamDisplay.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "CFrame.h"

namespace calverine {

namespace {
constexpr double kHeight = 20;
constexpr double kMinWidth = 44;
constexpr double kGap = 3;
}  // namespace

BrnCParamDisplay::BrnCParamDisplay(const gui::CRect& size) : CParamDisplay(size) {
    setMouseEnabled(false);
    setVisible(false);
    setBackColor(gui::theme::kTrack);
    setFrameColor(gui::theme::kAccent);
    setFont(gui::theme::font(12, true));
}

void BrnCParamDisplay::setText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    invalidate();
}

BrnCParamDisplay* BrnCParamDisplay::of(const gui::CView& control, bool create) {
    gui::CFrame* frame = control.getFrame();
    if (!frame) return nullptr;
    for (const auto& child : frame->children())
        if (auto* display = dynamic_cast<BrnCParamDisplay*>(child.get())) return display;
    if (!create) return nullptr;
    return static_cast<BrnCParamDisplay*>(frame->addView(std::make_unique<BrnCParamDisplay>(gui::CRect{})));
}

void BrnCParamDisplay::placeNear(const gui::CView& control) {
    gui::CFrame* frame = control.getFrame();
    const double width = std::max(kMinWidth, std::ceil(frame->stringWidth(text_, getFont()) + 2 * kPadding + 4));
    const gui::CPoint topLeft = control.localToFrame({0, 0});
    const gui::CRect c = gui::CRect::fromSize(topLeft.x, topLeft.y, control.getViewSize().width(),
                                              control.getViewSize().height());
    const gui::CRect bounds = frame->localBounds();
    double x = c.center().x - width / 2;
    double y = c.top - kGap - kHeight;
    if (y < bounds.top) y = c.bottom + kGap;  // no room above
    x = std::clamp(x, bounds.left, std::max(bounds.left, bounds.right - width));
    y = std::clamp(y, bounds.top, std::max(bounds.top, bounds.bottom - kHeight));
    setViewSize(gui::CRect::fromSize(std::floor(x), std::floor(y), width, kHeight));
}

void BrnCParamDisplay::showFor(const gui::CView& control, const std::string& text) {
    BrnCParamDisplay* display = of(control, true);
    if (!display) return;
    display->setText(text);
    display->placeNear(control);
    display->setVisible(true);
}

void BrnCParamDisplay::hideFor(const gui::CView& control) {
    if (BrnCParamDisplay* display = of(control, false)) display->setVisible(false);
}

}  // namespace calverine
