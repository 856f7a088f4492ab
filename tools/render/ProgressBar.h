// A one-line progress bar on a terminal. It stays hidden for short renders:
// it appears once the render is expected to take more than about two seconds
// of wall time, or at once when the audio itself is long, and it redraws at
// most ten times a second.
#pragma once

#include <chrono>
#include <cstdio>

namespace calverine::render {

class ProgressBar {
public:
    static constexpr double kLongAudioSeconds = 60.0;
    static constexpr double kLongRenderSeconds = 2.0;

    // `enabled` false makes every call a no-op (not a terminal, or --quiet).
    ProgressBar(std::FILE* stream, bool enabled, double audioSeconds);

    // `done` is the fraction rendered so far, 0 to 1.
    void update(double done);

    // Draws the full bar and ends the line, if the bar was ever shown.
    void finish();

    bool shown() const { return shown_; }

private:
    using Clock = std::chrono::steady_clock;
    void draw(double done);

    std::FILE* stream_;
    bool enabled_;
    double audioSeconds_;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
    bool shown_ = false;
};

}  // namespace calverine::render
