#include "CKeyboardWheel.h"

#include <algorithm>
#include <cmath>

namespace calverine {

CKeyboardWheel::CKeyboardWheel(const gui::CRect& size, gui::IControlListener* listener, int tag,
                               std::shared_ptr<gui::CBitmap> filmstrip, int frames, bool springs,
                               EditorServices& services)
    : CControl(size, listener, tag),
      filmstrip_(std::move(filmstrip)),
      frames_(std::max(frames, 1)),
      springs_(springs),
      link_(*this, services) {
    setCursor(gui::CursorType::VerticalSize);
    if (springs_) {
        setDefaultValue(0.5f);
        setValue(0.5f);
    }
}

void CKeyboardWheel::draw(gui::CDrawContext& context) {
    const gui::CRect b = localBounds();
    if (filmstrip_) {
        const double h = double(filmstrip_->height()) / frames_;
        const int frame = int(std::lround(getValueNormalized() * (frames_ - 1)));
        context.drawBitmapScaled(*filmstrip_, gui::CRect::fromSize(0, frame * h, filmstrip_->width(), h), b);
        return;
    }
    context.setFillColor(gui::theme::kTrack);
    context.drawRoundRect(b, 4);
    const double grip = std::max(6.0, b.height() * 0.12);
    const double y = (b.height() - grip) * (1 - getValueNormalized());
    context.setFillColor(gui::theme::kRaised);
    context.drawRoundRect(gui::CRect{2, y, b.width() - 2, y + grip}, 3);
    context.setFillColor(getAccent());
    context.drawRect(gui::CRect{4, y + grip / 2 - 1, b.width() - 4, y + grip / 2 + 1});
}

gui::MouseResult CKeyboardWheel::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    if (link_.handleMenuClick(where, buttons)) return gui::MouseResult::Handled;
    if (!(buttons & gui::kLButton)) return gui::MouseResult::NotHandled;
    link_.press(buttons);
    beginEdit();
    lastY_ = where.y;
    return gui::MouseResult::Capture;
}

gui::MouseResult CKeyboardWheel::onMouseMoved(gui::CPoint where, std::uint32_t buttons) {
    if (!isEditing()) return gui::MouseResult::NotHandled;
    double delta = (lastY_ - where.y) / std::max(1.0, getViewSize().height());
    if (buttons & gui::kShift) delta *= kFineFactor;
    lastY_ = where.y;
    const double target = std::clamp(getValueNormalized() + delta, 0.0, 1.0);
    setValueNotify(float(getMin() + target * (getMax() - getMin())));
    link_.refresh();
    return gui::MouseResult::Handled;
}

void CKeyboardWheel::finish() {
    if (springs_ && isEditing()) setValueNotify(getDefaultValue());
    endEdit();
    link_.release();
}

gui::MouseResult CKeyboardWheel::onMouseUp(gui::CPoint, std::uint32_t) {
    if (!isEditing()) return gui::MouseResult::NotHandled;
    finish();
    return gui::MouseResult::Handled;
}

void CKeyboardWheel::onMouseCancel() { finish(); }

}  // namespace calverine
