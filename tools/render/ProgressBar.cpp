#include "ProgressBar.h"

#include <algorithm>

namespace calverine::render {

namespace {

constexpr int kWidth = 40;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// Before this much wall time has passed, the estimate of the total time is
// too noisy to decide on.
constexpr double kEstimateAfterSeconds = 0.25;

}  // namespace

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, double audioSeconds)
    : stream_(stream), enabled_(enabled), audioSeconds_(audioSeconds), start_(Clock::now()), lastDraw_(start_) {}

void ProgressBar::update(double done) {
    if (!enabled_) {
        return;
    }
    const auto now = Clock::now();
    if (!shown_) {
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        const bool longAudio = audioSeconds_ >= kLongAudioSeconds;
        const bool longRender = elapsed >= kEstimateAfterSeconds && done > 0.0 && elapsed / done >= kLongRenderSeconds;
        if (!longAudio && !longRender) {
            return;
        }
    } else if (now - lastDraw_ < kRedrawInterval) {
        return;
    }
    lastDraw_ = now;
    draw(done);
}

void ProgressBar::finish() {
    if (enabled_ && shown_) {
        draw(1.0);
        std::fputc('\n', stream_);
        std::fflush(stream_);
    }
}

void ProgressBar::draw(double done) {
    done = std::clamp(done, 0.0, 1.0);
    const int filled = static_cast<int>(done * kWidth);
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i) {
        bar[i] = i < filled ? '#' : '.';
    }
    bar[kWidth] = '\0';
    std::fprintf(stream_, "\rrendering [%s] %3d%%  %.1f / %.1f s", bar, static_cast<int>(done * 100.0),
                 done * audioSeconds_, audioSeconds_);
    std::fflush(stream_);
    shown_ = true;
}

}  // namespace calverine::render
