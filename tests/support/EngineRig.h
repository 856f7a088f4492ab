// The engine driven the way the shell drives it: host blocks of up to 512
// frames in slices of 16, at volume 0.5 and the fastest glide.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "AudioEngine.h"
#include "EngineControls.h"
#include "SignalAnalysis.h"

namespace engine_test {

struct Rig {
    explicit Rig(double fs = 44100.0) {
        engine.configureSampleRate(fs);
        global(calverine::control::kVolume, 0.5);
        global(calverine::control::kPortamento, 0.0);
    }
    // A per-part control for both parts.
    void set(int id, double value) {
        engine.setEngineParameter(id, value, 0);
        engine.setEngineParameter(id, value, 1);
    }
    void global(int id, double value) { engine.setEngineParameter(id, value, -1); }
    // Oscillator 1's sawtooth alone: oscillator 2 kept out of the filter.
    void singleSaw() { set(calverine::control::kFilterOsc2, 0.0); }
    void on(int note, float velocity = 1.0f) {
        engine.queueNoteEvent(static_cast<std::uint32_t>(note), velocity, 0, 0, true, 0);
    }
    void off(int note) { engine.queueNoteEvent(static_cast<std::uint32_t>(note), 0.0f, 0, 0, false, 0); }
    std::vector<float> render(double seconds, std::vector<float>* right = nullptr) {
        const auto frames = static_cast<int>(std::lround(seconds * engine.sampleRate()));
        std::vector<float> left(static_cast<std::size_t>(frames)), r(static_cast<std::size_t>(frames));
        for (int pos = 0; pos < frames;) {
            const int block = std::min(512, frames - pos);
            for (int s = 0; s < block; s += 16) {
                float* outs[2] = {left.data() + pos + s, r.data() + pos + s};
                engine.renderBlock(outs, std::min(16, block - s), s);
            }
            engine.clearEventQueue();
            pos += block;
        }
        if (right) *right = r;
        return left;
    }
    // The pitch of a note struck now, measured over a second after 0.3 s.
    double pitch(int note) {
        on(note);
        render(0.3);
        return analysis::zeroCrossingFrequency(render(1.0), engine.sampleRate());
    }
    calverine::AudioEngine engine;
};

inline double noteHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

}  // namespace engine_test
