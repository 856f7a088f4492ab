// A minimal VST 2.4 instrument for testing calverine-render, written directly
// against vst24.h. It plays a sine at the note's frequency for every held
// note (the same signal on both outputs, amplitude 0.2 * velocity / 127, the
// first sample after a note-on already nonzero) and remembers what the host
// told it. Parameter 3 is an output gain of 1 + 9 x its value (1 at the
// default 0), so a render can be made as loud as a test needs.
//
// Report: when the environment variable CALVERINE_TEST_SYNTH_REPORT names a
// file, the plug-in writes it at effClose, one fact per line, the first word
// naming the fact (see writeReport()).
//
// CALVERINE_TEST_SYNTH_MODE=null makes the entry point return no effect;
// CALVERINE_TEST_SYNTH_MODE=badmagic makes it return a descriptor with a
// wrong magic number. Built with TEST_SYNTH_LEGACY_ENTRY, the entry point is
// exported as "main" instead of "VSTPluginMain".
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "vst24.h"

namespace {

constexpr int kNumParams = 4;
constexpr int kMaxPending = 1024;
constexpr double kTwoPi = 6.283185307179586;

struct TempoChange {
    double samplePos;
    double tempo;
    double ppq;
};

struct TestSynth {
    AEffect effect{};
    audioMasterCallback host = nullptr;

    // What the host said.
    VstIntPtr hostVersion = 0;
    std::string vendor;
    std::string product;
    VstIntPtr canDoTimeInfo = -1;
    VstIntPtr canDoNonsense = -1;
    VstIntPtr wantMidi = -1;
    float sampleRate = 0.0f;
    VstIntPtr blockSize = 0;
    std::vector<std::string> calls;  // life-cycle opcodes in order
    float params[kNumParams] = {};
    std::vector<std::string> paramCalls;
    std::vector<std::uint8_t> chunk;
    VstInt32 chunkIndex = -1;

    // What happened while rendering.
    bool resumed = false;
    int processWhileSuspended = 0;
    std::int64_t blocks = 0;
    std::int64_t frames = 0;
    int maxFrames = 0;
    int positionMismatches = 0;  // time info samplePos differing from frames counted so far
    int missingTimeInfo = 0;
    VstInt32 firstTimeFlags = -1;
    VstInt32 timeSigNumerator = 0;
    VstInt32 timeSigDenominator = 0;
    std::vector<TempoChange> tempoChanges;
    double lastSamplePos = 0.0;
    double lastPpq = 0.0;
    int events = 0, noteOns = 0, noteOffs = 0, controllers = 0, bends = 0;
    int badDeltas = 0;     // outside the block
    int unordered = 0;     // earlier than the event before it
    int badEventSize = 0;  // wrong type or byteSize
    int maxEventsPerCall = 0;

    // Sound.
    VstMidiEvent pending[kMaxPending] = {};
    int pendingCount = 0;
    double phase[128] = {};
    float level[128] = {};
    int active[128] = {};  // keys with level > 0
    int activeCount = 0;

