// The back side of the panel: read-only lines of text (version, UI size,
// voice count, MIDI learn map, locked parameters, data folder) that the
// editor supplies, drawn by code. Clicks stop here.
//
// Thread: the GUI thread only.
#pragma once

#include "CControl.h"

namespace calverine {

class EditorServices;

class CBacksideControl : public gui::CControl {
public:
    CBacksideControl(const gui::CRect& size, EditorServices& services, double fontSize);

    void draw(gui::CDrawContext& context) override;
    gui::MouseResult onMouseDown(gui::CPoint, std::uint32_t) override { return gui::MouseResult::Handled; }
    bool onWheel(gui::CPoint, double, std::uint32_t) override { return true; }

private:
    EditorServices& services_;
    double fontSize_;
};

}  // namespace calverine
