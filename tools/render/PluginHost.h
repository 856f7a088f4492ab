// Loads one VST 2.4 instrument from a shared object and drives it the way a
// host does: entry point, open, sample rate and block size, resume, then
// processEvents + processReplacing per block, and suspend, close and unload
// at the end. Also answers the plug-in's calls back into the host.
//
// Everything is called from one thread. All allocation happens in load()
// and open(); processBlock() allocates nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "MidiSchedule.h"
#include "SharedLibrary.h"
#include "TempoMap.h"
#include "vst24.h"

namespace calverine::render {

class PluginHost {
public:
    static constexpr const char* kDefaultVendor = "Calverine Render";
    static constexpr const char* kProduct = "calverine-render";

    struct Settings {
        int sampleRate = 44100;
        int blockSize = 512;
        std::string vendor = kDefaultVendor;
        // A host with a window for the editor resizes it here (the editor's
        // audioMasterSizeWindow); without one the request is refused.
        std::function<bool(int width, int height)> sizeWindow;
    };

    explicit PluginHost(Settings settings);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // Loads the file as a shared library (dlopen, LoadLibraryW on Windows),
    // calls its entry point (VSTPluginMain, else main) and checks the
    // descriptor. On failure returns false with a
    // one-sentence `error`; nothing stays loaded.
    bool load(const std::string& path, std::string& error);

    // effOpen, effSetSampleRate, effSetBlockSize; allocates the audio buffers
    // and an event list with room for `maxEventsPerBlock` events.
    void open(int maxEventsPerBlock);

    // Hands a program chunk to the plug-in (effSetChunk, index 1 = program).
    void setProgramChunk(const std::vector<std::uint8_t>& chunk);

    // effMainsChanged(1) and effStartProcess.
    void resume();

    void setParameter(int index, float value);
    // A vendor-specific request (effVendorSpecific); the plug-in's answer.
    VstIntPtr vendorRequest(VstInt32 request, VstIntPtr value, void* ptr) {
        return dispatch(effVendorSpecific, request, value, ptr);
    }

    // The tempo and position reported through audioMasterGetTime.
    void setTempoMap(const TempoMap& map) { tempoMap_ = map; }

    // Renders `frames` (at most the block size) frames starting at sample
    // position `blockStart`. `events` must all lie in this block, in time
    // order, and be no more than maxEventsPerBlock.
    void processBlock(std::int64_t blockStart, int frames, std::span<const FrameMidi> events);

    // The last block's output: two channels (a mono plug-in's only output
    // appears on both).
    const float* left() const { return outputs_.empty() ? nullptr : outputs_[0]; }
    const float* right() const { return outputs_.size() < 2 ? left() : outputs_[1]; }

    // effStopProcess and effMainsChanged(0) if resumed, effClose, then
    // dlclose. Safe to call more than once; the destructor calls it.
    void shutdown();

    AEffect* effect() const { return effect_; }
    int numParams() const { return effect_ != nullptr ? effect_->numParams : 0; }
    const VstTimeInfo& timeInfo() const { return timeInfo_; }
    const Settings& settings() const { return settings_; }

    // The callback every plug-in loaded by this class talks to. May be called
    // with a null effect (before the plug-in's descriptor exists).
    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                          float opt);

private:
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    void updateTimeInfo(std::int64_t samplePos);
    void unload();

    Settings settings_;
    platform::SharedLibrary library_;
    AEffect* effect_ = nullptr;
    bool opened_ = false;
    bool resumed_ = false;

    TempoMap tempoMap_;
    VstTimeInfo timeInfo_{};

    std::vector<float> audio_;     // all input and output channels, one block each
    std::vector<float*> inputs_;   // the plug-in's inputs, kept silent
    std::vector<float*> outputs_;  // the plug-in's outputs
    std::vector<VstMidiEvent> midiEvents_;
    std::unique_ptr<std::byte[]> eventListStorage_;
    VstEvents* eventList_ = nullptr;
    VstEvent** eventSlots_ = nullptr;  // the inline pointer array of eventList_
    int eventCapacity_ = 0;
};

}  // namespace calverine::render
