// Patches: the chunk format, program files, the program list of a library on
// disk, and the user settings (locks, the CC map) across plug-in objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "Files.h"
#include "MessageCapture.h"
#include "PatchChunk.h"
#include "PatchFiles.h"
#include "Process.h"
#include "TestHost.h"
#include "VstXSynth.h"

using namespace calverine;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kParaData = 648;  // first "para" entry

std::vector<std::uint8_t> chunkOf(VstXSynth& synth) {
    void* data = nullptr;
    const VstInt32 size = synth.getChunk(&data, true);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

void load(VstXSynth& synth, std::vector<std::uint8_t> chunk) {
    synth.setChunk(chunk.data(), static_cast<VstInt32>(chunk.size()), true);
}

void setVersion(std::vector<std::uint8_t>& chunk, std::int32_t version) {
    std::memcpy(chunk.data() + patch::kVersionOffset, &version, 4);
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

class Patches : public ::testing::Test {
protected:
    float stored(VstXSynth& s, int control, int part = -1) { return s.parameters().getValue(control, part); }
    // A randomized patch: every slot a distinct value, a name, step values.
    void randomize(VstXSynth& s) {
        auto& preset = s.parameters().current();
        for (std::size_t r = 0; r < preset.values.size(); ++r) preset.values[r] = 0.001f * static_cast<float>(r % 997);
        preset.words[0] = 0xDEADBEEF;
        std::strcpy(preset.name, "Glass Organ");
        for (int i = 0; i < 512; ++i) preset.steps[0][static_cast<std::size_t>(i)] = 0.5f * std::sin(0.1f * i);
        preset.info[3] = 42;
    }
    test::MessageCapture messages;
    TestHost host;
};

// A library of two banks in the test's data folder.
void writeLibrary(VstXSynth& maker, const std::string& data) {
    const std::string root = data + "/Soundbanks";
    const char* files[] = {"Alpha/Bass/Deep.fxp", "Alpha/Keys.fxp", "Beta/Lead/Saw Lead.fxp", "Beta/Pad/Warm.fxp"};
    float level = 0.1f;
    for (const char* file : files) {
        fs::create_directories(fs::path(root + "/" + file).parent_path());
        maker.setParameter(1, level);  // Volume tells the patches apart
        level += 0.2f;
        ASSERT_TRUE(maker.savePatchFile(root + "/" + file));
    }
}

}  // namespace

TEST_F(Patches, ChunkLayoutOfTheInitPatch) {
    VstXSynth synth(TestHost::callback);
    const auto chunk = chunkOf(synth);
    ASSERT_EQ(chunk.size(), 560u + 10016u);
    EXPECT_EQ(le32(chunk, 512), 13u);
    // Each section: flag word, tag bytes reversed, element size, count.
    struct Section {
        std::size_t at;
        const char* bytes;
        std::uint32_t size, count, flag;
    };
    for (const Section& s : {Section{560, "serp", 4, 2, 0}, Section{584, "eman", 1, 32, 0}, Section{632, "arap", 8, 653, 0},
                             Section{5872, "srab", 4, 512, 0}, Section{7936, "2rab", 4, 512, 0},
                             Section{10000, "fnip", 560, 1, 1}}) {
        EXPECT_EQ(le32(chunk, s.at), s.flag) << s.bytes;
        EXPECT_EQ(std::memcmp(chunk.data() + s.at + 4, s.bytes, 4), 0) << s.bytes;
        EXPECT_EQ(le32(chunk, s.at + 8), s.size) << s.bytes;
        EXPECT_EQ(le32(chunk, s.at + 12), s.count) << s.bytes;
    }
    EXPECT_STREQ(reinterpret_cast<const char*>(chunk.data() + 600), "Init Patch");
    // The first entry: the pitch wheel, control 99, part 0, 0.5.
    EXPECT_EQ(chunk[kParaData], 99);
    EXPECT_EQ(chunk[kParaData + 2], 0);
    float wheel;
    std::memcpy(&wheel, chunk.data() + kParaData + 4, 4);
    EXPECT_EQ(wheel, 0.5f);
    EXPECT_EQ(le32(chunk, 10016 + 512), 13u);  // the copy in "pinf" carries the version too
}

TEST_F(Patches, RandomPatchRoundTripsThroughChunksAndProgramFiles) {
    VstXSynth a(TestHost::callback), b(TestHost::callback), c(TestHost::callback);
    randomize(a);
    const auto chunk = chunkOf(a);
    load(b, chunk);
    EXPECT_EQ(chunkOf(b).size(), chunk.size());
    auto expected = chunk;
    float half = 0.5f;  // the pitch wheel is centred by every load
    std::memcpy(expected.data() + kParaData + 4, &half, 4);
    EXPECT_TRUE(chunkOf(b) == expected);
    EXPECT_STREQ(b.parameters().current().name, "Glass Organ");

    const std::string file = host.home + "/glass.fxp";
    ASSERT_TRUE(a.savePatchFile(file));
    EXPECT_TRUE(c.loadPatchFile(file));
    EXPECT_TRUE(chunkOf(c) == expected);
    EXPECT_EQ(c.currentPatchPath(), file);
    const auto other = readPatchFile(file);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->getValue(control::kFilterFreq, 1), stored(a, 50, 1));
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(Patches, ShortChunksResetToDefaultsButLocksStay) {
    VstXSynth synth(TestHost::callback);
    randomize(synth);
    synth.setParameter(43, 0.3f);  // [A] Filter Freq
    synth.toggleLock(control::kFilterFreq, 0);
    synth.setParameter(43, 0.6f);  // the locked value follows
    std::vector<std::uint8_t> info(560, 0);
    load(synth, info);
    EXPECT_FLOAT_EQ(stored(synth, 50, 0), 0.6f);
    EXPECT_EQ(stored(synth, 50, 1), 1.0f);  // back at its default
    EXPECT_EQ(stored(synth, 7), 0.5f);
    EXPECT_EQ(synth.setChunk(info.data(), 559, true), 0);  // too short: refused

    VstXSynth other(TestHost::callback);  // a patch with its own filter setting
    other.setParameter(43, 0.9f);
    load(synth, chunkOf(other));
    EXPECT_FLOAT_EQ(stored(synth, 50, 0), 0.6f);
    EXPECT_TRUE(synth.isLocked(control::kFilterFreq, 0));
    synth.toggleLock(VstXSynth::kShapeButtons[0] + 1, -1);  // a shape button locks the LFO 1 shape
    EXPECT_TRUE(synth.isLocked(control::kLfo[0].shape, -1));
}

TEST_F(Patches, MissingPartBTakesPartAAndOldVersionsMigrate) {
    VstXSynth maker(TestHost::callback), synth(TestHost::callback);
    maker.setParameter(43, 0.25f);           // [A] Filter Freq
    maker.setParameter(105, 0.0f);           // matrix amount 1 at 0
    auto chunk = chunkOf(maker);
    // Hide every part-B entry behind an unknown control id.
    for (std::size_t e = kParaData; e < kParaData + 8 * 653; e += 8)
        if (chunk[e + 2] == 1) chunk[e] = chunk[e + 1] = 0xFF;
    setVersion(chunk, 5);
    load(synth, chunk);
    EXPECT_FLOAT_EQ(stored(synth, 50, 1), 0.25f);
    EXPECT_FLOAT_EQ(stored(synth, 110), 0.5f);  // a version-5 amount of 0 is the centre

    // Before version 7 the steps of LFO 1 were spread over all 512 entries.
    VstXSynth spread(TestHost::callback);
    auto& steps = maker.parameters().current().steps[0];
    for (int i = 0; i < 512; ++i) steps[static_cast<std::size_t>(i)] = static_cast<float>(i);
    maker.setControl(control::kLfo[0].steps, 8.0f, -1, true);
    auto old = chunkOf(maker);
    setVersion(old, 6);
    load(spread, old);
    const auto& loaded = spread.parameters().current().steps;
    for (int i = 0; i < 8; ++i) EXPECT_EQ(loaded[0][static_cast<std::size_t>(i)], 64.0f * i) << i;
    EXPECT_EQ(loaded[1][5], loaded[0][5]);  // and LFO 2 takes LFO 1's steps before version 9
    EXPECT_EQ(stored(spread, 211), 8.0f);
}

TEST_F(Patches, DamagedChunksKeepWhatWasReadAndNeverTakeNonNumbers) {
    VstXSynth maker(TestHost::callback), synth(TestHost::callback);
    maker.setParameter(1, 0.9f);
    auto chunk = chunkOf(maker);
    const float nan = std::nanf("");
    std::memcpy(chunk.data() + kParaData + 8 + 4, &nan, 4);  // the mod wheel entry
    chunk.resize(7000);  // cut inside "bars": name and values are read, the rest not
    load(synth, chunk);
    EXPECT_FLOAT_EQ(stored(synth, 7), 0.9f);
    EXPECT_EQ(stored(synth, 98), 0.0f);  // the default, not NaN
    auto huge = chunkOf(maker);
    const std::uint32_t count = 0xFFFFFFFF;
    std::memcpy(huge.data() + 632 + 12, &count, 4);  // "para" claims 4 billion entries
    load(synth, huge);
    EXPECT_STREQ(synth.parameters().current().name, "Init Patch");
}

TEST_F(Patches, OtherInstrumentsFilesAreRefused) {
    VstXSynth synth(TestHost::callback);
    synth.setParameter(1, 0.77f);
    const std::string file = host.home + "/other.fxp";
    ASSERT_TRUE(synth.savePatchFile(file));
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(16);
    f.write("ABCD", 4);
    f.close();
    synth.setParameter(1, 0.33f);
    EXPECT_FALSE(synth.loadPatchFile(file));
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "This is not a patch for Calverine.");
    EXPECT_FLOAT_EQ(stored(synth, 7), 0.33f);
    EXPECT_EQ(readPatchFile(file), nullptr);
    EXPECT_FALSE(synth.loadPatchFile(host.home + "/missing.fxp"));
    EXPECT_EQ(messages.texts.size(), 1u);  // a missing file is skipped silently
}

