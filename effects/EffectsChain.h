// The effects section: reverb, delay and chorus in that order over each
// slice of the voice mix, in place; the master switch with its delayed
// shut-down; a silence detector that stops the units two seconds after input
// and output have gone quiet; and, above 88 kHz, the reverb at a halved or
// quartered rate through two rate converters.
//
// Threads: setControl may come from any thread and only writes fields (the
// master switch is taken by the audio thread at its next slice); everything
// else runs on the audio thread, except setSampleRate, which runs while the
// host does not render.
#pragma once

#include <atomic>

#include "ChorusUnit.h"
#include "DelayUnit.h"
#include "RateConverter.h"
#include "ReverbUnit.h"

namespace calverine {

class EffectsChain {
public:
    static constexpr int kMaxSlice = 16;
    // The block-rate matrix offsets the chain reads: the delay's five, the
    // reverb's six and the chorus's four, in that order.
    static constexpr int kOffsets = DelayUnit::kOffsets + ReverbUnit::kOffsets + ChorusUnit::kOffsets;

    EffectsChain();
    void setSampleRate(double hostRate);
    // An effects control id (the master switch or any unit's); false for any other.
    bool setControl(int id, double value);

    // Audio thread, every slice: first take a master switch change ...
    void takeSwitchChange();
    bool enabled() const { return enabled_; }
    // ... then, while enabled, the units over n <= 16 samples in place ...
    void process(int n, float* left, float* right, bool notesIdle, double tempo, const float* offsets);
    // ... and last the switch-off countdown.
    void advanceSwitchOff();
    // Silences every unit's memory (rings, filters, the reverb's network).
    void clearUnits();

    // A tail's samples below 4e-8 become exact zeros; true if any sample is
    // left that is not zero.
    static bool flushTail(int n, float* left, float* right);

    // views for tests and displays
    int switchOffCountdown() const { return countdown_; }
    float inputGain() const { return inputGain_; }
    int rateReductions() const { return reductions_; }
    double reverbRate() const { return reverbRate_; }
    int quietCount() const { return quietCount_; }
    int tailCount() const { return tailCount_; }
    ReverbUnit& reverb() { return reverb_; }
    DelayUnit& delay() { return delay_; }
    ChorusUnit& chorus() { return chorus_; }

private:
    void runReverb(int n, float* left, float* right, const float* offsets);

    ReverbUnit reverb_;
    DelayUnit delay_;
    ChorusUnit chorus_;
    RateConverter converters_[2];
    alignas(16) float scratch_[2][kMaxSlice] = {};

    double hostRate_ = 44100.0;
    double reverbRate_ = 44100.0;
    int reductions_ = 0;
    int tailReload_ = 0;
    int quietCount_ = 1000;
    int tailCount_ = 1000;

    bool enabled_ = false;
    float inputGain_ = 1.0f;
    int countdown_ = 0;
    std::atomic<int> switchRequest_{-1};  // -1 none, 0 off, 1 on
};

}  // namespace calverine
