// The MIDI messages of one host block, turned into their effects: notes into
// the engine's queue at their frame, pressure, foot, expression, sustain and
// timbre into the engine's inputs, the mod wheel and pitch bends into the
// controller lanes, other controllers into controls through the CC map (with
// MIDI learn), and program change and bank select into patch loads.
//
// Threads: the host's audio thread, before processReplacing of the same
// block. Nothing here allocates, locks or waits, with one exception that is
// by design: a program change (and a bank select, which loads its bank's
// first program) loads a patch file right here, on the audio thread. That
// reads the file, allocates, takes the reload lock (which does not wait here,
// as no block is being rendered between processEvents and processReplacing)
// and asks the host to update its display.
#pragma once

#include <atomic>
#include <cstdint>

#include "AudioEngine.h"
#include "ControllerLanes.h"
#include "ControllerMap.h"
#include "PluginParameters.h"
#include "ProgramNavigation.h"
#include "vst24.h"

namespace calverine {

class MidiInput {
public:
    // What the MIDI input reaches in the plug-in object.
    class Owner {
    public:
        // The one change path: store, engine and editor.
        virtual void setControl(int control, float value, int part, bool fromEditor) = 0;
        // allNotesOff with clearing, every stored value back to the engine,
        // then the envelope times.
        virtual void fullReset() = 0;
        virtual bool isOwnHostMode() const = 0;
        // Some matrix slot's source is "Timbre (74)".
        virtual bool timbreRouted() const = 0;
        // The editor shows the pitch wheel at `value` (0 to 1).
        virtual void showPitchWheel(float value) = 0;

    protected:
        ~Owner() = default;
    };

    MidiInput(AudioEngine& engine, ControllerMap& controllerMap, const PluginParameters& params,
              ControllerLanes& lanes, ProgramNavigation& programs, Owner& owner)
        : engine_(engine), controllerMap_(controllerMap), params_(params), lanes_(lanes), programs_(programs),
          owner_(owner) {}

    // Handles the host's events in order; only MIDI events count.
    void processEvents(const VstEvents& events);

    // 1 after a note, pressure, controller or bend until the editor
    // acknowledges it (any thread).
    std::int32_t activity() const { return activity_.load(); }
    void acknowledgeActivity();

private:
    void raiseActivity();
    void handleController(int controller, int value, int channel, int position);
    void handlePitchBend(int data1, int data2, int channel, int position);
    void rampModWheel(float value, int position);

    AudioEngine& engine_;
    ControllerMap& controllerMap_;
    const PluginParameters& params_;
    ControllerLanes& lanes_;
    ProgramNavigation& programs_;
    Owner& owner_;
    std::atomic<std::int32_t> activity_{0};
    std::atomic<std::int32_t> activityAck_{0};
};

}  // namespace calverine
