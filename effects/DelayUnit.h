// The tempo-synchronised stereo delay: two echo lines with a fixed stereo
// offset and cross-feed, width, an 8th-order low cut and a gentle high cut on
// the echoes, and the Double-X modes (cross-coupled lines with allpass
// diffusion fed from the mono sum).
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace calverine {

class DelayUnit {
public:
    // The offsets of "DL Feedback", "DL Width", "DL Low Cut", "DL High Cut"
    // and "DL Dry/Wet", in that order.
    static constexpr int kOffsets = 5;
    static constexpr int kTimes = 15;

    DelayUnit();
    // Reallocates and clears the rings when the whole-number rate changes.
    void setSampleRate(double rate);
    // A delay control id; false for any other.
    bool setControl(int id, double value);

    // The length in samples of time index `index` at `tempo` beats per minute.
    static int lengthFor(int index, double sampleRate, double tempo);

    // n <= 16 samples in place.
    void process(int n, float* left, float* right, const float* offsets, double tempo, float inputGain);
    void clear();

    bool isOn() const { return on_; }
    int currentLength() const { return length_; }

private:
    void updateFilters(double lowCut, double highCut);
    // One sample of the four-lane filter bank; echoL/echoR in, echo pair out.
    void filter(float& echoL, float& echoR, bool lowPass);
    // Both return whether the rings carried signal during the slice.
    bool processPlain(int n, float* left, float* right, int length);
    bool processDoubleX(int n, float* left, float* right, int length);
    void smoothTowardGoals();

    double rate_ = 0.0;
    std::uint32_t mask_ = 0;
    std::vector<float> ringA_, ringB_, ringC_;
    float allpass1_[2048] = {}, allpass2_[2048] = {};
    std::uint32_t write_ = 0, writeC_ = 0;

    // Four sections x four lanes: lanes 0, 1 the high cut (a low-pass) of
    // the left and right echo, lanes 2, 3 the low cut (a high-pass).
    struct Section {
        float previous[4] = {}, band[4] = {}, low[4] = {};
        float a1[4] = {}, bandFeedback[4] = {}, ga1[4] = {}, twoA1[4] = {}, k[4] = {};
    };
    Section sections_[4];
    float pending_[2] = {};  // the high-pass outputs that feed the low-pass next sample
    double lastLowCut_ = -1.0, lastHighCut_ = -1.0;

    double width_ = 1.0, feedback_ = 0.01, wet_ = 0.5;
    double widthGoal_ = 1.0, feedbackGoal_ = 0.01, wetGoal_ = 0.5;
    int silence_ = 0;  // samples since the rings last carried signal
    bool quiet_ = true;
    int length_ = -1;
    int hold_ = -1;

    // controls, written from any thread
    bool on_ = true;  // as the patch defaults have it
    int doubleX_ = 0;
    std::atomic<bool> clearPending_{false};
    int timeIndex_ = 7;
    double feedbackTarget_ = 0.5, widthTarget_ = 1.0, wetTarget_ = 0.25, lowCutTarget_ = 0.0, highCutTarget_ = 0.0;
};

}  // namespace calverine
