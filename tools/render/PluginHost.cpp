#include "PluginHost.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

namespace calverine::render {

namespace {

using EntryPoint = AEffect* (*)(audioMasterCallback);

constexpr VstInt32 kMaxChannels = 64;

// The plug-in does not tell the callback which host it belongs to until its
// descriptor exists, and even then only by the descriptor's address. Live
// hosts are listed here so the callback can find its host from that address;
// while an entry point runs, `tLoadingHost` stands in.
std::vector<PluginHost*>& liveHosts() {
    static std::vector<PluginHost*> hosts;
    return hosts;
}
thread_local PluginHost* tLoadingHost = nullptr;

const char* const kHostCanDo[] = {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo"};

void copyString(void* destination, const std::string& text, std::size_t capacity) {
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(destination, text.data(), n);
    static_cast<char*>(destination)[n] = '\0';
}

}  // namespace

PluginHost::PluginHost(Settings settings) : settings_(std::move(settings)) {
    liveHosts().push_back(this);
    updateTimeInfo(0);
}

PluginHost::~PluginHost() {
    shutdown();
    auto& hosts = liveHosts();
    hosts.erase(std::remove(hosts.begin(), hosts.end(), this), hosts.end());
}

VstIntPtr VSTCALLBACK PluginHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                           float opt) {
    PluginHost* host = nullptr;
    if (effect != nullptr) {
        for (PluginHost* h : liveHosts()) {
            if (h->effect_ == effect) {
                host = h;
                break;
            }
        }
    }
    if (host == nullptr) {
        host = tLoadingHost;
    }
    if (host == nullptr && liveHosts().size() == 1) {
        // A null or unknown effect pointer outside an entry point: with a
        // single host there is no doubt whom the plug-in means.
        host = liveHosts().front();
    }
    if (host == nullptr) {
        // A call we cannot attribute: only the questions with fixed answers.
        return opcode == audioMasterVersion ? kVstVersion : 0;
    }
    return host->answer(opcode, index, value, ptr, opt);
}

VstIntPtr PluginHost::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float) {
    switch (opcode) {
        case audioMasterVersion:
            return kVstVersion;
        case audioMasterWantMidi:
            return 1;
        case audioMasterGetTime:
            return reinterpret_cast<VstIntPtr>(&timeInfo_);
        case audioMasterGetSampleRate:
            return settings_.sampleRate;
        case audioMasterGetBlockSize:
            return settings_.blockSize;
        case audioMasterGetVendorString:
            if (ptr == nullptr) {
                return 0;
            }
            copyString(ptr, settings_.vendor, kVstMaxVendorStrLen);
            return 1;
        case audioMasterGetProductString:
            if (ptr == nullptr) {
                return 0;
            }
            copyString(ptr, kProduct, kVstMaxProductStrLen);
            return 1;
        case audioMasterGetVendorVersion:
            return 1;
        case audioMasterCanDo:
            if (ptr != nullptr) {
                for (const char* feature : kHostCanDo) {
                    if (std::strcmp(static_cast<const char*>(ptr), feature) == 0) {
                        return 1;
                    }
                }
                if (settings_.sizeWindow && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0) {
                    return 1;
                }
            }
            return 0;
        case audioMasterSizeWindow:
            return settings_.sizeWindow && settings_.sizeWindow(index, int(value)) ? 1 : 0;
        case audioMasterAutomate:
        case audioMasterBeginEdit:
        case audioMasterEndEdit:
        case audioMasterUpdateDisplay:
            return 1;
        case audioMasterIOChanged:  // the channel layout is fixed once the render starts
        default:
            return 0;
    }
}

bool PluginHost::load(const std::string& path, std::string& error) {
    shutdown();

    // A plug-in named on the command line is a file, never searched for.
    std::string reason;
    if (!library_.open(path, reason)) {
        error = "cannot load plug-in '" + path + "': " + reason;
        return false;
    }

    auto entry = reinterpret_cast<EntryPoint>(library_.symbol("VSTPluginMain"));
    if (entry == nullptr) {
        entry = reinterpret_cast<EntryPoint>(library_.symbol("main"));
    }
    if (entry == nullptr) {
        error = "'" + path + "' is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
        unload();
        return false;
    }

    tLoadingHost = this;
    AEffect* effect = entry(&PluginHost::callback);
    tLoadingHost = nullptr;

    if (effect == nullptr) {
        error = "plug-in '" + path + "' did not start: its entry point returned no effect";
        unload();
        return false;
    }
    if (effect->magic != kEffectMagic) {
        // The descriptor cannot be trusted, so its dispatcher is not called.
        error = "'" + path + "' is not a VST 2.4 plug-in: its descriptor has the wrong magic number";
        unload();
        return false;
    }
    if (effect->dispatcher == nullptr) {
        error = "plug-in '" + path + "' has no dispatcher";
        unload();
        return false;
    }
    effect_ = effect;

    std::string problem;
    if (effect->processReplacing == nullptr) {
        problem = "has no processReplacing";
    } else if (effect->numOutputs < 1 || effect->numOutputs > kMaxChannels) {
        problem = "declares " + std::to_string(effect->numOutputs) + " outputs";
    } else if (effect->numInputs < 0 || effect->numInputs > kMaxChannels) {
        problem = "declares " + std::to_string(effect->numInputs) + " inputs";
    } else if (effect->numParams < 0) {
        problem = "declares a negative parameter count";
    }
    if (!problem.empty()) {
        error = "plug-in '" + path + "' " + problem;
        shutdown();
        return false;
    }
    return true;
}

