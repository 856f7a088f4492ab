// The step editor of a step LFO: one bar per step, each value 0..16384
// with 8192 as the centre line.
//
// Mouse, left button:
// - the step is the column under the pointer, the value its height
//   (bottom 0, top 16384); with Control held the value is 8192;
// - dragging sets every step passed over since the last move, the values
//   interpolated between the two, so fast moves leave no gaps; with Shift
//   held the value drops to a multiple of 682 (the range in 24 steps);
// - with Alt held at the press, dragging draws a straight line from the
//   press point to the pointer over the steps between them.
// Right button: the step-count menu.
//
// Each changed step is reported on its own: lastEditedStep() names it and
// the listener hears valueChanged (the control's value is the step's
// value over 16384), one begin/end pair per gesture. The step the plug-in
// plays now is marked.
//
// Thread: the GUI thread only.
#pragma once

#include <array>
#include <memory>

#include "CBarMenu.h"
#include "CControl.h"
#include "EditorServices.h"

namespace calverine {

class CBarDisplay : public gui::CControl, public IdleUpdated {
public:
    static constexpr int kMaxSteps = 128;
    static constexpr int kTop = 16384;
    static constexpr int kCentre = 8192;
    static constexpr int kShiftGrid = 682;

    CBarDisplay(const gui::CRect& size, gui::IControlListener* listener, int tag,
                std::shared_ptr<gui::CBitmap> well, EditorServices& services);

    int steps() const { return steps_; }
    void setSteps(int steps);
    int stepValue(int step) const { return values_[std::size_t(step)]; }
    // From the plug-in: no listener call.
    void setStepValue(int step, int value);
    int lastEditedStep() const { return lastEdited_; }
    // Which step LFO (0 or 1) the display edits and marks.
    void setLfo(int lfo) { lfo_ = lfo; }
    int lfo() const { return lfo_; }
    int playingStep() const { return playing_; }
    // The right-click menu.
    CBarMenu& menu() { return menu_; }

    // The step under local x and the value at local y, as the mouse sees them.
    static int stepAt(double x, double width, int steps);
    static int valueAt(double y, double height);

    void idleUpdate() override;
    void draw(gui::CDrawContext& context) override;
    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseMoved(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseUp(gui::CPoint where, std::uint32_t buttons) override;

private:
    int valueUnder(gui::CPoint where, std::uint32_t buttons, bool dragging) const;
    // Sets the steps from `s0` to `s1` on the line from v0 to v1.
    void setLine(int s0, int v0, int s1, int v1);
    void editStep(int step, int value);

    EditorServices& services_;
    std::shared_ptr<gui::CBitmap> well_;
    CBarMenu menu_;
    std::array<int, kMaxSteps> values_;
    int steps_ = 16;
    int lfo_ = 0;
    int playing_ = -1;
    int lastEdited_ = -1;
    bool line_ = false;
    int anchorStep_ = 0;  // the press (line mode) or the last move
    int anchorValue_ = 0;
};

}  // namespace calverine
