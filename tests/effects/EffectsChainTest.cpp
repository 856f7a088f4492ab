#include "EffectsChain.h"

#include <gtest/gtest.h>

#include "EffectControls.h"
#include "EffectsTestSupport.h"
#include "RateConverter.h"
#include "SignalAnalysis.h"

namespace calverine {
namespace {

using namespace effects_test;
namespace ec = effects_control;

constexpr float kNoOffsets[EffectsChain::kOffsets] = {};

void switchTo(EffectsChain& chain, bool on) {
    chain.setControl(ec::kEffects, on ? 1.0 : 0.0);
    chain.takeSwitchChange();
}

// The chain as the engine runs it: switch change, units, countdown.
void runChain(EffectsChain& chain, Stereo& s, bool notesIdle = true) {
    inSlices(s, [&](int n, float* l, float* r) {
        chain.takeSwitchChange();
        if (chain.enabled()) chain.process(n, l, r, notesIdle, 120.0, kNoOffsets);
        chain.advanceSwitchOff();
    });
}

// The chain switched on with the delay alone (1/16, the given feedback and
// dry/wet) after `samples` of loud noise.
void playThroughDelay(EffectsChain& chain, double rate, double feedback, double dryWet, std::size_t samples) {
    chain.setSampleRate(rate);
    switchTo(chain, true);
    chain.setControl(ec::kReverbOn, 0);
    chain.setControl(ec::kDelayOn, 1);
    chain.setControl(ec::kDelayTime, 10);
    chain.setControl(ec::kDelayFeedback, feedback);
    chain.setControl(ec::kDelayDryWet, dryWet);
    Stereo loud = noisy(samples, 0.5f);
    runChain(chain, loud);
}

TEST(EffectsChain, SwitchOffCountdownScalesWithTheRateAndStopsTheUnitsAt100) {
    struct Case {
        double rate;
        int countdown;
    } cases[] = {{44100.0, 500}, {48000.0, 500}, {88200.0, 1000}, {96000.0, 1000}, {192000.0, 2000}};
    for (const Case& c : cases) {
        EffectsChain chain;
        chain.setSampleRate(c.rate);
        switchTo(chain, false);  // off while off does nothing
        EXPECT_EQ(chain.switchOffCountdown(), 0);
        switchTo(chain, true);
        EXPECT_TRUE(chain.enabled());
        switchTo(chain, false);
        EXPECT_EQ(chain.switchOffCountdown(), c.countdown) << c.rate;
        EXPECT_EQ(chain.inputGain(), 0.0f);
        int slices = 0;
        while (chain.enabled()) {
            chain.advanceSwitchOff();
            ++slices;
        }
        EXPECT_EQ(slices, c.countdown - 99) << c.rate;
        // Switching on again cancels the rest of the countdown.
        switchTo(chain, true);
        EXPECT_EQ(chain.switchOffCountdown(), 0);
        EXPECT_EQ(chain.inputGain(), 1.0f);
    }
}

// Held notes over silence never start the quiet count.
TEST(EffectsChain, UnitsStopTwoSecondsAfterInputAndOutputFallSilent) {
    EffectsChain held;
    switchTo(held, true);
    Stereo quiet(44100 * 3);
    runChain(held, quiet, false);
    EXPECT_EQ(held.quietCount(), 88200 / 16);
    EXPECT_EQ(held.tailCount(), 88200 / 16);

    EffectsChain chain;
    playThroughDelay(chain, 48000.0, 0.3, 0.5, 4800);
    Stereo silence(48000 * 8);
    runChain(chain, silence);
    EXPECT_LT(chain.quietCount(), 0);
    EXPECT_EQ(chain.tailCount(), 0);
    EXPECT_GT(analysis::peak(std::vector<float>(silence.left.begin(), silence.left.begin() + 12000)), 0.05);  // the echo
}

TEST(EffectsChain, UnitsOffPassTheMixUnchanged) {
    EffectsChain chain;
    switchTo(chain, true);
    for (int id : {ec::kReverbOn, ec::kDelayOn, ec::kChorusOn}) chain.setControl(id, 0);
    Stereo s = noisy(4410, 0.8f, 11, true);
    const Stereo dry = s;
    runChain(chain, s, false);
    EXPECT_EQ(s.left, dry.left);
    EXPECT_EQ(s.right, dry.right);
}

TEST(EffectsChain, SwitchingOffGlidesTheDelayToDryThenClearsIt) {
    EffectsChain chain;
    playThroughDelay(chain, 44100.0, 1.0, 1.0, 22050);
    chain.setControl(ec::kEffects, 0.0);
    Stereo after(44100);
    runChain(chain, after);
    EXPECT_FALSE(chain.enabled());
    EXPECT_EQ(chain.switchOffCountdown(), 0);
    for (std::size_t i = 1000; i < after.size(); ++i) ASSERT_LT(std::fabs(after.left[i]), 2e-4f) << i;
    // Cleared: switching on again brings back no old echo.
    switchTo(chain, true);
    Stereo again(22050);
    runChain(chain, again);
    EXPECT_EQ(analysis::peak(again.left), 0.0);
}

// Reverb alone, fully wet: the level of its tail half a second after a
// one-second chord of sines (the same signal at every rate, unlike noise),
// at the host rate given. The reverb's own switch is left at its default, on.
double reverbTail(double rate) {
    EffectsChain chain;
    chain.setSampleRate(rate);
    switchTo(chain, true);
    chain.setControl(ec::kReverbMix, 1.0);
    const std::size_t second = static_cast<std::size_t>(rate);
    Stereo s(2 * second);
    for (std::size_t i = 0; i < second; ++i) {
        const double t = static_cast<double>(i) / rate;
        s.left[i] = static_cast<float>(0.2 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 1000 * t) + std::sin(2 * M_PI * 3100 * t)));
        s.right[i] = static_cast<float>(0.2 * (std::sin(2 * M_PI * 330 * t) + std::sin(2 * M_PI * 1500 * t)));
    }
    runChain(chain, s);
    EXPECT_TRUE(allNormal(s.left) && allNormal(s.right)) << rate;
    return analysis::rms(s.left, second + second / 2);
}

