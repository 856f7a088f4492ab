// The sound engine: sixteen voices played by parts A and B, the note queue,
// the four-times oversampled voice mix and its decimation, master volume and
// the sleep logic that stops all work while the instrument is silent.
//
// Threads: renderBlock, queueNoteEvent, allNotesOff and resetVoices run on the
// host's audio thread. setEngineParameter may come from any thread: it writes
// single fields that the audio thread reads at its next block, and it asks
// for what restructures the voices (parts mode, voice count, voice mode) or
// derives several fields at once (the envelope times); the audio thread makes
// those changes at the start of its next slice, and the read-only views below
// show them from then on.
// configureSampleRate and configureBlockSize run while the host does not
// render (they allocate).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "Decimator.h"
#include "EffectsChain.h"
#include "DriftTable.h"
#include "FilterTables.h"
#include "ModLfo.h"
#include "ModMatrix.h"
#include "NoiseSource.h"
#include "OscillatorBank.h"
#include "OutputLimiter.h"
#include "PartSettings.h"
#include "NoteEvent.h"
#include "Random.h"
#include "Voice.h"
#include "VoiceOutputStage.h"

namespace calverine {

// One run of the voice output stage: 4, 8, 12 or 16 consecutive render slots
// with one part's filter settings.
struct VoicePass {
    int firstVoice = 0;
    int voices = 4;  // a multiple of four: one vector per four
    int part = 0;
};

class AudioEngine {
public:
    static constexpr int kVoices = 16;
    static constexpr int kMaxBlock = 16;
    static constexpr int kQueueSize = 128;
    static constexpr int kStepShape = ModLfo::kSteps;

    AudioEngine();

    // ---- set-up (not on the audio thread while it renders) -----------------
    void configureSampleRate(double fs);
    void configureBlockSize(int hostBlockLength);

    // ---- controls -----------------------------------------------------------
    // `value` is already in engine scale; `part` is the part (0, 1) or voice
    // slot (0..15) for per-part and per-voice controls.
    void setEngineParameter(int control, double value, int part);

    // ---- audio thread -------------------------------------------------------
    // Events should arrive in position order; the queue keeps them sorted and
    // drops events beyond the 128th of one host block.
    void queueNoteEvent(std::uint32_t note, float velocity, std::int32_t position, std::uint32_t channel,
                        bool noteOn, std::uint32_t noteLength);
    // Renders n (1..16) samples at position `position` of the host block.
    // outputs may be null; otherwise outputs[0], outputs[1] receive n samples.
    void renderBlock(float* const* outputs, int n, int position);
    void clearEventQueue() { eventCount_ = 0; }
    // The final limiter stage over a whole host block, in place; the shell
    // calls it when the "Limiter" control is on.
    void limitOutput(float* left, float* right, int frames);
    // Releases every voice and key; Sound::Clear also silences at once:
    // voices re-initialised, decimator and effects units cleared.
    enum class Sound { Keep, Clear };
    void allNotesOff(Sound sound);
    void resetVoices();
    void updateEnvelopeTimes();
    // The step values of the two step LFOs (512 each), set with a patch.
    static constexpr int kStepValues = 512;
    void setStepValues(const float* lfo1, const float* lfo2);
    // One step of one LFO: a single word, read by the audio thread as it is.
    void setStepValue(int lfo, int step, float value) { stepValues_[lfo & 1][step & (kStepValues - 1)] = value; }
    float stepValue(int lfo, int step) const { return stepValues_[lfo & 1][step & (kStepValues - 1)]; }

    // ---- inputs the shell writes before and between slices ------------------
    double hostTempo = 120.0;
    std::uint8_t blockSeen = 0;
    float modWheel = 0.0f;
    std::array<float, 16> bend{};
    float blockMinimum = 10000.0f;  // lowered by the voices during a block
    std::vector<float> wheelLane;   // one value per 16 frames of the host block
    std::vector<float> bendLane;    // sixteen values (one per channel) per 16 frames
    bool ownHostMode = false;

