#include "ControllerLanes.h"

#include <algorithm>
#include <iterator>

namespace calverine {

void ControllerLanes::configure(int blockSize) {
    blockSize_ = std::max(blockSize, 1);
    wheelRamp_ = false;
    for (int k = 0; k < 16; ++k) {
        bendRamp_[k] = false;
        bend_[k].store(0.0f, std::memory_order_relaxed);
    }
}

void ControllerLanes::setAllBends(float bend) {
    for (std::atomic<float>& b : bend_) b.store(bend, std::memory_order_relaxed);
}

void ControllerLanes::beginEvents() {
    nextWheelSlice_ = 0;
    std::fill(std::begin(nextBendSlice_), std::end(nextBendSlice_), 0);
}

void ControllerLanes::moveWheel(AudioEngine& engine, float value, int position) {
    if (blockSize_ < kLaneBlockSize) return;
    const int slice = position / 16;
    for (int s = nextWheelSlice_; s <= slice; ++s) engine.wheelLane[static_cast<std::size_t>(s)] = value;
    wheelRamp_ = true;
    nextWheelSlice_ = slice + 1;
}

void ControllerLanes::moveBend(AudioEngine& engine, int channel, float bend, int position) {
    bend_[channel].store(bend, std::memory_order_relaxed);
    if (blockSize_ < kLaneBlockSize) return;
    const int slice = position / 16;
    for (int s = nextBendSlice_[channel]; s <= slice; ++s)
        engine.bendLane[static_cast<std::size_t>(s * 16 + channel)] = bend;
    nextBendSlice_[channel] = slice + 1;
    bendRamp_[channel] = true;
}

void ControllerLanes::endEvents(AudioEngine& engine) {
    const int lastSlice = (blockSize_ + 15) / 16 - 1;
    if (wheelRamp_)
        for (int s = nextWheelSlice_; s <= lastSlice; ++s)
            engine.wheelLane[static_cast<std::size_t>(s)] = static_cast<float>(modWheel());
    for (int k = 0; k < 16; ++k)
        if (bendRamp_[k])
            for (int s = nextBendSlice_[k]; s <= lastSlice; ++s)
                engine.bendLane[static_cast<std::size_t>(s * 16 + k)] = bend(k);
}

void ControllerLanes::startBlock(AudioEngine& engine) const {
    engine.modWheel = static_cast<float>(modWheel());
    for (int k = 0; k < 16; ++k) engine.bend[static_cast<std::size_t>(k)] = bend(k);
}

void ControllerLanes::enterSlice(AudioEngine& engine, int position) const {
    const std::size_t slice = std::min(static_cast<std::size_t>(position / 16), engine.wheelLane.size() - 1);
    for (int k = 0; k < 16; ++k)
        if (bendRamp_[k]) engine.bend[static_cast<std::size_t>(k)] = engine.bendLane[slice * 16 + static_cast<std::size_t>(k)];
    if (wheelRamp_) engine.modWheel = engine.wheelLane[slice];
}

void ControllerLanes::endBlock() {
    wheelRamp_ = false;
    std::fill(std::begin(bendRamp_), std::end(bendRamp_), false);
}

}  // namespace calverine
