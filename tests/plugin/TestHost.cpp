#include "TestHost.h"

#include <cstring>

#include "Files.h"
#include "Process.h"

namespace {
TestHost* gHost = nullptr;
}

TestHost::TestHost() {
    gHost = this;
    platform::setEnvironmentVariable("CALVERINE_SETTINGS_DIR", platform::joinPath(home, "settings"));
    platform::setEnvironmentVariable("CALVERINE_DATA_DIR", platform::joinPath(home, "data"));
    requests.reserve(1 << 16);  // the log must not allocate during the real-time test
    time.tempo = 120.0;
    time.sampleRate = 44100.0;
    time.flags = kVstTempoValid;
}

TestHost::~TestHost() { gHost = nullptr; }

VstIntPtr VSTCALLBACK TestHost::callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    if (!gHost) return 0;
    gHost->requests.push_back(opcode);
    switch (opcode) {
    case audioMasterVersion: return gHost->version;
    case audioMasterGetVendorString:
        std::strcpy(static_cast<char*>(ptr), gHost->vendor.c_str());
        return 1;
    case audioMasterGetTime: return gHost->answerTime ? reinterpret_cast<VstIntPtr>(&gHost->time) : 0;
    default: return 0;
    }
}

void MidiList::add(int deltaFrames, unsigned char status, unsigned char data1, unsigned char data2) {
    VstMidiEvent e{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = deltaFrames;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    midi.push_back(e);
}

VstEvents* MidiList::events() {
    storage.assign(sizeof(VstEvents) + sizeof(VstEvent*) * midi.size(), 0);
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(midi.size());
    VstEvent** slots = list->events;  // numEvents pointers, inline
    for (std::size_t i = 0; i < midi.size(); ++i) slots[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    return list;
}
