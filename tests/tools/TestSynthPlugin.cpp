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
#include <map>
#include <string>
#include <vector>

#include "vst24.h"

namespace {

constexpr int kNumParams = 4;

struct TempoChange {
    double samplePos, tempo, ppq;
};

struct TestSynth {
    AEffect effect{};
    audioMasterCallback host = nullptr;

    // What the host said, and what happened while rendering: counts by name,
    // every one reported even when it stays 0.
    std::map<std::string, long long> n;
    std::string vendor, product;
    float sampleRate = 0.0f;
    std::vector<std::string> calls;  // life-cycle opcodes in order
    float params[kNumParams] = {};
    std::vector<std::string> paramCalls;
    std::vector<std::uint8_t> chunk;
    VstInt32 chunkIndex = -1;
    bool resumed = false;
    VstInt32 timeSig[2] = {};
    std::vector<TempoChange> tempoChanges;
    double lastSamplePos = 0.0, lastPpq = 0.0;

    // Sound.
    std::vector<VstMidiEvent> pending;
    double phase[128] = {};
    float level[128] = {};

    TestSynth() {
        for (const char* name : {"processWhileSuspended", "blocks", "frames", "maxFrames", "positionMismatches",
                                 "missingTimeInfo", "events", "noteOns", "noteOffs", "controllers", "bends",
                                 "badDeltas", "unordered", "badEventSize", "maxEventsPerCall"})
            n[name] = 0;
        n["timeFlags"] = -1;
    }
    VstIntPtr ask(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr) {
        return host(&effect, opcode, index, value, ptr, 0.0f);
    }
    void writeReport();
    void receive(const VstEvents* list);
    void process(float** outputs, VstInt32 count);
};

TestSynth* self(AEffect* e) { return static_cast<TestSynth*>(e->object); }

void TestSynth::receive(const VstEvents* list) {
    if (list == nullptr) return;
    n["maxEventsPerCall"] = std::max<long long>(n["maxEventsPerCall"], list->numEvents);
    VstInt32 previousDelta = 0;
    for (VstInt32 i = 0; i < list->numEvents; ++i) {  // the pointer array runs past its declared two entries
        const VstEvent* e = list->events[i];
        if (e->type != kVstMidiType || e->byteSize != static_cast<VstInt32>(sizeof(VstMidiEvent))) {
            ++n["badEventSize"];
            continue;
        }
        const auto* m = reinterpret_cast<const VstMidiEvent*>(e);
        ++n["events"];
        n["unordered"] += m->deltaFrames < previousDelta;
        previousDelta = m->deltaFrames;
        const auto status = static_cast<std::uint8_t>(m->midiData[0]) & 0xf0;
        if (status == 0x90 && m->midiData[2] != 0) ++n["noteOns"];
        else if (status == 0x80 || status == 0x90) ++n["noteOffs"];
        else if (status == 0xb0) ++n["controllers"];
        else if (status == 0xe0) ++n["bends"];
        pending.push_back(*m);
    }
}

void TestSynth::process(float** outputs, VstInt32 count) {
    n["processWhileSuspended"] += !resumed;
    ++n["blocks"];
    n["maxFrames"] = std::max<long long>(n["maxFrames"], count);

    const auto* time = reinterpret_cast<const VstTimeInfo*>(
        ask(audioMasterGetTime, 0, kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid));
    if (time == nullptr) {
        ++n["missingTimeInfo"];
    } else {
        if (n["timeFlags"] < 0) {
            n["timeFlags"] = time->flags;
            timeSig[0] = time->timeSigNumerator;
            timeSig[1] = time->timeSigDenominator;
        }
        n["positionMismatches"] += time->samplePos != static_cast<double>(n["frames"]);
        if (tempoChanges.empty() || tempoChanges.back().tempo != time->tempo)
            tempoChanges.push_back({time->samplePos, time->tempo, time->ppqPos});
        lastSamplePos = time->samplePos;
        lastPpq = time->ppqPos;
    }

    const auto play = [&](const VstMidiEvent& e) {
        const auto status = static_cast<std::uint8_t>(e.midiData[0]) & 0xf0;
        const auto key = static_cast<std::uint8_t>(e.midiData[1]) & 0x7f;
        const auto velocity = static_cast<std::uint8_t>(e.midiData[2]) & 0x7f;
        if (status == 0x90 && velocity > 0) {
            level[key] = 0.2f * static_cast<float>(velocity) / 127.0f;
            phase[key] = 0.0;
        } else if (status == 0x80 || status == 0x90) {
            level[key] = 0.0f;
        }
    };
    std::size_t next = 0;
    const double rate = sampleRate > 0.0f ? sampleRate : 44100.0;
    for (VstInt32 i = 0; i < count; ++i) {
        for (; next < pending.size() && pending[next].deltaFrames <= i; ++next) play(pending[next]);
        double sum = 0.0;
        for (int key = 0; key < 128; ++key) {
            if (level[key] == 0.0f) continue;
            phase[key] += 440.0 * std::pow(2.0, (key - 69) / 12.0) / rate;
            phase[key] -= std::floor(phase[key]);
            sum += level[key] * std::sin(2.0 * M_PI * phase[key]);
        }
        outputs[0][i] = outputs[1][i] = static_cast<float>(sum * (1.0 + 9.0 * params[3]));
    }
    // Whatever is left was placed after the end of the block.
    for (; next < pending.size(); ++next) {
        ++n["badDeltas"];
        play(pending[next]);
    }
    for (const VstMidiEvent& e : pending) n["badDeltas"] += e.deltaFrames < 0;
    pending.clear();
    n["frames"] += count;
}

void TestSynth::writeReport() {
    const char* path = std::getenv("CALVERINE_TEST_SYNTH_REPORT");
    std::FILE* f = path != nullptr && *path != '\0' ? std::fopen(path, "w") : nullptr;
    if (f == nullptr) return;
    std::fprintf(f, "vendor %s\nproduct %s\nsampleRate %.3f\ncalls", vendor.c_str(), product.c_str(),
                 static_cast<double>(sampleRate));
    for (const std::string& c : calls) std::fprintf(f, " %s", c.c_str());
    std::fprintf(f, "\n");
    for (const std::string& p : paramCalls) std::fprintf(f, "param %s\n", p.c_str());
    if (!chunk.empty()) {
        std::fprintf(f, "chunk %d %zu ", static_cast<int>(chunkIndex), chunk.size());
        for (std::uint8_t b : chunk) std::fprintf(f, "%02x", b);
        std::fprintf(f, "\n");
    }
    std::fprintf(f, "timeSig %d %d\n", static_cast<int>(timeSig[0]), static_cast<int>(timeSig[1]));
    for (const TempoChange& t : tempoChanges) std::fprintf(f, "tempo %.0f %.6f %.6f\n", t.samplePos, t.tempo, t.ppq);
    std::fprintf(f, "lastPosition %.0f %.6f\n", lastSamplePos, lastPpq);
    for (const auto& [name, value] : n) std::fprintf(f, "%s %lld\n", name.c_str(), value);
    std::fclose(f);
}

VstIntPtr VSTCALLBACK dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    TestSynth* s = self(e);
    static const std::map<VstInt32, const char*> kLifeCycle = {
        {effOpen, "open"}, {effClose, "close"}, {effSetSampleRate, "rate"}, {effSetBlockSize, "block"},
        {effStartProcess, "start"}, {effStopProcess, "stop"}, {effSetChunk, "chunk"}};
    if (const auto it = kLifeCycle.find(opcode); it != kLifeCycle.end()) s->calls.emplace_back(it->second);
    switch (opcode) {
        case effClose:
            s->writeReport();
            delete s;
            return 0;
        case effSetSampleRate:
            s->sampleRate = opt;
            return 0;
        case effSetBlockSize:
            s->n["blockSize"] = value;
            return 0;
        case effMainsChanged:
            s->calls.emplace_back(value != 0 ? "resume" : "suspend");
            s->resumed = value != 0;
            if (s->resumed) s->n["wantMidi"] = s->ask(audioMasterWantMidi, 0, 1);
            return 0;
        case effSetChunk:
            s->chunkIndex = index;
            if (ptr != nullptr && value > 0)
                s->chunk.assign(static_cast<std::uint8_t*>(ptr), static_cast<std::uint8_t*>(ptr) + value);
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
    if (index >= 0 && index < kNumParams) s->params[index] = value;
    char text[64];
    std::snprintf(text, sizeof text, "%d %.6f", static_cast<int>(index), static_cast<double>(value));
    s->paramCalls.emplace_back(text);
}

float VSTCALLBACK getParameter(AEffect* e, VstInt32 index) {
    return index >= 0 && index < kNumParams ? self(e)->params[index] : 0.0f;
}

AEffect* createEffect(audioMasterCallback host) {
    const std::string mode = std::getenv("CALVERINE_TEST_SYNTH_MODE") ? std::getenv("CALVERINE_TEST_SYNTH_MODE") : "";
    if (mode == "null") return nullptr;
    if (mode == "badmagic") {
        static AEffect impostor{};
        impostor.magic = vstFourCC('N', 'o', 'p', 'e');
        return &impostor;
    }

    // Like a real plug-in, ask the host before the descriptor is handed out.
    const VstIntPtr version = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);