TEST_F(Patches, ProgramListFollowsBanksInBothHostModes) {
    {
        VstXSynth maker(TestHost::callback);
        writeLibrary(maker, host.home + "/data");
    }
    for (const char* vendor : {"Test Host", "Brindle Audio"}) {
        SCOPED_TRACE(vendor);
        host.vendor = vendor;
        VstXSynth synth(TestHost::callback);
        const bool own = std::string(vendor) == "Brindle Audio";
        // The first program: the first patch of bank 0 ("Alpha/Bass/Deep").
        EXPECT_FLOAT_EQ(stored(synth, 7), 0.1f);
        EXPECT_EQ(synth.programList().bankCount(), 2);
        ASSERT_EQ(synth.programList().programs().size(), 2u);
        EXPECT_EQ(synth.getAeffect()->numPrograms, own ? 2 : 1);

        synth.setBlockSize(64);
        send(synth, {{0, 0xC0, 1, 0}});  // program change 1: "Alpha/Keys"
        EXPECT_FLOAT_EQ(stored(synth, 7), 0.3f);
        char name[64];
        synth.getProgramName(name);
        EXPECT_STREQ(name, "Keys");
        EXPECT_EQ(synth.getProgram(), own ? 1 : 0);

        MidiList bank;
        bank.add(0, 0xB0, 32, 1);  // bank select: "Beta", program 0
        synth.processEvents(bank.events());
        EXPECT_FLOAT_EQ(stored(synth, 7), 0.5f);
        EXPECT_EQ(synth.programList().currentBank(), 1);
        bank.midi[0].midiData[2] = 9;  // beyond the banks: ignored
        synth.processEvents(bank.events());
        EXPECT_EQ(synth.programList().currentBank(), 1);

        synth.setProgram(1);  // the host's own program calls only count in the maker's host
        EXPECT_FLOAT_EQ(stored(synth, 7), own ? 0.7f : 0.5f);
        synth.getProgramNameIndexed(0, 0, name);
        EXPECT_STREQ(name, own ? "Saw Lead" : synth.parameters().current().name);
    }
}

