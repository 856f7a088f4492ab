// Drives the plug-in's parameter paths with arbitrary indexes and values (NaN
// and infinities included): nothing may crash, every stored value stays
// finite, and the rendered output stays finite.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Messages.h"
#include "VstXSynth.h"

namespace {

VstIntPtr VSTCALLBACK host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

void quiet(const char*, const char*, platform::MessageIcon, void*) {}

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    template <typename T>
    bool read(T& value) {
        if (size < sizeof(T)) return false;
        std::memcpy(&value, data, sizeof(T));
        data += sizeof(T);
        size -= sizeof(T);
        return true;
    }
};

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::setMessageHook(quiet, nullptr);
    static calverine::VstXSynth* synth = [] {
        auto* s = new calverine::VstXSynth(host);
        s->setBlockSize(64);
        return s;
    }();
    Reader in{data, size};
    std::uint8_t op;
    std::int32_t index, part;
    float value;
    char text[64];
    while (in.read(op) && in.read(index) && in.read(value) && in.read(part)) {
        switch (op % 8) {
        case 0: synth->setParameter(index, value); break;
        case 1: synth->setParameterAutomated(index, value); break;
        case 2: synth->setControl(index, value, part, (op & 8) != 0); break;
        case 3: check(std::isfinite(synth->getParameter(index))); break;
        case 4:
            synth->getParameterDisplay(index, text);
            check(std::strlen(text) < 32);
            break;
        case 5:
            synth->controlDisplay(index & 255, part & 15, text, sizeof(text));
            break;
        case 6: synth->randomizeVoiceAdjustments(std::isfinite(value) ? value : 1.0f); break;
        default: synth->swapParts(); break;
        }
    }
    const calverine::Preset& preset = synth->parameters().current();
    for (float v : preset.values) check(std::isfinite(v));
    float left[64], right[64];
    float* outs[2] = {left, right};
    synth->processReplacing(nullptr, outs, 64);
    for (int i = 0; i < 64; ++i) check(std::isfinite(left[i]) && std::isfinite(right[i]));
    return 0;
}
