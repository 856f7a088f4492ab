#include "CAnimKnob.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gui {

CAnimKnob::CAnimKnob(const CRect& size, IControlListener* listener, int tag, std::shared_ptr<CBitmap> filmstrip,
                     int frames)
    : CControl(size, listener, tag), filmstrip_(std::move(filmstrip)), frames_(std::max(frames, 1)) {
    setCursor(CursorType::VerticalSize);
}

int CAnimKnob::currentFrame() const {
    return int(std::lround(getValueNormalized() * (frames_ - 1)));
}

bool CAnimKnob::hitTest(CPoint local) const {
    if (filmstrip_) return CView::hitTest(local);
    // Round: the corners belong to whatever lies below.
    const CRect b = localBounds();
    const double r = std::min(b.width(), b.height()) / 2;
    const CPoint d = local - b.center();
    return d.x * d.x + d.y * d.y <= r * r;
}

void CAnimKnob::draw(CDrawContext& context) {
    if (!filmstrip_) return drawKnob(context);
    const double frameHeight = double(filmstrip_->height()) / frames_;
    const CRect source = CRect::fromSize(0, currentFrame() * frameHeight, filmstrip_->width(), frameHeight);
    context.drawBitmapScaled(*filmstrip_, source, localBounds());
}

void CAnimKnob::drawKnob(CDrawContext& context) {
    const CRect b = localBounds();
    const double size = std::min(b.width(), b.height());
    const CPoint c = b.center();
    const double ring = std::max(2.0, size * 0.09);
    const CRect arcBox = CRect{c.x - size / 2, c.y - size / 2, c.x + size / 2, c.y + size / 2}.inset(1, 1);

    // Unlit track, then the lit part of it up to the value.
    context.setLineWidth(ring);
    context.setFrameColor(theme::kTrack);
    context.drawArc(arcBox, kStartDegrees, kStartDegrees + kSweepDegrees);
    const double from = kStartDegrees + (bipolar_ ? kSweepDegrees / 2 : 0);
    const double to = kStartDegrees + getValueNormalized() * kSweepDegrees;
    if (std::abs(to - from) > 0.5) {
        context.setFrameColor(getAccent());
        context.drawArc(arcBox, std::min(from, to), std::max(from, to));
    }

    // Body with a rim, and the pointer from near the centre to the edge.
    const CRect body = arcBox.inset(ring + size * 0.06, ring + size * 0.06);
    context.setFillColor(theme::kRaised);
    context.setFrameColor(theme::kEdge);
    context.setLineWidth(1);
    context.drawEllipse(body, DrawStyle::FilledAndStroked);
    const double radians = to * std::numbers::pi / 180;
    const double r = body.width() / 2;
    const CPoint dir{std::cos(radians), std::sin(radians)};
    context.setFrameColor(theme::kText);
    context.setLineWidth(std::max(1.5, size * 0.06));
    context.drawLine({c.x + dir.x * r * 0.25, c.y + dir.y * r * 0.25}, {c.x + dir.x * (r - 2), c.y + dir.y * (r - 2)});
}

double CAnimKnob::angleOf(CPoint p) const {
    const CPoint d = p - localBounds().center();
    return std::atan2(d.y, d.x) * 180 / std::numbers::pi;
}

MouseResult CAnimKnob::onMouseDown(CPoint where, std::uint32_t buttons) {
    if (!(buttons & kLButton)) return MouseResult::NotHandled;
    if (buttons & (kDoubleClick | kControl)) {
        editTo(getDefaultValue());
        return MouseResult::Handled;
    }
    beginEdit();
    last_ = where;
    return MouseResult::Capture;
}

MouseResult CAnimKnob::onMouseMoved(CPoint where, std::uint32_t buttons) {
    if (!isEditing()) return MouseResult::NotHandled;
    double delta;  // normalized
    if (mode_ == Mode::Circular) {
        double degrees = angleOf(where) - angleOf(last_);
        if (degrees > 180) degrees -= 360;
        if (degrees < -180) degrees += 360;
        delta = degrees / kSweepDegrees;
    } else {
        delta = (last_.y - where.y) / kDragRange;
    }
    // Relative steps: Shift changes the rate from here on, without a jump.
    if (buttons & kShift) delta *= kFineFactor;
    last_ = where;
    const double target = std::clamp(getValueNormalized() + delta, 0.0, 1.0);
    setValueNotify(float(getMin() + target * (getMax() - getMin())));
    return MouseResult::Handled;
}

MouseResult CAnimKnob::onMouseUp(CPoint, std::uint32_t) {
    if (!isEditing()) return MouseResult::NotHandled;
    endEdit();
    return MouseResult::Handled;
}

}  // namespace gui
