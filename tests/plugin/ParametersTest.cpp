// The parameter table, the store, the change path, value texts and the
// patch-wide operations, through the plug-in object.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "EngineControls.h"
#include "MessageCapture.h"
#include "PartClipboard.h"
#include "TestHost.h"
#include "VstXSynth.h"

using namespace calverine;

namespace {

struct Listener : ControlListener {
    void controlChanged(int control, int part, float normalized, bool perPart) override {
        changes.push_back({control, part, normalized, perPart});
    }
    void patchNameChanged() override { ++nameChanges; }
    void redrawAll() override { ++redraws; }
    struct Change {
        int control, part;
        float normalized;
        bool perPart;
    };
    std::vector<Change> changes;
    int nameChanges = 0, redraws = 0;
};

class Parameters : public ::testing::Test {
protected:
    float stored(int control, int part = -1) { return synth.parameters().getValue(control, part); }

    test::MessageCapture messages;
    TestHost host;
    VstXSynth synth{TestHost::callback};
};

}  // namespace

TEST_F(Parameters, TablesHoldEverySlotOnce) {
    const auto& records = params::defaultRecords();
    std::set<std::pair<int, int>> slots;
    for (const auto& r : records) {
        EXPECT_TRUE(slots.emplace(r.control, r.part).second) << r.control << "/" << r.part;
        EXPECT_GE(r.control, 0);
        EXPECT_LE(r.control, params::kHighestControl);
    }
    for (int i = 0; i < params::kHostParameters; ++i) {
        const auto* p = params::hostParameter(i);
        EXPECT_EQ(slots.count({p->control, p->part}), 1u) << p->name;
    }
    EXPECT_EQ(params::hostParameter(169), nullptr);
    // Defaults no host parameter shows: eight voices, and control 80 at 12.
    EXPECT_EQ(synth.parameters().defaultValue(control::kVoiceCount, -1), 8.0f);
    EXPECT_EQ(synth.parameters().defaultValue(control::kBendRangeUp, -1), 12.0f);
}