// The showcase lead first, wherever the banks sort; without it the first
// patch of bank 0, and when bank 0 is empty (an editor made it) the first
// patch of the library, whose bank then takes the program changes.
TEST_F(Patches, TheFirstProgramIsTheShowcaseLeadElseAPatchOfTheFirstBankThatHasOne) {
    const fs::path soundbanks = fs::path(host.home) / "data" / "Soundbanks";
    const fs::path lead = soundbanks / "Showcase" / "Leads" / "LD Cyborg T800 QV.fxp";
    {
        VstXSynth maker(TestHost::callback);
        writeLibrary(maker, host.home + "/data");
        fs::create_directories(lead.parent_path());
        maker.setParameter(1, 0.95f);
        ASSERT_TRUE(maker.savePatchFile(lead.string()));
    }
    fs::create_directories(soundbanks / "Aardvark");
    {
        VstXSynth synth(TestHost::callback);
        EXPECT_FLOAT_EQ(stored(synth, 7), 0.95f);
    }
    fs::remove(lead);
    VstXSynth synth(TestHost::callback);
    synth.setBlockSize(64);
    EXPECT_FLOAT_EQ(stored(synth, 7), 0.1f);  // Alpha/Bass/Deep
    send(synth, {{0, 0xC0, 1, 0}});
    EXPECT_FLOAT_EQ(stored(synth, 7), 0.3f);  // Alpha/Keys
}

