#include "CParamDisplay.h"

#include <cstdio>

namespace gui {

CParamDisplay::CParamDisplay(const CRect& size, IControlListener* listener, int tag) : CControl(size, listener, tag) {
    setMouseEnabled(false);
}

std::string CParamDisplay::displayText() const {
    if (toString_) return toString_(getValue());
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", double(getValue()));
    return text;
}

void CParamDisplay::drawBackground(CDrawContext& context) {
    const CRect b = localBounds();
    context.setFillColor(backColor_);
    context.setFrameColor(frameColor_);
    context.setLineWidth(1);
    if (backColor_.alpha > 0) context.drawRoundRect(b, 3);
    if (frameColor_.alpha > 0) context.drawRoundRect(b.inset(0.5, 0.5), 3, DrawStyle::Stroked);
}

void CParamDisplay::draw(CDrawContext& context) {
    drawBackground(context);
    context.setFont(font_);
    context.setFontColor(fontColor_);
    context.drawString(displayText(), textBox(), align_);
}

}  // namespace gui
