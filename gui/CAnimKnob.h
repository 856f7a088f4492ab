// A knob: a filmstrip bitmap (frames stacked top to bottom) or, without one,
// a drawn knob with a value arc and a pointer.
//
// Mouse: a vertical drag over kDragRange pixels covers the whole range
// (circular mode: the angle around the centre, 270 degrees for the range);
// Shift makes either four times finer and may be pressed mid-drag without
// a jump. One wheel notch is one step. Double-click or Ctrl-click resets
// to the default.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>

#include "CControl.h"

namespace gui {

class CAnimKnob : public CControl {
public:
    static constexpr double kDragRange = 480;  // pixels for the full range
    static constexpr double kSweepDegrees = 270;
    static constexpr double kStartDegrees = 135;  // the minimum, lower left

    enum class Mode : std::uint8_t { Linear, Circular };

    CAnimKnob(const CRect& size, IControlListener* listener = nullptr, int tag = -1,
              std::shared_ptr<CBitmap> filmstrip = nullptr, int frames = 0);

    void setMode(Mode mode) { mode_ = mode; }
    Mode getMode() const { return mode_; }
    // Bipolar knobs light their arc from the centre.
    void setBipolar(bool bipolar) { bipolar_ = bipolar; invalidate(); }
    // The filmstrip frame shown for the current value.
    int currentFrame() const;

    void draw(CDrawContext& context) override;
    bool hitTest(CPoint local) const override;
    MouseResult onMouseDown(CPoint where, std::uint32_t buttons) override;
    MouseResult onMouseMoved(CPoint where, std::uint32_t buttons) override;
    MouseResult onMouseUp(CPoint where, std::uint32_t buttons) override;

private:
    void drawKnob(CDrawContext& context);
    // The angle of `p` around the centre, in degrees clockwise from three o'clock.
    double angleOf(CPoint p) const;

    std::shared_ptr<CBitmap> filmstrip_;
    int frames_;
    Mode mode_ = Mode::Linear;
    bool bipolar_ = false;
    CPoint last_;
};

}  // namespace gui