// The engine names its control ids in one place and the parameter table
// carries the same ids with their host names, kinds and places in the patch:
// every id the engine names is the control the host knows by that name (or a
// hidden one with a place in the patch), and every switch the engine reads
// on/off is a switch in the table.
TEST(ParameterTable, AgreesWithTheEnginesControlIds) {
    auto hostName = [](int id) -> std::string {
        for (int i = 0; i < params::kHostParameters; ++i)
            if (params::hostParameter(i)->control == id && params::hostParameter(i)->part <= 0)
                return params::hostParameter(i)->name;
        return "";
    };
    const std::pair<int, const char*> named[] = {
        {control::kVolume, "Volume"}, {control::kSpread, "Spread"}, {control::kTuning, "Tuning"},
        {control::kPortamento, "Portamento"}, {control::kUnison, "Unison"}, {control::kOsc2Detune, "[A] Osc 2 Detune"},
        {control::kCrossMod, "[A] Osc 2 X-Mod"}, {control::kTranspose, "Transpose"}, {control::kOsc1Freq, "[A] Osc 1 Freq"},
        {control::kOsc1Saw, "[A] Osc 1 Saw"}, {control::kOsc1Pulse, "[A] Osc 1 Pulse"}, {control::kOsc2Freq, "[A] Osc 2 Freq"},
        {control::kOsc2Saw, "[A] Osc 2 Saw"}, {control::kOsc2Pulse, "[A] Osc 2 Pulse"}, {control::kPulseWidth, "[A] Osc PW"},
        {control::kSync, "[A] Osc PW O2 Sync"}, {control::kFilterEnvelopeToOsc2, "[A] Osc PW F-Env"},
        {control::kFilterFreq, "[A] Filter Freq"}, {control::kFilterReso, "[A] Filter Reso"},
        {control::kFilterMod, "[A] Filter Mod"}, {control::kFilterOsc1, "[A] Filter O1"}, {control::kFilterOsc2, "[A] Filter O2"},
        {control::kFilterNoise, "[A] Filter Noise"}, {control::kFilter4Pole, "[A] Filter 4-Pole"},
        {control::kFilterTrack, "[A] Filter Track"}, {control::kFilterBandPass, "[A] Filter BP"}, {control::kLimiter, "Limiter"},
        {control::kOrganic, "Organic"}, {control::kVcaSaturation, "VCA Saturation"},
        {control::kFilterEnvRetrigger, "Filter Env Retrig"}, {control::kSplit, "Split"}, {control::kPartsMode, "Parts Mode"},
        {control::kPartsMix, "Parts A/B Mix"}, {control::kFilterEnvAttack, "[A] Filter Env Attack"},
        {control::kFilterEnvDecay, "[A] Filter Env Decay"}, {control::kFilterEnvSustain, "[A] Filter Env Sustain"},
        {control::kFilterEnvRelease, "[A] Filter Env Release"}, {control::kAmpEnvAttack, "[A] Loudness Env Attack"},
        {control::kAmpEnvDecay, "[A] Loudness Env Decay"}, {control::kAmpEnvSustain, "[A] Loudness Env Sustain"},
        {control::kAmpEnvRelease, "[A] Loudness Env Release"}, {control::kEffects, "Effects"},
        {control::kChorusRate, "Chorus Rate"}, {control::kChorusLowCut, "Chorus Low Cut"},
        {control::kChorusHighCut, "Chorus High Cut"}, {control::kChorusDryWet, "Chorus Dry/Wet/Depth"},
        {control::kChorusEnsemble, "Chorus Ensemble On/Off"}, {control::kChorusOn, "Chorus On/Off"},
        {control::kDelayDoubleX, "Delay Double-X"}, {control::kDelayTime, "Delay Time"},
        {control::kDelayFeedback, "Delay Feedback"}, {control::kDelayOffset, "Delay Offset"},
        {control::kDelayLowCut, "Delay Low Cut"}, {control::kDelayHighCut, "Delay High Cut"},
        {control::kDelayDryWet, "Delay  Dry/Wet"}, {control::kDelayOn, "Delay On/Off"},
        {control::kReverbChorale, "Reverb Chorale"}, {control::kReverbTime, "Reverb Time"},
        {control::kReverbColor, "Reverb Color"}, {control::kReverbShimmer, "Reverb Shimmer"},
        {control::kReverbRegen, "Reverb Regen"}, {control::kReverbWidth, "Reverb Width"},
        {control::kReverbMix, "Reverb Dry/Wet"}, {control::kReverbOn, "Reverb On/Off"}};
    for (const auto& [id, name] : named) EXPECT_EQ(hostName(id), name) << id;
    for (int l = 0; l < 2; ++l) {
        const control::LfoControls& lfo = control::kLfo[l];
        const std::string mod = "Mod LFO " + std::to_string(l + 1) + " ", steps = "LFO " + std::to_string(l + 1) + " ";
        const std::pair<int, std::string> lfoNames[] = {
            {lfo.rate, mod + "Rate"},          {lfo.shape, mod + "Shape"},         {lfo.freqDepth, mod + "Freq Depth"},
            {lfo.freqOsc1, mod + "Freq Osc 1"}, {lfo.freqOsc2, mod + "Freq Osc 2"}, {lfo.freqFilter, mod + "Freq Filter"},
            {lfo.pwDepth, mod + "PW Depth"},    {lfo.pwOsc1, mod + "PW Osc 1"},     {lfo.pwOsc2, mod + "PW Osc 2"},
            {lfo.steps, steps + "Steps"},       {lfo.oneShot, steps + "Steps One Shot"}, {lfo.soften, steps + "Soften"}};
        for (const auto& [id, name] : lfoNames) EXPECT_EQ(hostName(id), name) << id;
    }
    for (int s = 0; s < 12; ++s) {
        const std::string n = std::to_string(s + 1);
        EXPECT_EQ(hostName(control::kMatrixSource[s]), "MM Source " + n);
        EXPECT_EQ(hostName(control::kMatrixAmount[s]), "MM Amount " + n);
        EXPECT_EQ(hostName(control::kMatrixDestination[s]), "MM Destination " + n);
    }
    for (int v = 0; v < 16; ++v) EXPECT_EQ(hostName(control::voiceMute(v)), "Voice " + std::to_string(v + 1) + " Mute");
    // Controls without a host parameter still have their place in the patch.
    PluginParameters store;
    for (int id : {control::kVoiceCount, control::kBendRangeUp, control::kBendRangeDown})
        EXPECT_NE(store.recordOf(id, -1), PluginParameters::kNoRecord) << id;
    for (int id = control::kFirstVoiceAdjustment; id <= control::kLastVoiceAdjustment; ++id)
        EXPECT_NE(store.recordOf(id, 15), PluginParameters::kNoRecord) << id;
    for (int id : {control::kOsc1Saw, control::kSync, control::kFilter4Pole, control::kFilterBandPass, control::kLimiter,
                   control::kVcaSaturation, control::kEffects, control::kDelayOn, control::kReverbOn, control::kChorusOn,
                   control::kLfo[0].oneShot, control::kLfo[1].freqFilter})
        EXPECT_TRUE(params::isSwitch(id)) << id;
}