TEST(EffectsChain, ReverbAtAReducedRateSoundsLikeTheReverbAtFullRate) {
    const double full = reverbTail(48000.0);
    EXPECT_GT(full, 0.005);
    for (double rate : {96000.0, 192000.0}) {
        const double reduced = reverbTail(rate);
        EXPECT_GT(reduced, 0.5 * full) << rate;
        EXPECT_LT(reduced, 2.0 * full) << rate;
    }
}

TEST(EffectsChain, SwitchingOffFadesTheReverbToTheDrySignal) {
    EffectsChain chain;
    chain.setSampleRate(48000.0);
    switchTo(chain, true);
    chain.setControl(ec::kReverbOn, 1.0);
    chain.setControl(ec::kReverbMix, 0.7);
    Stereo loud = noisy(48000, 0.5f, 5);
    runChain(chain, loud);
    chain.setControl(ec::kEffects, 0.0);
    Stereo after = noisy(48000, 0.5f, 6);
    const Stereo dry = after;
    runChain(chain, after);
    // The wet level glides out at 10 Hz; once the units stop the dry signal
    // passes untouched.
    double early = 0.0;
    for (std::size_t i = 0; i < 480; ++i) early = std::max(early, static_cast<double>(std::fabs(after.left[i] - dry.left[i])));
    EXPECT_GT(early, 0.01);
    for (std::size_t i = 16 * 500; i < after.size(); ++i) ASSERT_EQ(after.left[i], dry.left[i]) << i;
}

TEST(RateConverter, KeepsThePassbandAndRemovesWhatWouldAlias) {
    const double host = 96000.0;
    auto throughput = [&](double frequency) {
        RateConverter down;
        down.setUp(1, host);
        std::vector<float> reduced;
        float buffer[16];
        for (int at = 0; at < 48000; at += 16) {
            for (int i = 0; i < 16; ++i) buffer[i] = static_cast<float>(std::sin(2 * M_PI * frequency * (at + i) / host));
            const int m = down.decimate(16, buffer);
            reduced.insert(reduced.end(), buffer, buffer + m);
        }
        EXPECT_EQ(reduced.size(), 24000u);
        return analysis::rms(reduced, 4000) * std::sqrt(2.0);
    };
    EXPECT_NEAR(throughput(1000.0), 1.0, 0.01);
    EXPECT_NEAR(throughput(22000.0), std::sqrt(0.5), 0.02);  // the Butterworth corner
    EXPECT_LT(throughput(40000.0), 0.01);                      // would fold to 8 kHz
}

TEST(RateConverter, RoundTripKeepsEverySampleWhateverTheSliceLengths) {
    // Slices of odd lengths: the interpolator never reads ahead of what the
    // decimator has delivered, and a slow ramp comes back as a ramp.
    for (int reductions : {1, 2}) {
        RateConverter down;
        down.setUp(reductions, 192000.0);
        const int f = down.factor();
        std::vector<float> out;
        float buffer[16];
        int at = 0;
        for (int slice = 0; slice < 3000; ++slice) {
            const int n = 1 + (slice * 7) % 16;
            for (int i = 0; i < n; ++i) buffer[i] = 0.001f * static_cast<float>(at + i);
            const int m = down.decimate(n, buffer);
            down.interpolate(m, n, buffer);
            out.insert(out.end(), buffer, buffer + n);
            at += n;
        }
        // Later samples follow the ramp with a fixed latency (the filter's
        // group delay plus the interpolator's start), so the step between
        // neighbours is the ramp's.
        for (std::size_t i = 2000; i + 1 < out.size(); ++i) ASSERT_NEAR(out[i + 1] - out[i], 0.001f, 2e-4f) << f << " " << i;
    }
}

}  // namespace
}  // namespace calverine
