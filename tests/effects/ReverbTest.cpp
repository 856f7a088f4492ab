#include "OctaveShimmer.h"
#include "ReverbUnit.h"
#include "VowelChorale.h"

#include "EffectControls.h"
#include "EffectsTestSupport.h"
#include "SignalAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <utility>
#include <vector>

namespace calverine {
namespace {

using namespace effects_test;
namespace ec = effects_control;

struct Settings {
    double rate = 44100.0;
    float time = 0.0f, color = 0.0f, shimmer = 0.0f, regen = 0.0f, width = 1.0f, mix = 1.0f;
    bool chorale = false;
};

void configure(ReverbUnit& reverb, const Settings& s) {
    reverb.setSampleRate(s.rate);
    const std::pair<int, float> controls[] = {
        {ec::kReverbTime, s.time},   {ec::kReverbColor, s.color}, {ec::kReverbShimmer, s.shimmer},
        {ec::kReverbRegen, s.regen}, {ec::kReverbWidth, s.width}, {ec::kReverbMix, s.mix},
        {ec::kReverbChorale, s.chorale ? 1.0f : 0.0f}};
    for (const auto& [id, value] : controls) reverb.setControl(id, value);
}

void render(ReverbUnit& reverb, Stereo& s, bool wetOnly, float inputGain = 1.0f) {
    inSlices(s, [&](int n, float* l, float* r) { reverb.process(n, l, r, inputGain, wetOnly); });
}

// The shimmer engine's output S for a mono input, slice by slice.
std::vector<float> shimmerOf(ReverbUnit& reverb, const std::vector<float>& input) {
    Stereo s(input.size());
    s.left = s.right = input;
    std::vector<float> out;
    inSlices(s, [&](int n, float* l, float* r) {
        reverb.process(n, l, r, 1.0f, true);
        out.insert(out.end(), reverb.shimmerSlice(), reverb.shimmerSlice() + n);
    });
    return out;
}

std::vector<float> sine(std::size_t frames, double frequency, double rate = 44100.0) {
    std::vector<float> x(frames);
    for (std::size_t i = 0; i < frames; ++i) x[i] = 0.5f * static_cast<float>(std::sin(2.0 * analysis::kPi * frequency * i / rate));
    return x;
}

std::vector<float> part(const std::vector<float>& x, std::size_t from, std::size_t count) {
    return {x.begin() + static_cast<std::ptrdiff_t>(from), x.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

// RT60 from the Schroeder energy decay curve, extrapolated from -5 to -25 dB.
double rt60(const std::vector<float>& x, double rate) {
    std::vector<double> decay(x.size());
    double sum = 0.0;
    for (std::size_t i = x.size(); i-- > 0;) decay[i] = sum += static_cast<double>(x[i]) * x[i];
    auto reaches = [&](double db) { return std::find_if(decay.begin(), decay.end(), [&](double e) { return e <= sum * std::pow(10.0, db / 10.0); }); };
    return 3.0 * static_cast<double>(reaches(-25.0) - reaches(-5.0)) / rate;
}

TEST(ReverbUnit, DecayTimeFollowsTheTimeControl) {
    // 60 dB are lost over 42 T passes of the mean line length (about 36 ms at
    // any rate): the RT60 is about 1.5 T, not T.
    for (const auto& [rate, time] : {std::pair{44100.0, 0.0f}, std::pair{48000.0, 0.2f}}) {
        Settings s;
        s.rate = rate;
        s.time = time;
        ReverbUnit reverb;
        configure(reverb, s);
        double meanLength = 0.0;
        for (int k = 0; k < ReverbUnit::kLines; ++k) meanLength += reverb.lineLength(k) / 16.0;
        EXPECT_NEAR(meanLength / rate, 0.0364, 0.0003) << "the same time at any rate";
        const double expected = (0.5 + 19.5 * time * time) * 42.0 * meanLength / rate;
        Stereo out(static_cast<std::size_t>(0.6 * expected * rate));
        out.left[0] = out.right[0] = 1.0f;
        render(reverb, out, true);
        EXPECT_NEAR(rt60(out.left, rate), expected, 0.15 * expected) << rate;
        EXPECT_NEAR(rt60(out.right, rate), expected, 0.15 * expected) << rate;
    }
}

TEST(ReverbUnit, ShimmerPlaysAnOctaveUpBelowTheCutAndRegenerationAddsOctaves) {
    // 10 kHz lies above N/5 of the frame (8.8 kHz) and is removed.
    Settings s;
    s.shimmer = 1.0f;
    auto shimmer = [&](const std::vector<float>& input) {
        ReverbUnit reverb;
        configure(reverb, s);
        return part(shimmerOf(reverb, input), input.size() - 4096, 4096);  // the last 4096 samples
    };
    const std::vector<float> at1k = shimmer(sine(12288, 1000.0)), at8k = shimmer(sine(12288, 8000.0));
    EXPECT_NEAR(analysis::zeroCrossingFrequency(at1k, 44100.0), 2000.0, 1.0);
    EXPECT_NEAR(analysis::zeroCrossingFrequency(at8k, 44100.0), 16000.0, 2.0);
    auto spectrum = analysis::spectrum(at1k, 4096);
    EXPECT_GT(spectrum[186], 0.3);                  // 2 kHz
    EXPECT_LT(spectrum[93], 1e-3 * spectrum[186]);  // 1 kHz
    EXPECT_GT(analysis::rms(at8k), 0.2);
    EXPECT_LT(analysis::rms(shimmer(sine(12288, 10000.0))), 1e-3 * analysis::rms(at8k));

    // With regeneration a 1 kHz burst comes back at 4 kHz after it ends.
    s.regen = 1.0f;
    std::vector<float> burst = sine(8192, 1000.0);
    burst.resize(16384, 0.0f);
    spectrum = analysis::spectrum(shimmer(burst), 4096);
    const auto strongest = std::max_element(spectrum.begin() + 1, spectrum.end()) - spectrum.begin();
    EXPECT_NEAR(strongest * 44100.0 / 4096, 4000.0, 2 * 44100.0 / 4096);
    EXPECT_GT(spectrum[strongest], 0.05);

    // At zero the rings drain to exact silence while the input goes on.
    ReverbUnit reverb;
    configure(reverb, s);
    shimmerOf(reverb, burst);
    reverb.setControl(ec::kReverbShimmer, 0.0f);
    reverb.setControl(ec::kReverbRegen, 0.0f);
    const std::vector<float> drained = shimmerOf(reverb, sine(12288, 1000.0));
    EXPECT_GT(analysis::peak(part(drained, 0, 1024)), 0.01);
    EXPECT_EQ(analysis::peak(drained, 8192), 0.0);
}

TEST(OctaveShimmer, ASteadyToneGivesASteadyPureOctave) {
    // The same level in every hop, and all of it at twice the frequency.
    for (double rate : {44100.0, 48000.0}) {
        double level = 0.0;
        for (double frequency : {700.0, 1000.0, 3100.0}) {
            OctaveShimmer shimmer;
            shimmer.setSampleRate(rate);
            shimmer.setGains(1.0f, 0.0f);
            const std::vector<float> in = sine(16384, frequency, rate);
            std::vector<float> out(in.size());
            for (std::size_t i = 0; i < in.size(); ++i) out[i] = shimmer.next(in[i]);
            const std::vector<float> steady = part(out, 8192, 8192);
            double lo = 1e9, hi = 0.0;
            for (std::size_t at = 0; at < steady.size(); at += OctaveShimmer::kHop) {
                const double level = analysis::rms(part(steady, at, OctaveShimmer::kHop));
                lo = std::min(lo, level);
                hi = std::max(hi, level);
            }
            EXPECT_LT(hi / lo, 1.03) << rate << " Hz, " << frequency << " Hz";
            const double octave = responseAt(steady, 2.0 * frequency, rate) * std::sqrt(2.0) / static_cast<double>(steady.size());
            EXPECT_NEAR(octave / analysis::rms(steady), 1.0, 1e-3) << rate << " Hz, " << frequency << " Hz";
            if (level == 0.0) level = analysis::rms(steady);
            EXPECT_NEAR(analysis::rms(steady) / level, 1.0, 0.02) << rate << " Hz, " << frequency << " Hz";
        }
    }
}

TEST(OctaveShimmer, RegenerationReturnsTheOctaveAfterItsFeedbackDelay) {
    // A 1 kHz burst returns at 2 kHz, then, after the feedback ring's delay,
    // at 4 kHz; times are energy centroids in 256-sample blocks.
    for (const auto& [rate, feedbackDelay] : {std::pair{44100.0, 3500.0}, std::pair{48000.0, 3809.0}, std::pair{32000.0, 3809.0}}) {
        OctaveShimmer shimmer;
        shimmer.setSampleRate(rate);
        shimmer.setGains(1.0f, 0.8f);
        std::vector<float> in = sine(2048, 1000.0, rate);
        in.resize(32768, 0.0f);
        std::vector<float> out(in.size());
        for (std::size_t i = 0; i < in.size(); ++i) out[i] = shimmer.next(in[i]);
        auto centroid = [&](const std::vector<float>& x, double frequency) {
            double sum = 0.0, weighted = 0.0;
            for (std::size_t at = 0; at + 256 <= x.size(); at += 256) {
                const double e = std::pow(responseAt(part(x, at, 256), frequency, rate), 2.0);
                sum += e;
                weighted += e * (static_cast<double>(at) + 128.0);
            }
            return weighted / sum;
        };
        const double input = centroid(in, 1000.0), octave = centroid(out, 2000.0), second = centroid(out, 4000.0);
        EXPECT_NEAR((second - octave) - (octave - input), feedbackDelay, 100.0) << rate;
    }
}

TEST(ReverbUnit, ChoraleFollowsTheColorAndCrossesTheChannels) {
    // Until the network's first return (599 samples) a left impulse comes out
    // on the right alone, shaped by the vowel the color picks.
    auto rightOf = [](float color) {
        Settings s;
        s.chorale = true;
        s.color = color;
        ReverbUnit reverb;
        configure(reverb, s);
        Stereo out(576);
        out.left[0] = 1.0f;
        render(reverb, out, true);
        EXPECT_EQ(analysis::peak(out.left), 0.0) << color;
        EXPECT_GT(analysis::peak(out.right), 0.01) << color;
        return out.right;
    };
    // Vowel 0 has its first formant at 795 Hz, vowel 2 (color 0.5) at 300 Hz.
    const auto vowel0 = rightOf(0.0f), vowel2 = rightOf(0.5f);
    EXPECT_GT(responseAt(vowel0, 795.0, 44100.0), 1.5 * responseAt(vowel2, 795.0, 44100.0));
    EXPECT_GT(responseAt(vowel2, 300.0, 44100.0), 1.5 * responseAt(vowel0, 300.0, 44100.0));
}

TEST(VowelChorale, ResponseIsTheFormantPeaksTwiceAndTheClosingFilter) {
    // The right input reaches the left output one sample late, through the
    // four formant peaks twice at 0.2 each time, then the closing filter:
    // expected from their analog prototypes under the bilinear transform.
    struct Vowel {
        float color;
        double frequency[4], level[4];
    };
    const double q[4] = {2.0, 5.0, 6.0, 2.5};
    const Vowel vowels[] = {{0.0f, {795, 1155, 2898, 3895}, {10, 4, 4, 7}},
                            {0.5f, {300, 2288, 2945, 3644}, {6, 5, 4, 5}},
                            {0.625f, {390, 1594, 2672.5, 3462}, {8, 4.5, 4, 6}}};  // halfway to the fourth vowel
    for (double rate : {44100.0, 48000.0}) {
        for (const Vowel& vowel : vowels) {
            VowelChorale chorale;
            chorale.setSampleRate(rate);
            chorale.clear();
            chorale.setVowel(vowel.color);
            Stereo out(16384);
            out.right[0] = 1.0f;
            inSlices(out, [&](int n, float* l, float* r) { chorale.process(n, l, r); });
            ASSERT_EQ(out.left[0], 0.0f);
            auto expected = [&](double f) {
                auto s = [&](double at) { return std::complex<double>(0.0, std::tan(analysis::kPi * f / rate) / std::tan(analysis::kPi * at / rate)); };
                std::complex<double> formants = 1.0;
                for (int j = 0; j < 4; ++j) {
                    const double k = 1.0 / (std::sqrt(vowel.level[j]) * q[j]);
                    const auto sj = s(vowel.frequency[j]);
                    formants *= 1.0 + k * (vowel.level[j] - 1.0) * sj / (sj * sj + k * sj + 1.0);
                }
                const auto sc = s(std::atan(std::tan(2.0 * analysis::kPi * 100.0 / rate) / std::sqrt(6.0)) * rate / analysis::kPi);
                const auto closing = 1.0 + (5.0 * sc + 35.0) / (sc * sc + sc + 1.0);
                return std::abs(0.04 * formants * formants * closing);
            };
            std::vector<double> at = {40.0, 150.0, 6000.0, 12000.0};
            for (int j = 0; j < 4; ++j) {
                at.push_back(vowel.frequency[j]);
                at.push_back(vowel.frequency[j] * 1.15);
            }
            for (double f : at) {
                EXPECT_NEAR(analysis::decibels(responseAt(out.left, f, rate)), analysis::decibels(expected(f)), 0.2)
                    << rate << " Hz, color " << vowel.color << ", at " << f << " Hz";
            }
        }
    }
}

TEST(ReverbUnit, MixWidthOffsetsAndInputGainShapeTheOutput) {
    const Stereo input = noisy(4096, 0.5f, 5u, true);
    // Offsets (Time, Color, Width, Regen, Shimmer, Dry/Wet): Dry/Wet -1 turns
    // a full mix dry but not the wet-only path; Shimmer +1 turns shimmer on.
    {
        ReverbUnit reverb;
        configure(reverb, Settings{});
        const float dry[ReverbUnit::kOffsets] = {0, 0, 0, 0, 0, -1};
        reverb.setOffsets(dry);
        Stereo out = input;
        render(reverb, out, false);
        EXPECT_EQ(out.left, input.left);
        EXPECT_EQ(out.right, input.right);
        render(reverb, out, true);
        EXPECT_GT(analysis::rms(out.left, 1024), 0.01);
        const float shimmer[ReverbUnit::kOffsets] = {0, 0, 0, 0, 1, 0};
        reverb.setOffsets(shimmer);
        EXPECT_GT(analysis::peak(shimmerOf(reverb, sine(2048, 1000.0))), 0.01);
    }
    // Width 0 makes the wet signal mono, width 1 leaves it stereo.
    for (float width : {0.0f, 1.0f}) {
        Settings s;
        s.width = width;
        ReverbUnit reverb;
        configure(reverb, s);
        Stereo out = input;
        render(reverb, out, true);
        for (std::size_t i = 0; i < out.size(); ++i) out.right[i] -= out.left[i];
        EXPECT_EQ(analysis::rms(out.right, 1024) < 1e-6, width == 0.0f);
        EXPECT_EQ(analysis::rms(out.right, 1024) > 0.1 * analysis::rms(out.left, 1024), width == 1.0f);
    }
    // The mix glides at 10 Hz: with the effects input gain at 0 it falls to
    // exp(-2 pi 10 t) after t seconds.
    ReverbUnit reverb;
    configure(reverb, Settings{});
    Stereo out = input;
    render(reverb, out, false);
    EXPECT_NEAR(reverb.smoothedMix(), 1.0f, 0.01f);
    Stereo quiet(704);  // 44 slices
    render(reverb, quiet, false, 0.0f);
    EXPECT_NEAR(reverb.smoothedMix(), std::exp(-2.0 * analysis::kPi * 10.0 * 704 / 44100.0), 0.01);
}

TEST(ReverbUnit, EarlyReflectionsReachTheOutputButNotTheNetwork) {
    // The network is cleared at 3008 samples, before the last left reflection
    // (3449 samples): had it entered the diffusion, its direct path alone
    // would bring 0.0048 to the right output.
    ReverbUnit reverb;
    configure(reverb, Settings{});
    Stereo out(6000);
    out.left[0] = 1.0f;
    inSlices(out, [&](int n, float* l, float* r) {
        if (l == out.left.data() + 3008) reverb.clear(ReverbUnit::Clear::Network);
        reverb.process(n, l, r, 1.0f, true);
    });
    EXPECT_GT(analysis::peak(part(out.right, 0, 3008)), 0.01);
    EXPECT_LT(analysis::peak(out.right, 3600), 0.004);
}

// With the network emptied before every slice, an impulse comes out as the
// low-passed input (a = 1 - exp(-2 pi 10500 / rate) at once, 1 in all) and
// its six early reflections at their taps, all times 0.125.
TEST(ReverbUnit, EarlyReflectionsArriveAtTheirTapsWithTheirGains) {
    const struct {
        double rate;
        int taps[2][6];
    } cases[] = {{44100.0, {{223, 467, 941, 1571, 2683, 3449}, {241, 457, 877, 2203, 3049, 3719}}},
                 {48000.0, {{241, 509, 1031, 1709, 2917, 3761}, {263, 491, 953, 2377, 3319, 4049}}}};
    const double gains[6] = {0.6, 0.6, 0.55, 0.5, 0.4, 0.4};
    for (const auto& c : cases) {
        Settings s;
        s.rate = c.rate;
        ReverbUnit reverb;
        configure(reverb, s);
        Stereo out(4400);
        out.left[0] = out.right[0] = 1.0f;
        inSlices(out, [&](int n, float* l, float* r) {
            reverb.clear(ReverbUnit::Clear::Network);
            reverb.process(n, l, r, 1.0f, true);
        });
        const double a = 1.0 - std::exp(-2.0 * analysis::kPi * 10500.0 / c.rate);
        for (int ch = 0; ch < 2; ++ch) {
            const std::vector<float>& x = ch == 0 ? out.left : out.right;
            for (int j = 0; j < 6; ++j) {
                const auto tap = static_cast<std::size_t>(c.taps[ch][j]);
                EXPECT_NEAR(x[tap] / (0.125 * a), gains[j], 1e-3) << c.rate << " channel " << ch << " tap " << j;
                EXPECT_LT(std::fabs(x[tap - 1]), 1e-6) << c.rate << " channel " << ch << " tap " << j;
            }
            double sum = 0.0;
            for (float v : x) sum += v;
            EXPECT_NEAR(sum, 0.125 * 4.05, 1e-3) << c.rate << " channel " << ch;
        }
    }
}

TEST(ReverbUnit, SilentTailStaysFiniteAndNormalAtExtremesAndWhileSwitching) {
    // At 8 kHz the tail falls hundreds of dB, through the subnormal range, in
    // seconds; chorale and shimmer switch mid-tail, and the rate changes once.
    const float high[ReverbUnit::kOffsets] = {1, 1, 1, 1, 1, 1};
    const float low[ReverbUnit::kOffsets] = {-1, -1, -1, -1, -1, 0};
    const float none[ReverbUnit::kOffsets] = {};
    const Settings longest{8000.0, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, true};
    const Settings shortest{8000.0, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f, false};
    Settings shortChorale = shortest;
    shortChorale.chorale = true;
    for (const auto& [settings, offsets] : {std::pair{longest, high}, std::pair{shortest, none}, std::pair{shortChorale, low}}) {
        ReverbUnit reverb;
        configure(reverb, settings);
        reverb.setOffsets(offsets);
        Stereo loud = noisy(2048, 4.0f, 9u, true);
        render(reverb, loud, false);
        for (int chunk = 0; chunk < 64; ++chunk) {
            if (chunk % 20 == 10) reverb.setControl(ec::kReverbChorale, settings.chorale == (chunk % 40 == 10) ? 0.0f : 1.0f);
            if (chunk == 30) reverb.setControl(ec::kReverbShimmer, 1.0f - settings.shimmer);
            if (chunk == 40) {
                reverb.setSampleRate(11025.0);
                render(reverb, loud, false);
            }
            Stereo tail(512);
            render(reverb, tail, false);
            ASSERT_TRUE(allNormal(tail.left) && allNormal(tail.right)) << chunk;
            ASSERT_LT(analysis::peak(tail.left), 50.0) << chunk;
            ASSERT_FALSE(reverb.hasSubnormalState()) << chunk;
        }
    }
}

}  // namespace
}  // namespace calverine
