#include "CBarDisplay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "CFrame.h"
#include "StepCounts.h"

namespace calverine {

CBarDisplay::CBarDisplay(const gui::CRect& size, gui::IControlListener* listener, int tag,
                         std::shared_ptr<gui::CBitmap> well, EditorServices& services)
    : CControl(size, listener, tag),
      services_(services),
      well_(std::move(well)),
      menu_([this](int steps) {
          setSteps(steps);
          services_.stepCountChosen(steps);
      }) {
    values_.fill(kCentre);
    setCursor(gui::CursorType::Hand);
}

void CBarDisplay::setSteps(int steps) {
    if (std::find(kStepCounts.begin(), kStepCounts.end(), steps) == kStepCounts.end() || steps == steps_) return;
    steps_ = steps;
    invalidate();
}

void CBarDisplay::setStepValue(int step, int value) {
    if (step < 0 || step >= kMaxSteps) return;
    value = std::clamp(value, 0, kTop);
    if (values_[std::size_t(step)] == value) return;
    values_[std::size_t(step)] = value;
    invalidate();
}

int CBarDisplay::stepAt(double x, double width, int steps) {
    if (width <= 0) return 0;
    return std::clamp(int(std::floor(x * steps / width)), 0, steps - 1);
}

int CBarDisplay::valueAt(double y, double height) {
    if (height <= 0) return kCentre;
    return std::clamp(int(std::floor((height - y) * kTop / height)), 0, kTop);
}

int CBarDisplay::valueUnder(gui::CPoint where, std::uint32_t buttons, bool dragging) const {
    if (buttons & gui::kControl) return kCentre;
    const int value = valueAt(where.y, getViewSize().height());
    if (dragging && (buttons & gui::kShift)) return value / kShiftGrid * kShiftGrid;
    return value;
}

void CBarDisplay::editStep(int step, int value) {
    if (values_[std::size_t(step)] == value) return;
    values_[std::size_t(step)] = value;
    lastEdited_ = step;
    setValue(float(value) / kTop);
    invalidate();
    if (getListener()) getListener()->valueChanged(this);
}

void CBarDisplay::setLine(int s0, int v0, int s1, int v1) {
    if (s0 == s1) return editStep(s1, v1);
    const int direction = s1 > s0 ? 1 : -1;
    for (int s = s0;; s += direction) {
        const double t = double(s - s0) / (s1 - s0);
        editStep(s, int(std::lround(v0 + (v1 - v0) * t)));
        if (s == s1) break;
    }
}

gui::MouseResult CBarDisplay::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    const bool right = (buttons & gui::kRButton) && !(buttons & gui::kLButton);
    if (right) {
        if (gui::CFrame* frame = getFrame()) menu_.openFor(steps_, *frame, localToFrame(where));
        return gui::MouseResult::Handled;
    }
    if (!(buttons & gui::kLButton)) return gui::MouseResult::NotHandled;
    const int step = stepAt(where.x, getViewSize().width(), steps_);
    const int value = valueUnder(where, buttons, false);
    line_ = (buttons & gui::kAlt) != 0;
    anchorStep_ = step;
    anchorValue_ = value;
    beginEdit();
    editStep(step, value);
    return gui::MouseResult::Capture;
}

gui::MouseResult CBarDisplay::onMouseMoved(gui::CPoint where, std::uint32_t buttons) {
    if (!isEditing()) return gui::MouseResult::NotHandled;
    const int step = stepAt(where.x, getViewSize().width(), steps_);
    const int value = valueUnder(where, buttons, true);
    // A line keeps its press point; a plain drag goes on from the last move.
    setLine(anchorStep_, anchorValue_, step, value);
    if (!line_) {
        anchorStep_ = step;
        anchorValue_ = value;
    }
    return gui::MouseResult::Handled;
}

gui::MouseResult CBarDisplay::onMouseUp(gui::CPoint, std::uint32_t) {
    if (!isEditing()) return gui::MouseResult::NotHandled;
    line_ = false;
    endEdit();
    return gui::MouseResult::Handled;
}

void CBarDisplay::idleUpdate() {
    const int playing = services_.stepPosition(lfo_);
    if (playing == playing_) return;
    playing_ = playing;
    invalidate();
}

void CBarDisplay::draw(gui::CDrawContext& context) {
    const gui::CRect b = localBounds();
    if (well_) {
        context.drawBitmapScaled(*well_, gui::CRect{0, 0, double(well_->width()), double(well_->height())}, b);
    } else {
        context.setFillColor(gui::theme::kTrack);
        context.drawRect(b);
    }
    const double columnWidth = b.width() / steps_;
    const double gap = columnWidth >= 6 ? 1 : 0;
    const double centreY = b.height() * (1 - double(kCentre) / kTop);
    for (int s = 0; s < steps_; ++s) {
        const double x0 = s * columnWidth + gap;
        const double x1 = (s + 1) * columnWidth - gap;
        if (s == playing_) {
            context.setFillColor(gui::theme::withAlpha(gui::theme::kText, 48));
            context.drawRect(gui::CRect{x0, 0, x1, b.height()});
        }
        const double y = b.height() * (1 - double(values_[std::size_t(s)]) / kTop);
        context.setFillColor(s == playing_ ? gui::theme::kText : getAccent());
        context.drawRect(gui::CRect{x0, std::min(y, centreY), x1, std::max(y, centreY) + 1});
    }
    context.setFrameColor(gui::theme::kEdge);
    context.setLineWidth(1);
    context.drawLine({0, centreY + 0.5}, {b.width(), centreY + 0.5});
}

}  // namespace calverine
