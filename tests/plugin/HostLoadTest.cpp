// Loads the built plug-in (Calverine.so with dlopen, Calverine.dll with
// LoadLibraryW) and talks to it only through the VST 2.4 interface, as a host
// does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "ExpectedHostTable.h"
#include "SharedLibrary.h"
#include "TestHost.h"

namespace {

using EntryPoint = AEffect* (*)(audioMasterCallback);

class HostLoad : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(library.open(CALVERINE_PLUGIN_PATH, error)) << error;
        entry = reinterpret_cast<EntryPoint>(library.symbol("VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
    }
    void TearDown() override {
        if (effect) dispatch(effClose);
    }
    AEffect* load() {
        effect = entry(TestHost::callback);
        return effect;
    }
    VstIntPtr dispatch(VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
        return effect->dispatcher(effect, op, index, value, ptr, opt);
    }
    // Both channels of `blocks` host blocks (the eighth one 37 frames), the
    // output buffers filled with 0.5 and -0.5 before each; closes the plug-in.
    std::vector<float> play(float rate, int blocks, MidiList notes = {}) {
        EXPECT_NE(load(), nullptr);
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        dispatch(effSetBlockSize, 0, 512);
        dispatch(effMainsChanged, 0, 1);
        dispatch(effProcessEvents, 0, 0, notes.events());
        std::vector<float> sound;
        float left[512], right[512];
        float* outs[2] = {left, right};
        for (int block = 0; block < blocks; ++block) {
            const int frames = block == 7 ? 37 : 512;
            std::fill(std::begin(left), std::end(left), 0.5f);
            std::fill(std::begin(right), std::end(right), -0.5f);
            effect->processReplacing(effect, nullptr, outs, frames);
            sound.insert(sound.end(), left, left + frames);
            sound.insert(sound.end(), right, right + frames);
        }
        dispatch(effMainsChanged, 0, 0);
        dispatch(effClose);
        effect = nullptr;
        return sound;
    }
    std::string text(VstInt32 op) {
        char buffer[256] = {};
        dispatch(op, 0, 0, buffer);
        return buffer;
    }

    TestHost host;
    platform::SharedLibrary library;
    EntryPoint entry = nullptr;
    AEffect* effect = nullptr;
};

struct IntegrationRecord {
    std::int32_t count;
    std::uint8_t flag;
};

VstInt32 integration(const char family[2], int request) {
    return (static_cast<unsigned char>(family[0]) << 24) | (static_cast<unsigned char>(family[1]) << 16) | request;
}

}  // namespace

TEST_F(HostLoad, EveryEntryPointIsExportedAndNothingElse) {
    for (const char* name : {"VSTPluginMain", "MAIN", "Main"}) EXPECT_NE(library.symbol(name), nullptr) << name;
#ifndef _WIN32
    EXPECT_NE(library.symbol("main"), nullptr);  // what old Linux hosts look for
#endif
    EXPECT_EQ(library.symbol("_ZN9calverine9VstXSynth15processReplacingEPPfS2_i"), nullptr);
}

TEST_F(HostLoad, AHostWithoutAVersionGetsNoPlugin) {
    host.version = 0;
    EXPECT_EQ(load(), nullptr);
}

