// A switch with n states (value = state for the range 0..n-1). Cycle mode
// steps to the next state on each click (Shift: the previous one); the
// pick modes lay the states out in a row or a column and a click or drag
// picks the one under the mouse. Drawn from an n-frame filmstrip or as
// segments with labels, the chosen one lit.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "CControl.h"

namespace gui {

class CMultiStateSwitch : public CControl {
public:
    enum class Mode : std::uint8_t { Cycle, PickHorizontal, PickVertical };

    CMultiStateSwitch(const CRect& size, IControlListener* listener, int tag, int states, Mode mode,
                      std::shared_ptr<CBitmap> filmstrip = nullptr);

    int states() const { return states_; }
    int state() const;
    // Labels of the drawn look, one per state.
    void setLabels(std::vector<std::string> labels) { labels_ = std::move(labels); invalidate(); }

    void draw(CDrawContext& context) override;
    MouseResult onMouseDown(CPoint where, std::uint32_t buttons) override;
    MouseResult onMouseMoved(CPoint where, std::uint32_t buttons) override;
    MouseResult onMouseUp(CPoint where, std::uint32_t buttons) override;

private:
    int stateAt(CPoint where) const;
    CRect segment(int state) const;

    int states_;
    Mode mode_;
    std::shared_ptr<CBitmap> filmstrip_;
    std::vector<std::string> labels_;
};

}  // namespace gui
