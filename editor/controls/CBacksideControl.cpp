#include "CBacksideControl.h"

#include <cmath>

#include "EditorServices.h"

namespace calverine {

CBacksideControl::CBacksideControl(const gui::CRect& size, EditorServices& services, double fontSize)
    : CControl(size), services_(services), fontSize_(fontSize) {}

void CBacksideControl::draw(gui::CDrawContext& context) {
    const gui::CRect b = localBounds();
    context.setFillColor(gui::theme::kSurface);
    context.setFrameColor(gui::theme::kEdge);
    context.setLineWidth(1);
    context.drawRoundRect(b.inset(0.5, 0.5), 6, gui::DrawStyle::FilledAndStroked);
    const double lineHeight = std::ceil(fontSize_ * 1.5);
    const double margin = std::ceil(fontSize_ * 1.2);
    context.setFont(gui::theme::font(fontSize_));
    context.setFontColor(gui::theme::kText);
    double y = margin;
    for (const std::string& line : services_.backsideLines()) {
        if (y + lineHeight > b.bottom - margin) break;
        context.drawString(line, gui::CRect{margin, y, b.right - margin, y + lineHeight}, gui::HoriAlign::Left);
        y += lineHeight;
    }
}

}  // namespace calverine
