// One of the two lamps that turn the panel to its back side (304) and to
// its front (305). A click lights it and tells the listener; clicking the
// lit one does nothing. Drawn from a two-frame filmstrip or by code.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>
#include <string>

#include "CControl.h"

namespace calverine {

class CSwitchToBacksideControl : public gui::CControl {
public:
    CSwitchToBacksideControl(const gui::CRect& size, gui::IControlListener* listener, int tag,
                             std::shared_ptr<gui::CBitmap> filmstrip);

    void draw(gui::CDrawContext& context) override;
    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;

private:
    std::shared_ptr<gui::CBitmap> filmstrip_;
};

}  // namespace calverine
