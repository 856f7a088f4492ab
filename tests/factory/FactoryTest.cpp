// The Showcase soundbank as a musician meets it: every factory patch loads,
// plays a C major triad in one shared level window, and sounds like the
// category it is filed under, judged from the rendered signal (envelope,
// spectrum, rhythm). The patches are the text files in factory/Showcase and
// the program files the build compiled from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "AuthorTable.h"
#include "PatchLibrary.h"
#include "PatchName.h"
#include "PatchText.h"
#include "PatchTool.h"
#include "SignalAnalysis.h"
#include "TempFolder.h"
#include "TestHost.h"
#include "VstXSynth.h"

using namespace calverine;
namespace fs = std::filesystem;

namespace {

constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;
constexpr int kPreroll = 4 * kBlock;
constexpr double kHeldSeconds = 1.6, kReleaseSeconds = 0.4;
constexpr int kWindow = 441;  // 10 ms
constexpr int kLimiter = 79, kOrganic = 96, kPartsMode = 127, kEffects = 10, kChorus = 129, kEnsemble = 97;
constexpr int kLfoShape[2] = {21, 34};
constexpr int kStepShape = 3;
constexpr int kSpreadTrim = 145, kFirstTrim = 130, kLastTrim = 159;

struct FactoryPatch {
    std::string category, name, text, program;
};

std::vector<FactoryPatch> showcase() {
    std::vector<FactoryPatch> patches;
    for (const auto& entry : fs::recursive_directory_iterator(FACTORY_SOURCE_DIR)) {
        if (entry.path().extension() != ".txt") continue;
        const std::string category = entry.path().parent_path().filename().string();
        const std::string name = entry.path().stem().string();
        patches.push_back({category, name, entry.path().string(),
                           (fs::path(FACTORY_BANK_DIR) / category / (name + ".fxp")).string()});
    }
    std::sort(patches.begin(), patches.end(), [](const auto& a, const auto& b) { return a.program < b.program; });
    return patches;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// What one patch did with a chord held for kHeldSeconds and released.
struct Take {
    std::vector<float> left, right;
    int heldFrames = 0;
    bool finite = true;

    double peak() const { return std::max(analysis::peak(left), analysis::peak(right)); }
    // RMS of both channels over frames [from, to).
    double rms(int from, int to) const {
        double sum = 0.0;
        for (int i = std::max(from, 0); i < std::min(to, static_cast<int>(left.size())); ++i)
            sum += double(left[i]) * left[i] + double(right[i]) * right[i];
        return std::sqrt(sum / std::max(2 * (to - from), 1));
    }
    // 10 ms window levels of the held part.
    std::vector<double> envelope() const {
        std::vector<double> levels;
        for (int at = 0; at + kWindow <= heldFrames; at += kWindow) levels.push_back(rms(at, at + kWindow));
        return levels;
    }
    // The loudness of what sounds while the keys are held: the RMS over the
    // held windows within 20 dB of the loudest one (a drum's silent tail and
    // a pad's first fade-in do not count against it).
    double loudness() const {
        const auto levels = envelope();
        const double top = *std::max_element(levels.begin(), levels.end());
        double sum = 0.0;
        int n = 0;
        for (double l : levels)
            if (l >= top * 0.1) sum += l * l, ++n;
        return std::sqrt(sum / std::max(n, 1));
    }
    // Spectral centroid in Hz of 4096 frames of the left+right mix from `at`.
    double centroid(int at) const {
        constexpr std::size_t n = 4096;
        std::vector<float> mix(n);
        for (std::size_t i = 0; i < n && at + i < left.size(); ++i) mix[i] = left[at + i] + right[at + i];
        const auto spectrum = analysis::spectrum(mix, n);
        double weighted = 0.0, total = 0.0;
        for (std::size_t k = 1; k < spectrum.size(); ++k) {
            weighted += spectrum[k] * k * kRate / n;
            total += spectrum[k];
        }
        return total > 0.0 ? weighted / total : 0.0;
    }
};

// Loads the program file into a fresh plug-in object (private data and
// settings folders) and plays `notes` at velocity 100 from the first frame
// after a short pre-roll.
Take play(const std::string& program, const std::vector<int>& notes, bool limiterOff = false) {
    TestHost host;
    VstXSynth synth(TestHost::callback);
    synth.setSampleRate(kRate);
    synth.setBlockSize(kBlock);
    synth.resume();
    Take take;
    if (!synth.loadPatchFile(program)) {
        ADD_FAILURE() << program << " does not load";
        return take;
    }
    if (limiterOff) synth.setControl(kLimiter, 0.0f, -1, false);
    std::vector<float> l(kBlock), r(kBlock);
    float* outs[2] = {l.data(), r.data()};
    auto render = [&](int frames, bool keep) {
        for (int done = 0; done < frames; done += kBlock) {
            synth.processReplacing(nullptr, outs, kBlock);
            if (!keep) continue;
            for (int i = 0; i < kBlock; ++i) {
                take.finite = take.finite && std::isfinite(l[i]) && std::isfinite(r[i]);
                take.left.push_back(l[i]);
                take.right.push_back(r[i]);
            }
        }
    };
    render(kPreroll, false);
    MidiList on, off;
    for (int n : notes) on.add(0, 0x90, static_cast<unsigned char>(n), 100);
    for (int n : notes) off.add(0, 0x80, static_cast<unsigned char>(n), 0);
    send(synth, on);
    render(static_cast<int>(kHeldSeconds * kRate), true);
    take.heldFrames = static_cast<int>(take.left.size());
    send(synth, off);
    render(static_cast<int>(kReleaseSeconds * kRate), true);
    return take;
}

const std::vector<int> kTriad = {60, 64, 67};
const std::vector<int> kFourNotes = {60, 64, 67, 72};

float stored(const std::string& text, int control, int part = -1) {
    PluginParameters store;
    std::string error;
    EXPECT_TRUE(patchtext::parsePatch(text, store, error)) << error;
    return store.getValue(control, part);
}

// How often the held sound swings down by at least `depth` dB and comes back
// up by half as much, in the windows after `from`: the sound stops and starts.
int dips(const std::vector<double>& levels, double depth, std::size_t from) {
    int count = 0;
    bool down = false;
    double high = 0.0, low = 0.0;
    for (std::size_t i = from; i < levels.size(); ++i) {
        const double l = levels[i];
        if (!down) {
            high = std::max(high, l);
            if (l < high * std::pow(10.0, -depth / 20.0)) {
                down = true;
                low = l;
                ++count;
            }
        } else {
            low = std::min(low, l);
            if (l > low * std::pow(10.0, depth / 40.0)) {
                down = false;
                high = l;
            }
        }
    }
    return count;
}

class Showcase : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        patches_ = showcase();
        for (const auto& p : patches_) takes_.emplace(p.name, play(p.program, kTriad));
    }
    static std::vector<FactoryPatch> patches_;
    static std::map<std::string, Take> takes_;
};
std::vector<FactoryPatch> Showcase::patches_;
std::map<std::string, Take> Showcase::takes_;

}  // namespace

