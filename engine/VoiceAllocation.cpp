// Which voice plays a note, with which part's settings, and what happens when
// its key is let go: the parts modes, the polyphonic search with its
// stealing rule, unison with its return to a held key, and where each voice
// renders.
#include <algorithm>

#include "AudioEngine.h"

namespace calverine {

void AudioEngine::pressKey(int note, float velocity) {
    const std::size_t key = static_cast<std::size_t>(note & 127);
    keyDown_[key] = 1;
    keyVelocity_[key] = velocity;
    sleepCountdown_ = wakeLength_;
    lastVelocity_ = velocity;
    for (ModLfo& lfo : lfo_) {
        lfo.oneShotFinished = 0;
        if (lfo.oneShot) lfo.phase = 0.0;
        if (allKeysReleased_ && blockSeen && lfo.shape == kStepShape) lfo.phase = 0.0;
    }
}

void AudioEngine::startVoice(Voice& voice, int note, float velocity, int channel, int part) {
    voice.part = static_cast<std::uint32_t>(part);
    voice.note = note;
    voice.released = 0;
    voice.velocity = velocity;
    voice.randomValue = static_cast<float>(random_.next()) / 32767.0f - 0.5f;
    if (channel >= 0) voice.channel = channel & 15;
    voice.filterEnvelopeStage = 0;
    voice.amplitudeEnvelopeStage = 0;
    voice.sampleCounter = 0;
    voice.trigger = 1;
    voice.finished = 0;
    voice.polyPressure = polyPressure[static_cast<std::size_t>(note & 127)];
}

void AudioEngine::rememberNote(int part, int note) {
    previousNote_[static_cast<std::size_t>(part)] = lastNote_[static_cast<std::size_t>(part)];
    lastNote_[static_cast<std::size_t>(part)] = note;
}

void AudioEngine::startUnison(int note, float velocity, int channel) {
    roundRobin_[0] = roundRobin_[1] = 7;
    const int half = voiceCount_ / 2;
    auto startRange = [&](int first, int end, int part) {
        for (int i = first; i < end; ++i)
            if (!voiceMute_[static_cast<std::size_t>(i)]) startVoice(voices_[static_cast<std::size_t>(i)], note, velocity, channel, part);
    };
    switch (partsMode_) {
    case 0:
        startRange(0, voiceCount_, 0);
        rememberNote(0, note);
        rememberNote(1, note);
        break;
    case 1:
        startRange(0, half, 0);
        startRange(half, voiceCount_, 1);
        rememberNote(0, note);
        rememberNote(1, note);
        break;
    default:
        if (note >= splitNote_) {
            startRange(half, voiceCount_, 1);
            rememberNote(1, note);
        } else {
            startRange(0, half, 0);
            rememberNote(0, note);
        }
        break;
    }
}

void AudioEngine::startPolyphonic(int note, float velocity, int channel) {
    const int parts = partsMode_ == 0 ? 1 : 2;
    for (int part = 0; part < parts; ++part) {
        int first = 0, size = voiceCount_;
        std::int32_t* pointer = &roundRobin_[0];
        if (partsMode_ == 2) {
            if ((part == 0) != (note < splitNote_)) continue;
            size = voiceCount_ / 2;
            first = part * size;
            pointer = &roundRobin_[static_cast<std::size_t>(part)];
        }
        const int start = (((*pointer - first + 1) % size) + size) % size;
        int chosen = -1;
        for (int pass = 0; pass < 2 && chosen < 0; ++pass) {
            for (int step = 0; step < size; ++step) {
                const int index = first + (start + step) % size;
                const Voice& v = voices_[static_cast<std::size_t>(index)];
                if (voiceMute_[static_cast<std::size_t>(index)] || partOfSlot(v.renderSlot) != part) continue;
                // First pass: a free voice; second pass: steal the first unmuted one.
                if (pass == 1 || v.released || v.finished) {
                    chosen = index;
                    break;
                }
            }
        }
        if (chosen < 0) continue;  // every voice of the pool is muted
        *pointer = chosen;
        startVoice(voices_[static_cast<std::size_t>(chosen)], note, velocity, channel, part);
        rememberNote(part, note);
    }
}

void AudioEngine::noteOn(std::uint32_t note, float velocity, std::uint32_t channel, std::uint32_t /*noteLength*/) {
    const int key = static_cast<int>(note & 127);
    pressKey(key, velocity);
    if (voiceMode_ == 1)
        startUnison(key, velocity, static_cast<int>(channel));
    else
        startPolyphonic(key, velocity, static_cast<int>(channel));
    allKeysReleased_ = 0;
}

void AudioEngine::releaseNote(int note) {
    int released = 0;
    for (int i = 0; i < voiceCount_; ++i) {
        Voice& v = voices_[static_cast<std::size_t>(i)];
        if (v.note == note) v.released = 1;
        released += v.released;
    }
    if (released == voiceCount_) allKeysReleased_ = 1;
}

void AudioEngine::noteOff(std::uint32_t noteNumber) {
    const int note = static_cast<int>(noteNumber & 127);
    keyDown_[static_cast<std::size_t>(note)] = 0;
    if (voiceMode_ != 1) {
        releaseNote(note);
        return;
    }
    // Unison: fall back to a key that is still held.
    int low = 0, high = 126, candidate;
    if (note == lastNote_[0]) {
        if (partsMode_ == 2) high = splitNote_ - 1;
        candidate = previousNote_[0];
    } else if (note == lastNote_[1]) {
        if (partsMode_ == 2) low = splitNote_;
        candidate = previousNote_[1];
    } else {
        return;  // not a sounding key
    }
    int held = -1;
    for (int key = std::max(low, 0); key <= std::min(high, 126); ++key) {
        if (!keyDown_[static_cast<std::size_t>(key)]) continue;
        held = key;
        if (key == candidate) break;
    }
    if (held < 0) {
        releaseNote(note);
        return;
    }
    const float velocity = keyVelocity_[static_cast<std::size_t>(held)];
    pressKey(held, velocity);
    startUnison(held, velocity, -1);
}


// Every voice sounds through its own part's filter. In Dual and Split the
// first half of the render slots takes part A's filter settings and the
// second half part B's (see planVoicePasses), so each part's voices must
// render in its half. Split and Dual unison start part A on the first half of
// the voices and part B on the second: every voice renders in its own slot.
// Dual polyphony gives each note two neighbouring voices, part A first: the
// even voices fill part A's half of the slots and the odd ones part B's, and
// the voice search gives each part only the voices of its half (so muted
// voices cannot push a part onto the other's slots).
int AudioEngine::renderSlotOf(int voice) const {
    if (partsMode_ != 1 || voiceMode_ == 1) return voice;
    const int half = voiceCount_ / 2;
    return voice % 2 == 0 ? voice / 2 : half + voice / 2;
}

int AudioEngine::partOfSlot(int slot) const { return partsMode_ != 0 && slot >= voiceCount_ / 2 ? 1 : 0; }


}  // namespace calverine
