// The filter and output stage driven directly, one voice in lane 0, at the
// oversampled rate of a 44.1 kHz host.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>

#include "FilterTables.h"
#include "SignalAnalysis.h"
#include "LoopWidths.h"
#include "VoiceOutputStage.h"

using namespace calverine;

namespace {

constexpr double kFs4 = 4 * 44100.0;

struct Stage {
    Stage() {
        tables.build(44100.0);
        constants.configure(kFs4);
        for (int l = 0; l < 8; ++l) lanes[l].state = &states[l];
    }
    // Renders `count` sub-samples of x(t) through lane 0.
    std::vector<float> run(OutputStageMode mode, float cutoff, float resonance, int count,
                           const std::function<float(int)>& x) {
        std::vector<float> out;
        LaneBlock block{};
        for (int start = 0; start < count; start += 64) {
            const int n = std::min(64, count - start);
            for (int j = 0; j < n; ++j) {
                block.input[j][0] = x(start + j);
                block.cutoff[j][0] = cutoff;
                block.gain[j][0] = 1.0f;
                block.resonance[j][0] = resonance;
            }
            float left[64] = {}, right[64] = {};
            runOutputStage(mode, &block, lanes, 1, n, tables, constants, left, right);
            out.insert(out.end(), left, left + n);
        }
        return out;
    }
    FilterTables tables;
    OutputStageConstants constants;
    FilterState states[8];
    OutputLane lanes[8];
};

// The complex amplitude of frequency f in the second half of y, Hann-windowed.
std::complex<double> phasor(const std::vector<float>& y, double f) {
    const std::size_t start = y.size() / 2, n = y.size() - start;
    std::complex<double> sum;
    double weight = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * analysis::kPi * i / n);
        sum += w * static_cast<double>(y[start + i]) * std::polar(1.0, -2 * analysis::kPi * f * (start + i) / kFs4);
        weight += w;
    }
    return sum * (2.0 / weight);
}

}  // namespace

TEST(OutputStage, TwoPoleCutOffLiesWhereTheTableSays) {
    // 90 degrees behind at the cut-off; at 27.5 Hz against a wide-open filter,
    // to take out the DC blockers' own shift.
    for (float c : {0.0f, 0.5f, 0.9f, 0.98f}) {
        const double f = FilterTables::frequencyAt(FilterTables::indexOf(c));
        const int count = static_cast<int>(kFs4 * std::max(0.25, 40.0 / f));
        std::vector<float> input(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) input[static_cast<std::size_t>(i)] = static_cast<float>(0.1 * std::sin(2 * analysis::kPi * f * i / kFs4));
        auto sine = [&](int i) { return input[static_cast<std::size_t>(i)]; };
        Stage measured, reference;
        const auto m = phasor(measured.run({}, c, 0.0f, count, sine), f);
        const auto r = c == 0.0f ? phasor(reference.run({}, 0.98f, 0.0f, count, sine), f) : phasor(input, f);
        const double lag = std::arg(m / r) * 180.0 / analysis::kPi;
        EXPECT_NEAR(lag, -90.0, 2.0) << "cut-off control " << c << " at " << f << " Hz";
    }
}

// A quiet sine at the cut-off of control 0.5 (table index 14750, 766.85 Hz),
// gains worked out by hand from the analog prototypes: the two-pole passes
// 1 / k, k = 1.5 (1 - r^2) + 0.105; the four-pole 1 / |4 - k h|, loop gain
// k = 3.42 r + 0.38, h its 8 Hz feedback high-pass. No self-oscillation at r = 1.
TEST(OutputStage, GainAtTheCutOffFollowsTheResonance) {
    const double fc = 27.5 * std::pow(2.0, 14750 / 3072.0);
    const struct {
        bool fourPole;
        float resonance;
        double gain;
    } cases[] = {{false, 0.0f, 1 / 1.605}, {false, 0.5f, 1 / 1.23}, {false, 1.0f, 1 / 0.105},
                 {true, 0.0f, 1 / 3.6200}, {true, 0.5f, 1 / 1.9104}, {true, 1.0f, 1 / 0.2043}};
    for (const auto& c : cases) {
        Stage s;
        const auto y = s.run({c.fourPole, false, false}, 0.5f, c.resonance, static_cast<int>(kFs4 / 4),
                             [&](int i) { return static_cast<float>(1e-3 * std::sin(2 * analysis::kPi * fc * i / kFs4)); });
        EXPECT_NEAR(std::abs(phasor(y, fc)) / 1e-3, c.gain, 0.015 * c.gain)
            << (c.fourPole ? "four" : "two") << "-pole, resonance " << c.resonance;
    }
}

