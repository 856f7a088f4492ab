#include "AudioEffect.h"

#include "AEffEditor.h"

namespace {

AudioEffect* self(AEffect* e) { return e ? static_cast<AudioEffect*>(e->object) : nullptr; }

VstIntPtr VSTCALLBACK dispatchTrampoline(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                         float opt) {
    AudioEffect* effect = self(e);
    return effect ? effect->dispatcher(opcode, index, value, ptr, opt) : 0;
}

void VSTCALLBACK processReplacingTrampoline(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    if (AudioEffect* effect = self(e)) effect->processReplacing(inputs, outputs, frames);
}

// The old accumulating call. Hosts use it only when the can-replace flag is
// clear; an instrument without inputs renders the same block either way.
void VSTCALLBACK processTrampoline(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    processReplacingTrampoline(e, inputs, outputs, frames);
}

void VSTCALLBACK processDoubleTrampoline(AEffect* e, double** inputs, double** outputs, VstInt32 frames) {
    if (AudioEffect* effect = self(e)) effect->processDoubleReplacing(inputs, outputs, frames);
}

void VSTCALLBACK setParameterTrampoline(AEffect* e, VstInt32 index, float value) {
    if (AudioEffect* effect = self(e)) effect->setParameter(index, value);
}

float VSTCALLBACK getParameterTrampoline(AEffect* e, VstInt32 index) {
    AudioEffect* effect = self(e);
    return effect ? effect->getParameter(index) : 0.0f;
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster_(audioMaster), numPrograms_(numPrograms), numParams_(numParams) {
    cEffect_.magic = kEffectMagic;
    cEffect_.dispatcher = dispatchTrampoline;
    cEffect_.process = processTrampoline;
    cEffect_.setParameter = setParameterTrampoline;
    cEffect_.getParameter = getParameterTrampoline;
    cEffect_.numPrograms = numPrograms;
    cEffect_.numParams = numParams;
    cEffect_.numInputs = 1;
    cEffect_.numOutputs = 2;
    cEffect_.ioRatio = 1.0f;
    cEffect_.object = this;
    cEffect_.version = 1;
    cEffect_.processReplacing = processReplacingTrampoline;
    cEffect_.processDoubleReplacing = processDoubleTrampoline;
}

AudioEffect::~AudioEffect() = default;

void AudioEffect::setFlag(VstInt32 flag, bool state) {
    if (state)
        cEffect_.flags |= flag;
    else
        cEffect_.flags &= ~flag;
}

void AudioEffect::setEditor(AEffEditor* editor) {
    editor_ = editor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    // The version request may come before the descriptor is complete; the
    // host sees a null effect only from the entry point itself.
    return audioMaster_ ? audioMaster_(&cEffect_, opcode, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffect::getMasterVersion() {
    VstInt32 version = static_cast<VstInt32>(callHost(audioMasterVersion));
    return version;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        delete this;
        return 1;
    case effSetProgram:
        if (value >= 0 && value < cEffect_.numPrograms) setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (ptr) setProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetProgramName:
        if (ptr) getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr) getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr) getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        if (ptr) getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value)
            resume();
        else
            suspend();
        return 0;
    case effEditGetRect:
        if (editor_ && ptr) return editor_->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        if (ptr) *static_cast<ERect**>(ptr) = nullptr;
        return 0;
    case effEditOpen:
        return editor_ ? (editor_->open(ptr) ? 1 : 0) : 0;
    case effEditClose:
        if (editor_) editor_->close();
        return 0;
    case effEditIdle:
        if (editor_) editor_->idle();
        return 0;
    case effEditKeyDown:
    case effEditKeyUp:
        return editor_ && editor_->isOpen() && editor_->onKey(opcode == effEditKeyDown, index, value, opt) ? 1 : 0;
    case effIdentify:
        return kEffectIdentify;
    case effGetChunk:
        if (!ptr) return 0;
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        if (!ptr || value <= 0) return 0;
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}
