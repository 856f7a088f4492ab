// A minimal host for the shell tests: answers the plug-in's requests from one
// global record that each test sets up.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "vst24.h"

// Also gives the plug-in objects of one test a settings folder and a data
// folder of their own (fresh temporary folders, removed afterwards).
struct TestHost {
    VstIntPtr version = 2400;
    std::string vendor = "Test Host";
    VstTimeInfo time{};
    bool answerTime = true;
    std::vector<VstInt32> requests;
    calverine::test::TempFolder folder;
    std::string home = folder.path();  // holds "settings" and "data"

    TestHost();
    ~TestHost();
    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                          float opt);
};

// A VstEvents list of note messages, kept alive by the object.
struct MidiList {
    MidiList() = default;
    // Messages as {delta frames, status, data 1, data 2}.
    MidiList(std::initializer_list<std::array<int, 4>> messages) {
        for (const auto& m : messages)
            add(m[0], static_cast<unsigned char>(m[1]), static_cast<unsigned char>(m[2]), static_cast<unsigned char>(m[3]));
    }
    void add(int deltaFrames, unsigned char status, unsigned char data1, unsigned char data2);
    VstEvents* events();

    std::vector<VstMidiEvent> midi;
    std::vector<char> storage;
};

// Hands the messages to a plug-in object, as the host's effProcessEvents does.
template <typename Plugin>
void send(Plugin& plugin, MidiList midi) {
    plugin.processEvents(midi.events());
}