TEST(AuthorTable, HoldsThirtyThreeDistinctCodesOfTwoOrThreeLetters) {
    std::set<std::string> codes, names;
    for (int a = 0; a < kBuiltInAuthors; ++a) {
        const std::string code(builtInAuthors()[a].code);
        EXPECT_TRUE(code.size() == 2 || code.size() == 3) << code;
        EXPECT_TRUE(std::all_of(code.begin(), code.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
            << code;
        EXPECT_FALSE(builtInAuthors()[a].name.empty()) << code;
        codes.insert(code);
        names.insert(std::string(builtInAuthors()[a].name));
    }
    EXPECT_EQ(codes.size(), 33u);
    EXPECT_EQ(names.size(), 33u);
    EXPECT_TRUE(codes.count("QV"));
}

TEST_F(Showcase, FillsEveryCategoryAndNamesEachPatchByItsAuthors) {
    EXPECT_GE(patches_.size(), 56u);
    std::map<std::string, int> perCategory;
    std::set<std::string> known;
    for (int a = 0; a < kBuiltInAuthors; ++a) known.emplace(builtInAuthors()[a].code);
    for (const auto& p : patches_) {
        ++perCategory[p.category];
        EXPECT_NE(std::find(kFixedCategories.begin(), kFixedCategories.end(), p.category), kFixedCategories.end())
            << p.category;
        // The name stored in the patch is the file's name, and it fits the preset's name field.
        PluginParameters store;
        std::string error;
        ASSERT_TRUE(patchtext::parsePatch(readText(p.text), store, error)) << p.name << ": " << error;
        EXPECT_EQ(std::string(store.current().name), p.name);
        EXPECT_LE(p.name.size(), 31u);
        const AuthorSuffix suffix = splitAuthorSuffix(p.name);
        ASSERT_FALSE(suffix.codes.empty()) << p.name << " has no author suffix";
        for (const auto& code : suffix.codes) EXPECT_TRUE(known.count(code)) << p.name << ": unknown author " << code;
    }
    for (const auto& category : kFixedCategories) EXPECT_GE(perCategory[category], 4) << category;
    EXPECT_TRUE(fs::exists(fs::path(FACTORY_BANK_DIR) / "Leads" / "LD Cyborg T800 QV.fxp"));
    EXPECT_TRUE(fs::exists(fs::path(FACTORY_BANK_DIR) / "config.ini"));
}

TEST_F(Showcase, ProgramFilesRoundTripThroughTheTextFormByteForByte) {
    test::TempFolder folder;
    const std::string text = folder.path() + "/patch.txt", rebuilt = folder.path() + "/patch.fxp";
    for (const auto& p : patches_) {
        ASSERT_EQ(patchtool::run({"dump", p.program, "-o", text}, stdout, stderr), patchtool::kExitOk) << p.name;
        ASSERT_EQ(patchtool::run({"build", text, "-o", rebuilt}, stdout, stderr), patchtool::kExitOk) << p.name;
        EXPECT_EQ(readText(rebuilt), readText(p.program)) << p.name;
    }
}

TEST_F(Showcase, EveryPatchPlaysTheTriadInTheBanksLevelWindow) {
    std::vector<double> loudness;
    for (const auto& p : patches_) loudness.push_back(analysis::decibels(takes_.at(p.name).loudness()));
    std::vector<double> sorted = loudness;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const bool report = std::getenv("CALVERINE_FACTORY_REPORT") != nullptr;
    for (std::size_t i = 0; i < patches_.size(); ++i) {
        const Take& take = takes_.at(patches_[i].name);
        const double peak = analysis::decibels(take.peak());
        if (report)
            std::printf("%-30s peak %6.1f dB  loudness %6.1f dB (%+5.1f)\n", patches_[i].name.c_str(), peak, loudness[i],
                        loudness[i] - median);
        EXPECT_TRUE(take.finite) << patches_[i].name;
        EXPECT_GE(peak, -12.0) << patches_[i].name;
        EXPECT_LE(peak, -3.0) << patches_[i].name;
        EXPECT_NEAR(loudness[i], median, 3.0) << patches_[i].name;
    }
}

TEST_F(Showcase, NoPatchClipsAFourNoteChordWithTheLimiterOff) {
    for (const auto& p : patches_) {
        const Take take = play(p.program, kFourNotes, true);
        EXPECT_TRUE(take.finite) << p.name;
        EXPECT_LT(take.peak(), 1.0) << p.name;
    }
}

// What makes each category what it is, measured on the triad.
TEST_F(Showcase, EachPatchSoundsLikeItsCategory) {
    const bool report = std::getenv("CALVERINE_FACTORY_REPORT") != nullptr;
    const int ms = static_cast<int>(kRate / 1000);
    for (const auto& p : patches_) {
        const Take& take = takes_.at(p.name);
        const std::string text = readText(p.text);
        const auto levels = take.envelope();
        const std::size_t loudest = static_cast<std::size_t>(std::max_element(levels.begin(), levels.end()) - levels.begin());
        const double top = levels[loudest];
        // Time in ms until the level first reaches half the loudest window.
        std::size_t rise = 0;
        while (rise < levels.size() && levels[rise] < top * 0.5) ++rise;
        const double tail = take.rms(take.heldFrames + 100 * ms, take.heldFrames + 200 * ms) / take.loudness();
        const double early = take.centroid(50 * ms), late = take.centroid(1000 * ms);
        const int gaps = dips(levels, 9.0, 20);
        if (report)
            std::printf("%-30s rise %4zu ms  loudest %4zu ms  tail %6.1f dB  centroid %5.0f -> %5.0f Hz  dips %d  "
                        "at 400 ms %6.1f dB  at 1.2 s %6.1f dB\n",
                        p.name.c_str(), rise * 10, loudest * 10, analysis::decibels(tail), early, late, gaps,
                        analysis::decibels(levels[40] / top), analysis::decibels(levels[120] / top));
        const std::string& c = p.category;
        SCOPED_TRACE(p.name);
        if (c == "Drums") {
            // A hit: loud at once, 20 dB down within 400 ms.
            EXPECT_LT(loudest, 6u);
            EXPECT_LT(levels[40], top * 0.1);
        } else if (c == "Keys+Plucked") {
            // Struck or plucked: the loudest moment comes early, then the sound decays.
            EXPECT_LT(loudest, 8u);
            EXPECT_LT(levels[120], top * 0.5);
        } else if (c == "Pads" || c == "Strings") {
            // A slow swell and a release that outlasts the keys, widened by chorus or ensemble.
            EXPECT_GE(rise, 15u);
            EXPECT_GT(tail, 0.1);
            EXPECT_EQ(stored(text, kEffects), 1.0f);
            EXPECT_EQ(stored(text, kChorus), 1.0f);
        } else if (c == "Gated") {
            // Chopped in time: the held chord stops and starts again, at least once per beat.
            EXPECT_GE(gaps, 3);
            EXPECT_EQ(stored(text, kLfoShape[0]), kStepShape);
        } else if (c == "Sequences") {
            // A pattern from one held chord: the level or the timbre moves step by step.
            EXPECT_TRUE(stored(text, kLfoShape[0]) == kStepShape || stored(text, kLfoShape[1]) == kStepShape);
            EXPECT_GE(dips(levels, 6.0, 20), 3);
        } else if (c == "Brass") {
            // The bite: brighter in the attack than in the sustain.
            EXPECT_GT(early, 1.2 * late);
        } else if (c == "Bass") {
            // Weight at the bottom: a dark spectrum.
            EXPECT_LT(late, 700.0);
        } else if (c == "Splits") {
            // A low and a high part, each with its own voice half.
            EXPECT_EQ(stored(text, kPartsMode), 2.0f);
            const Take low = play(p.program, {36});
            EXPECT_GT(low.loudness(), take.loudness() * 0.1);
            EXPECT_LT(low.centroid(200 * ms), take.centroid(200 * ms));
        } else if (c == "Vintage") {
            // Drifting, trimmed voices.
            EXPECT_GT(stored(text, kOrganic), 0.0f);
            int trimmed = 0;
            for (int voice = 0; voice < 16; ++voice)
                for (int control = kFirstTrim; control <= kLastTrim; ++control)
                    if (control != kSpreadTrim && stored(text, control, voice) != 0.5f) ++trimmed;
            EXPECT_GE(trimmed, 64);
        }
    }
}

// Installed, the bank lies in the data folder as Soundbanks/Showcase/<category>/;
// a new plug-in object starts on the showcase lead even when other banks sort first.
TEST(ShowcaseInstalled, TheFirstProgramIsTheShowcaseLead) {
    TestHost host;
    const fs::path soundbanks = fs::path(host.home) / "data" / "Soundbanks";
    fs::create_directories(soundbanks / "Aardvark" / "Bass");
    fs::copy_file(fs::path(FACTORY_BANK_DIR) / "Bass" / "BS Rubber Floor QV.fxp",
                  soundbanks / "Aardvark" / "Bass" / "BS Rubber Floor QV.fxp");
    fs::copy(FACTORY_BANK_DIR, soundbanks / "Showcase", fs::copy_options::recursive);
    VstXSynth synth(TestHost::callback);
    char name[kVstMaxProgNameLen + 1] = {};
    synth.getProgramName(name);
    EXPECT_STREQ(name, "LD Cyborg T800 QV");
}