TEST_F(Patches, AnEmptyBankOffersTheMakersHostNoPrograms) {
    {
        VstXSynth maker(TestHost::callback);
        writeLibrary(maker, host.home + "/data");
    }
    fs::create_directories(host.home + "/data/Soundbanks/Gamma");  // a bank without patches
    host.vendor = "Brindle Audio";
    VstXSynth synth(TestHost::callback);
    synth.setBlockSize(64);
    ASSERT_EQ(synth.programList().bankCount(), 3);
    EXPECT_EQ(synth.getAeffect()->numPrograms, 2);
    const std::size_t updatesBefore = std::count(host.requests.begin(), host.requests.end(), audioMasterUpdateDisplay);

    send(synth, {{0, 0xB0, 32, 2}});  // "Gamma"
    EXPECT_EQ(synth.programList().currentBank(), 2);
    EXPECT_EQ(synth.getAeffect()->numPrograms, 0);
    EXPECT_GT(std::count(host.requests.begin(), host.requests.end(), audioMasterUpdateDisplay), updatesBefore);
    EXPECT_FLOAT_EQ(stored(synth, 7), 0.1f);  // nothing to load: the sound stays
    send(synth, {{0, 0xC0, 0, 0}});
    EXPECT_FLOAT_EQ(stored(synth, 7), 0.1f);

    send(synth, {{0, 0xB0, 32, 1}});  // back to a bank with patches
    EXPECT_EQ(synth.getAeffect()->numPrograms, 2);
    EXPECT_FLOAT_EQ(stored(synth, 7), 0.5f);
}

TEST_F(Patches, LocksAndLearntControllersOutliveThePluginObject) {
    {
        VstXSynth first(TestHost::callback);
        EXPECT_FALSE(first.isLocked(control::kFilterFreq, 1));
        EXPECT_EQ(first.controllerMap().entry(1).control, 98);  // only the mod wheel out of the box
        EXPECT_EQ(first.controllerMap().entry(20).control, ControllerMap::kUnassigned);
        first.setParameter(71, 0.4f);  // [B] Filter Freq
        first.toggleLock(control::kFilterFreq, 1);
        first.controllerMap().startLearn(50, 1);
        MidiList learn;
        learn.add(0, 0xB0, 20, 64);
        first.setBlockSize(64);
        first.processEvents(learn.events());
        first.controllerMap().startLearn(50, 1);
        learn.midi[0].midiData[1] = 21;  // a second controller for the same control
        first.processEvents(learn.events());
    }
    EXPECT_TRUE(fs::exists(host.home + "/settings/plock"));
    VstXSynth second(TestHost::callback);
    EXPECT_TRUE(second.isLocked(control::kFilterFreq, 1));
    EXPECT_FLOAT_EQ(stored(second, 50, 1), 1.0f);  // locks hold values for loads, not the Init Patch
    // The lock was stored when it was set, at 0.4; later moves are stored when the editor closes.
    EXPECT_FLOAT_EQ(second.parameters().locks()[static_cast<std::size_t>(second.parameters().recordOf(control::kFilterFreq, 1))].value, 0.4f);
    EXPECT_EQ(second.controllerMap().entry(20).control, 50);
    EXPECT_EQ(second.controllerMap().entry(20).part, 1);
    second.setBlockSize(64);
    send(second, {{0, 0xB0, 20, 127}});
    EXPECT_EQ(stored(second, 50, 1), 1.0f);
    second.controllerMap().forget(50, 1);  // unbinds both controllers
    EXPECT_EQ(second.controllerMap().entry(20).control, ControllerMap::kUnassigned);
    EXPECT_EQ(second.controllerMap().entry(21).control, ControllerMap::kUnassigned);
}

