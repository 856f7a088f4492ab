#include "ReverbUnit.h"

#include "EffectControls.h"
#include "SignalAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace calverine {
namespace {

using analysis::kPi;

struct Settings {
    double rate = 44100.0;
    float time = 0.0f, color = 0.0f, shimmer = 0.0f, regen = 0.0f, width = 1.0f, mix = 1.0f;
    bool chorale = false;
};

void configure(ReverbUnit& reverb, const Settings& s) {
    reverb.setSampleRate(s.rate);
    reverb.setControl(effects_control::kReverbOn, 1.0f);
    reverb.setControl(effects_control::kReverbTime, s.time);
    reverb.setControl(effects_control::kReverbColor, s.color);
    reverb.setControl(effects_control::kReverbShimmer, s.shimmer);
    reverb.setControl(effects_control::kReverbRegen, s.regen);
    reverb.setControl(effects_control::kReverbWidth, s.width);
    reverb.setControl(effects_control::kReverbMix, s.mix);
    reverb.setControl(effects_control::kReverbChorale, s.chorale ? 1.0f : 0.0f);
}

// Processes whole buffers in the chain's 16-sample slices.
void render(ReverbUnit& reverb, std::vector<float>& left, std::vector<float>& right, bool wetOnly,
            float inputGain = 1.0f) {
    const int frames = static_cast<int>(left.size());
    for (int at = 0; at < frames; at += 16) {
        reverb.process(std::min(16, frames - at), left.data() + at, right.data() + at, inputGain, wetOnly);
    }
}

std::vector<float> noise(int frames, float amplitude, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-amplitude, amplitude);
    std::vector<float> x(frames);
    for (float& v : x) v = uniform(generator);
    return x;
}

// RT60 from the Schroeder energy decay curve, extrapolated from its
// -5 dB to -25 dB span.
double rt60(const std::vector<float>& x, double rate) {
    std::vector<double> energy(x.size());
    double sum = 0.0;
    for (std::size_t i = x.size(); i-- > 0;) {
        sum += static_cast<double>(x[i]) * x[i];
        energy[i] = sum;
    }
    double at5 = -1.0, at25 = -1.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double db = 10.0 * std::log10(energy[i] / energy[0]);
        if (at5 < 0.0 && db <= -5.0) at5 = static_cast<double>(i);
        if (db <= -25.0) {
            at25 = static_cast<double>(i);
            break;
        }
    }
    return at25 > at5 && at5 >= 0.0 ? 3.0 * (at25 - at5) / rate : -1.0;
}

