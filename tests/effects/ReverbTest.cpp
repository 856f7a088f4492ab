#include "ReverbUnit.h"

#include "EffectControls.h"
#include "EffectsTestSupport.h"
#include "SignalAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
    // g loses 60 dB over 42 T passes through the network, and a pass takes
    // the mean line length (prime lengths scaled to the rate), about 36 ms: the RT60 is 42 x mean
    // length x T, about 1.5 T, not T. The linearly interpolated modulated
    // delays take a little more from the highs at every pass.
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
    // 1 kHz comes out at 2 kHz and 8 kHz at 16 kHz, with nothing left at the
    // input frequency; 10 kHz lies above N/5 of the frame (8.8 kHz) and is
    // removed.
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

    // With regeneration, after a 1 kHz burst the feedback ring plays 2 kHz
    // back into the engine, which returns it at 4 kHz after the burst.
    s.regen = 1.0f;
    std::vector<float> burst = sine(8192, 1000.0);
    burst.resize(16384, 0.0f);
    spectrum = analysis::spectrum(shimmer(burst), 4096);
    const auto strongest = std::max_element(spectrum.begin() + 1, spectrum.end()) - spectrum.begin();
    EXPECT_NEAR(strongest * 44100.0 / 4096, 4000.0, 2 * 44100.0 / 4096);
    EXPECT_GT(spectrum[strongest], 0.05);

    // With shimmer and regen at zero the rings drain to exact silence even
    // while the input goes on.
    ReverbUnit reverb;
    configure(reverb, s);
    shimmerOf(reverb, burst);
    reverb.setControl(ec::kReverbShimmer, 0.0f);
    reverb.setControl(ec::kReverbRegen, 0.0f);
    const std::vector<float> drained = shimmerOf(reverb, sine(12288, 1000.0));
    EXPECT_GT(analysis::peak(part(drained, 0, 1024)), 0.01);
    EXPECT_EQ(analysis::peak(drained, 8192), 0.0);
}

TEST(ReverbUnit, ChoraleShapesNoiseWithTheVowelFormantsAndCrossesTheChannels) {
    // Vowel 0 (color 0) has formants at 795, 1155, 2898 and 3895 Hz; vowel 2
    // (color 0.5) at 300, 2288, 2945 and 3644 Hz. The reverb behind the
    // formants is the same for both, so their spectra differ by the formants.
    // Mean power between lo and hi Hz of one long spectrum, in dB.
    auto decibelsOf = [](float color) {
        Settings s;
        s.chorale = true;
        s.color = color;
        ReverbUnit reverb;
        configure(reverb, s);
        Stereo out(4096 + 16384);
        out.left = out.right = noise(out.size(), 0.1f, 11u);
        render(reverb, out, true);
        const auto spectrum = analysis::spectrum(part(out.left, 4096, 16384), 16384);
        return [spectrum](double lo, double hi) {
            double sum = 0.0;
            const auto from = static_cast<std::size_t>(lo / 44100.0 * 16384), to = static_cast<std::size_t>(hi / 44100.0 * 16384);
            for (std::size_t k = from; k <= to; ++k) sum += spectrum[k] * spectrum[k];
            return 10.0 * std::log10(sum / static_cast<double>(to - from + 1));
        };
    };
    const auto vowel0 = decibelsOf(0.0f), vowel2 = decibelsOf(0.5f);
    // Vowel 0's first and fourth formants stand above the gap between them.
    EXPECT_GT(vowel0(700, 900) - vowel0(1600, 2200), 10.0);
    EXPECT_GT(vowel0(3700, 4100) - vowel0(1600, 2200), 6.0);
    // The formants move with the vowel.
    EXPECT_GT(vowel2(250, 350) - vowel0(250, 350), 6.0);
    EXPECT_GT(vowel2(2200, 2400) - vowel0(2200, 2400), 6.0);
    EXPECT_GT(vowel0(700, 900) - vowel2(700, 900), 6.0);

    // A left impulse comes out on the right alone until the network's first
    // return (line 9, 599 samples).
    Settings s;
    s.chorale = true;
    ReverbUnit reverb;
    configure(reverb, s);
    Stereo out(576);
    out.left[0] = 1.0f;
    render(reverb, out, true);
    EXPECT_EQ(analysis::peak(out.left), 0.0);
    EXPECT_GT(analysis::peak(out.right), 0.01);
}

TEST(ReverbUnit, MixWidthOffsetsAndInputGainShapeTheOutput) {
    Stereo input(4096);
    input.left = noise(4096, 0.5f, 5u);
    input.right = noise(4096, 0.5f, 6u);
    // The matrix offsets come in the order Time, Color, Width, Regen,
    // Shimmer, Dry/Wet: Dry/Wet -1 turns a full mix dry (mix 0 passes the
    // dry signal untouched, while the wet-only path ignores the mix), and
    // Shimmer +1 turns the shimmer on.
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

TEST(ReverbUnit, StageOneClearSilencesTheTail) {
    Settings s;
    s.time = 1.0f;
    ReverbUnit reverb;
    configure(reverb, s);
    Stereo out(17640);  // 0.4 s: the early reflections and allpasses have died away
    out.left[0] = out.right[0] = 1.0f;
    render(reverb, out, true);
    Stereo tail(4410), cleared(4410);
    render(reverb, tail, true);
    EXPECT_GT(analysis::peak(tail.left), 1e-3);
    reverb.clear(1);
    render(reverb, cleared, true);
    EXPECT_LT(analysis::peak(cleared.left), 1e-6);
    EXPECT_LT(analysis::peak(cleared.right), 1e-6);
}

TEST(ReverbUnit, EarlyReflectionsReachTheOutputButNotTheNetwork) {
    // A left impulse; the network is cleared at 3008 samples, before the last
    // left reflection (3449 samples, gain 0.4). Had that reflection entered
    // the diffusion, its direct path alone (the input low-pass's 0.776, 0.5
    // through each of three allpasses, 0.5 into a line, 0.25 out) would bring
    // 0.0048 to the right output; what comes is the diffusion's dying tail.
    ReverbUnit reverb;
    configure(reverb, Settings{});
    Stereo out(6000);
    out.left[0] = 1.0f;
    inSlices(out, [&](int n, float* l, float* r) {
        if (l == out.left.data() + 3008) reverb.clear(1);
        reverb.process(n, l, r, 1.0f, true);
    });
    EXPECT_GT(analysis::peak(part(out.right, 0, 3008)), 0.01);
    EXPECT_LT(analysis::peak(out.right, 3600), 0.004);
}

// With the network emptied before every slice, an impulse comes out as the
// low-passed input and its six early reflections, times 0.25 (output) x 0.5
// (the reflections' share). Each tap lies at its 44.1 kHz length x rate /
// 44100 x 0.405, truncated, made odd and raised to a prime (worked out by
// hand); the input low-pass passes a = 1 - exp(-2 pi 10500 / rate) of the
// impulse at once, and 1 in all, so nothing else may add to 0.125 (1 + the
// sum of the gains).
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
            reverb.clear(1);
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
    // At 8 kHz a short render covers seconds; with time 0 the tail falls
    // hundreds of dB, through the range where subnormals would appear. The
    // state is inspected every 512 samples, since a ring passes through that
    // range within a few hundred samples. Chorale and shimmer switch on and
    // off mid-tail, and the rate changes once.
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
        Stereo loud(2048);
        loud.left = noise(2048, 4.0f, 9u);
        loud.right = noise(2048, 4.0f, 10u);
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
