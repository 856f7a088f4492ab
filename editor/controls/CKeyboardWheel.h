// A pitch or modulation wheel: a vertical drag over the wheel's height
// covers its range (Shift four times finer), drawn from a filmstrip or by
// code. A springing wheel (pitch) returns to the centre when released,
// inside the same gesture; the others stay where they are left. Shows the
// value text and the per-control menu like the knobs.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>

#include "CControl.h"
#include "ValueDisplayLink.h"

namespace calverine {

class CKeyboardWheel : public gui::CControl {
public:
    CKeyboardWheel(const gui::CRect& size, gui::IControlListener* listener, int tag,
                   std::shared_ptr<gui::CBitmap> filmstrip, int frames, bool springs, EditorServices& services);

    bool springs() const { return springs_; }
    bool isShowingValue() const { return link_.showing(); }

    void draw(gui::CDrawContext& context) override;
    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseMoved(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseUp(gui::CPoint where, std::uint32_t buttons) override;
    void onMouseCancel() override;

private:
    void finish();

    std::shared_ptr<gui::CBitmap> filmstrip_;
    int frames_;
    bool springs_;
    ValueDisplayLink link_;
    double lastY_ = 0;
};

}  // namespace calverine