TEST_F(HostLoad, DescriptorAndIdentity) {
    ASSERT_NE(load(), nullptr);
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->numParams, 169);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->uniqueID, vstFourCC('C', 'L', 'V', 'S'));
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->initialDelay, 0);
    const VstInt32 required = effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth;
    EXPECT_EQ(effect->flags & required, required);
    EXPECT_EQ(effect->flags & effFlagsCanDoubleReplacing, 0);
    EXPECT_EQ(dispatch(effGetPlugCategory), kPlugCategSynth);

    EXPECT_EQ(text(effGetEffectName), "Calverine");
    EXPECT_EQ(text(effGetProductString), "Calverine");
    EXPECT_EQ(text(effGetVendorString), "Brindle Audio");
    EXPECT_EQ(dispatch(effGetVendorVersion), 1);

    VstPinProperties pin{};
    EXPECT_EQ(dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Vstx 2");
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    EXPECT_EQ(dispatch(effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Vstx 1");
    EXPECT_EQ(dispatch(effGetOutputProperties, 2, 0, &pin), 0);
}

TEST_F(HostLoad, CanDoAnswers) {
    ASSERT_NE(load(), nullptr);
    for (const char* yes : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo", "NKSCallbacks"})
        EXPECT_EQ(dispatch(effCanDo, 0, 0, const_cast<char*>(yes)), 1) << yes;
    for (const char* no : {"sendVstMidiEvent", "receivevstevents", "bypass", ""})
        EXPECT_EQ(dispatch(effCanDo, 0, 0, const_cast<char*>(no)), -1) << no;
}

TEST_F(HostLoad, VendorSpecificIntegrationTable) {
    ASSERT_NE(load(), nullptr);
    IntegrationRecord r{};
    auto ask = [&](const char* family, int request, VstIntPtr arg2, void* ptr) {
        r = {-5, 9};
        return dispatch(effVendorSpecific, integration(family, request), arg2, ptr);
    };
    // "Ni": answers 1 and fills the record when there is one.
    const int niRequests[] = {32, 12, 13, 28};
    const IntegrationRecord niAnswers[] = {{8, 1}, {4, 0}, {4, 1}, {1, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ask("Ni", niRequests[i], 0, &r), 1);
        EXPECT_EQ(r.count, niAnswers[i].count);
        EXPECT_EQ(r.flag, niAnswers[i].flag);
        EXPECT_EQ(ask("Ni", niRequests[i], 0, nullptr), 1);
    }
    EXPECT_EQ(ask("Ni", 5, 0, &r), 0);
    // "NI": needs a record.
    EXPECT_EQ(ask("NI", 32, 0, &r), 1);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(ask("NI", 12, 0, &r), 1);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(ask("NI", 13, 0, &r), 1);
    EXPECT_EQ(r.count, 0);
    unsigned char bytes[8] = {};
    EXPECT_EQ(dispatch(effVendorSpecific, integration("NI", 28), 0, bytes), 1);
    EXPECT_EQ(bytes[0], 1);
    for (int request : {32, 12, 13, 28}) EXPECT_EQ(ask("NI", request, 0, nullptr), 0);
    // "ni": a pointer and the right size.
    EXPECT_EQ(ask("ni", 32, 8, &r), 1);
    EXPECT_EQ(ask("ni", 32, 4, &r), 0);
    EXPECT_EQ(ask("ni", 32, 8, nullptr), 0);
    EXPECT_EQ(ask("ni", 13, 4, &r), 1);
    EXPECT_EQ(ask("ni", 12, 4, &r), 0);
    EXPECT_EQ(ask("ni", 28, 4, &r), 0);
    // Anything else, the wheel messages included while no editor is open.
    EXPECT_EQ(dispatch(effVendorSpecific, vstFourCC('s', 't', 'C', 'A'), vstFourCC('W', 'h', 'e', 'e'), &r, 1.0f), 0);
    EXPECT_EQ(dispatch(effVendorSpecific, 0, 0, &r), 0);
}

TEST_F(HostLoad, SilenceRendersAsExactZerosInEveryHostKind) {
    for (const char* vendor : {"Test Host", "Brindle Audio", "MAGIX"}) {
        host.vendor = vendor;
        for (float x : play(48000.0f, 40)) ASSERT_EQ(x, 0.0f) << vendor;
    }
}

// A host that hands over a rate that is not a number (or is infinite) gets the
// plug-in at 44100 Hz: it plays exactly what a host asking for 44100 Hz hears.
TEST_F(HostLoad, ARateThatIsNotANumberPlaysAt44100) {
    const MidiList notes{{0, 0x90, 57, 110}, {0, 0x90, 64, 90}};
    const std::vector<float> reference = play(44100.0f, 50, notes);
    ASSERT_GT(*std::max_element(reference.begin(), reference.end()), 0.01f);
    for (float rate : {std::nanf(""), HUGE_VALF, -HUGE_VALF}) {
        const std::vector<float> sound = play(rate, 50, notes);
        ASSERT_EQ(sound.size(), reference.size());
        for (std::size_t i = 0; i < sound.size(); ++i) ASSERT_EQ(sound[i], reference[i]) << rate << " " << i;
    }
}

TEST_F(HostLoad, ParameterNamesAndDefaultsAsTheHostSeesThem) {
    ASSERT_NE(load(), nullptr);
    for (int i = 0; i < 169; ++i) {
        char name[64] = {};
        dispatch(effGetParamName, i, 0, name);
        EXPECT_STREQ(name, kExpectedNames[i]) << i;
        EXPECT_FLOAT_EQ(effect->getParameter(effect, i), kExpectedDefaults[i]) << kExpectedNames[i];
        EXPECT_EQ(dispatch(effCanBeAutomated, i), 1);
    }
    char name[64] = {};
    dispatch(effGetParamName, 169, 0, name);
    EXPECT_STREQ(name, "-/-");
    EXPECT_EQ(effect->getParameter(effect, 169), 0.0f);
    EXPECT_EQ(effect->getParameter(effect, -1), 0.0f);
    effect->setParameter(effect, 169, 1.0f);  // ignored
}

TEST_F(HostLoad, RoundTripsAndDisplaysOfEachKind) {
    ASSERT_NE(load(), nullptr);
    auto shown = [&](int index) {
        char text[64] = {};
        dispatch(effGetParamDisplay, index, 0, text);
        return std::string(text);
    };
    struct Case {
        int index;
        float set, read;
        const char* text;
    };
    // The texts of the defaults, before anything is set.
    const std::pair<int, const char*> defaults[] = {{4, "Off"},  {88, "Active"},   {30, "Single"},  {25, "16 Steps"},
                                                    {1, "5.00"}, {0, "0 %"},       {104, "Velocity"}, {106, "Volume"},
                                                    {47, "Full"}, {125, "0"}};  // transpose, stored 24
    for (const auto& [index, text] : defaults) EXPECT_EQ(shown(index), text) << index;
    const Case cases[] = {
        {4, 0.7f, 1.0f, "On"},                 // switch
        {4, 0.49f, 0.0f, "Off"},
        {17, 0.99f, 0.99f, "S+H"},             // integer 0..3: 2.97 stored, shown truncated
        {17, 0.34f, 0.34f, "Square"},
        {30, 0.5f, 0.5f, "Dual"},              // integer 0..2
        {30, 0.49f, 0.49f, "Single"},
        {109, 0.1f, 12.0f / 127, "Osc 1 Vol"},   // destination list: index 12.7 -> 12
        {107, 0.5f, 20.0f / 127, "Amp Env"},     // source list, clamped to the last entry
        {27, 0.39f, 0.2f, "8 Steps"},            // step count: k = 1
        {27, 0.4f, 0.4f, "16 Steps"},
        {27, 0.999f, 0.8f, "64 Steps"},
        {128, 0.5f, 0.5f, "1/8"},              // delay time 7
        {128, 0.99f, 0.99f, "1/32"},           // 13.86 -> 13
        {125, 0.5f, 0.5f, "0"},                // transpose 24
        {125, 0.0f, 0.0f, "-24"},
        {125, 0.75f, 0.75f, "+12"},
        {32, 0.34f, 0.34f, "+12"},             // osc 1 freq: trunc(1.02) * 12
        {32, 0.33f, 0.33f, "0"},
        {37, 1.0f, 1.0f, "+63"},               // osc 2 freq
        {37, 0.01f, 0.01f, "0"},
        {47, 0.5f, 0.5f, "Half"},              // filter osc 2 level, stored 1.0
        {47, 0.499f, 0.499f, "Off"},           // 0.998 is still "Off"
        {35, 0.5f, 0.5f, "0.00"},              // detune
        {35, 1.0f, 1.0f, "+10.00"},
        {35, 0.0f, 0.0f, "-10.00"},
        {105, 0.505f, 0.505f, "+1"},           // matrix amount: 1.0 -> +1, not +0
        {105, 0.495f, 0.495f, "-1"},
        {105, 1.0f, 1.0f, "+100"},
        {105, 0.0f, 0.0f, "-100"},
        {3, 0.75f, 0.75f, "+5.00"},            // tuning
        {3, 0.25f, 0.25f, "-5.00"},
        {31, 0.5f, 0.5f, "A 100% <> B 100%"},  // parts mix
        {31, 0.25f, 0.25f, "A 100% <> B 50%"},
        {31, 1.0f, 1.0f, "A 0% <> B 100%"},
        {128, 1.0f, 1.0f, "1/32T"},            // the last delay division
        {0, 0.999f, 0.999f, "99 %"},           // mod wheel
        {126, 0.0f, 0.0f, "C0"},
        {126, 0.51f, 0.51f, "C4"},             // 48.96 -> 48
        {126, 0.52f, 0.52f, "C#4"},            // 49.92 -> 49
        {126, 1.0f, 1.0f, "C8"},
        {31, 0.75f, 0.75f, "A 50% <> B 100%"},
        {88, 1.0f, 1.0f, "Mute"},
        {1, 0.123f, 0.123f, "1.23"},           // plain 0..1 control
    };
    for (const Case& c : cases) {
        effect->setParameter(effect, c.index, c.set);
        EXPECT_NEAR(effect->getParameter(effect, c.index), c.read, 1e-6) << c.index << " " << c.set;
        EXPECT_EQ(shown(c.index), c.text) << c.index << " " << c.set;
    }
    effect->setParameter(effect, 7, 1.0f);  // LFO 1 rate in the sine shape: a frequency
    const std::string hz = shown(7);
    EXPECT_EQ(hz.substr(hz.size() - 3), " Hz");
    EXPECT_NE(hz.find('.'), std::string::npos);
    effect->setParameter(effect, 8, 1.0f);  // step shape: a tempo division
    EXPECT_EQ(shown(7), "1/32T");
    EXPECT_EQ(shown(8), "Steps");
}
