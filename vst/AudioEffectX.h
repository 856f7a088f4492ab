// The VST 2.x part of the plug-in base: events, pins, names, capability
// questions and the host requests that came with 2.0 (time info, vendor
// string, want-MIDI, display update, window size).
#pragma once

#include "AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    // ---- operations the host triggers ------------------------------------
    // Audio thread, right before processReplacing of the same block.
    virtual VstInt32 processEvents(VstEvents* /*events*/) { return 0; }
    virtual bool getInputProperties(VstInt32 /*index*/, VstPinProperties* /*properties*/) { return false; }
    virtual bool getOutputProperties(VstInt32 /*index*/, VstPinProperties* /*properties*/) { return false; }
    virtual bool getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/, char* /*text*/) { return false; }
    virtual bool canParameterBeAutomated(VstInt32 index) { return index >= 0 && index < numParams_; }
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstIntPtr vendorSpecific(VstInt32 /*arg1*/, VstIntPtr /*arg2*/, void* /*ptr*/, float /*opt*/) {
        return 0;
    }
    // 1 yes, -1 no, 0 don't know.
    virtual VstInt32 canDo(char* /*text*/) { return 0; }
    // The category follows from the is-synth flag unless overridden.
    virtual VstPlugCategory getPlugCategory();
    virtual VstInt32 getVstVersion() { return kVstVersion; }
    virtual VstInt32 getGetTailSize() { return 0; }
    virtual VstInt32 startProcess() { return 0; }
    virtual VstInt32 stopProcess() { return 0; }
    virtual bool setProcessPrecision(VstInt32 precision) { return precision == 0; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }

    // ---- host callback helpers --------------------------------------------
    // The host's time info for the current block, or null. `filter` is the OR
    // of the wanted kVst*Valid bits; test the answer's flags before using a field.
    VstTimeInfo* getTimeInfo(VstInt32 filter);
    // Copies the host's vendor string (at most 63 characters); false when the
    // host gives none.
    bool getHostVendorString(char* text);
    bool getHostProductString(char* text);
    VstInt32 getHostVendorVersion();
    // Asks the host to send MIDI events.
    void wantEvents(VstInt32 filter = 1);
    // Asks the host to re-read names, programs and parameter displays.
    bool updateDisplay();
    bool sizeWindow(VstInt32 width, VstInt32 height);
    // 1 when the host says it can do `text`.
    VstInt32 canHostDo(const char* text);
    bool beginEdit(VstInt32 index);
    bool endEdit(VstInt32 index);
};