#ifdef _WIN32
// Without a settings folder the values are REG_BINARY values under
// HKEY_CURRENT_USER\Software\Brindle Audio\Calverine holding the bytes the
// value files hold. They are left in place for the registry check that
// follows the tests.
TEST_F(Patches, WithoutASettingsFolderLocksLiveInTheRegistry) {
    const wchar_t* key = L"Software\\Brindle Audio\\Calverine";
    const auto lockOnce = [] {
        VstXSynth synth(TestHost::callback);
        synth.setParameter(71, 0.4f);  // [B] Filter Freq
        synth.toggleLock(control::kFilterFreq, 1);
    };
    const auto registryValue = [key](const wchar_t* name) {
        DWORD type = 0, size = 0;
        RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, nullptr, nullptr, &size);
        std::vector<std::uint8_t> bytes(size);
        const LONG result = RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type, bytes.data(), &size);
        EXPECT_EQ(result, ERROR_SUCCESS) << "no registry value";
        EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
        bytes.resize(result == ERROR_SUCCESS ? size : 0);
        return bytes;
    };
    lockOnce();  // into the folder, for the bytes to compare with
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    platform::setEnvironmentVariable("CALVERINE_SETTINGS_DIR", "");
    lockOnce();

    for (const auto& [name, file] : {std::pair{L"plock", "plock"}, std::pair{L"plockcnt", "plockcnt"},
                                     std::pair{L"uisize", "uisize"}}) {
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(platform::readFile(platform::joinPath(platform::joinPath(host.home, "settings"), file), bytes));
        EXPECT_EQ(registryValue(name), bytes) << file;
    }
    VstXSynth second(TestHost::callback);
    EXPECT_TRUE(second.isLocked(control::kFilterFreq, 1));
    platform::setEnvironmentVariable("CALVERINE_SETTINGS_DIR", platform::joinPath(host.home, "settings"));
}
#endif

TEST_F(Patches, DamagedSettingsLeaveTheDefaults) {
    fs::create_directories(host.home + "/settings");
    std::ofstream(host.home + "/settings/plockcnt") << "xy";  // too short
    std::ofstream(host.home + "/settings/DataCC") << "short";
    std::ofstream(host.home + "/settings/uisize");  // empty
    VstXSynth synth(TestHost::callback);
    EXPECT_EQ(synth.uiSize(), 0);
    EXPECT_FALSE(synth.isLocked(control::kVolume, -1));
    EXPECT_EQ(synth.controllerMap().entry(1).control, 98);
}

TEST_F(Patches, AStoredLockThatIsNotAFiniteNumberLocksNothing) {
    {
        VstXSynth maker(TestHost::callback);
        const LockEntry& slot = maker.parameters().locks()[static_cast<std::size_t>(maker.parameters().recordOf(control::kVolume, -1))];
        const LockEntry stored[2] = {{slot.control, slot.part, HUGE_VALF}, {slot.control, slot.part, 0.25f}};
        fs::create_directories(host.home + "/settings");
        std::ofstream(host.home + "/settings/plock", std::ios::binary).write(reinterpret_cast<const char*>(stored), 16);
        std::ofstream(host.home + "/settings/plockcnt", std::ios::binary).write("\1\0\0\0", 4);
    }
    VstXSynth first(TestHost::callback);
    EXPECT_FALSE(first.isLocked(control::kVolume, -1));
    std::ofstream(host.home + "/settings/plockcnt", std::ios::binary).write("\2\0\0\0", 4);
    VstXSynth second(TestHost::callback);  // the count tells how many entries are read
    EXPECT_TRUE(second.isLocked(control::kVolume, -1));
}
