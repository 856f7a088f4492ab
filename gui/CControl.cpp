#include "CControl.h"

#include <algorithm>

namespace gui {

CControl::~CControl() {
    // A control removed mid-gesture still closes its edit.
    endEdit();
}

void CControl::setValue(float value) {
    value = std::clamp(value, min_, max_);
    if (value == value_) return;
    value_ = value;
    invalidate();
}

void CControl::setValueNotify(float value) {
    const float before = value_;
    setValue(value);
    if (value_ == before || !listener_) return;
    const bool bracket = !editing_;
    if (bracket) beginEdit();
    listener_->valueChanged(this);
    if (bracket) endEdit();
}

void CControl::setRange(float min, float max) {
    min_ = min;
    max_ = max;
    default_ = std::clamp(default_, min, max);
    value_ = std::clamp(value_, min, max);
    invalidate();
}

float CControl::getValueNormalized() const {
    return max_ > min_ ? (value_ - min_) / (max_ - min_) : 0;
}

void CControl::beginEdit() {
    if (editing_) return;
    editing_ = true;
    if (listener_) listener_->beginEdit(tag_);
}

void CControl::endEdit() {
    if (!editing_) return;
    editing_ = false;
    if (listener_) listener_->endEdit(tag_);
}

void CControl::editTo(float value) {
    beginEdit();
    setValueNotify(value);
    endEdit();
}

bool CControl::onWheel(CPoint, double notches, std::uint32_t buttons) {
    const float step = wheelStep_ * ((buttons & kShift) ? kFineFactor : 1.0f);
    const float target = getValueNormalized() + float(notches) * step;
    editTo(min_ + std::clamp(target, 0.0f, 1.0f) * (max_ - min_));
    return true;
}

}  // namespace gui
