// The VST 1.x part of the plug-in base: owns the AEffect descriptor, routes the
// host's basic opcodes to virtual operations and offers the host-callback
// helpers every plug-in needs. AudioEffectX adds the 2.x opcodes.
//
// Threads: processReplacing runs on the host's audio thread; everything else on
// the host's other threads (see the overriding classes for what each may do).
#pragma once

#include <atomic>

#include "vst24.h"

class AEffEditor;

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    AEffect* getAeffect() { return &cEffect_; }

    // The host's opcodes arrive here; the default routes them to the
    // operations below. effClose deletes the object.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    // ---- operations the host triggers ------------------------------------
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float sampleRate) { sampleRate_ = sampleRate; }
    virtual void setBlockSize(VstInt32 blockSize) { blockSize_ = blockSize; }

    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, VstInt32 /*frames*/) {}

    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    // A change the plug-in itself made (from its editor): applies it and tells
    // the host, so the host can record automation.
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual VstInt32 getProgram() { return curProgram_; }
    virtual void setProgram(VstInt32 program) { curProgram_ = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { name[0] = 0; }
    virtual void getParameterLabel(VstInt32 /*index*/, char* label) { label[0] = 0; }
    virtual void getParameterDisplay(VstInt32 /*index*/, char* text) { text[0] = 0; }
    virtual void getParameterName(VstInt32 /*index*/, char* text) { text[0] = 0; }
    // Returns the size in bytes and stores a pointer to a buffer the plug-in
    // keeps alive until the next call.
    virtual VstInt32 getChunk(void** data, bool /*isPreset*/ = false) {
        *data = nullptr;
        return 0;
    }
    virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/ = false) { return 0; }

    // ---- set-up of the descriptor (called from the constructor) ------------
    void setUniqueID(VstInt32 id) { cEffect_.uniqueID = id; }
    void setNumInputs(VstInt32 n) { cEffect_.numInputs = n; }
    void setNumOutputs(VstInt32 n) { cEffect_.numOutputs = n; }
    void setInitialDelay(VstInt32 delay) { cEffect_.initialDelay = delay; }
    void setVersion(VstInt32 version) { cEffect_.version = version; }
    void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
    void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
    void noTail(bool state = true) { setFlag(effFlagsNoSoundInStop, state); }
    void setNumPrograms(VstInt32 n) { cEffect_.numPrograms = n; }

    // Registers the editor (ownership stays with the caller) and sets or clears
    // the has-editor flag.
    void setEditor(AEffEditor* editor);
    AEffEditor* getEditor() const { return editor_; }

    // ---- host callback helpers --------------------------------------------
    float getSampleRate() const { return sampleRate_; }
    VstInt32 getBlockSize() const { return blockSize_; }
    // The host's VST version; 0 for a pre-2.0 host or no host.
    VstInt32 getMasterVersion();
    audioMasterCallback getAudioMaster() const { return audioMaster_; }
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

protected:
    void setFlag(VstInt32 flag, bool state);

    audioMasterCallback audioMaster_;
    AEffEditor* editor_ = nullptr;
    float sampleRate_ = 44100.0f;
    VstInt32 blockSize_ = 1024;
    VstInt32 numPrograms_;
    VstInt32 numParams_;
    std::atomic<VstInt32> curProgram_{0};  // hosts set and ask from several threads
    AEffect cEffect_{};
};