    VstIntPtr ask(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr) {
        return host(&effect, opcode, index, value, ptr, 0.0f);
    }
    void writeReport() const;
    void receive(const VstEvents* list);
    void play(const VstMidiEvent& e);
    void process(float** outputs, VstInt32 count);
};

TestSynth* self(AEffect* e) {
    return static_cast<TestSynth*>(e->object);
}

void TestSynth::receive(const VstEvents* list) {
    if (list == nullptr) {
        return;
    }
    maxEventsPerCall = std::max(maxEventsPerCall, static_cast<int>(list->numEvents));
    // The pointer array runs past its declared two entries.
    VstEvent* const* slots = list->events;
    VstInt32 previousDelta = 0;
    for (VstInt32 i = 0; i < list->numEvents; ++i) {
        const VstEvent* e = slots[i];
        if (e->type != kVstMidiType || e->byteSize != static_cast<VstInt32>(sizeof(VstMidiEvent))) {
            ++badEventSize;
            continue;
        }
        const auto* m = reinterpret_cast<const VstMidiEvent*>(e);
        ++events;
        if (m->deltaFrames < previousDelta) {
            ++unordered;
        }
        previousDelta = m->deltaFrames;
        const auto status = static_cast<std::uint8_t>(m->midiData[0]) & 0xf0;
        const auto velocity = static_cast<std::uint8_t>(m->midiData[2]);
        if (status == 0x90 && velocity > 0) {
            ++noteOns;
        } else if (status == 0x80 || status == 0x90) {
            ++noteOffs;
        } else if (status == 0xb0) {
            ++controllers;
        } else if (status == 0xe0) {
            ++bends;
        }
        if (pendingCount < kMaxPending) {
            pending[pendingCount++] = *m;
        }
    }
}

void TestSynth::play(const VstMidiEvent& e) {
    const auto status = static_cast<std::uint8_t>(e.midiData[0]) & 0xf0;
    const auto key = static_cast<std::uint8_t>(e.midiData[1]) & 0x7f;
    const auto velocity = static_cast<std::uint8_t>(e.midiData[2]) & 0x7f;
    if (status == 0x90 && velocity > 0) {
        if (level[key] == 0.0f) {
            active[activeCount++] = key;
        }
        level[key] = 0.2f * static_cast<float>(velocity) / 127.0f;
        phase[key] = 0.0;
    } else if ((status == 0x80 || status == 0x90) && level[key] > 0.0f) {
        level[key] = 0.0f;
        activeCount = static_cast<int>(std::remove(active, active + activeCount, key) - active);
    }
}

void TestSynth::process(float** outputs, VstInt32 count) {
    if (!resumed) {
        ++processWhileSuspended;
    }
    ++blocks;
    maxFrames = std::max(maxFrames, static_cast<int>(count));

    const auto* time = reinterpret_cast<const VstTimeInfo*>(
        ask(audioMasterGetTime, 0, kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid));
    if (time == nullptr) {
        ++missingTimeInfo;
    } else {
        if (firstTimeFlags < 0) {
            firstTimeFlags = time->flags;
            timeSigNumerator = time->timeSigNumerator;
            timeSigDenominator = time->timeSigDenominator;
        }
        if (time->samplePos != static_cast<double>(frames)) {
            ++positionMismatches;
        }
        if (tempoChanges.empty() || tempoChanges.back().tempo != time->tempo) {
            tempoChanges.push_back({time->samplePos, time->tempo, time->ppqPos});
        }
        lastSamplePos = time->samplePos;
        lastPpq = time->ppqPos;
    }

    float* left = outputs[0];
    float* right = outputs[1];
    int next = 0;
    const double rate = sampleRate > 0.0f ? sampleRate : 44100.0;
    for (VstInt32 i = 0; i < count; ++i) {
        while (next < pendingCount && pending[next].deltaFrames <= i) {
            play(pending[next++]);
        }
        double sum = 0.0;
        for (int n = 0; n < activeCount; ++n) {
            const int key = active[n];
            const double frequency = 440.0 * std::pow(2.0, (key - 69) / 12.0);
            phase[key] += frequency / rate;
            phase[key] -= std::floor(phase[key]);
            sum += level[key] * std::sin(kTwoPi * phase[key]);
        }
        sum *= 1.0 + 9.0 * params[3];
        left[i] = static_cast<float>(sum);
        right[i] = static_cast<float>(sum);
    }
    // Whatever is left was placed after the end of the block.
    for (; next < pendingCount; ++next) {
        ++badDeltas;
        play(pending[next]);
    }
    for (int i = 0; i < pendingCount; ++i) {
        if (pending[i].deltaFrames < 0) {
            ++badDeltas;
        }
    }
    pendingCount = 0;
    frames += count;
}

void TestSynth::writeReport() const {
    const char* path = std::getenv("CALVERINE_TEST_SYNTH_REPORT");
    if (path == nullptr || *path == '\0') {
        return;
    }
    std::FILE* f = std::fopen(path, "w");
    if (f == nullptr) {
        return;
    }
    std::fprintf(f, "vendor %s\n", vendor.c_str());
    std::fprintf(f, "product %s\n", product.c_str());
    std::fprintf(f, "sampleRate %.3f\n", static_cast<double>(sampleRate));
    std::fprintf(f, "calls");
    for (const std::string& c : calls) {
        std::fprintf(f, " %s", c.c_str());
    }
    std::fprintf(f, "\n");
    for (const std::string& p : paramCalls) {
        std::fprintf(f, "param %s\n", p.c_str());
    }
    if (!chunk.empty()) {
        std::fprintf(f, "chunk %d %zu ", static_cast<int>(chunkIndex), chunk.size());
        for (std::uint8_t b : chunk) {
            std::fprintf(f, "%02x", b);
        }
        std::fprintf(f, "\n");
    }
    std::fprintf(f, "timeSig %d %d\n", static_cast<int>(timeSigNumerator), static_cast<int>(timeSigDenominator));
    for (const TempoChange& t : tempoChanges) {
        std::fprintf(f, "tempo %.0f %.6f %.6f\n", t.samplePos, t.tempo, t.ppq);
    }
    std::fprintf(f, "lastPosition %.0f %.6f\n", lastSamplePos, lastPpq);
    const std::pair<const char*, long long> numbers[] = {
        {"hostVersion", hostVersion},   {"canDoTimeInfo", canDoTimeInfo},
        {"canDoNonsense", canDoNonsense}, {"wantMidi", wantMidi},
        {"blockSize", blockSize},       {"processWhileSuspended", processWhileSuspended},
        {"blocks", blocks},             {"frames", frames},
        {"maxFrames", maxFrames},       {"positionMismatches", positionMismatches},
        {"missingTimeInfo", missingTimeInfo}, {"timeFlags", firstTimeFlags},
        {"events", events},             {"noteOns", noteOns},
        {"noteOffs", noteOffs},         {"controllers", controllers},
        {"bends", bends},               {"badDeltas", badDeltas},
        {"unordered", unordered},       {"badEventSize", badEventSize},
        {"maxEventsPerCall", maxEventsPerCall}};
    for (const auto& [name, value] : numbers) {
        std::fprintf(f, "%s %lld\n", name, value);
    }
    std::fclose(f);
}

VstIntPtr VSTCALLBACK dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    TestSynth* s = self(e);
    switch (opcode) {
        case effOpen:
            s->calls.emplace_back("open");
            return 0;
        case effClose:
            s->calls.emplace_back("close");
            s->writeReport();
            delete s;
            return 0;
        case effSetSampleRate:
            s->calls.emplace_back("rate");
            s->sampleRate = opt;
            return 0;
        case effSetBlockSize:
            s->calls.emplace_back("block");
            s->blockSize = value;
            return 0;
        case effMainsChanged:
            s->calls.emplace_back(value != 0 ? "resume" : "suspend");
            s->resumed = value != 0;
            if (s->resumed) {
                s->wantMidi = s->ask(audioMasterWantMidi, 0, 1);
            }
            return 0;
        case effStartProcess:
            s->calls.emplace_back("start");
            return 0;
        case effStopProcess:
            s->calls.emplace_back("stop");
            return 0;
        case effSetChunk:
            s->calls.emplace_back("chunk");
            s->chunkIndex = index;
            if (ptr != nullptr && value > 0) {
                const auto* bytes = static_cast<const std::uint8_t*>(ptr);
                s->chunk.assign(bytes, bytes + value);
            }
            return 1;
        case effProcessEvents:
            s->receive(static_cast<const VstEvents*>(ptr));
            return 1;
        case effGetPlugCategory:
            return kPlugCategSynth;
        case effCanDo:
            return ptr != nullptr && std::strcmp(static_cast<const char*>(ptr), "receiveVstMidiEvent") == 0 ? 1 : 0;
        default:
            return 0;
    }
}

