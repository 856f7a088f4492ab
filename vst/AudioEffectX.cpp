#include "AudioEffectX.h"

#include <cstring>

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : AudioEffect(audioMaster, numPrograms, numParams) {}

VstPlugCategory AudioEffectX::getPlugCategory() {
    return (cEffect_.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effProcessEvents:
        return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case effGetProgramNameIndexed:
        return ptr ? (getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)) ? 1 : 0)
                   : 0;
    case effGetInputProperties:
        return ptr ? (getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0) : 0;
    case effGetOutputProperties:
        return ptr ? (getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0) : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effGetEffectName:
        return ptr ? (getEffectName(static_cast<char*>(ptr)) ? 1 : 0) : 0;
    case effGetVendorString:
        return ptr ? (getVendorString(static_cast<char*>(ptr)) ? 1 : 0) : 0;
    case effGetProductString:
        return ptr ? (getProductString(static_cast<char*>(ptr)) ? 1 : 0) : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return ptr ? canDo(static_cast<char*>(ptr)) : 0;
    case effGetTailSize:
        return getGetTailSize();
    case effGetVstVersion:
        return getVstVersion();
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetProcessPrecision:
        return setProcessPrecision(static_cast<VstInt32>(value)) ? 1 : 0;
    case effBeginSetProgram:
        return beginSetProgram() ? 1 : 0;
    case effEndSetProgram:
        return endSetProgram() ? 1 : 0;
    case effSetBlockSizeAndSampleRate:
        setBlockSize(static_cast<VstInt32>(value));
        setSampleRate(opt);
        return 0;
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::getHostVendorString(char* text) {
    text[0] = 0;
    char buffer[256] = {};  // generous: some hosts write more than the nominal 64
    bool ok = callHost(audioMasterGetVendorString, 0, 0, buffer) != 0;
    const std::size_t n = strnlen(buffer, kVstMaxVendorStrLen - 1);
    std::memcpy(text, buffer, n);
    text[n] = 0;
    return ok && text[0] != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    text[0] = 0;
    char buffer[256] = {};
    bool ok = callHost(audioMasterGetProductString, 0, 0, buffer) != 0;
    const std::size_t n = strnlen(buffer, kVstMaxProductStrLen - 1);
    std::memcpy(text, buffer, n);
    text[n] = 0;
    return ok && text[0] != 0;
}

VstInt32 AudioEffectX::getHostVendorVersion() {
    return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion));
}

void AudioEffectX::wantEvents(VstInt32 filter) { callHost(audioMasterWantMidi, 0, filter); }

bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

VstInt32 AudioEffectX::canHostDo(const char* text) {
    return callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)) != 0 ? 1 : 0;
}

bool AudioEffectX::beginEdit(VstInt32 index) { return callHost(audioMasterBeginEdit, index) != 0; }

bool AudioEffectX::endEdit(VstInt32 index) { return callHost(audioMasterEndEdit, index) != 0; }
