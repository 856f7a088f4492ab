#include "CTimer.h"

#include "CFrame.h"

namespace gui {

CTimer::CTimer(CFrame& frame, double intervalMs, std::function<void()> callback)
    : frame_(&frame), intervalMs_(intervalMs), callback_(std::move(callback)) {
    frame.timers_.push_back(this);
}

CTimer::~CTimer() {
    if (frame_) std::erase(frame_->timers_, this);
}

void CTimer::advance(double ms) {
    if (!running_) return;
    elapsedMs_ += ms;
    if (elapsedMs_ + 1e-9 < intervalMs_) return;
    elapsedMs_ = 0;  // a late clock does not fire twice in a row
    callback_();
}

}  // namespace gui
