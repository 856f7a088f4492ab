#include "CAnimKnobCustomDraw.h"

#include <cmath>
#include <cstdio>

namespace calverine {

CAnimKnobCustomDraw::CAnimKnobCustomDraw(const gui::CRect& size, gui::IControlListener* listener, int tag,
                                         std::shared_ptr<gui::CBitmap> face, EditorServices& services, Text text)
    // Without a filmstrip the base draws the arc and pointer itself.
    : CDisplayAnimKnob(size, listener, tag, nullptr, 0, services,
                       text == Text::Percent
                           ? ValueDisplayLink::TextOf([this] { return percentText(getValueNormalized()); })
                           : ValueDisplayLink::TextOf{}),
      face_(std::move(face)) {}

std::string CAnimKnobCustomDraw::percentText(float normalized) {
    if (normalized <= 0) return "Off";
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", int(std::lround(normalized * 100)));
    return text;
}

void CAnimKnobCustomDraw::draw(gui::CDrawContext& context) {
    if (face_)
        context.drawBitmapScaled(*face_, gui::CRect{0, 0, double(face_->width()), double(face_->height())},
                                 localBounds());
    CDisplayAnimKnob::draw(context);
}

}  // namespace calverine