// At full resonance, the louder a sine at the cut-off, the less of it passes
// and the more third harmonic it gains, until the damping nears its ceiling
// 0.35 (1 - 0.7 / 15) and the gain 1 / 0.3337 = 3.0.
TEST(OutputStage, TwoPoleDistortsMoreTheLouderItIsDriven) {
    const double fc = 27.5 * std::pow(2.0, 14750 / 3072.0);
    double lastGain = 1e9, lastThird = 0.0;
    for (double amplitude : {0.01, 0.03, 0.1, 0.3, 1.0, 3.0}) {
        Stage s;
        const auto y = s.run({}, 0.5f, 1.0f, static_cast<int>(kFs4 / 4),
                             [&](int i) { return static_cast<float>(amplitude * std::sin(2 * analysis::kPi * fc * i / kFs4)); });
        const double gain = std::abs(phasor(y, fc)) / amplitude;
        const double third = std::abs(phasor(y, 3 * fc)) / std::abs(phasor(y, fc));
        EXPECT_LT(gain, lastGain) << amplitude;
        if (amplitude <= 1.0) {
            EXPECT_GT(third, 1.1 * lastThird) << amplitude;
        }
        EXPECT_TRUE(amplitude == 0.01 ? third < 1e-4 : amplitude < 0.3 || third > 1e-3) << amplitude << ": " << third;
        lastGain = gain;
        lastThird = third;
    }
    EXPECT_GT(lastGain, 3.0);
    EXPECT_LT(lastGain, 3.3);
}

TEST(OutputStage, FullResonanceRingsButStaysBounded) {
    for (bool fourPole : {false, true}) {
        Stage s;
        const int burst = static_cast<int>(kFs4 * 0.2);
        // A loud square at 220 Hz, then silence.
        auto square = [&](int i) { return i < burst ? (std::fmod(i * 220.0 / kFs4, 1.0) < 0.5 ? 4.0f : -4.0f) : 0.0f; };
        const auto y = s.run({fourPole, false, false}, 0.5f, 1.0f, 2 * burst, square);
        for (float v : y) ASSERT_TRUE(std::isfinite(v));
        const double loud = analysis::peak(std::vector<float>(y.begin(), y.begin() + burst));
        const double ringing = analysis::peak(std::vector<float>(y.begin() + burst + 201, y.begin() + burst + 1000));
        EXPECT_LT(loud, 12.0) << fourPole;
        EXPECT_GT(ringing, 0.01 * loud) << fourPole;  // still ringing after the input stopped
    }
}

TEST(OutputStage, ConstantInputLeavesNoLastingOutput) {
    for (bool fourPole : {false, true}) {
        Stage s;
        const auto y = s.run({fourPole, false, false}, 0.98f, 0.0f, static_cast<int>(kFs4 * 2), [](int) { return 1.0f; });
        EXPECT_LT(analysis::peak(y, y.size() - static_cast<std::size_t>(kFs4 / 10)), 1e-3) << fourPole;
    }
}

TEST(OutputStage, SaturationKeepsAVoiceBelow04) {
    Stage s;
    const auto y = s.run({false, false, true}, 0.98f, 1.0f, static_cast<int>(kFs4 / 4),
                         [](int i) { return (i / 200) % 2 ? 20.0f : -20.0f; });
    EXPECT_LT(analysis::peak(y), 0.4);
    EXPECT_GT(analysis::peak(y), 0.39);
}

TEST(OutputStage, BandPassModesRejectLowAndHighFrequencies) {
    for (bool fourPole : {false, true}) {
        auto gainAt = [&](double f) {
            Stage s;
            const auto y = s.run({fourPole, true, false}, 0.5f, 0.0f, static_cast<int>(kFs4 / 5),
                                 [&](int i) { return static_cast<float>(0.1 * std::sin(2 * analysis::kPi * f * i / kFs4)); });
            return std::abs(phasor(y, f)) / 0.1;
        };
        const double centre = FilterTables::frequencyAt(FilterTables::indexOf(0.5f));
        const double mid = gainAt(centre);
        EXPECT_GT(mid, 0.3) << fourPole;
        EXPECT_LT(gainAt(centre / 8), 0.3 * mid) << fourPole;
        EXPECT_LT(gainAt(centre * 8), 0.3 * mid) << fourPole;
    }
}

// Eight voices in one pass (eight lanes per vector where the processor has
// them, else two vectors of four) sound as two passes of four.
TEST(OutputStage, EightVoicePassEqualsTwoFourVoicePasses) {
    forEachLoopWidth([](bool wide) {
        for (bool fourPole : {false, true}) {
            Stage one, two;
            LaneBlock blocks[2] = {};
            for (int v = 0; v < 2; ++v)
                for (int j = 0; j < 64; ++j)
                    for (int l = 0; l < 4; ++l) {
                        blocks[v].input[j][l] = std::sin(0.01f * (j + 7 * l + 31 * v));
                        blocks[v].cutoff[j][l] = 0.1f * (l + 1) + 0.05f * v;
                        blocks[v].gain[j][l] = 0.5f + 0.1f * l;
                        blocks[v].resonance[j][l] = 0.25f * l;
                        blocks[v].envelope[j / 4][l] = 0.02f * static_cast<float>(j / 4 + l);
                        blocks[v].envelopeAmount[j / 4][l] = 0.3f - 0.2f * static_cast<float>(v);
                    }
            for (int l = 0; l < 8; ++l) one.lanes[l].panLeft = two.lanes[l].panLeft = 0.1f * (l + 1);
            float left8[64] = {}, right8[64] = {}, left4[64] = {}, right4[64] = {};
            runOutputStage({fourPole, false, false}, blocks, one.lanes, 2, 61, one.tables, one.constants, left8, right8);
            for (int v = 0; v < 2; ++v)
                runOutputStage({fourPole, false, false}, &blocks[v], two.lanes + 4 * v, 1, 61, two.tables,
                               two.constants, left4, right4);
            for (int j = 0; j < 61; ++j) EXPECT_NEAR(left8[j], left4[j], 1e-6f) << j << (wide ? " wide" : "");
        }
    });
}