TEST_F(Parameters, ConversionsOfEachKind) {
    synth.setParameter(8, 0.5f);  // LFO 1 shape, integer 0..3
    EXPECT_FLOAT_EQ(stored(control::kLfo[0].shape), 1.5f);
    synth.setParameter(30, 0.75f);  // parts mode, integer 0..2: the engine gets the truncated value
    EXPECT_FLOAT_EQ(stored(control::kPartsMode), 1.5f);
    synth.engine().renderBlock(nullptr, 16, 0);  // the audio thread makes the change
    EXPECT_EQ(synth.engine().partsMode(), 1);

    synth.setParameter(104, 10.0f / 127.0f);  // matrix source 1 -> "Timbre (74)"
    EXPECT_EQ(stored(control::kMatrixSource[0]), 5.0f);
    EXPECT_TRUE(synth.timbreRouted());
    synth.setParameter(104, 1.0f);  // clamped to the last source
    EXPECT_EQ(stored(control::kMatrixSource[0]), 16.0f);
    EXPECT_FALSE(synth.timbreRouted());

    synth.setParameter(25, 0.45f);
    EXPECT_EQ(stored(control::kLfo[0].steps), 16.0f);
    synth.setParameter(25, 1.0f);
    EXPECT_EQ(stored(control::kLfo[0].steps), 128.0f);
    synth.setControl(control::kLfo[0].steps, 12.0f, -1, true);
    EXPECT_FLOAT_EQ(synth.getParameter(25), 0.2f);

    synth.setParameter(33, 0.49f);  // [A] Osc 1 Saw, a switch
    EXPECT_EQ(stored(control::kOsc1Saw, 0), 0.0f);
    synth.setParameter(33, 0.5f);
    EXPECT_EQ(stored(control::kOsc1Saw, 0), 1.0f);
    EXPECT_EQ(stored(control::kOsc1Saw, 1), 1.0f);  // part B untouched at its default

    synth.setControl(control::kMatrixDestination[0], 99.0f, -1, true);  // not in the destination list
    EXPECT_EQ(synth.getParameter(106), 0.0f);

    synth.setParameter(0, 0.8f);  // ModWheel: only the shell's wheel value
    EXPECT_NEAR(synth.modWheelValue(), 0.8, 1e-6);
    EXPECT_EQ(stored(params::kModWheel), 0.8f);
}

TEST_F(Parameters, EveryParameterReadsBackWhatWasSet) {
    for (int i = 0; i < params::kHostParameters; ++i) {
        for (float v : {0.0f, 0.13f, 0.5f, 0.77f, 1.0f}) {
            synth.setParameter(i, v);
            const float read = synth.getParameter(i);
            synth.setParameter(i, read);  // setting what was read changes nothing
            EXPECT_EQ(synth.getParameter(i), read) << params::hostParameter(i)->name << " " << v;
            EXPECT_GE(read, 0.0f);
            EXPECT_LE(read, 1.0f);
        }
    }
}

