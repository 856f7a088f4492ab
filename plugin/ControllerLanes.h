// The mod wheel and the 16 per-channel pitch bends as the engine hears them
// during one host block. With blocks of at least 101 frames a move lands in
// its 16-frame slice: the MIDI input writes, for every slice from the last one
// written up to the event's, the new value into the engine's lane and marks
// the lane as ramping; block processing then hands the engine the lane value
// of each slice. With smaller blocks there are no lanes, and the last value
// of the block applies to all of it.
//
// Threads: the audio thread (processEvents, processReplacing); setBlockSize
// and the change path (controls 98 and 99) from the host's other threads.
#pragma once

#include <atomic>

#include "AudioEngine.h"

namespace calverine {

class ControllerLanes {
public:
    // Hosts with blocks of at least this many frames get 16-frame lanes.
    static constexpr int kLaneBlockSize = 101;

    // The block size B (at least 1); no lane ramps, every bend centred.
    void configure(int blockSize);
    int blockSize() const { return blockSize_; }

    // The values themselves, as the change path sets them (controls 98 and 99).
    void setModWheel(double value) { modWheel_.store(value, std::memory_order_relaxed); }
    void setAllBends(float bend);
    double modWheel() const { return modWheel_.load(std::memory_order_relaxed); }
    float bend(int channel) const { return bend_[channel & 15].load(std::memory_order_relaxed); }

    // ---- the MIDI input, once per processEvents call ---------------------------
    void beginEvents();
    // The wheel lane up to the slice of `position` takes `value` (the value
    // itself arrives through the change path).
    void moveWheel(AudioEngine& engine, float value, int position);
    // The channel's bend becomes `bend`, and its lane up to the slice of `position`.
    void moveBend(AudioEngine& engine, int channel, float bend, int position);
    // Every ramping lane holds its last value up to the end of the block.
    void endEvents(AudioEngine& engine);

    // ---- block processing --------------------------------------------------------
    // The values for the whole block.
    void startBlock(AudioEngine& engine) const;
    // The ramping lanes' values for the slice starting at `position`.
    void enterSlice(AudioEngine& engine, int position) const;
    // The lanes were valid for this block only.
    void endBlock();

private:
    int blockSize_ = 1024;
    // Written by the change path from any thread, read by the audio thread.
    std::atomic<float> bend_[16] = {};
    bool bendRamp_[16] = {};
    std::atomic<double> modWheel_{0.0};
    bool wheelRamp_ = false;
    // Next lane slice to write, per processEvents call.
    int nextWheelSlice_ = 0;
    int nextBendSlice_[16] = {};
};

}  // namespace calverine
