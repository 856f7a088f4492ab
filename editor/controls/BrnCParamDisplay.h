// The floating value display that knobs and buttons show while they are
// pressed: a small box with the plug-in's text, drawn inside the frame
// above the control (below it when there is no room) and kept on screen.
// One display per frame, made on first use and reused; it takes no mouse
// events.
//
// Thread: the GUI thread only.
#pragma once

#include <string>

#include "CParamDisplay.h"

namespace calverine {

class BrnCParamDisplay : public gui::CParamDisplay {
public:
    explicit BrnCParamDisplay(const gui::CRect& size);

    void setText(std::string text);
    std::string displayText() const override { return text_; }

    // The frame's display, created when it has none; null for a view
    // outside a frame.
    static BrnCParamDisplay* of(const gui::CView& control, bool create);
    // Shows `text` next to `control`.
    static void showFor(const gui::CView& control, const std::string& text);
    static void hideFor(const gui::CView& control);

private:
    void placeNear(const gui::CView& control);
    std::string text_;
};

}  // namespace calverine