// The shimmer engine's output S, collected slice by slice.
std::vector<float> shimmerOf(ReverbUnit& reverb, const std::vector<float>& input) {
    std::vector<float> s(input.size());
    for (std::size_t at = 0; at < input.size(); at += 16) {
        const int n = static_cast<int>(std::min<std::size_t>(16, input.size() - at));
        float l[16], r[16];
        std::copy(input.begin() + static_cast<std::ptrdiff_t>(at), input.begin() + static_cast<std::ptrdiff_t>(at) + n, l);
        std::copy(l, l + n, r);
        reverb.process(n, l, r, 1.0f, true);
        std::copy(reverb.shimmerSlice(), reverb.shimmerSlice() + n, s.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return s;
}

std::vector<float> sine(int frames, double frequency, double rate, float amplitude) {
    std::vector<float> x(frames);
    for (int i = 0; i < frames; ++i) x[i] = amplitude * static_cast<float>(std::sin(2.0 * kPi * frequency * i / rate));
    return x;
}

std::vector<float> slice(const std::vector<float>& x, std::size_t from, std::size_t count) {
    return std::vector<float>(x.begin() + static_cast<std::ptrdiff_t>(from),
                              x.begin() + static_cast<std::ptrdiff_t>(from + count));
}

// Mean power of a magnitude spectrum between two frequencies.
double bandPower(const std::vector<double>& spectrum, double rate, std::size_t n, double lo, double hi) {
    double sum = 0.0;
    int count = 0;
    for (std::size_t k = static_cast<std::size_t>(lo * n / rate); k <= static_cast<std::size_t>(hi * n / rate); ++k) {
        sum += spectrum[k] * spectrum[k];
        ++count;
    }
    return sum / count;
}

TEST(ReverbUnit, DelayLengthsAreScaledMadeOddAndRaisedToAPrime) {
    // Worked by hand: 349 x 0.405 = 141.3 -> 141 = 3 x 47 -> 149; 546 x 0.405
    // = 221.1 -> 221 = 13 x 17 -> 223; 1544 x 0.405 = 625.3 -> 631;
    // 503 x 0.405 = 203.7 -> 211; 597 x 0.405 = 241.8 -> 241 (prime);
    // 425 x 0.405 = 172.1 -> 172 even -> 173; 4225 x 0.405 = 1711.1 -> 1721.
    ReverbUnit reverb;
    reverb.setSampleRate(44100.0);
    EXPECT_EQ(reverb.inputAllpassLength(0), 149);
    EXPECT_EQ(reverb.inputAllpassLength(1), 211);
    EXPECT_EQ(reverb.earlyTap(0, 0), 223);
    EXPECT_EQ(reverb.earlyTap(1, 0), 241);
    EXPECT_EQ(reverb.nestedLength(0, true), 173);
    EXPECT_EQ(reverb.lineLength(0), 631);
    EXPECT_EQ(reverb.lineLength(15), 1721);
    // 1544 x 48000/44100 x 0.405 = 680.6 -> 680 even -> 681 = 3 x 227 -> 683.
    reverb.setSampleRate(48000.0);
    EXPECT_EQ(reverb.lineLength(0), 683);
}

TEST(ReverbUnit, DecayTimeFollowsTheTimeControl) {
    // The feedback gain loses 60 dB over 42 T passes through the network, and
    // a pass takes the mean line length, about 36 ms (1.53/42 s) at any rate.
    // So the measured RT60 is T x 42 x mean length, about 1.5 T.
    struct Case {
        double rate;
        float time;
    };
    for (const Case c : {Case{44100.0, 0.0f}, Case{48000.0, 0.2f}}) {
        Settings s;
        s.rate = c.rate;
        s.time = c.time;
        ReverbUnit reverb;
        configure(reverb, s);
        double meanLength = 0.0;
        for (int k = 0; k < ReverbUnit::kLines; ++k) meanLength += reverb.lineLength(k) / 16.0;
        const double decay = 0.5 + 19.5 * c.time * c.time;
        const double expected = decay * 42.0 * meanLength / c.rate;
        const int frames = static_cast<int>(0.6 * expected * c.rate);
        std::vector<float> left(frames), right(frames);
        left[0] = right[0] = 1.0f;
        render(reverb, left, right, true);
        EXPECT_NEAR(rt60(left, c.rate), expected, 0.15 * expected) << c.rate << " " << c.time;
        EXPECT_NEAR(rt60(right, c.rate), expected, 0.15 * expected) << c.rate << " " << c.time;
    }
}

TEST(ReverbUnit, ShimmerPlaysTheInputAnOctaveUpBelowTheCut) {
    const double rate = 44100.0;
    Settings s;
    s.shimmer = 1.0f;
    const int frames = 12288;
    // 1 kHz comes out at 2 kHz, with nothing left at 1 kHz.
    {
        ReverbUnit reverb;
        configure(reverb, s);
        const std::vector<float> out = slice(shimmerOf(reverb, sine(frames, 1000.0, rate, 0.5f)), 8192, 4096);
        EXPECT_NEAR(analysis::zeroCrossingFrequency(out, rate), 2000.0, 1.0);
        const auto spectrum = analysis::spectrum(out, 4096);
        const double at2k = spectrum[static_cast<std::size_t>(2000.0 * 4096 / rate + 0.5)];
        EXPECT_GT(at2k, 0.3);
        EXPECT_LT(spectrum[static_cast<std::size_t>(1000.0 * 4096 / rate + 0.5)], 1e-3 * at2k);
    }
    // 8 kHz lies below N/5 of the frame (8.8 kHz here) and comes out at
    // 16 kHz; 10 kHz lies above it and is removed.
    double below = 0.0, above = 0.0;
    for (double frequency : {8000.0, 10000.0}) {
        ReverbUnit reverb;
        configure(reverb, s);
        const std::vector<float> out = slice(shimmerOf(reverb, sine(frames, frequency, rate, 0.5f)), 8192, 4096);
        if (frequency < 9000.0) {
            EXPECT_NEAR(analysis::zeroCrossingFrequency(out, rate), 16000.0, 2.0);
            below = analysis::rms(out);
        } else {
            above = analysis::rms(out);
        }
    }
    EXPECT_GT(below, 0.2);
    EXPECT_LT(above, 1e-3 * below);
}

TEST(ReverbUnit, RegenerationAddsOctavesAndTheShimmerEmptiesWhenBothAreZero) {
    const double rate = 44100.0;
    Settings s;
    s.shimmer = 1.0f;
    s.regen = 1.0f;
    ReverbUnit reverb;
    configure(reverb, s);
    // A 1 kHz burst, then silence: the feedback ring plays 2 kHz back into
    // the engine, which returns it at 4 kHz after the burst has gone.
    std::vector<float> input = sine(8192, 1000.0, rate, 0.5f);
    input.resize(16384, 0.0f);
    const std::vector<float> out = shimmerOf(reverb, input);
    const auto spectrum = analysis::spectrum(slice(out, 12288, 4096), 4096);
    const auto strongest = std::max_element(spectrum.begin() + 1, spectrum.end()) - spectrum.begin();
    EXPECT_NEAR(strongest * rate / 4096, 4000.0, 2 * rate / 4096);
    EXPECT_GT(spectrum[strongest], 0.05);

    // With shimmer and regen at zero the rings drain to exact silence even
    // while the input goes on.
    reverb.setControl(effects_control::kReverbShimmer, 0.0f);
    reverb.setControl(effects_control::kReverbRegen, 0.0f);
    const std::vector<float> drained = shimmerOf(reverb, sine(12288, 1000.0, rate, 0.5f));
    EXPECT_GT(analysis::peak(slice(drained, 0, 1024)), 0.01);
    EXPECT_EQ(analysis::peak(drained, 8192), 0.0);
}

TEST(ReverbUnit, ChoraleShapesNoiseWithTheVowelFormants) {
    // Vowel 0 (color 0) has formants at 795, 1155, 2898 and 3895 Hz; vowel 2
    // (color 0.5) at 300, 2288, 2945 and 3644 Hz. The reverb behind the
    // formants is the same for both, so their spectra differ by the formants.
    const double rate = 44100.0;
    const std::size_t n = 2048;
    auto averageSpectrum = [&](float color) {
        Settings s;
        s.chorale = true;
        s.color = color;
        ReverbUnit reverb;
        configure(reverb, s);
        std::vector<float> left = noise(8 * static_cast<int>(n) + 4096, 0.1f, 11u), right = left;
        render(reverb, left, right, true);
        std::vector<double> sum(n / 2 + 1, 0.0);
        for (std::size_t block = 0; block < 8; ++block) {
            const auto spectrum = analysis::spectrum(slice(left, 4096 + block * n, n), n);
            for (std::size_t k = 0; k < sum.size(); ++k) sum[k] += spectrum[k] * spectrum[k];
        }
        for (double& v : sum) v = std::sqrt(v / 8.0);
        return sum;
    };
    const auto vowel0 = averageSpectrum(0.0f);
    const auto vowel2 = averageSpectrum(0.5f);
    auto db = [&](const std::vector<double>& spectrum, double lo, double hi) {
        return 10.0 * std::log10(bandPower(spectrum, rate, n, lo, hi));
    };
    // Vowel 0: its first formant stands above the gap between 1.4 and 2.4 kHz,
    // and so does its fourth.
    EXPECT_GT(db(vowel0, 700, 900) - db(vowel0, 1600, 2200), 10.0);
    EXPECT_GT(db(vowel0, 3700, 4100) - db(vowel0, 1600, 2200), 6.0);
    // The formants move with the vowel.
    EXPECT_GT(db(vowel2, 250, 350) - db(vowel0, 250, 350), 6.0);
    EXPECT_GT(db(vowel2, 2200, 2400) - db(vowel0, 2200, 2400), 6.0);
    EXPECT_GT(db(vowel0, 700, 900) - db(vowel2, 700, 900), 6.0);

    // The chorale crosses the channels: an impulse on the left comes out on
    // the right alone until the network's first return (line 9, 599 samples).
    Settings s;
    s.chorale = true;
    ReverbUnit reverb;
    configure(reverb, s);
    std::vector<float> left(576), right(576);
    left[0] = 1.0f;
    render(reverb, left, right, true);
    EXPECT_EQ(analysis::peak(left), 0.0);
    EXPECT_GT(analysis::peak(right), 0.01);
}

TEST(ReverbUnit, MixWidthAndInputGainShapeTheOutput) {
    const std::vector<float> input = noise(4096, 0.5f, 5u);
    // Mix 0 passes the dry signal untouched.
    {
        Settings s;
        s.mix = 0.0f;
        ReverbUnit reverb;
        configure(reverb, s);
        std::vector<float> left = input, right = input;
        render(reverb, left, right, false);
        EXPECT_EQ(left, input);
        EXPECT_EQ(right, input);
        // The wet-only path ignores the mix: it always writes the wet signal.
        std::vector<float> wetLeft = input, wetRight = input;
        render(reverb, wetLeft, wetRight, true);
        EXPECT_GT(analysis::rms(wetLeft, 1024), 0.01);
        EXPECT_NE(wetLeft, input);
        EXPECT_EQ(reverb.smoothedMix(), 0.0f);
    }
    // The matrix offsets add to the controls in the order Time, Color, Width,
    // Regen, Shimmer, Dry/Wet: a Dry/Wet offset of -1 turns a full mix dry,
    // and a Shimmer offset of +1 turns the shimmer on.
    {
        Settings s;
        ReverbUnit reverb;
        configure(reverb, s);
        const float dryOffsets[ReverbUnit::kOffsets] = {0, 0, 0, 0, 0, -1};
        reverb.setOffsets(dryOffsets);
        std::vector<float> left = input, right = input;
        render(reverb, left, right, false);
        EXPECT_EQ(left, input);
        const float shimmerOffsets[ReverbUnit::kOffsets] = {0, 0, 0, 0, 1, 0};
        reverb.setOffsets(shimmerOffsets);
        const std::vector<float> shimmer = shimmerOf(reverb, sine(2048, 1000.0, 44100.0, 0.5f));
        EXPECT_GT(analysis::peak(shimmer), 0.01);  // exactly 0 without the offset
    }
    // Width 0 makes the wet signal mono, width 1 leaves it stereo.
    for (float width : {0.0f, 1.0f}) {
        Settings s;
        s.width = width;
        ReverbUnit reverb;
        configure(reverb, s);
        std::vector<float> left = input, right = noise(4096, 0.5f, 6u);
        render(reverb, left, right, true);
        std::vector<float> side(left.size());
        for (std::size_t i = 0; i < side.size(); ++i) side[i] = left[i] - right[i];
        if (width == 0.0f) {
            EXPECT_LT(analysis::rms(side, 1024), 1e-6);
        } else {
            EXPECT_GT(analysis::rms(side, 1024), 0.1 * analysis::rms(left, 1024));
        }
    }
    // The mix glides at 10 Hz: with the effects input gain at 0 the level
    // falls to 1/e in 1/(2 pi 10) s.
    {
        Settings s;
        ReverbUnit reverb;
        configure(reverb, s);
        std::vector<float> left = input, right = input;
        render(reverb, left, right, false);
        EXPECT_NEAR(reverb.smoothedMix(), 1.0f, 0.01f);
        const int frames = 704;  // 15.96 ms at 44.1 kHz, 44 slices
        std::vector<float> quietL(frames), quietR(frames);
        render(reverb, quietL, quietR, false, 0.0f);
        EXPECT_NEAR(reverb.smoothedMix(), std::exp(-2.0 * kPi * 10.0 * frames / 44100.0), 0.01);
    }
}

TEST(ReverbUnit, StageOneClearSilencesTheTail) {
    Settings s;
    s.time = 1.0f;
    ReverbUnit reverb;
    configure(reverb, s);
    const int frames = 17640;  // 0.4 s: the early reflections and allpasses have died away
    std::vector<float> left(frames), right(frames);
    left[0] = right[0] = 1.0f;
    render(reverb, left, right, true);
    const int after = 4410;
    std::vector<float> tail(after), tailR(after);
    render(reverb, tail, tailR, true);
    EXPECT_GT(analysis::peak(tail), 1e-3);
    reverb.clear(1);
    std::vector<float> cleared(after), clearedR(after);
    render(reverb, cleared, clearedR, true);
    EXPECT_LT(analysis::peak(cleared), 1e-6);
    EXPECT_LT(analysis::peak(clearedR), 1e-6);
}

TEST(ReverbUnit, LongSilentTailAfterLoudInputStaysFiniteAndNormalAtExtremeSettings) {
    // At 8 kHz a short render covers seconds; with time 0 the tail falls
    // hundreds of dB, through the range where subnormals would appear. The
    // state is inspected every 512 samples, since a ring passes through that
    // range within a few hundred samples.
    const float high[ReverbUnit::kOffsets] = {1, 1, 1, 1, 1, 1};
    const float low[ReverbUnit::kOffsets] = {-1, -1, -1, -1, -1, 0};
    const float none[ReverbUnit::kOffsets] = {};
    struct Case {
        Settings settings;
        const float* offsets;
    };
    const Settings longest{8000.0, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, true};
    const Settings shortest{8000.0, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f, false};
    Settings shortChorale = shortest;
    shortChorale.chorale = true;
    for (const Case& c : {Case{longest, high}, Case{shortest, none}, Case{shortChorale, low}}) {
        ReverbUnit reverb;
        configure(reverb, c.settings);
        reverb.setOffsets(c.offsets);
        std::vector<float> left = noise(2048, 4.0f, 9u), right = noise(2048, 4.0f, 10u);
        render(reverb, left, right, false);
        const int chunk = 512;
        for (int at = 0; at < 40000; at += chunk) {
            std::vector<float> tailL(chunk), tailR(chunk);
            render(reverb, tailL, tailR, false);
            for (int i = 0; i < chunk; ++i) {
                ASSERT_TRUE(std::isfinite(tailL[i]) && std::isfinite(tailR[i])) << at + i;
                ASSERT_NE(std::fpclassify(tailL[i]), FP_SUBNORMAL) << at + i;
                ASSERT_NE(std::fpclassify(tailR[i]), FP_SUBNORMAL) << at + i;
                ASSERT_LT(std::fabs(tailL[i]), 50.0f) << at + i;
            }
            ASSERT_FALSE(reverb.hasSubnormalState()) << at;
        }
    }
}

}  // namespace
}  // namespace calverine