VstIntPtr PluginHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

void PluginHost::open(int maxEventsPerBlock) {
    if (effect_ == nullptr || opened_) {
        return;
    }
    dispatch(effOpen);
    opened_ = true;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(settings_.sampleRate));
    dispatch(effSetBlockSize, 0, settings_.blockSize);

    const auto block = static_cast<std::size_t>(settings_.blockSize);
    const auto numInputs = static_cast<std::size_t>(effect_->numInputs);
    const auto numOutputs = static_cast<std::size_t>(effect_->numOutputs);
    audio_.assign((numInputs + numOutputs) * block, 0.0f);
    inputs_.clear();
    outputs_.clear();
    for (std::size_t i = 0; i < numInputs; ++i) {
        inputs_.push_back(audio_.data() + i * block);
    }
    for (std::size_t i = 0; i < numOutputs; ++i) {
        outputs_.push_back(audio_.data() + (numInputs + i) * block);
    }

    // VstEvents is declared with two pointer slots and is sent with as many
    // as the block needs, laid out inline after its header.
    eventCapacity_ = std::max(maxEventsPerBlock, 1);
    const std::size_t listBytes = std::max(
        sizeof(VstEvents), offsetof(VstEvents, events) + static_cast<std::size_t>(eventCapacity_) * sizeof(VstEvent*));
    eventListStorage_ = std::make_unique<std::byte[]>(listBytes);
    eventList_ = new (eventListStorage_.get()) VstEvents{};
    eventSlots_ = reinterpret_cast<VstEvent**>(eventListStorage_.get() + offsetof(VstEvents, events));
    midiEvents_.assign(static_cast<std::size_t>(eventCapacity_), VstMidiEvent{});
}

void PluginHost::setProgramChunk(const std::vector<std::uint8_t>& chunk) {
    if (effect_ == nullptr || chunk.empty()) {
        return;
    }
    // The plug-in reads the chunk during the call and keeps its own copy.
    dispatch(effSetChunk, 1, static_cast<VstIntPtr>(chunk.size()),
             const_cast<void*>(static_cast<const void*>(chunk.data())));
}

void PluginHost::resume() {
    if (effect_ == nullptr || !opened_ || resumed_) {
        return;
    }
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    resumed_ = true;
}

void PluginHost::setParameter(int index, float value) {
    if (effect_ != nullptr && effect_->setParameter != nullptr) {
        effect_->setParameter(effect_, index, value);
    }
}

void PluginHost::updateTimeInfo(std::int64_t samplePos) {
    const double seconds = static_cast<double>(samplePos) / settings_.sampleRate;
    timeInfo_ = VstTimeInfo{};
    timeInfo_.samplePos = static_cast<double>(samplePos);
    timeInfo_.sampleRate = settings_.sampleRate;
    timeInfo_.tempo = tempoMap_.tempoAt(seconds);
    timeInfo_.ppqPos = tempoMap_.quarterNotesAt(seconds);
    timeInfo_.barStartPos = 4.0 * std::floor(timeInfo_.ppqPos / 4.0);
    timeInfo_.timeSigNumerator = 4;
    timeInfo_.timeSigDenominator = 4;
    timeInfo_.flags = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying | kVstTimeSigValid;
}

void PluginHost::processBlock(std::int64_t blockStart, int frames, std::span<const FrameMidi> events) {
    if (effect_ == nullptr || !opened_ || frames <= 0) {
        return;
    }
    frames = std::min(frames, settings_.blockSize);
    updateTimeInfo(blockStart);

    const auto count = static_cast<int>(std::min(events.size(), static_cast<std::size_t>(eventCapacity_)));
    if (count > 0) {
        for (int i = 0; i < count; ++i) {
            const FrameMidi& in = events[static_cast<std::size_t>(i)];
            VstMidiEvent& out = midiEvents_[static_cast<std::size_t>(i)];
            out = VstMidiEvent{};
            out.type = kVstMidiType;
            out.byteSize = sizeof(VstMidiEvent);
            out.deltaFrames = static_cast<VstInt32>(std::clamp<std::int64_t>(in.frame - blockStart, 0, frames - 1));
            for (std::size_t b = 0; b < in.size && b < 3; ++b) {
                out.midiData[b] = static_cast<char>(in.bytes[b]);
            }
            if ((in.bytes[0] & 0xf0) == 0x80) {
                out.noteOffVelocity = static_cast<char>(in.bytes[2]);
            }
            eventSlots_[i] = reinterpret_cast<VstEvent*>(&out);
        }
        eventList_->numEvents = count;
        dispatch(effProcessEvents, 0, 0, eventList_);
    }

    std::fill(audio_.begin(), audio_.end(), 0.0f);
    effect_->processReplacing(effect_, inputs_.data(), outputs_.data(), frames);
}

void PluginHost::shutdown() {
    if (effect_ != nullptr) {
        if (resumed_) {
            dispatch(effStopProcess);
            dispatch(effMainsChanged, 0, 0);
        }
        // effClose is the plug-in's destructor: every descriptor we accepted
        // gets it, opened or not.
        dispatch(effClose);
    }
    resumed_ = false;
    opened_ = false;
    effect_ = nullptr;
    unload();
}

void PluginHost::unload() {
    effect_ = nullptr;
    library_.close();
}

}  // namespace calverine::render
