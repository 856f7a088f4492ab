// A knob whose face is a skin image with the arc and pointer drawn over it
// by code. Its value text is either the plug-in's or, in percent mode,
// "Off" at the minimum and "%d%%" of the range otherwise.
//
// Thread: the GUI thread only.
#pragma once

#include <string>

#include "CDisplayAnimKnob.h"

namespace calverine {

class CAnimKnobCustomDraw : public CDisplayAnimKnob {
public:
    enum class Text : std::uint8_t { Plugin, Percent };

    CAnimKnobCustomDraw(const gui::CRect& size, gui::IControlListener* listener, int tag,
                        std::shared_ptr<gui::CBitmap> face, EditorServices& services, Text text);

    // "Off" for 0, else the percentage rounded to a whole number.
    static std::string percentText(float normalized);

    void draw(gui::CDrawContext& context) override;

private:
    std::shared_ptr<gui::CBitmap> face_;
};

}  // namespace calverine