    auto* s = new TestSynth;
    s->host = host;
    s->n["hostVersion"] = version;
    AEffect& fx = s->effect;
    fx.magic = kEffectMagic;
    fx.dispatcher = &dispatcher;
    fx.setParameter = &setParameter;
    fx.getParameter = &getParameter;
    fx.processReplacing = &processReplacing;
    fx.numPrograms = 1;
    fx.numParams = kNumParams;
    fx.numOutputs = 2;
    fx.flags = effFlagsCanReplacing | effFlagsIsSynth | effFlagsProgramChunks;
    fx.object = s;
    fx.uniqueID = vstFourCC('T', 's', 'y', 'n');
    fx.version = 1;

    char text[kVstMaxVendorStrLen] = {}, product[kVstMaxProductStrLen] = {};
    if (s->ask(audioMasterGetVendorString, 0, 0, text) == 1) s->vendor = text;
    if (s->ask(audioMasterGetProductString, 0, 0, product) == 1) s->product = product;
    char timeInfo[] = "sendVstTimeInfo", nonsense[] = "makeCoffee";
    s->n["canDoTimeInfo"] = s->ask(audioMasterCanDo, 0, 0, timeInfo);
    s->n["canDoNonsense"] = s->ask(audioMasterCanDo, 0, 0, nonsense);
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
