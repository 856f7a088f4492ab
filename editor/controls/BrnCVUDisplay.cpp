#include "BrnCVUDisplay.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace calverine {

BrnCVUDisplay::BrnCVUDisplay(const gui::CRect& size, int tag, std::shared_ptr<gui::CBitmap> strips,
                             EditorServices& services)
    : CControl(size, nullptr, tag), services_(services), strips_(std::move(strips)) {
    setMouseEnabled(false);
}

void BrnCVUDisplay::feed(float level, bool midi, double seconds) {
    const double before = shownLevel(), peakBefore = shownPeak();
    const bool lampBefore = lampLit();
    const double db = level > 0 ? std::max(kFloorDb, 20 * std::log10(double(level))) : kFloorDb;
    levelDb_ = std::max(db, levelDb_ - kFallDbPerSecond * seconds);
    hold_ -= seconds;
    if (db >= peakDb_) {
        peakDb_ = db;
        hold_ = kHoldSeconds;
    } else if (hold_ <= 0) {
        peakDb_ = levelDb_;  // after the hold the mark falls with the level
    }
    lamp_ = midi ? kLampSeconds : std::max(0.0, lamp_ - seconds);
    if (shownLevel() != before || shownPeak() != peakBefore || lampLit() != lampBefore) invalidate();
}

void BrnCVUDisplay::idleUpdate() {
    using Clock = std::chrono::steady_clock;
    const double now = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
    const double elapsed = lastSeconds_ < 0 ? 0 : std::min(now - lastSeconds_, 1.0);
    lastSeconds_ = now;
    feed(services_.meterLevel(), services_.midiActivity(), elapsed);
}

void BrnCVUDisplay::draw(gui::CDrawContext& context) {
    const gui::CRect b = localBounds();
    const double lampSize = std::min(b.height(), 8.0);
    const gui::CRect meter{0, 0, b.width() - lampSize - 4, b.height()};
    const double lit = std::floor(meter.width() * shownLevel());
    if (strips_) {
        // Unlit strip on the left half of the image, lit strip on the right.
        const double w = strips_->width() / 2.0, h = strips_->height();
        context.drawBitmapScaled(*strips_, gui::CRect{0, 0, w, h}, meter);
        if (lit > 0)
            context.drawBitmapScaled(*strips_, gui::CRect{w, 0, w + w * shownLevel(), h},
                                     gui::CRect{0, 0, lit, meter.height()});
    } else {
        context.setFillColor(gui::theme::kTrack);
        context.drawRect(meter);
        context.setFillColor(getAccent());
        context.drawRect(gui::CRect{0, 1, lit, meter.height() - 1});
    }
    const double peakX = std::floor(meter.width() * shownPeak());
    if (peakX > 0) {
        context.setFillColor(gui::theme::kText);
        context.drawRect(gui::CRect{std::max(0.0, peakX - 2), 0, peakX, meter.height()});
    }
    const gui::CPoint c{b.right - lampSize / 2, b.center().y};
    context.setFillColor(lampLit() ? getAccent() : gui::theme::kTrack);
    context.drawEllipse(gui::CRect{c.x - lampSize / 2, c.y - lampSize / 2, c.x + lampSize / 2, c.y + lampSize / 2});
}

}  // namespace calverine
