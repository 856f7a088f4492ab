// renderBlock cost per 16-sample slice: asleep (the idle instrument), awake
// (a key held, so the control segments, voice pass and decimator all run),
// and 16 held voices of a heavy patch, plain or modulated. Items processed are
// output samples; real-time factor = items/s / rate.
#include <benchmark/benchmark.h>

#include "AudioEngine.h"
#include "EngineControls.h"
#include "VoiceKernels.h"

namespace {

namespace c = calverine::control;

class EngineFixture : public benchmark::Fixture {
public:
    void SetUp(const benchmark::State& state) override {
        engine.configureSampleRate(static_cast<double>(state.range(0)));
        engine.configureBlockSize(512);
        engine.setEngineParameter(c::kVolume, 0.5, -1);
        engine.setEngineParameter(c::kVoiceCount, static_cast<double>(state.range(1)), -1);
        // a third argument of 4 runs the four-lane loops even where eight are possible
        calverine::useWideVoiceLoops(state.range(2) != 4);
    }
    void TearDown(const benchmark::State&) override { calverine::useWideVoiceLoops(true); }
    void renderHostBlocks(benchmark::State& state) {
        for (auto _ : state) {
            for (int pos = 0; pos < 512; pos += 16) {
                float* outs[2] = {left + pos, right + pos};
                engine.renderBlock(outs, 16, pos);
            }
            engine.clearEventQueue();
            benchmark::DoNotOptimize(left[0]);
        }
        state.SetItemsProcessed(state.iterations() * 512);
    }
    calverine::AudioEngine engine;
    float left[512] = {}, right[512] = {};
};

}  // namespace

// A fourth argument of 1 holds a key; without one the engine falls asleep first.
BENCHMARK_DEFINE_F(EngineFixture, Idle)(benchmark::State& state) {
    if (state.range(3) != 0) engine.queueNoteEvent(60, 0.8f, 0, 0, true, 0);
    for (int i = 0; i < 4 && state.range(3) == 0; ++i) {
        float* outs[2] = {left, right};
        engine.renderBlock(outs, 16, 0);
    }
    renderHostBlocks(state);
}

// The heavy patch: both oscillators saw + pulse, the four-pole filter swept by
// a slow envelope decay, for both parts. A fourth argument of 1 adds both LFOs
// and six matrix slots at work.
BENCHMARK_DEFINE_F(EngineFixture, SixteenVoices)(benchmark::State& state) {
    for (int part = 0; part < 2; ++part) {
        for (int id : {c::kOsc1Saw, c::kOsc1Pulse, c::kOsc2Saw, c::kOsc2Pulse, c::kFilter4Pole})
            engine.setEngineParameter(id, 1.0, part);
        engine.setEngineParameter(c::kFilterFreq, 0.3, part);
        engine.setEngineParameter(c::kFilterReso, 0.5, part);
        engine.setEngineParameter(c::kFilterMod, 0.8, part);
        engine.setEngineParameter(c::kFilterEnvAttack + 1, 0.7, part);
    }
    if (state.range(3) != 0) {
        engine.setEngineParameter(c::kLfo[0].rate, 0.6, -1);
        engine.setEngineParameter(c::kLfo[0].freqDepth, 0.05, -1);
        engine.setEngineParameter(c::kLfo[0].freqOsc1, 1.0, -1);
        engine.setEngineParameter(c::kLfo[0].freqFilter, 1.0, -1);
        engine.setEngineParameter(c::kLfo[1].rate, 0.3, -1);
        engine.setEngineParameter(c::kLfo[1].shape, 2.0, -1);  // sample and hold
        // velocity to volume, the LFOs to cut-off and pulse width, the wheel to LFO 1 depth and
        // pitch, random to fine tuning
        const int slots[6][3] = {{1, 4, 1}, {9, 1, 0}, {10, 11, 0}, {6, 2, 0}, {6, 6, 0}, {8, 9, 0}};
        for (int s = 0; s < 6; ++s) {
            engine.setEngineParameter(c::kMatrixSource[s], slots[s][0], -1);
            engine.setEngineParameter(c::kMatrixAmount[s], slots[s][2] ? 1.0 : 0.6, -1);
            engine.setEngineParameter(c::kMatrixDestination[s], slots[s][1], -1);
        }
    }
    for (int n = 0; n < 16; ++n) engine.queueNoteEvent(static_cast<std::uint32_t>(40 + 3 * n), 0.8f, 0, 0, true, 0);
    renderHostBlocks(state);
}

// Arguments: rate, voices, lanes per vector (8 where the processor has them), key held / modulated.
BENCHMARK_REGISTER_F(EngineFixture, SixteenVoices)->ArgsProduct({{48000}, {16}, {8, 4}, {0, 1}});
BENCHMARK_REGISTER_F(EngineFixture, Idle)->Args({44100, 8, 8, 0})->Args({96000, 16, 8, 0})
    ->Args({44100, 8, 8, 1})->Args({44100, 16, 8, 1})->Args({96000, 16, 8, 1});
