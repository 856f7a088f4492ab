// The reverb in the chain's 16-sample slices at 44.1 and 48 kHz, plain, with
// shimmer (and regeneration) and with the chorale. Items are stereo frames.
#include <benchmark/benchmark.h>

#include "RealFft.h"
#include "ReverbUnit.h"

#include "EffectControls.h"

#include <random>
#include <vector>

namespace {

enum Mode { kPlain, kShimmer, kChorale, kShimmerChorale };

void BM_Reverb(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    const auto mode = static_cast<Mode>(state.range(1));
    calverine::ReverbUnit reverb;
    reverb.setSampleRate(rate);
    namespace ec = calverine::effects_control;
    const bool shimmer = mode == kShimmer || mode == kShimmerChorale;
    const std::pair<int, float> controls[] = {
        {ec::kReverbOn, 1.0f},    {ec::kReverbTime, 0.6f},  {ec::kReverbColor, 0.3f}, {ec::kReverbMix, 0.5f},
        {ec::kReverbShimmer, shimmer ? 0.7f : 0.0f}, {ec::kReverbRegen, shimmer ? 0.5f : 0.0f},
        {ec::kReverbChorale, mode >= kChorale ? 1.0f : 0.0f}};
    for (const auto& [id, value] : controls) reverb.setControl(id, value);

    // A few seconds of noise, replayed: the reverb is never fed silence.
    const int frames = 1 << 17;
    std::vector<float> sourceL(frames), sourceR(frames);
    std::mt19937 generator(1);
    std::uniform_real_distribution<float> uniform(-0.3f, 0.3f);
    for (int i = 0; i < frames; ++i) {
        sourceL[i] = uniform(generator);
        sourceR[i] = uniform(generator);
    }
    float left[16], right[16];
    int at = 0;
    for (auto _ : state) {
        for (int i = 0; i < 16; ++i) {
            left[i] = sourceL[at + i];
            right[i] = sourceR[at + i];
        }
        reverb.process(16, left, right, 1.0f, false);
        benchmark::DoNotOptimize(left);
        benchmark::DoNotOptimize(right);
        at = (at + 16) & (frames - 1);
    }
    state.SetItemsProcessed(state.iterations() * 16);
}
BENCHMARK(BM_Reverb)
    ->ArgNames({"rate", "mode"})
    ->ArgsProduct({{44100, 48000}, {kPlain, kShimmer, kChorale, kShimmerChorale}});

// The shimmer's transforms on their own: one forward of N = 4096 and one
// inverse of N/2 per hop of 256 samples.
void BM_RealFft(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const bool inverse = state.range(1) != 0;
    calverine::RealFft fft(size);
    // Separate input and output: transforming in place again and again
    // would drift into overflow or subnormals.
    std::vector<float> input(size), output(size);
    std::mt19937 generator(2);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    for (float& v : input) v = uniform(generator);
    for (auto _ : state) {
        inverse ? fft.inverse(input.data(), output.data()) : fft.forward(input.data(), output.data());
        benchmark::DoNotOptimize(output.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RealFft)->ArgNames({"size", "inverse"})->Args({4096, 0})->Args({2048, 1});

}  // namespace
