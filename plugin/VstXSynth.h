// The plug-in object: Calverine's answers to a VST 2.4 host. It owns the
// engine, the parameter store and the CC map, keeps the one change path
// (setControl), cuts host blocks into slices for the engine, and keeps the
// flags that hold the audio thread and the threads that replace the whole
// patch apart. Its other jobs live in units of their own: MidiInput and
// ControllerLanes (MIDI), ProgramNavigation and PatchFiles (programs, banks
// and program files), PatchEdits (whole-patch edits) and UserSettings (what
// outlives the object).
//
// Threads: processEvents and processReplacing run on the host's audio thread,
// everything else on the host's other threads. Replacing the whole patch
// (setChunk, a program load) takes the reload lock: it waits until no block
// is being rendered, then silences the audio thread until the new patch is in
// the engine. Mostly that happens on a host or editor thread, but a MIDI
// program change or bank select loads its patch on the audio thread itself,
// inside processEvents. That is the one place where the audio thread reads a
// file, allocates and takes the reload lock (which finds no block being
// rendered there, so it does not sleep).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "AEffEditor.h"
#include "AudioEffectX.h"
#include "AudioEngine.h"
#include "ControlListener.h"
#include "ControllerLanes.h"
#include "ControllerMap.h"
#include "MidiInput.h"
#include "ProgramNavigation.h"
#include "PluginParameters.h"
#include "PatchEdits.h"
#include "UserSettings.h"
#include "ValueDisplay.h"

