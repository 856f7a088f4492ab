// The voices' vector loops (and the decimator of their mix), built twice:
// four lanes per vector with SSE2 for every x86-64 processor, and eight lanes
// per vector with AVX2 and FMA for the processors that have them (two groups
// of four voices in one register, and fused multiply-adds). Which one runs is
// chosen once, when the library loads; both come from the same source,
// VoiceKernels.inl, and agree to rounding.
#include <atomic>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "Decimator.h"
#include "FilterTables.h"
#include "OscillatorBank.h"
#include "Vec4.h"
#include "VoiceKernels.h"
#include "VoiceOutputStage.h"

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define CALVERINE_WIDE_LOOPS 1
#include <immintrin.h>
#endif

namespace calverine {

namespace lanes4 {
namespace {
using V = Vec4;
#include "VoiceKernels.inl"
}  // namespace
}  // namespace lanes4

#if CALVERINE_WIDE_LOOPS
#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace lanes8 {
namespace {
#include "Vec8.h"
using V = Vec8;
#include "VoiceKernels.inl"
}  // namespace

void runOutputStageWide(const OutputStageMode& mode, const LaneBlock* blocks, OutputLane* lanes, int groups,
                        int subSamples, const FilterTables& tables, const OutputStageConstants& k, float* mixLeft,
                        float* mixRight) {
    outputStageLoop(mode, blocks, lanes, groups, subSamples, tables, k, mixLeft, mixRight);
}

void decimateWide(const float* left4, const float* right4, int n, float* outLeft, float* outRight, float* ring,
                  int ringEntries, const float* kernel, int entries, std::uint32_t& writeIndex) {
    decimatorLoop(left4, right4, n, outLeft, outRight, ring, ringEntries, kernel, entries, writeIndex);
}

void formIncrementsWide(OscillatorLanes* lanes, int start, int length) { incrementLoop(lanes, start, length); }

void renderOscillatorsWide(OscillatorState* const (*states)[4][2], const OscillatorLanes* settings, const float* noise,
                           int start, int length, LaneBlock* lanes) {
    oscillatorLoop(states, settings, noise, start, length, lanes);
}
}  // namespace lanes8
#pragma GCC pop_options
#endif

namespace {

bool processorHasWideLoops() {
#if CALVERINE_WIDE_LOOPS
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

// Set when the library loads, so the audio thread never asks the processor.
std::atomic<bool> wideLoopsInUse{processorHasWideLoops()};

std::atomic<bool>& wideLoops() { return wideLoopsInUse; }

#if CALVERINE_WIDE_LOOPS
// Groups of four lanes that run eight lanes at a time: all but an odd last one.
int wideGroups(int groups) { return wideLoops().load(std::memory_order_relaxed) ? groups & ~1 : 0; }
#endif

static_assert(Decimator::kKernelEntries % 8 == 0, "the eight-lane decimator takes four entries per vector, twice");

}  // namespace

bool useWideVoiceLoops(bool wanted) {
    const bool wide = wanted && processorHasWideLoops();
    wideLoops().store(wide);
    return wide;
}

bool wideVoiceLoopsInUse() { return wideLoops().load(); }

void runOutputStage(const OutputStageMode& mode, const LaneBlock* blocks, OutputLane* lanes, int groups,
                    int subSamples, const FilterTables& tables, const OutputStageConstants& k, float* mixLeft,
                    float* mixRight) {
    assert(groups >= 1 && groups <= 4 && subSamples <= 64);
#if CALVERINE_WIDE_LOOPS
    // A pass of two or four groups runs eight lanes at a time; one of one or
    // three stays four lanes wide (its vectors share the sub-sample loop).
    if (wideLoops().load(std::memory_order_relaxed) && groups % 2 == 0) {
        lanes8::runOutputStageWide(mode, blocks, lanes, groups, subSamples, tables, k, mixLeft, mixRight);
        return;
    }
#endif
    lanes4::outputStageLoop(mode, blocks, lanes, groups, subSamples, tables, k, mixLeft, mixRight);
}

void decimate(const float* left4, const float* right4, int n, float* outLeft, float* outRight, float* ring,
              int ringEntries, const float* kernel, int entries, std::uint32_t& writeIndex) {
#if CALVERINE_WIDE_LOOPS
    if (wideLoops().load(std::memory_order_relaxed)) {
        lanes8::decimateWide(left4, right4, n, outLeft, outRight, ring, ringEntries, kernel, entries, writeIndex);
        return;
    }
#endif
    lanes4::decimatorLoop(left4, right4, n, outLeft, outRight, ring, ringEntries, kernel, entries, writeIndex);
}

void formIncrements(OscillatorLanes* lanes, int groups, int start, int length) {
    int g = 0;
#if CALVERINE_WIDE_LOOPS
    for (const int wide = wideGroups(groups); g < wide; g += 2) lanes8::formIncrementsWide(lanes + g, start, length);
#endif
    for (; g < groups; ++g) lanes4::incrementLoop(lanes + g, start, length);
}

void renderOscillators(OscillatorState* const (*states)[4][2], const OscillatorLanes* settings, const float* noise,
                       int start, int length, LaneBlock* lanes, int groups) {
    int g = 0;
#if CALVERINE_WIDE_LOOPS
    for (const int wide = wideGroups(groups); g < wide; g += 2)
        lanes8::renderOscillatorsWide(states + g, settings + g, noise, start, length, lanes + g);
#endif
    for (; g < groups; ++g) lanes4::oscillatorLoop(states + g, settings + g, noise, start, length, lanes + g);
}

}  // namespace calverine
