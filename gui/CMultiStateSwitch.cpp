#include "CMultiStateSwitch.h"

#include <algorithm>
#include <cmath>

namespace gui {

CMultiStateSwitch::CMultiStateSwitch(const CRect& size, IControlListener* listener, int tag, int states, Mode mode,
                                     std::shared_ptr<CBitmap> filmstrip)
    : CControl(size, listener, tag), states_(std::max(states, 2)), mode_(mode), filmstrip_(std::move(filmstrip)) {
    setRange(0, float(states_ - 1));
    setWheelStep(1.0f / float(states_ - 1));
    setCursor(CursorType::Hand);
}

int CMultiStateSwitch::state() const {
    return int(std::lround(getValue()));
}

CRect CMultiStateSwitch::segment(int state) const {
    const CRect b = localBounds();
    if (mode_ == Mode::PickVertical) {
        const double h = b.height() / states_;
        return {0, state * h, b.width(), (state + 1) * h};
    }
    const double w = b.width() / states_;
    return {state * w, 0, (state + 1) * w, b.height()};
}

int CMultiStateSwitch::stateAt(CPoint where) const {
    const CRect b = localBounds();
    const double along = mode_ == Mode::PickVertical ? where.y / b.height() : where.x / b.width();
    return std::clamp(int(along * states_), 0, states_ - 1);
}

void CMultiStateSwitch::draw(CDrawContext& context) {
    const CRect b = localBounds();
    if (filmstrip_) {
        const double h = double(filmstrip_->height()) / states_;
        context.drawBitmapScaled(*filmstrip_, CRect::fromSize(0, state() * h, filmstrip_->width(), h), b);
        return;
    }
    context.setFillColor(theme::kTrack);
    context.setFrameColor(theme::kEdge);
    context.setLineWidth(1);
    context.drawRoundRect(b.inset(0.5, 0.5), 4, DrawStyle::FilledAndStroked);
    // Cycle mode shows only the current state; the pick modes show them all.
    const bool all = mode_ != Mode::Cycle;
    context.setFont(theme::font(std::clamp((all && mode_ == Mode::PickVertical ? b.height() / states_ : b.height()) *
                                               0.5, 9.0, 12.0)));
    for (int s = 0; s < states_; ++s) {
        if (!all && s != state()) continue;
        const CRect r = all ? segment(s).inset(2, 2) : b.inset(2, 2);
        const bool lit = s == state();
        if (lit) {
            context.setFillColor(getAccent());
            context.drawRoundRect(r, 3);
        }
        const std::string label = s < int(labels_.size()) ? labels_[s] : std::to_string(s + 1);
        context.setFontColor(lit ? theme::kTextOnAccent : theme::kText);
        context.drawString(label, r);
    }
}

MouseResult CMultiStateSwitch::onMouseDown(CPoint where, std::uint32_t buttons) {
    if (!(buttons & kLButton)) return MouseResult::NotHandled;
    if (mode_ == Mode::Cycle) {
        const int step = (buttons & kShift) ? states_ - 1 : 1;
        editTo(float((state() + step) % states_));
        return MouseResult::Handled;
    }
    beginEdit();
    setValueNotify(float(stateAt(where)));
    return MouseResult::Capture;
}

MouseResult CMultiStateSwitch::onMouseMoved(CPoint where, std::uint32_t) {
    if (!isEditing()) return MouseResult::NotHandled;
    setValueNotify(float(stateAt(where)));
    return MouseResult::Handled;
}

MouseResult CMultiStateSwitch::onMouseUp(CPoint, std::uint32_t) {
    if (!isEditing()) return MouseResult::NotHandled;
    endEdit();
    return MouseResult::Handled;
}

}  // namespace gui
