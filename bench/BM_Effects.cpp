// The effect units over 16-sample slices at 48 kHz, in samples per second
// (items). Compare with the 16-voice voice pass in bench_engine.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "ChorusUnit.h"
#include "DelayUnit.h"
#include "EffectControls.h"
#include "EffectsChain.h"
#include "OutputLimiter.h"

namespace {

namespace ec = calverine::effects_control;
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

// A block of a loud chord-like signal, so no unit sees silence.
struct Signal {
    float left[kBlock], right[kBlock];
    Signal() { refill(); }
    void refill() {
        for (int i = 0; i < kBlock; ++i) {
            left[i] = 0.4f * std::sin(0.031f * i) + 0.2f * std::sin(0.17f * i);
            right[i] = 0.4f * std::sin(0.029f * i) + 0.2f * std::sin(0.13f * i);
        }
    }
};

template <typename Slice>
void runSlices(benchmark::State& state, Signal& signal, Slice slice, int step = 16) {
    for (auto _ : state) {
        signal.refill();
        for (int at = 0; at < kBlock; at += step) slice(step, signal.left + at, signal.right + at);
        benchmark::DoNotOptimize(signal.left);
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void BM_Delay(benchmark::State& state) {
    static calverine::DelayUnit delay;
    delay.setSampleRate(kRate);
    const std::pair<int, double> controls[] = {{ec::kDelayOn, 1},      {ec::kDelayTime, 7},   {ec::kDelayFeedback, 0.7},
                                               {ec::kDelayLowCut, 0.3}, {ec::kDelayHighCut, 0.3}, {ec::kDelayDryWet, 0.4},
                                               {ec::kDelayDoubleX, static_cast<double>(state.range(0))}};
    for (const auto& [id, value] : controls) delay.setControl(id, value);
    const float offsets[calverine::DelayUnit::kOffsets] = {};
    Signal signal;
    runSlices(state, signal, [&](int n, float* l, float* r) { delay.process(n, l, r, offsets, 120.0, 1.0f); });
}
BENCHMARK(BM_Delay)->Arg(0)->Arg(1)->Arg(2)->ArgName("doubleX");

void BM_Chorus(benchmark::State& state) {
    calverine::ChorusUnit chorus;
    chorus.setSampleRate(kRate);
    chorus.setControl(ec::kChorusOn, 1);
    chorus.setControl(ec::kChorusEnsemble, static_cast<double>(state.range(0)));
    chorus.setControl(ec::kChorusDryWet, 0.5);
    chorus.setControl(ec::kChorusRate, 0.5);
    const float offsets[calverine::ChorusUnit::kOffsets] = {};
    Signal signal;
    runSlices(state, signal, [&](int n, float* l, float* r) { chorus.process(n, l, r, offsets); });
}
BENCHMARK(BM_Chorus)->Arg(0)->Arg(1)->ArgName("ensemble");

// The whole section as the engine runs it: reverb, delay and chorus on.
void BM_EffectsChain(benchmark::State& state) {
    static calverine::EffectsChain chain;
    chain.setSampleRate(static_cast<double>(state.range(0)));
    const std::pair<int, double> controls[] = {{ec::kEffects, 1},      {ec::kDelayOn, 1},    {ec::kDelayFeedback, 0.7},
                                               {ec::kDelayDryWet, 0.4}, {ec::kChorusOn, 1},  {ec::kChorusDryWet, 0.5},
                                               {ec::kReverbOn, 1},       {ec::kReverbMix, 0.3}};
    for (const auto& [id, value] : controls) chain.setControl(id, value);
    const float offsets[calverine::EffectsChain::kOffsets] = {};
    Signal signal;
    runSlices(state, signal, [&](int n, float* l, float* r) {
        chain.takeSwitchChange();
        chain.process(n, l, r, false, 120.0, offsets);
        chain.advanceSwitchOff();
    });
}
BENCHMARK(BM_EffectsChain)->Arg(48000)->Arg(96000)->ArgName("rate");

void BM_OutputLimiter(benchmark::State& state) {
    calverine::OutputLimiter limiter;
    limiter.setSampleRate(kRate);
    Signal signal;
    runSlices(state, signal, [&](int n, float* l, float* r) { limiter.process(n, l, r); }, kBlock);
}
BENCHMARK(BM_OutputLimiter);

}  // namespace
