#include "MidiInput.h"

#include <algorithm>

namespace calverine {

void MidiInput::raiseActivity() {
    activity_.exchange(1);
    activityAck_.exchange(0);
}

void MidiInput::acknowledgeActivity() {
    activity_.exchange(0);
    activityAck_.exchange(1);
}

void MidiInput::processEvents(const VstEvents& events) {
    lanes_.beginEvents();
    // The host allocates numEvents pointers inline, past the declared two.
    VstEvent* const* list = events.events;
    for (VstInt32 e = 0; e < events.numEvents; ++e) {
        const VstEvent* event = list[e];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const int position = std::clamp<int>(midi->deltaFrames, 0, lanes_.blockSize() - 1);
        const int status = static_cast<unsigned char>(midi->midiData[0]);
        const int data1 = static_cast<unsigned char>(midi->midiData[1]) & 127;
        const int data2 = static_cast<unsigned char>(midi->midiData[2]) & 127;
        const int channel = status & 15;
        switch (status & 0xF0) {
        case 0x80:
        case 0x90:
            raiseActivity();
            engine_.queueNoteEvent(static_cast<std::uint32_t>(data1), data2 / 127.0f, position,
                                   static_cast<std::uint32_t>(channel), (status & 0xF0) == 0x90 && data2 > 0,
                                   static_cast<std::uint32_t>(midi->noteLength));
            break;
        case 0xA0:
            raiseActivity();
            engine_.polyPressure[static_cast<std::size_t>(data1)] = data2 / 127.0f;
            break;
        case 0xB0: handleController(data1, data2, channel, position); break;
        case 0xC0:
            // Loads the patch file on the audio thread, by design (see the header).
            programs_.loadProgram(data1);
            break;
        case 0xD0:
            engine_.channelPressure = data1 / 127.0;
            engine_.channelPressureChannel[static_cast<std::size_t>(channel)] = data1 / 127.0f;
            raiseActivity();
            break;
        case 0xE0: handlePitchBend(data1, data2, channel, position); break;
        default: break;  // system messages
        }
    }
    lanes_.endEvents(engine_);
}

void MidiInput::handleController(int controller, int value, int channel, int position) {
    controllerMap_.completeLearn(controller);
    const float v = value / 127.0f;
    const std::size_t ch = static_cast<std::size_t>(channel);
    // Foot and expression: a controller that drives a control no longer
    // drives the engine's own source.
    auto routed = [&](int cc) {
        const ControllerMap::Entry& e = controllerMap_.entry(cc);
        if (e.control >= params::kControlIds) return v;
        owner_.setControl(e.control, v * params::scaleOf(e.control), e.part, false);
        return 0.0f;
    };
    switch (controller) {
    case 0: return;  // bank select, most significant byte
    case 32:
        // Loads the bank's first patch file on the audio thread, by design.
        programs_.selectBank(value);
        return;
    case 4: {
        const float foot = routed(4);
        engine_.foot = foot;
        engine_.footChannel[ch] = foot;
        raiseActivity();
        return;
    }
    case 11: {
        const float expression = routed(11);
        engine_.expression = expression;
        engine_.expressionChannel[ch] = expression;
        raiseActivity();
        return;
    }
    case 64:
        engine_.sustain = v;
        engine_.pedalUp = value < 64 ? 1 : 0;
        raiseActivity();
        return;
    case 120:
    case 123:
        if (owner_.isOwnHostMode())
            owner_.fullReset();
        else
            engine_.allNotesOff(AudioEngine::Sound::Keep);
        raiseActivity();
        return;
    default: break;
    }
    if (controller == 74 && owner_.timbreRouted()) {
        engine_.timbre = v;
        engine_.timbreChannel[ch] = v;
        raiseActivity();
        return;
    }
    const ControllerMap::Entry& e = controllerMap_.entry(controller);
    if (e.control < params::kControlIds) {
        if (e.control == params::kModWheel)
            rampModWheel(v, position);
        else
            owner_.setControl(e.control, v * params::scaleOf(e.control), e.part, false);
    }
    raiseActivity();
}

void MidiInput::rampModWheel(float value, int position) {
    lanes_.moveWheel(engine_, value, position);
    owner_.setControl(params::kModWheel, value, -1, false);
}

void MidiInput::handlePitchBend(int data1, int data2, int channel, int position) {
    raiseActivity();
    if (params_.isRecordLocked(params_.recordOf(params::kPitchWheel, -1))) return;
    const float v = std::clamp(((data2 * 128 + data1) - 8192) / 16384.0f + 0.5f, 0.0f, 1.0f);
    owner_.showPitchWheel(v);
    lanes_.moveBend(engine_, channel, 2.0f * v - 1.0f, position);
}

}  // namespace calverine
