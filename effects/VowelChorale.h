// The reverb's chorale: the input passed through four vowel formants (peaking
// trapezoidal state-variable sections in series) and a closing two-pole
// filter. The reverb's color control picks the vowel, gliding between five
// vowels. ReverbUnit runs it on its input when the chorale switch is on.
//
// Threads: everything runs on the audio thread (or before it starts) and
// never allocates, locks or waits.
#pragma once

#include "Svf.h"

#include <array>

namespace calverine {

class VowelChorale {
public:
    static constexpr int kFormants = 4;

    // Designs the closing filter and forgets the vowel. Does not clear.
    void setSampleRate(double rate);
    // Color 0 to 1 picks the vowel: 0, 0.25, 0.5, 0.75 and 1 are the five
    // vowels, values between glide. Recomputes only when the color changes.
    void setVowel(float color);
    void clear();

    // n samples of the reverb's input in place. Four lanes run through the
    // formants: the previous outputs and this sample's right and left, so
    // the right input reaches the left output one sample late and the left
    // the right. States that fall below 1e-7 become zero after the slice.
    void process(int n, float* left, float* right);

    // True when any state holds a subnormal float.
    bool hasSubnormalState() const;

private:
    struct State {
        // Trapezoidal state-variable section, four lanes.
        std::array<float, 4> previous{}, band{}, low{};
    };
    struct Formant {
        float bandGain = 0.0f;
        TrapezoidCoefficients section;
    };

    double rate_ = 44100.0;
    float vowel_ = -1.0f;  // the color the formants were designed for
    std::array<Formant, kFormants> formant_{};
    std::array<State, kFormants> state_{};
    SvfCoefficients close_;  // the closing two-pole filter
    std::array<float, 2> closeS1_{}, closeS2_{};
    float previousL_ = 0.0f, previousR_ = 0.0f;
};

}  // namespace calverine
