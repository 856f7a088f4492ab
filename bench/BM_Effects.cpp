#include <benchmark/benchmark.h>

#include "OutputLimiter.h"

#include <cmath>
#include <vector>

namespace {

void BM_OutputLimiter(benchmark::State& state) {
    calverine::OutputLimiter limiter;
    limiter.setSampleRate(48000.0);
    std::vector<float> left(512), right(512);
    for (auto _ : state) {
        for (int i = 0; i < 512; ++i) left[i] = right[i] = 1.5f * std::sin(0.01f * i);
        limiter.process(512, left.data(), right.data());
        benchmark::DoNotOptimize(left.data());
    }
    state.SetItemsProcessed(state.iterations() * 512);
}
BENCHMARK(BM_OutputLimiter);

}  // namespace