    // Controllers written by the MIDI input (global value, then per channel).
    std::array<float, 128> polyPressure{};  // per key, 0..1
    float foot = 0.0f;
    std::array<float, 16> footChannel{};
    double expression = 0.0;
    std::array<float, 16> expressionChannel{};
    double sustain = 0.0;
    std::uint8_t pedalUp = 1;
    double channelPressure = 0.0;
    std::array<float, 16> channelPressureChannel{};
    float timbre = 0.0f;  // controller 74, the latest on any channel
    std::array<float, 16> timbreChannel{};

    // ---- read-only views ----------------------------------------------------
    double sampleRate() const { return fs_; }
    double oversampledRate() const { return fs4_; }
    float blockSmoothing() const { return smoothing_; }
    int wakeLength() const { return wakeLength_; }
    bool isAsleep() const { return sleepCountdown_ < 0; }
    int sleepCountdown() const { return sleepCountdown_; }
    int effectsTailCountdown() const { return effectsTail_; }
    bool keyDown(int note) const { return keyDown_[note & 127] != 0; }
    float keyVelocity(int note) const { return keyVelocity_[note & 127]; }
    bool allKeysReleased() const { return allKeysReleased_ != 0; }
    const Voice& voice(int i) const { return voices_[static_cast<std::size_t>(i & 15)]; }
    std::uint32_t queuedEvents() const { return eventCount_; }
    int voiceCount() const { return voiceCount_; }
    int partsMode() const { return partsMode_; }
    int voiceMode() const { return voiceMode_; }
    int splitNote() const { return splitNote_; }
    int roundRobin(int part) const { return roundRobin_[static_cast<std::size_t>(part & 1)]; }
    int lastNote(int part) const { return lastNote_[static_cast<std::size_t>(part & 1)]; }
    // Glide in semitones per output sample at the current "Portamento".
    double glideRate() const { return glideRate_; }
    bool limiterOn() const { return limiterOn_; }
    float masterVolume() const { return masterVolume_; }
    const ModLfo& lfo(int i) const { return lfo_[static_cast<std::size_t>(i & 1)]; }
    const ModMatrix& modMatrix() const { return matrix_; }
    // The block-rate matrix destinations of the last block (the effects read their offsets here).
    const BlockModulation& blockModulation() const { return blockModulation_; }
    const PartSettings& partSettings(int part) const { return parts_[part & 1]; }
    const FilterTables& filterTables() const { return tables_; }
    const DriftTable& driftTable() const { return driftTable_; }
    const EffectsChain& effects() const { return effects_; }
    // Which passes the voice output stage makes for the current modes.
    int planVoicePasses(VoicePass (&passes)[4]) const;
    // Groups of voices that have fallen silent are skipped (on unless a test
    // compares with and without).
    void skipSilentGroups(bool on) { skipSilentGroups_ = on; }

private:
    void noteOn(std::uint32_t note, float velocity, std::uint32_t channel, std::uint32_t noteLength);
    void noteOff(std::uint32_t note);
    void startVoice(Voice& voice, int note, float velocity, int channel, int part);
    // Note-on steps 1 and 2: key tables, wake-up, LFO restarts.
    void pressKey(int note, float velocity);
    // Unison: every unmuted voice of the part(s) the note belongs to.
    void startUnison(int note, float velocity, int channel);
    void startPolyphonic(int note, float velocity, int channel);
    void releaseNote(int note);
    void rememberNote(int part, int note);
    void updateGlideRate();
    // Where voice i renders this block, and which part's filter a render slot
    // takes in Dual and Split.
    int renderSlotOf(int voice) const;
    int partOfSlot(int slot) const;
    void updateControls(int start, int length);
    void renderVoicePass(const VoicePass& pass, int n);
    // The groups of four render slots whose voices have all finished and
    // whose filters have rung out to exact silence: nothing of theirs is
    // heard, so neither their oscillators nor their output stage run. Where
    // the loops take eight lanes, a group is silent only with its neighbour.
    void findSilentGroups(bool (&silent)[4]) const;
    VoiceContext voiceContext(const Voice& voice, const float* noise);
    void renderLfos(int n);
    bool setLfoParameter(int control, double value);
    bool setMatrixParameter(int control, double value);
    const Voice* referenceVoice() const;
    MatrixSources referenceSources(const Voice& reference) const;
    void applyEnvelopeOffsets(const double (&offsets)[8]);
    void deriveEnvelopeTimes(PartSettings& part);
    void runBlockMatrix();
    void initialiseVoices();