TEST_F(Parameters, IndexesOutsideTheTableAndVoiceAdjustmentTexts) {  // index 169 and names: HostLoad
    synth.setParameter(-1, 1.0f);
    char text[64];
    synth.getParameterDisplay(-3, text);
    EXPECT_STREQ(text, "-/-");
    synth.getParameterLabel(1, text);
    EXPECT_STREQ(text, "");
    synth.controlDisplay(159, 3, text, sizeof(text));  // a voice adjustment has no host index
    EXPECT_STREQ(text, "0");
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(Parameters, StoreReportsBadPositionsAndKeepsGoing) {
    auto& store = synth.parameters();
    EXPECT_EQ(store.getValue(control::kFilterFreq, 40), 0.0f);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.titles[0], "Error");
    EXPECT_EQ(messages.texts[0], "Index out of range [40] / max: 16 (Code: 201)");
    store.setValue(300, 1.0f, -1);
    EXPECT_EQ(messages.texts.back(), "Index out of range [300] / max: 223 (Code: 202)");
    EXPECT_EQ(store.getValue(control::kFilterFreq, 5), 0.0f);  // no record for part 5: default 0, no report
    store.setValue(control::kFilterFreq, 0.7f, 5);
    EXPECT_EQ(store.getValue(control::kFilterFreq, 5), 0.0f);
    EXPECT_EQ(messages.texts.size(), 2u);
    store.getPreset(3);
    EXPECT_EQ(messages.titles.back(), "Assertion failed");
    EXPECT_EQ(messages.texts.back(), "PluginParameters::getPreset");
    store.currentPart = 1;
    EXPECT_EQ(store.recordOf(control::kFilterFreq, params::kCurrent), store.recordOf(control::kFilterFreq, 1));
}

TEST_F(Parameters, LockedValueFollowsTheLatestSetting) {
    auto& store = synth.parameters();
    const int record = store.recordOf(control::kFilterFreq, 0);
    store.locks()[static_cast<std::size_t>(record)].value = 0.3f;
    ASSERT_TRUE(store.isRecordLocked(record));
    synth.setParameter(43, 0.6f);
    EXPECT_FLOAT_EQ(store.locks()[static_cast<std::size_t>(record)].value, 0.6f);
    const int other = store.recordOf(control::kFilterFreq, 1);
    EXPECT_FALSE(store.isRecordLocked(other));
    synth.setParameter(71, 0.2f);
    EXPECT_EQ(store.locks()[static_cast<std::size_t>(other)].value, LockEntry::kUnlocked);
}

TEST_F(Parameters, EditorHearsOfChangesThatDidNotComeFromIt) {
    Listener listener;
    synth.setControlListener(&listener);
    synth.setParameter(125, 0.75f);  // transpose: stored 36, told as 36 / 48
    ASSERT_EQ(listener.changes.size(), 1u);
    EXPECT_EQ(listener.changes[0].control, 32);
    EXPECT_FLOAT_EQ(listener.changes[0].normalized, 0.75f);
    EXPECT_FALSE(listener.changes[0].perPart);
    synth.setParameter(104, 2.0f / 127.0f);  // a list control is told its stored value
    EXPECT_FLOAT_EQ(listener.changes.back().normalized, 19.0f);
    synth.setParameter(60, 1.0f);
    EXPECT_TRUE(listener.changes.back().perPart);
    EXPECT_EQ(listener.changes.back().part, 1);
    const std::size_t before = listener.changes.size();
    synth.setParameterAutomated(1, 0.3f);  // from the editor: the host is told instead
    EXPECT_EQ(listener.changes.size(), before);
    EXPECT_EQ(host.requests.back(), audioMasterAutomate);
    synth.setControlListener(nullptr);
}

TEST_F(Parameters, SampleRateChangeResendsTheStoredValues) {
    synth.setParameter(1, 0.8f);  // Volume
    EXPECT_FLOAT_EQ(synth.engine().masterVolume(), 0.64f * 8.0f);
    synth.setParameter(30, 1.0f);  // parts mode "Split"
    synth.engine().setEngineParameter(control::kVolume, 0.0, -1);
    synth.engine().setEngineParameter(control::kPartsMode, 0.0, -1);
    synth.setSampleRate(48000.0f);
    EXPECT_FLOAT_EQ(synth.engine().masterVolume(), 0.64f * 8.0f);
    synth.engine().renderBlock(nullptr, 16, 0);
    EXPECT_EQ(synth.engine().partsMode(), 2);
    EXPECT_EQ(synth.bendValue(7), 0.0f);  // pitch wheel centred
}