void VSTCALLBACK processReplacing(AEffect* e, float**, float** outputs, VstInt32 count) {
    self(e)->process(outputs, count);
}

void VSTCALLBACK setParameter(AEffect* e, VstInt32 index, float value) {
    TestSynth* s = self(e);
    if (index >= 0 && index < kNumParams) {
        s->params[index] = value;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%d %.6f", static_cast<int>(index), static_cast<double>(value));
    s->paramCalls.emplace_back(text);
}

float VSTCALLBACK getParameter(AEffect* e, VstInt32 index) {
    return index >= 0 && index < kNumParams ? self(e)->params[index] : 0.0f;
}

AEffect* createEffect(audioMasterCallback host) {
    const char* mode = std::getenv("CALVERINE_TEST_SYNTH_MODE");
    if (mode != nullptr && std::strcmp(mode, "null") == 0) {
        return nullptr;
    }
    if (mode != nullptr && std::strcmp(mode, "badmagic") == 0) {
        static AEffect impostor{};
        impostor.magic = vstFourCC('N', 'o', 'p', 'e');
        return &impostor;
    }

    // Like a real plug-in, ask the host before the descriptor is handed out.
    const VstIntPtr version = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);

    auto* s = new TestSynth;
    s->host = host;
    s->hostVersion = version;
    AEffect& fx = s->effect;
    fx.magic = kEffectMagic;
    fx.dispatcher = &dispatcher;
    fx.setParameter = &setParameter;
    fx.getParameter = &getParameter;
    fx.processReplacing = &processReplacing;
    fx.numPrograms = 1;
    fx.numParams = kNumParams;
    fx.numInputs = 0;
    fx.numOutputs = 2;
    fx.flags = effFlagsCanReplacing | effFlagsIsSynth | effFlagsProgramChunks;
    fx.object = s;
    fx.uniqueID = vstFourCC('T', 's', 'y', 'n');
    fx.version = 1;

    char text[kVstMaxVendorStrLen] = {};
    if (s->ask(audioMasterGetVendorString, 0, 0, text) == 1) {
        s->vendor = text;
    }
    char product[kVstMaxProductStrLen] = {};
    if (s->ask(audioMasterGetProductString, 0, 0, product) == 1) {
        s->product = product;
    }
    char timeInfo[] = "sendVstTimeInfo";
    char nonsense[] = "makeCoffee";
    s->canDoTimeInfo = s->ask(audioMasterCanDo, 0, 0, timeInfo);
    s->canDoNonsense = s->ask(audioMasterCanDo, 0, 0, nonsense);
    return &fx;
}

}  // namespace

#ifdef TEST_SYNTH_LEGACY_ENTRY
extern "C" __attribute__((visibility("default"))) AEffect* legacyEntry(audioMasterCallback host) __asm__("main");
extern "C" __attribute__((visibility("default"))) AEffect* legacyEntry(audioMasterCallback host) {
    return createEffect(host);
}
#else
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
    return createEffect(host);
}
#endif