namespace calverine {

class VstXSynth : public AudioEffectX,
                  private MidiInput::Owner,
                  private ProgramNavigation::Owner,
                  private PatchEdits::Owner {
public:
    static constexpr VstInt32 kNumParams = 169;
    static constexpr VstInt32 kNumPrograms = 1;
    static constexpr int kControlIds = params::kControlIds;
    static constexpr VstInt32 kUniqueId = vstFourCC('C', 'L', 'V', 'S');
    static constexpr double kOwnHostGain = 1.95;

    explicit VstXSynth(audioMasterCallback audioMaster);
    ~VstXSynth() override;

    // ---- host operations ----------------------------------------------------
    void open() override {}
    void close() override {}
    void suspend() override;
    void resume() override;
    void setSampleRate(float sampleRate) override;
    void setBlockSize(VstInt32 blockSize) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    void processDoubleReplacing(double**, double**, VstInt32) override {}
    VstInt32 processEvents(VstEvents* events) override;
    VstInt32 getProgram() override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    void setParameter(VstInt32 index, float value) override;
    // A change that comes from the editor: the editor is not told, the host is.
    void setParameterAutomated(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return 1; }
    VstIntPtr vendorSpecific(VstInt32 arg1, VstIntPtr arg2, void* ptr, float opt) override;
    VstInt32 canDo(char* text) override;

    // ---- the one change path ---------------------------------------------------
    // Every change of a control goes through here: host automation, MIDI
    // controllers, the editor, patch loads. part may be -88888 (current part).
    void setControl(int control, float value, int part, bool fromEditor) override;
    // The display text of (control, part) from the current preset.
    void controlDisplay(int control, int part, char* text, std::size_t size);
    // The display text for a host parameter at a normalized value; "-/-"
    // outside the table. Cut to 32 bytes.
    void hostParameterDisplay(VstInt32 index, float normalized, char* text);

    // ---- patch-wide operations (PatchEdits.h) --------------------------------------
    void initializePatch() { edits_.initializePatch(); }
    void randomizeVoiceAdjustments(float amount) { edits_.randomizeVoiceAdjustments(amount); }
    void initializeVoiceAdjustments() { edits_.initializeVoiceAdjustments(); }
    void copyPart(int part, ClipboardMode mode) { edits_.copyPart(part, mode); }
    void pastePart(int target) { edits_.pastePart(target); }
    void swapParts() { edits_.swapParts(); }

    // ---- what Genetics (patches/Genetics.h) writes besides the controls ------------
    // The 512 step values of LFO `lfo` (0 or 1): into the current preset and
    // the engine, under the reload lock; values that are no number become 0.
    void setStepPattern(int lfo, const float* steps);
    // One step value of LFO `lfo` from the editor's step editor: a single
    // word for the engine, no reload.
    void setStepValue(int lfo, int step, float value);
    // The current patch's info text (Preset::setInfoText).
    void setPatchInfoText(std::string_view text);
    std::string patchInfoText();
    // Many values changed at once: the host updates its display, the editor redraws.
    void wholePatchChanged();

    PluginParameters& parameters() override { return *params_; }
    ControllerMap& controllerMap() { return *controllerMap_; }
    void setControlListener(ControlListener* listener) { listener_ = listener; }
    bool timbreRouted() const override { return timbreFlag_; }
    bool valuesChanged() const { return valuesChanged_ != 0; }
    void clearValuesChanged() { valuesChanged_ = 0; }
    double modWheelValue() const { return lanes_.modWheel(); }
    float bendValue(int channel) const { return lanes_.bend(channel); }

    // ---- patches and programs --------------------------------------------------
    // Loads program n of the current bank (program change, setProgram in the
    // maker's own host, the editor).
    void loadProgram(int program) { navigation_.loadProgram(program); }
    // Makes bank b current and loads its first program (MIDI bank select).
    void selectBank(int bank) { navigation_.selectBank(bank); }
    // Reads the library below the data folder again and rebuilds the list.
    void rescanLibrary() { navigation_.rescan(); }
    ProgramList& programList() { return navigation_.programList(); }
    int currentLibraryIndex() const { return navigation_.currentLibraryIndex(); }
    const std::string& currentPatchPath() const { return currentPatchPath_; }
    // Loads a program file as the current patch; false (with a message for a
    // file of another instrument) when it is not one. On the audio thread
    // for a MIDI program change.
    bool loadPatchFile(const std::string& path) override;
    // Saves the current patch as a program file; false when it cannot be written.
    bool savePatchFile(const std::string& path) const;

    // ---- MIDI learn and parameter lock -----------------------------------------
    // The editor's four shape buttons of each LFO (command tags from
    // kShapeButtons[lfo]) stand for that LFO's shape control.
    static constexpr int kShapeButtons[2] = {332, 336};
    bool isLocked(int control, int part) const;
    void toggleLock(int control, int part);
    // Every locked slot takes the current value, then the locks are stored.
    void refreshAndStoreLocks();
    std::uint8_t uiSize() const { return settings_.uiSize(); }
    void setUiSize(int index) { settings_.storeUiSize(static_cast<std::uint8_t>(index)); }

    // ---- services for the patch loaders and the editor ------------------------
    // Takes the reload for this thread (one reload at a time: another thread's
    // is waited for, sleeping 1 ms between looks), silences the audio thread,
    // and waits until no block is being rendered and no event list handled;
    // then the patch may be replaced until unlockAfterReload. Nests on one
    // thread. Any thread, the audio thread included (a MIDI program change
    // inside processEvents): there it never waits, and gives way (false) when
    // another thread is replacing the patch; never from inside processReplacing.
    bool lockForReload();
    void unlockAfterReload();
    // allNotesOff with clearing, every stored value back to the engine, then
    // the envelope times.
    void fullReset() override;

    bool isOwnHostMode() const override { return ownHostMode_; }
    bool isMagixHost() const { return magixHost_; }
    bool isSingleProgramMode() const { return singleProgramMode_; }
    // The step the mod LFO's sequence is on, -1 for none (any thread).
    std::int32_t stepPosition(int lfo) const { return stepPosition_[lfo & 1].load(); }
    // MIDI activity: 1 after a note or controller until the editor acknowledges it.
    std::int32_t midiActivity() const { return midi_->activity(); }
    void acknowledgeMidiActivity() { midi_->acknowledgeActivity(); }
    AudioEngine& engine() { return *engine_; }
    // The output's peak since the last call (the editor's meter). The audio
    // thread measures from the first call until stopOutputPeak.
    float takeOutputPeak();
    void stopOutputPeak() { meterWanted_.store(false, std::memory_order_relaxed); }
    // Takes the editor the entry point made for this plug-in and announces it
    // to the host; it is closed and destroyed before the plug-in.
    void adoptEditor(std::unique_ptr<AEffEditor> editor);

private:
    void detectHost();
    void resendStoredValues();
    // The last stage of the change path: the value to the engine side.
    void sendToEngine(int control, float value, int part) override;
    // PatchEdits::Owner: the editor and the host hear of whole-patch edits.
    void patchRenamed() override;
    void redrawAll() override;
    void updateTimbreFlag();
    // MidiInput::Owner: the editor's pitch wheel follows the bends.
    void showPitchWheel(float value) override;
    void readControllerMap();
    // The locks of the store's slot for (control, part) with the shape-button mapping.
    int lockRecord(int control, int part) const;
    void replaceSound();
    // ProgramNavigation::Owner: the loaded program's name, and in own-host
    // mode the program count and number the host sees.
    void programLoaded(const std::string& name) override;
    void programListRebuilt(int program, int count) override;
    DisplayContext displayContext() const;

    std::unique_ptr<AudioEngine> engine_;
    std::unique_ptr<PluginParameters> params_;
    std::unique_ptr<ControllerMap> controllerMap_;
    UserSettings settings_;
    std::vector<std::uint8_t> chunkBuffer_;  // the last getChunk answer
    ProgramNavigation navigation_{*this};
    std::string currentPatchPath_;
    bool chunkFromFile_ = false;
    ControlListener* listener_ = nullptr;
    PatchEdits edits_{*this};
    std::atomic<std::uint8_t> valuesChanged_{0};  // written by the change path on any thread
    std::atomic<bool> timbreFlag_{false};

    // host flags
    bool ownHostMode_ = false;
    bool magixHost_ = false;
    bool singleProgramMode_ = true;

    // cross-thread flags, changed only by atomic exchange
    // renderBusy_: the audio thread is inside processReplacing or processEvents;
    // reloadMute_: a thread holds the reload.
    // The patch name: the host reads it from its threads while a load or a
    // rename writes it. Never taken on the audio thread but by a MIDI program
    // change, which loads a whole patch there anyway.
    std::mutex nameLock_;
    std::atomic<std::int32_t> renderBusy_{0};
    std::atomic<std::int32_t> reloadMute_{0};
    // The audio thread's side of the reload: false (and nothing to do) while
    // a reload holds the plug-in.
    bool enterAudioWork();
    void leaveAudioWork();
    std::atomic<std::int32_t> stepPosition_[2] = {-1, -1};

    std::uint8_t skipNextSuspend_ = 0;

    // controller values written by the MIDI input and the change path
    ControllerLanes lanes_;
    std::unique_ptr<MidiInput> midi_;
    std::atomic<bool> meterWanted_{false};
    std::atomic<float> outputPeak_{0.0f};
    std::unique_ptr<AEffEditor> ownedEditor_;  // last: it reaches into everything above
};

}  // namespace calverine
