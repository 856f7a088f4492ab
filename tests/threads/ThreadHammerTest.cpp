// Hosts change parameters, whole patches and programs from their interface
// and automation threads while the audio thread renders. One thread here
// renders with a stream of MIDI (notes, controllers, program and bank
// changes); another changes everything a host can, structure-changing
// controls most of all; a third, like a host's interface thread, restores
// patches and picks programs at the same time. Nothing may crash, nothing
// not a number may come out, and under ThreadSanitizer (make test-tsan)
// nothing may race.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "EngineControls.h"
#include "ParameterTable.h"
#include "Process.h"
#include "TempFolder.h"
#include "VstXSynth.h"

using calverine::VstXSynth;
namespace control = calverine::control;

namespace {

// Answers from constant records only, so every thread may ask at once. It
// calls itself the maker's own host, where the host's program changes load
// patches from the library too.
VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    static const VstTimeInfo time = [] {
        VstTimeInfo t{};
        t.sampleRate = 48000.0;
        t.tempo = 128.0;
        t.flags = kVstTempoValid | kVstTransportPlaying;
        return t;
    }();
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&time);
    if (opcode == audioMasterGetVendorString) {
        std::strcpy(static_cast<char*>(ptr), "Brindle Audio");
        return 1;
    }
    return 0;
}

// A block's worth of MIDI messages as the host hands them over.
class Midi {
public:
    void add(int frame, int status, int data1, int data2) {
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.deltaFrames = frame;
        e.midiData[0] = static_cast<char>(status);
        e.midiData[1] = static_cast<char>(data1 & 127);
        e.midiData[2] = static_cast<char>(data2 & 127);
        events_.push_back(e);
    }
    VstEvents* list() {
        storage_.assign(sizeof(VstEvents) + sizeof(VstEvent*) * events_.size(), 0);
        auto* list = reinterpret_cast<VstEvents*>(storage_.data());
        list->numEvents = static_cast<VstInt32>(events_.size());
        for (std::size_t i = 0; i < events_.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&events_[i]);
        return list;
    }

private:
    std::vector<VstMidiEvent> events_;
    std::vector<char> storage_;
};

// The host parameter that carries a control (the global or part A one).
int hostIndexOf(int control) {
    for (int i = 0; i < VstXSynth::kNumParams; ++i)
        if (calverine::params::hostParameter(i)->control == control) return i;
    return -1;
}

struct Lcg {
    std::uint32_t s = 12345;
    int next(int n) {
        s = s * 214013u + 2531011u;
        return static_cast<int>((s >> 16) & 32767) % n;
    }
    float unit() { return static_cast<float>(next(32768)) / 32767.0f; }
};

}  // namespace

TEST(Threads, HostThreadsChangeEverythingWhileAudioRenders) {
    calverine::test::TempFolder home;
    platform::setEnvironmentVariable("CALVERINE_DATA_DIR", home.file("data"));
    platform::setEnvironmentVariable("CALVERINE_SETTINGS_DIR", home.file("settings"));
    VstXSynth synth(quietHost);
    synth.setSampleRate(48000.0f);
    synth.setBlockSize(256);
    synth.resume();

    // Two banks of three patches for program and bank changes, and the same
    // patches as chunks for the host to restore.
    Lcg random;
    std::vector<std::vector<std::uint8_t>> chunks;
    for (const char* bank : {"Alpha", "Beta"})
        for (int k = 0; k < 3; ++k) {
            for (int n = 0; n < 40; ++n) synth.setParameter(random.next(VstXSynth::kNumParams), random.unit());
            const std::filesystem::path file = std::filesystem::path(home.file("data")) / "Soundbanks" / bank /
                                               ("Patch " + std::to_string(k) + ".fxp");
            std::filesystem::create_directories(file.parent_path());
            ASSERT_TRUE(synth.savePatchFile(file.string()));
            void* data = nullptr;
            const VstInt32 size = synth.getChunk(&data, true);
            const auto* bytes = static_cast<const std::uint8_t*>(data);
            chunks.emplace_back(bytes, bytes + size);
        }
    synth.setProgram(0);

    const int structural[] = {hostIndexOf(control::kPartsMode), hostIndexOf(control::kUnison),
                              hostIndexOf(control::kSplit), hostIndexOf(control::kFilter4Pole)};
    for (int index : structural) ASSERT_GE(index, 0);

    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::atomic<bool> finite{true};
    std::thread audio([&] {
        Lcg notes;
        std::vector<float> left(256), right(256);
        float* outs[2] = {left.data(), right.data()};
        while (!stop) {
            Midi midi;
            const int block = blocks.load();
            for (int e = 0; e < 6; ++e) {
                const int frame = notes.next(256);
                switch (notes.next(8)) {
                case 0: midi.add(frame, 0xB0, 1, notes.next(128)); break;      // mod wheel
                case 1: midi.add(frame, 0xB0 | notes.next(16), 74, notes.next(128)); break;
                case 2: midi.add(frame, 0xE0, notes.next(128), notes.next(128)); break;  // bend
                case 3: midi.add(frame, 0x80, 36 + notes.next(48), 0); break;
                default: midi.add(frame, 0x90, 36 + notes.next(48), 1 + notes.next(127)); break;
                }
            }
            if (block % 40 == 39) midi.add(0, 0xC0, notes.next(3), 0);   // program change: loads a file here
            if (block % 160 == 159) midi.add(0, 0xB0, 32, notes.next(2));  // bank select
            synth.processEvents(midi.list());
            synth.processReplacing(nullptr, outs, 256);
            for (int i = 0; i < 256; ++i)
                if (!std::isfinite(left[static_cast<std::size_t>(i)]) || !std::isfinite(right[static_cast<std::size_t>(i)]))
                    finite = false;
            blocks = block + 1;
        }
    });

    std::thread interface([&] {
        Lcg pick;
        pick.s = 777;
        while (!stop) {
            const auto& chunk = chunks[static_cast<std::size_t>(pick.next(static_cast<int>(chunks.size())))];
            synth.setChunk(const_cast<std::uint8_t*>(chunk.data()), static_cast<VstInt32>(chunk.size()), true);
            synth.setProgram(pick.next(3));
            char name[64];
            for (int p = 0; p < 3; ++p) synth.getProgramNameIndexed(0, p, name);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });

    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    char text[64];
    for (int step = 0; std::chrono::steady_clock::now() < end; ++step) {
        synth.setParameter(structural[random.next(4)], random.unit());
        synth.setParameter(random.next(VstXSynth::kNumParams), random.unit());
        synth.getParameterDisplay(random.next(VstXSynth::kNumParams), text);
        if (step % 200 == 99) {
            const auto& chunk = chunks[static_cast<std::size_t>(random.next(static_cast<int>(chunks.size())))];
            synth.setChunk(const_cast<std::uint8_t*>(chunk.data()), static_cast<VstInt32>(chunk.size()), true);
        }
        if (step % 300 == 199) synth.setProgram(random.next(3));
        if (step % 16 == 0) std::this_thread::yield();
    }
    stop = true;
    audio.join();
    interface.join();
    EXPECT_TRUE(finite);
    EXPECT_GT(blocks.load(), 20);
}
