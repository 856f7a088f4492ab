// A button that steps through the states Off, Half and Full (values 0,
// 0.5 and 1) with each left click; a right click opens the per-control
// menu. Drawn from a three-frame filmstrip or by code.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>

#include "CControl.h"
#include "ValueDisplayLink.h"

namespace calverine {

class CRRButton : public gui::CControl {
public:
    static constexpr int kStates = 3;

    CRRButton(const gui::CRect& size, gui::IControlListener* listener, int tag,
              std::shared_ptr<gui::CBitmap> filmstrip, EditorServices& services);

    // 0 Off, 1 Half, 2 Full: the nearest to the value.
    int state() const;
    bool isShowingValue() const { return link_.showing(); }

    void draw(gui::CDrawContext& context) override;
    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseUp(gui::CPoint where, std::uint32_t buttons) override;

private:
    std::shared_ptr<gui::CBitmap> filmstrip_;
    ValueDisplayLink link_;
};

}  // namespace calverine