TEST_F(Parameters, InitializePatchRestoresDefaultsAndSpreadsTheVoices) {
    Listener listener;
    synth.setControlListener(&listener);
    synth.setParameter(1, 0.9f);
    char name[] = "Warm Pad";
    synth.setProgramName(name);
    synth.initializePatch();
    EXPECT_EQ(stored(control::kVolume), 0.5f);
    char read[64];
    synth.getProgramName(read);
    EXPECT_STREQ(read, "Init Patch");
    EXPECT_GE(listener.nameChanges, 2);
    EXPECT_EQ(host.requests.back(), audioMasterUpdateDisplay);
    bool spread = false;
    for (int slot = 0; slot < 16; ++slot) {
        for (int c = 130; c <= 159; ++c) {
            const float v = stored(c, slot);
            const float width = (c == 130 || c == 131 || c == 135 || c == 144 || c == 152 || c == 153) ? 0.0625f : 0.25f;
            if (c == 148 || c == 145 || c == 159) {
                EXPECT_EQ(v, 0.5f);  // centred, or left at the default
            } else {
                EXPECT_LE(std::fabs(v - 0.5f), width * 0.7f + 1e-6f) << c;
                spread = spread || v != 0.5f;
            }
        }
    }
    EXPECT_TRUE(spread);
    synth.initializeVoiceAdjustments();
    EXPECT_EQ(stored(control::adjust::kSpread, 0), 0.0f);
    EXPECT_EQ(stored(control::adjust::kSpread, 1), 1.0f);
    EXPECT_EQ(stored(control::adjust::kCutoff, 9), 0.5f);
    synth.setControlListener(nullptr);
}

TEST_F(Parameters, PartsCopyPasteAndSwapAcrossObjects) {
    synth.setParameter(43, 0.2f);  // [A] Filter Freq
    synth.setParameter(48, 1.0f);  // [A] Filter Noise
    synth.setControl(control::adjust::kAmpAttack, 0.9f, 2, true);  // a voice adjustment of voice slot 2
    synth.copyPart(0, ClipboardMode::Part);
    {
        VstXSynth other(TestHost::callback);
        other.pastePart(1);
        EXPECT_FLOAT_EQ(other.parameters().getValue(control::kFilterFreq, 1), 0.2f);
        EXPECT_EQ(other.parameters().getValue(control::kFilterNoise, 1), 1.0f);
        EXPECT_EQ(other.parameters().getValue(control::kFilterFreq, 0), 1.0f);  // part A untouched
    }
    synth.copyPart(2, ClipboardMode::VoiceAdjustments);
    synth.pastePart(5);
    EXPECT_FLOAT_EQ(stored(control::adjust::kAmpAttack, 5), 0.9f);
    EXPECT_EQ(stored(control::kFilterFreq, 1), 1.0f);  // pasted voice adjustments leave the parts alone

    synth.swapParts();
    EXPECT_EQ(stored(control::kFilterFreq, 0), 1.0f);
    EXPECT_FLOAT_EQ(stored(control::kFilterFreq, 1), 0.2f);
    EXPECT_EQ(stored(control::kFilterNoise, 1), 1.0f);
    EXPECT_FLOAT_EQ(stored(control::adjust::kAmpAttack, 2), 0.9f);  // voice adjustments are not part of a swap
}

TEST_F(Parameters, RandomizingDrawsOnceForEveryControlInOrder) {
    // The generator's sequence, written out independently: s = s * 214013 + 2531011 from 1.
    std::uint32_t seed = 1;
    auto draw = [&seed] {
        seed = seed * 214013u + 2531011u;
        return static_cast<double>((seed >> 16) & 32767u) / 32767.0;
    };
    std::vector<double> draws;
    for (int i = 0; i < 16 * 30; ++i) draws.push_back(draw());
    synth.randomizeVoiceAdjustments(1.0f);
    for (int slot = 0; slot < 16; ++slot) {
        for (int c = 130; c <= 159; ++c) {
            const double r = draws[static_cast<std::size_t>(slot * 30 + (c - 130))];
            const bool narrow = c == 130 || c == 131 || c == 135 || c == 144 || c == 152 || c == 153;
            double expected = narrow ? 0.5 - 0.0625 + r * 0.125 : 0.5 - 0.25 + r * 0.5;
            if (c == 148 || c == 145 || c == 159) expected = 0.5;  // centred or untouched, yet drawn for
            EXPECT_NEAR(stored(c, slot), expected, 1e-6) << "control " << c << " slot " << slot;
        }
    }
}
