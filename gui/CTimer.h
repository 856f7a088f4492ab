// A repeating callback driven by the frame's clock (platformTick, about 30
// times a second). Destroying the timer stops it.
//
// Thread: the GUI thread only.
#pragma once

#include <functional>

namespace gui {

class CFrame;

class CTimer {
public:
    // Fires `callback` every `intervalMs` (at the clock's resolution) while
    // running; starts running.
    CTimer(CFrame& frame, double intervalMs, std::function<void()> callback);
    ~CTimer();
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    void start() { running_ = true; }
    void stop() { running_ = false; elapsedMs_ = 0; }
    bool isRunning() const { return running_; }

private:
    friend class CFrame;
    void advance(double ms);

    CFrame* frame_;
    double intervalMs_;
    double elapsedMs_ = 0;
    bool running_ = true;
    std::function<void()> callback_;
};

}  // namespace gui
