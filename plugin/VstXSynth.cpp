#include "VstXSynth.h"
#include "VendorRequests.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Files.h"
#include "Folders.h"
#include "PartClipboard.h"
#include "PatchChunk.h"
#include "PatchFiles.h"
#include "Time.h"

namespace calverine {

namespace {

constexpr VstInt32 kFamilyNi = ('N' << 8) | 'i';
constexpr VstInt32 kFamilyNI = ('N' << 8) | 'I';
constexpr VstInt32 kFamilyni = ('n' << 8) | 'i';

// The result record of the instrument-integration requests.
struct IntegrationRecord {
    std::int32_t count;
    std::uint8_t flag;
};

void copyString(char* to, const char* from, std::size_t size) {
    const std::size_t n = strnlen(from, size - 1);
    std::memmove(to, from, n);
    to[n] = 0;
}

}  // namespace

VstXSynth::VstXSynth(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, kNumPrograms, kNumParams) {
    PartClipboard::attach(kControlIds);
    params_ = std::make_unique<PluginParameters>(1);
    settings_.read(params_->locks());
    navigation_.rescan();
    controllerMap_ = std::make_unique<ControllerMap>(kControlIds);
    readControllerMap();

    engine_ = std::make_unique<AudioEngine>();
    midi_ = std::make_unique<MidiInput>(*engine_, *controllerMap_, *params_, lanes_, navigation_,
                                        static_cast<MidiInput::Owner&>(*this));
    setSampleRate(44100.0f);

    setNumInputs(0);
    setNumOutputs(2);
    canProcessReplacing();
    programsAreChunks();
    isSynth();
    setUniqueID(kUniqueId);
    setVersion(1);

    skipNextSuspend_ = 1;
    suspend();

    detectHost();

    // The first program: the showcase lead if the library holds it (directly
    // in the Showcase bank, or in its Leads category where the factory
    // install puts it), else the first patch of bank 0, else the library's
    // first patch. Paths are joined with the system's separator, as the
    // library's listing joins them.
    const std::string showcase = platform::joinPath(platform::dataFolder() + "Soundbanks", "Showcase");
    navigation_.loadFirstProgram({platform::joinPath(showcase, "LD Cyborg T800 QV.fxp"),
                                  platform::joinPath(platform::joinPath(showcase, "Leads"), "LD Cyborg T800 QV.fxp")});
}

VstXSynth::~VstXSynth() {
    if (ownedEditor_) {
        ownedEditor_->close();
        setEditor(nullptr);
        ownedEditor_.reset();
    }
    if (controllerMap_ && controllerMap_->changed()) settings_.storeControllerMap(controllerMap_->map());
    PartClipboard::detach();
}

void VstXSynth::adoptEditor(std::unique_ptr<AEffEditor> editor) {
    ownedEditor_ = std::move(editor);
    setEditor(ownedEditor_.get());
}

void VstXSynth::detectHost() {
    char vendor[kVstMaxVendorStrLen] = {};
    getHostVendorString(vendor);
    ownHostMode_ = std::strcmp(vendor, "Brindle Audio") == 0;
    magixHost_ = std::strcmp(vendor, "MAGIX") == 0;
    singleProgramMode_ = !ownHostMode_;
    engine_->ownHostMode = ownHostMode_;
}

// ---- life cycle --------------------------------------------------------------

void VstXSynth::suspend() {
    if (skipNextSuspend_) {
        skipNextSuspend_ = 0;
        return;
    }
    if (ownHostMode_) return;
    fullReset();
}

void VstXSynth::resume() { wantEvents(); }

void VstXSynth::setSampleRate(float sampleRate) {
    // A rate that is no number at all is taken as the default rate; clamping
    // would pass NaN through to the engine.
    const float clamped = std::isfinite(sampleRate) ? std::clamp(sampleRate, 44100.0f, 192000.0f) : 44100.0f;
    AudioEffectX::setSampleRate(clamped);
    engine_->configureSampleRate(static_cast<double>(clamped));
    resendStoredValues();
}

void VstXSynth::setBlockSize(VstInt32 blockSize) {
    AudioEffectX::setBlockSize(blockSize);
    lanes_.configure(blockSize);
    engine_->configureBlockSize(lanes_.blockSize());
}

void VstXSynth::fullReset() {
    engine_->allNotesOff(AudioEngine::Sound::Clear);
    resendStoredValues();
    engine_->updateEnvelopeTimes();
}

void VstXSynth::resendStoredValues() {
    for (const params::DefaultRecord& record : params::defaultRecords())
        sendToEngine(record.control, params_->getValue(record.control, record.part), record.part);
    sendToEngine(params::kPitchWheel, 0.5f, -1);
}

// ---- the change path -----------------------------------------------------------

void VstXSynth::setControl(int control, float value, int part, bool fromEditor) {
    if (control < 0 || control >= kControlIds) return;
    // Nothing that is not a number reaches the store or the engine; no
    // control's scale comes near the bound, which keeps integer casts defined.
    if (!params::acceptStoredValue(control, value)) return;
    if (part == params::kCurrent) part = params_->currentPart;
    const bool perPart = params_->isPerPart(control);
    params_->setValue(control, value, perPart ? part : -1);
    sendToEngine(control, value, part);
    if (!fromEditor && listener_) {
        const params::Kind kind = params::kindOf(control);
        const bool listOrSteps = kind == params::Kind::SourceList || kind == params::Kind::DestinationList ||
                                 kind == params::Kind::StepCount;
        listener_->controlChanged(control, part, listOrSteps ? value : value / params::scaleOf(control), perPart);
    }
}

void VstXSynth::sendToEngine(int control, float value, int part) {
    if (params::isInteger(control)) value = static_cast<float>(static_cast<int>(value));
    valuesChanged_ = 1;
    if (control == params::kModWheel) {
        lanes_.setModWheel(value);
        return;
    }
    if (control == params::kPitchWheel) {
        lanes_.setAllBends(2.0f * value - 1.0f);
        return;
    }
    engine_->setEngineParameter(control, static_cast<double>(value), std::clamp(part, 0, 15));
    if (params::kindOf(control) == params::Kind::SourceList) updateTimbreFlag();
}

void VstXSynth::updateTimbreFlag() {
    bool timbre = false;
    for (int source : control::kMatrixSource) timbre = timbre || params_->getValue(source, -1) == params::kTimbreSource;
    timbreFlag_ = timbre;
}

// ---- host parameters ----------------------------------------------------------

void VstXSynth::setParameter(VstInt32 index, float value) {
    const params::HostParameter* p = params::hostParameter(index);
    if (!p || !std::isfinite(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    setControl(p->control, params::normalizedToStored(p->control, value), p->part, false);
}

void VstXSynth::setParameterAutomated(VstInt32 index, float value) {
    const params::HostParameter* p = params::hostParameter(index);
    if (!p || !std::isfinite(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    setControl(p->control, params::normalizedToStored(p->control, value), p->part, true);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

float VstXSynth::getParameter(VstInt32 index) {
    const params::HostParameter* p = params::hostParameter(index);
    if (!p) return 0.0f;
    const int part = params_->isPerPart(p->control) ? p->part : -1;
    return params::storedToNormalized(p->control, params_->getValue(p->control, part));
}

void VstXSynth::getParameterName(VstInt32 index, char* text) {
    const params::HostParameter* p = params::hostParameter(index);
    copyString(text, p ? p->name : "-/-", 32);
}

void VstXSynth::getParameterLabel(VstInt32 /*index*/, char* label) { label[0] = 0; }

void VstXSynth::getParameterDisplay(VstInt32 index, char* text) { hostParameterDisplay(index, getParameter(index), text); }

DisplayContext VstXSynth::displayContext() const {
    DisplayContext context;
    for (int l = 0; l < 2; ++l) context.lfoShape[l] = static_cast<int>(params_->getValue(control::kLfo[l].shape, -1));
    for (int l = 0; l < 2; ++l) context.lfoHertz[l] = engine_->lfo(l).sharedRatePerSample() * engine_->sampleRate();
    return context;
}

void VstXSynth::hostParameterDisplay(VstInt32 index, float normalized, char* text) {
    const params::HostParameter* p = params::hostParameter(index);
    normalized = std::isfinite(normalized) ? std::clamp(normalized, 0.0f, 1.0f) : 0.0f;
    if (!p) {
        copyString(text, "-/-", 32);
        return;
    }
    formatControlValue(p->control, params::normalizedToStored(p->control, normalized), displayContext(), text, 32);
}

void VstXSynth::controlDisplay(int control, int part, char* text, std::size_t size) {
    formatControlValue(control, params_->getValue(control, part), displayContext(), text, size);
}

// ---- whole-patch changes ----------------------------------------------------------

void VstXSynth::setStepPattern(int lfo, const float* steps) {
    if (lfo < 0 || lfo > 1 || !steps || !lockForReload()) return;
    Preset& preset = params_->current();
    auto& pattern = preset.steps[static_cast<std::size_t>(lfo)];
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = std::isfinite(steps[i]) ? steps[i] : 0.0f;
    engine_->setStepValues(preset.steps[0].data(), preset.steps[1].data());
    unlockAfterReload();
}

void VstXSynth::setPatchInfoText(std::string_view text) {
    const std::lock_guard<std::mutex> guard(nameLock_);
    params_->current().setInfoText(text);
}

std::string VstXSynth::patchInfoText() {
    const std::lock_guard<std::mutex> guard(nameLock_);
    return params_->current().infoText();
}

void VstXSynth::wholePatchChanged() {
    updateDisplay();
    redrawAll();
}

void VstXSynth::patchRenamed() {
    updateDisplay();
    if (listener_) listener_->patchNameChanged();
}

void VstXSynth::redrawAll() {
    if (listener_) listener_->redrawAll();
}

namespace {
// How deep this thread is in reloads (a patch load calls setChunk, which
// reloads), and whether it is inside processReplacing or processEvents.
thread_local int tReloadDepth = 0;
thread_local bool tAudioWork = false;
}  // namespace

bool VstXSynth::lockForReload() {
    if (tReloadDepth > 0) {
        ++tReloadDepth;
        return true;
    }
    // One reload at a time. The audio thread's own reload (a MIDI program
    // change inside processEvents) gives way to another thread's: that one is
    // waiting for the audio thread to finish its work.
    std::int32_t free = 0;
    while (!reloadMute_.compare_exchange_strong(free, 1)) {
        if (tAudioWork) return false;
        free = 0;
        platform::sleepMilliseconds(1);
    }
    ++tReloadDepth;
    // A block or event list that began before the mute sees it on its second
    // look and leaves at once, or ends; wait for it (unless it is this thread's).
    if (!tAudioWork)
        while (renderBusy_.load() != 0) platform::sleepMilliseconds(1);
    return true;
}

void VstXSynth::unlockAfterReload() {
    if (tReloadDepth > 0 && --tReloadDepth == 0) reloadMute_.store(0);
}

bool VstXSynth::enterAudioWork() {
    if (reloadMute_.load() != 0) return false;
    renderBusy_.store(1);
    if (reloadMute_.load() != 0) {  // a reload started while this work began
        renderBusy_.store(0);
        return false;
    }
    tAudioWork = true;
    return true;
}

void VstXSynth::leaveAudioWork() {
    tAudioWork = false;
    renderBusy_.store(0);
}

// ---- audio -----------------------------------------------------------------

void VstXSynth::processReplacing(float** /*inputs*/, float** outputs, VstInt32 frames) {
    float* left = outputs[0];
    float* right = outputs[1];
    const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(std::max<VstInt32>(frames, 0));
    if (!enterAudioWork()) {
        std::memset(left, 0, bytes);
        std::memset(right, 0, bytes);
        return;
    }

    double tempo = 120.0;
    bool playing = false;
    if (const VstTimeInfo* time = getTimeInfo(kVstTempoValid)) {
        if (time->flags & kVstTempoValid) tempo = time->tempo;
        playing = (time->flags & kVstTransportPlaying) != 0 && !magixHost_;
    }

    AudioEngine& engine = *engine_;
    engine.blockSeen = 1;
    engine.hostTempo = tempo;
    lanes_.startBlock(engine);

    // Slices of at most 16 frames; the lanes move the wheel and the bends
    // with 16-frame resolution.
    int position = 0;
    int remaining = frames;
    while (remaining > 0) {
        const int length = std::min(remaining, AudioEngine::kMaxBlock);
        lanes_.enterSlice(engine, position);
        float* slicePointers[2] = {left + position, right + position};
        engine.renderBlock(slicePointers, length, position);
        position += length;
        remaining -= length;
    }

    engine.clearEventQueue();
    engine.blockMinimum = 10000.0f;
    lanes_.endBlock();

    if (engine.limiterOn()) engine.limitOutput(left, right, frames);

    if (ownHostMode_) {
        const float gain = static_cast<float>(kOwnHostGain);
        for (VstInt32 i = 0; i < frames; ++i) {
            left[i] *= gain;
            right[i] *= gain;
        }
    }

    for (int l = 0; l < 2; ++l) {
        std::int32_t step = -1;
        if (playing || !engine.allKeysReleased()) {
            const ModLfo& lfo = engine.lfo(l);
            if (lfo.shape == AudioEngine::kStepShape && !lfo.oneShotFinished)
                step = static_cast<std::int32_t>(std::floor(lfo.stepCount * lfo.phase));
        }
        stepPosition_[l].exchange(step);
    }

    // The editor's level meter: the block's peak, only while a meter looks.
    if (meterWanted_.load(std::memory_order_relaxed)) {
        float peak = outputPeak_.load(std::memory_order_relaxed);
        for (VstInt32 i = 0; i < frames; ++i) peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
        outputPeak_.store(peak, std::memory_order_relaxed);
    }

    leaveAudioWork();
}

float VstXSynth::takeOutputPeak() {
    meterWanted_.store(true, std::memory_order_relaxed);
    return outputPeak_.exchange(0.0f, std::memory_order_relaxed);
}

void VstXSynth::setStepValue(int lfo, int step, float value) {
    if (step < 0 || step >= Preset::kSteps || !std::isfinite(value)) return;
    params_->current().steps[static_cast<std::size_t>(lfo & 1)][static_cast<std::size_t>(step)] = value;
    engine_->setStepValue(lfo & 1, step, value);
}

// ---- MIDI ------------------------------------------------------------------------

// While another thread replaces the patch, a block's events are dropped: the
// reload releases every voice and silences the block anyway.
VstInt32 VstXSynth::processEvents(VstEvents* events) {
    if (!enterAudioWork()) return 1;
    midi_->processEvents(*events);
    leaveAudioWork();
    return 1;
}

void VstXSynth::showPitchWheel(float value) {
    if (listener_) listener_->controlChanged(params::kPitchWheel, -1, value, false);
}

// ---- programs ----------------------------------------------------------------

void VstXSynth::setProgramName(char* name) {
    {
        const std::lock_guard<std::mutex> guard(nameLock_);
        copyString(params_->current().name, name, sizeof(Preset::name));
    }
    if (listener_) listener_->patchNameChanged();
}

void VstXSynth::getProgramName(char* name) {
    const std::lock_guard<std::mutex> guard(nameLock_);
    copyString(name, params_->current().name, sizeof(Preset::name));
}

bool VstXSynth::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
    const ProgramList& programs = navigation_.programList();
    const int entry = programs.libraryIndex(index);
    if (!singleProgramMode_ && entry >= 0) {
        copyString(text, programs.library()[static_cast<std::size_t>(entry)].name.c_str(), 28);
        return true;
    }
    const std::lock_guard<std::mutex> guard(nameLock_);
    copyString(text, params_->presetCount() > 0 ? params_->current().name : "-/-", sizeof(Preset::name));
    return true;
}

VstInt32 VstXSynth::getProgram() { return singleProgramMode_ ? 0 : curProgram_.load(); }

void VstXSynth::setProgram(VstInt32 program) {
    if (singleProgramMode_) {
        curProgram_ = 0;
        return;
    }
    navigation_.loadProgram(program);
}

void VstXSynth::programLoaded(const std::string& name) {
    std::string copy = name;
    setProgramName(copy.data());
    updateDisplay();
}

void VstXSynth::programListRebuilt(int program, int count) {
    if (singleProgramMode_) return;
    // The maker's host sees the current bank's programs, none for an empty bank.
    curProgram_ = program;
    setNumPrograms(count);
    updateDisplay();
}

// ---- identity ----------------------------------------------------------------

bool VstXSynth::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    if (index < 0 || index > 1) return false;
    std::snprintf(properties->label, sizeof(properties->label), "Vstx %1d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

bool VstXSynth::getEffectName(char* name) {
    copyString(name, "Calverine", kVstMaxEffectNameLen);
    return true;
}

bool VstXSynth::getVendorString(char* text) {
    copyString(text, "Brindle Audio", kVstMaxVendorStrLen);
    return true;
}

bool VstXSynth::getProductString(char* text) {
    copyString(text, "Calverine", kVstMaxProductStrLen);
    return true;
}

VstInt32 VstXSynth::canDo(char* text) {
    static const char* const kYes[] = {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo",
                                       "NKSCallbacks"};
    for (const char* yes : kYes)
        if (std::strcmp(text, yes) == 0) return 1;
    return -1;
}

VstIntPtr VstXSynth::vendorSpecific(VstInt32 arg1, VstIntPtr arg2, void* ptr, float opt) {
    // Mouse-wheel messages ("stCA"/"Whee", and "Whee" in the maker's own host)
    // go to the editor's wheel handler while an editor is open; without one
    // they end here with the answer 0 like any other unknown message.
    constexpr VstInt32 kStCA = ('s' << 24) | ('t' << 16) | ('C' << 8) | 'A';
    constexpr VstInt32 kWhee = ('W' << 24) | ('h' << 16) | ('e' << 8) | 'e';
    if ((arg1 == kStCA && arg2 == kWhee) || (ownHostMode_ && arg1 == kWhee)) {
        AEffEditor* editor = getEditor();
        return editor && editor->isOpen() && editor->onWheel(opt) ? 1 : 0;
    }
    if (arg1 == kScreenshotRequest)
        return ptr && ownedEditor_ && ownedEditor_->writeScreenshot(static_cast<const char*>(ptr), int(arg2)) ? 1 : 0;
    const VstInt32 family = (arg1 >> 16) & 0xFFFF;
    const VstInt32 request = arg1 & 0xFFFF;
    auto* record = static_cast<IntegrationRecord*>(ptr);

    if (family == kFamilyNi) {
        IntegrationRecord answer{};
        switch (request) {
        case 32: answer = {8, 1}; break;
        case 12: answer = {4, 0}; break;
        case 13: answer = {4, 1}; break;
        case 28: answer = {1, 0}; break;
        default: return 0;
        }
        if (record) {
            record->count = answer.count;
            record->flag = answer.flag;
        }
        return 1;
    }
    if (family == kFamilyNI) {
        if (!record) return 0;
        switch (request) {
        case 32: record->count = 1; return 1;
        case 12:
        case 13: record->count = 0; return 1;
        case 28: *static_cast<std::uint8_t*>(ptr) = 1; return 1;
        default: return 0;
        }
    }
    if (family == kFamilyni) {
        if (request == 32) return (ptr && arg2 == 8) ? 1 : 0;
        if (request == 13) return (ptr && arg2 == 4) ? 1 : 0;
        return 0;
    }
    return 0;
}

// ---- chunks and program files ------------------------------------------------

VstInt32 VstXSynth::getChunk(void** data, bool /*isPreset*/) {
    patch::writeChunk(*params_, chunkBuffer_);
    *data = chunkBuffer_.data();
    return static_cast<VstInt32>(chunkBuffer_.size());
}

VstInt32 VstXSynth::setChunk(void* data, VstInt32 byteSize, bool /*isPreset*/) {
    // The store is read into under the reload lock: nothing else writes it meanwhile.
    if (!lockForReload()) return 0;
    bool read = false;
    if (byteSize >= 0) {
        const std::lock_guard<std::mutex> guard(nameLock_);
        read = patch::readChunk(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(byteSize), *params_);
    }
    if (read) {
        if (!chunkFromFile_) currentPatchPath_.clear();
        replaceSound();
    }
    unlockAfterReload();
    return read ? byteSize : 0;
}

// On the audio thread when a MIDI program change loads the patch: the reload
// lock then finds no block being rendered and mutes at once.
void VstXSynth::replaceSound() {
    if (!lockForReload()) return;
    engine_->setStepValues(params_->current().steps[0].data(), params_->current().steps[1].data());
    fullReset();
    unlockAfterReload();
    updateDisplay();
    if (listener_) listener_->redrawAll();
    valuesChanged_ = 0;
}

bool VstXSynth::loadPatchFile(const std::string& path) {
    std::vector<std::uint8_t> file;
    const std::uint8_t* chunk = nullptr;
    std::size_t size = 0;
    if (!readProgramFile(path, file, chunk, size)) return false;
    currentPatchPath_ = path;
    chunkFromFile_ = true;
    setChunk(const_cast<std::uint8_t*>(chunk), static_cast<VstInt32>(size), true);
    chunkFromFile_ = false;
    return true;
}

bool VstXSynth::savePatchFile(const std::string& path) const { return calverine::savePatchFile(*params_, path); }

// ---- locks and the CC map -------------------------------------------------------

void VstXSynth::readControllerMap() {
    UserSettings::CcMap map{};
    if (settings_.readControllerMap(map)) controllerMap_->replaceMap(map);
}

int VstXSynth::lockRecord(int control, int part) const {
    for (int l = 0; l < 2; ++l)
        if (control >= kShapeButtons[l] && control < kShapeButtons[l] + 4) control = control::kLfo[l].shape;
    if (control < 0 || control >= kControlIds) return PluginParameters::kNoRecord;
    return params_->recordOf(control, params_->isPerPart(control) ? part : -1);
}

bool VstXSynth::isLocked(int control, int part) const { return params_->isRecordLocked(lockRecord(control, part)); }

void VstXSynth::toggleLock(int control, int part) {
    const int r = lockRecord(control, part);
    if (r == PluginParameters::kNoRecord) return;
    LockEntry& lock = params_->locks()[static_cast<std::size_t>(r)];
    lock.value = lock.locked() ? LockEntry::kUnlocked : params_->current().values[static_cast<std::size_t>(r)];
    settings_.storeLocks(params_->locks());
}

void VstXSynth::refreshAndStoreLocks() {
    auto& locks = params_->locks();
    for (std::size_t r = 0; r < locks.size(); ++r)
        if (locks[r].locked()) locks[r].value = params_->current().values[r];
    settings_.storeLocks(locks);
}

}  // namespace calverine