    // rates and constants
    double fs_ = 0.0, fs4_ = 0.0, invFs_ = 0.0, minusFourPiOverFs_ = 0.0, rateRatio192k_ = 0.0;
    double referencePitch_ = 440.0;
    float smoothing_ = 0.0f;
    int wakeLength_ = 0;
    float stepLfoRise_ = 0.0f;

    // note state
    std::array<std::uint8_t, 128> keyDown_{};
    std::array<float, 128> keyVelocity_{};
    float lastVelocity_ = 0.0f;
    std::array<std::int32_t, 2> lastNote_{};
    std::array<std::int32_t, 2> previousNote_{};
    std::array<std::int32_t, 2> roundRobin_{};
    std::uint8_t allKeysReleased_ = 1;

    // voices and modes
    std::array<Voice, kVoices> voices_{};
    std::array<std::int32_t, kVoices> voiceMute_{};
    int voiceCount_ = 8;
    int partsMode_ = 0;
    int splitNote_ = 60;
    int voiceMode_ = 0;
    // What the host's threads ask for; applyRequestedChanges makes it so.
    struct Requests {
        std::atomic<int> partsMode{0}, voiceCount{8}, voiceMode{0};
        std::atomic<bool> dualChosen{false}, envelopeControlsChanged{false};
    } requests_;
    void applyRequestedChanges();
    float partMix_ = 0.0f;
    double portamento_ = 0.0;
    double glideRate_ = 0.0;
    SmoothedValue partGain_[2];
    PartSettings parts_[2];
    SmoothedValue tuning_{1.0f, 1.0f};  // factor on the reference pitch
    SmoothedValue spread_;
    double transpose_ = 0.0;             // semitones
    double bendRange_[2] = {12.0, 12.0};  // up, down
    bool vcaSaturation_ = false;
    double organic_ = 0.0;  // 0.5 x "Organic"
    float noiseGain_ = 1.0f;
    std::array<ModLfo, 2> lfo_{};
    double lfoSoften_[2] = {0.0, 0.0};  // the soften controls, for a new sample rate
    bool filterRetrigger_ = false;
    ModMatrix matrix_;
    BlockModulation blockModulation_;
    bool envelopeOffsetsActive_ = false;
    double envelopeOffsets_[8] = {};  // the matrix's last envelope offsets
    float stepValues_[2][kStepValues] = {};
    Random random_;

    // event queue
    std::array<NoteEvent, kQueueSize> events_{};
    std::uint32_t eventCount_ = 0;

    // sleep and effects bookkeeping
    int sleepCountdown_ = 0;
    int effectsTail_ = 0;
    bool limiterOn_ = false;

    // signal buffers
    alignas(16) float voiceMixLeft_[4 * kMaxBlock] = {};
    alignas(16) float voiceMixRight_[4 * kMaxBlock] = {};
    alignas(16) float mixLeft_[kMaxBlock] = {};
    alignas(16) float mixRight_[kMaxBlock] = {};
    Decimator decimator_;
    EffectsChain effects_;
    OutputLimiter limiter_;
    FilterTables tables_;
    DriftTable driftTable_;
    NoiseSource noise_;
    OutputStageConstants stageConstants_;
    alignas(16) float noiseBuffer_[kMaxBlock] = {};
    LaneBlock lanes_[4] = {};  // one per group of four render slots
    OscillatorLanes oscillatorLanes_[4] = {};
    bool skipSilentGroups_ = true;
    bool matrixActive_ = false;  // some slot at work in this block
    bool matrixEnvelopes_ = false;  // some slot at work on the envelopes
    float masterVolume_ = 0.0f;
    float smoothedVolume_ = 0.0f;
};

}  // namespace calverine
