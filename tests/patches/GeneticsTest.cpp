// Genetics through the plug-in: which parent each control of the child comes
// from, the linked groups, the step patterns, the names, the seed, failures,
// and storing the child in the library's "Genetics" bank.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "GeneticsSupport.h"
#include "MessageCapture.h"
#include "PatchChunk.h"
#include "PatchFiles.h"
#include "PluginGenetics.h"
#include "VstXSynth.h"

namespace calverine {
namespace {

using test::Bytes;
namespace fs = std::filesystem;

constexpr std::uint32_t kSeed = 0x4d2;

// The breeding's draws, worked out independently: s starts at seed x 214013 + 2531011; a
// draw reads s >> 16, then s takes its next step.
std::vector<int> referenceDraws(std::uint32_t seed, int count) {
    std::vector<int> draws;
    std::uint32_t s = seed * 214013u + 2531011u;
    for (int i = 0; i < count; ++i) {
        draws.push_back(static_cast<int>(s >> 16));
        s = s * 214013u + 2531011u;
    }
    return draws;
}

int drawnParent(int r, int n) { return std::min(r * n / 65535, n - 1); }

Bytes chunkOf(VstXSynth& synth) {
    void* data = nullptr;
    const VstInt32 size = synth.getChunk(&data, true);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return Bytes(bytes, bytes + size);
}

bool linkedField(int c) { return (c >= 110 && c <= 115) || (c >= 120 && c <= 125); }

class Genetics : public ::testing::Test {
protected:
    // n parents, read as the editor reads them, in a store of their own.
    std::unique_ptr<PluginParameters> parents(int n) {
        std::string error;
        auto store = genetics::readParents(test::writeParents(files, n), error);
        EXPECT_TRUE(store) << error;
        return store;
    }
    // A child bred in the plug-in from `store` with amount a and a seed.
    const Preset& bred(const PluginParameters& store, int n, float a, std::uint32_t seed) {
        lab.record().parentCount = static_cast<std::uint32_t>(n);
        lab.record().amount = a;
        EXPECT_TRUE(lab.breed(store, seed));
        return synth.parameters().current();
    }

    test::Home home;
    test::TempFolder files;
    test::MessageCapture messages;
    VstXSynth synth{nullptr};
    PluginGenetics lab{synth};
};

// What the editor hears of a breeding.
struct Listener : ControlListener {
    std::set<std::pair<int, int>> changed;  // (control, part)
    int names = 0, redraws = 0;
    void controlChanged(int control, int part, float, bool) override { changed.insert({control, part}); }
    void patchNameChanged() override { ++names; }
    void redrawAll() override { ++redraws; }
};

TEST_F(Genetics, AmountZeroReproducesTheFirstParentApartFromTheNames) {
    const std::vector<std::string> paths = test::writeParents(files, 2);
    Listener editor;
    synth.setControlListener(&editor);
    std::string error;
    ASSERT_TRUE(lab.breedFromFiles(paths, 0.0, error, kSeed)) << error;
    synth.setControlListener(nullptr);

    // Every slot went through the change path, which tells the editor.
    for (const params::DefaultRecord& r : params::defaultRecords())
        EXPECT_TRUE(editor.changed.count({r.control, r.part < 0 ? -1 : r.part})) << "control " << r.control;
    EXPECT_GE(editor.names, 1);
    EXPECT_GE(editor.redraws, 1);

    const Preset first = test::parentStore(0).current();
    const Preset& child = synth.parameters().current();
    for (std::size_t r = 0; r < child.values.size(); ++r) EXPECT_EQ(child.values[r], first.values[r]) << "record " << r;
    EXPECT_EQ(child.steps, first.steps);
    EXPECT_STREQ(child.name, "Genetics");
    EXPECT_EQ(synth.patchInfoText(), "Alpha|Beta|4d2");
    char name[32] = {};
    synth.getProgramName(name);
    EXPECT_STREQ(name, "Genetics");
    // The engine plays the child's patterns.
    for (int i = 0; i < Preset::kSteps; ++i) {
        EXPECT_EQ(synth.engine().stepValue(0, i), first.steps[0][static_cast<std::size_t>(i)]);
        EXPECT_EQ(synth.engine().stepValue(1, i), first.steps[1][static_cast<std::size_t>(i)]);
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(Genetics, TheEngineFollowsTheChildAsItFollowsALoadedPatch) {
    // A child at amount 0 is the first parent: the plug-in that bred it plays
    // like one that loaded the first parent's file.
    PluginParameters playable[2];
    for (int k = 0; k < 2; ++k) {
        PluginParameters& p = playable[k];
        p.setValue(control::kVolume, k ? 0.3f : 0.7f, -1);
        for (int part = 0; part < 2; ++part) {
            p.setValue(control::kFilterFreq, k ? 0.9f : 0.45f, part);
            p.setValue(control::kFilterReso, k ? 0.1f : 0.6f, part);
            p.setValue(control::kOsc1Pulse, k ? 0.0f : 1.0f, part);
            p.setValue(control::kAmpEnvRelease, 0.3f, part);
        }
        for (int i = 0; i < Preset::kSteps; ++i) p.current().steps[0][static_cast<std::size_t>(i)] = (i % 3) * 0.5f;
    }
    const std::vector<std::string> paths = {files.file("a.fxp"), files.file("b.fxp")};
    for (int k = 0; k < 2; ++k) test::writeBytes(paths[static_cast<std::size_t>(k)], test::programFileOf(playable[k]));
    std::string error;
    ASSERT_TRUE(lab.breedFromFiles(paths, 0.0, error, kSeed)) << error;
    VstXSynth loaded(nullptr);
    ASSERT_TRUE(loaded.loadPatchFile(paths[0]));

    auto render = [](VstXSynth& s) {
        s.setSampleRate(44100.0f);
        s.setBlockSize(256);
        s.resume();
        VstMidiEvent note{};
        note.type = kVstMidiType;
        note.byteSize = sizeof note;
        note.midiData[0] = static_cast<char>(0x90);
        note.midiData[1] = 57;
        note.midiData[2] = 100;
        VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&note);
        std::vector<float> out, left(256), right(256);
        for (int block = 0; block < 44; ++block) {
            if (block == 4) s.processEvents(&list);
            float* outs[2] = {left.data(), right.data()};
            s.processReplacing(nullptr, outs, 256);
            if (block < 4) continue;
            out.insert(out.end(), left.begin(), left.end());
            out.insert(out.end(), right.begin(), right.end());
        }
        return out;
    };
    const std::vector<float> child = render(synth), parent = render(loaded);
    double energy = 0.0, difference = 0.0;
    for (std::size_t i = 0; i < child.size(); ++i) {
        energy += static_cast<double>(parent[i]) * parent[i];
        difference += static_cast<double>(child[i] - parent[i]) * (child[i] - parent[i]);
    }
    EXPECT_GT(energy / static_cast<double>(child.size()), 1e-4) << "the note sounds";
    EXPECT_EQ(difference, 0.0) << "the child sounds like its first parent";
}

TEST_F(Genetics, AmountOneDrawsEveryControlFromAllParentsNearUniformly) {
    const auto store = parents(3);
    int counts[3] = {};
    int total = 0;
    for (std::uint32_t seed = 0; seed < 200; ++seed) {
        const std::map<int, int> sources = test::sourcesOf(bred(*store, 3, 1.0f, seed * 331u + 7u));
        std::set<int> used;
        for (const auto& [control, parent] : sources) {
            used.insert(parent);
            // The linked fields and the pattern controls follow other draws.
            if (linkedField(control) || control >= 200) continue;
            ++counts[parent];
            ++total;
        }
        EXPECT_EQ(used.size(), 3u) << "seed " << seed << ": every parent supplies some controls";
        for (std::uint32_t choice : lab.record().choices) EXPECT_LT(choice, 3u);
    }
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(static_cast<double>(counts[k]) / total, 1.0 / 3.0, 0.02) << "parent " << k;
}

TEST_F(Genetics, AnAmountDrawsThatShareOfTheControlsFromAllParents) {
    // Each control comes from a drawn parent with probability a, else from
    // the first: with two parents the first gives (1 - a) + a / 2 of them.
    const auto store = parents(2);
    for (float a : {0.25f, 0.5f}) {
        int first = 0, total = 0;
        for (std::uint32_t seed = 0; seed < 100; ++seed)
            for (const auto& [control, parent] : test::sourcesOf(bred(*store, 2, a, seed * 977u + 1u))) {
                if (linkedField(control) || control >= 200) continue;
                first += parent == 0;
                ++total;
            }
        EXPECT_NEAR(static_cast<double>(first) / total, 1.0 - a / 2.0, 0.02) << "amount " << a;
    }
}

TEST_F(Genetics, MatrixSlotsOneToSixNeverMixParentsButSevenToTwelveDo) {
    const auto store = parents(3);
    bool laterSlotsMixed = false;
    for (std::uint32_t seed = 0; seed < 100; ++seed) {
        const std::map<int, int> sources = test::sourcesOf(bred(*store, 3, 1.0f, seed * 131u + 3u));
        for (int slot = 0; slot < 12; ++slot) {
            const int source = sources.at(control::kMatrixSource[slot]);
            const int amount = sources.at(control::kMatrixAmount[slot]);
            const int destination = sources.at(control::kMatrixDestination[slot]);
            if (slot < 6) {
                EXPECT_EQ(amount, source) << "slot " << slot + 1 << ", seed " << seed;
                EXPECT_EQ(destination, source) << "slot " << slot + 1 << ", seed " << seed;
            } else {
                laterSlotsMixed = laterSlotsMixed || amount != source || destination != source;
            }
        }
    }
    EXPECT_TRUE(laterSlotsMixed) << "slots 7 to 12 draw each field on its own";
}

TEST_F(Genetics, TheLfo1PatternIsAlwaysTheFirstParentsAndLfo2sIsDrawnAboveTheThreshold) {
    const auto store = parents(3);
    const PluginParameters first = test::parentStore(0);
    std::set<int> lfo2Parents;
    for (float a : {0.0f, 0.5f, 0.78f, 1.0f}) {
        for (std::uint32_t seed = 0; seed < 60; ++seed) {
            const Preset& child = bred(*store, 3, a, seed * 7919u);
            EXPECT_EQ(test::patternParent(child, 0), 0);
            const int lfo2 = test::patternParent(child, 1);
            ASSERT_GE(lfo2, 0);
            if (a < 0.789f) {
                EXPECT_EQ(lfo2, 0) << "amount " << a;
            }
            if (a == 1.0f) lfo2Parents.insert(lfo2);
            // The pattern's controls come with it (they are switches and
            // step counts, so compare with the parents' own values).
            const control::LfoControls& l1 = control::kLfo[0];
            const control::LfoControls& l2 = control::kLfo[1];
            const PluginParameters lfo2Parent = test::parentStore(lfo2);
            for (int c : {l1.steps, l1.oneShot, l1.soften})
                EXPECT_EQ(synth.parameters().getValue(c, -1), first.getValue(c, -1)) << "control " << c;
            for (int c : {l2.steps, l2.oneShot, l2.soften})
                EXPECT_EQ(synth.parameters().getValue(c, -1), lfo2Parent.getValue(c, -1)) << "control " << c;
            for (int i = 0; i < Preset::kSteps; i += 37) {
                EXPECT_EQ(synth.engine().stepValue(0, i), child.steps[0][static_cast<std::size_t>(i)]);
                EXPECT_EQ(synth.engine().stepValue(1, i), child.steps[1][static_cast<std::size_t>(i)]);
            }
        }
    }
    EXPECT_EQ(lfo2Parents.size(), 3u) << "at amount 1 the LFO 2 pattern comes from any parent";
}

TEST_F(Genetics, TheDrawsComeFromTheSharedGeneratorInTheirFixedOrder) {
    // The parent choices, every control's parent and the LFO 2 parent, from
    // the breeding formulas with the draws the skipped controls (and
    // the controls without a value) still consume.
    const auto store = parents(3);
    constexpr int kControls = params::kHighestControl + 1;
    for (float a : {1.0f, 0.6f, 0.3f}) {
        for (std::uint32_t seed : {0u, 1u, kSeed, 0xFFFFu, 0x89ABCDEFu}) {
            const std::vector<int> draws = referenceDraws(seed, 100 + 2 * kControls + 2);
            const std::map<int, int> sources = test::sourcesOf(bred(*store, 3, a, seed));
            EXPECT_EQ(lab.record().seed, seed);
            for (int i = 0; i < 100; ++i)
                EXPECT_EQ(lab.record().choices[static_cast<std::size_t>(i)], static_cast<std::uint32_t>(draws[static_cast<std::size_t>(i)] % 3));
            int slotParent[6] = {};
            for (int c = 0; c < kControls; ++c) {
                const int r1 = draws[static_cast<std::size_t>(100 + 2 * c)];
                const int r2 = draws[static_cast<std::size_t>(101 + 2 * c)];
                int p = drawnParent(r1, 3);
                if (r2 < (1.0 - a) * 65535.0) p = 0;
                if (c >= 100 && c <= 105) slotParent[c - 100] = p;
                if (linkedField(c)) p = slotParent[c % 10];
                const auto found = sources.find(c);
                if (found != sources.end() && c < 200) {
                    EXPECT_EQ(found->second, p) << "control " << c << ", seed " << seed;
                }
            }
            const int afterLoop = 100 + 2 * kControls + (a > 0.49f ? 1 : 0);
            const int q = a > 0.789f ? drawnParent(draws[static_cast<std::size_t>(afterLoop)], 3) : 0;
            EXPECT_EQ(test::patternParent(synth.parameters().current(), 1), q) << "seed " << seed;
        }
    }
}

TEST_F(Genetics, TheInfoTextNamesTheParentsAndTwoParentsTheSeed) {
    std::string error;
    ASSERT_TRUE(lab.breedFromFiles(test::writeParents(files, 3), 0.7, error, kSeed)) << error;
    EXPECT_EQ(synth.patchInfoText(), "Alpha|Beta|Gamma");
    ASSERT_TRUE(lab.breedFromFiles(test::writeParents(files, 2), 0.7, error, 0xBEEF)) << error;
    EXPECT_EQ(synth.patchInfoText(), "Alpha|Beta|beef");
    EXPECT_EQ(lab.record().seed, 0xBEEFu);
    EXPECT_EQ(lab.record().parentCount, 2u);
    EXPECT_FLOAT_EQ(lab.record().amount, 0.7f);

    // Without a fixed seed: the low 16 bits of the millisecond clock.
    ASSERT_TRUE(lab.breedFromFiles(test::writeParents(files, 2), 0.7, error)) << error;
    EXPECT_LE(lab.record().seed, 0xFFFFu);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", lab.record().seed);
    EXPECT_EQ(synth.patchInfoText(), std::string("Alpha|Beta|") + hex);
}

TEST_F(Genetics, TheInfoTextIsCutTo511Characters) {
    Preset preset;
    preset.info.fill(7);
    preset.setInfoText(std::string(600, 'x'));
    EXPECT_EQ(preset.infoText(), std::string(511, 'x'));
    EXPECT_EQ(preset.info[511], 0);
    EXPECT_EQ(preset.info[512], 7) << "the version and what follows are left alone";
}

TEST_F(Genetics, AFixedSeedGivesTheSameChildByteForByte) {
    const std::vector<std::string> paths = test::writeParents(files, 3);
    std::string error;
    ASSERT_TRUE(lab.breedFromFiles(paths, 0.9, error, kSeed)) << error;
    const Bytes once = chunkOf(synth);
    ASSERT_TRUE(lab.breedFromFiles(paths, 0.9, error, kSeed + 1)) << error;
    EXPECT_NE(chunkOf(synth), once);
    ASSERT_TRUE(lab.breedFromFiles(paths, 0.9, error, kSeed)) << error;
    EXPECT_EQ(chunkOf(synth), once);

    // The tools' breeding gives the same child when the plug-in's program
    // was the first parent (the preset words and the information bytes
    // after the text are the current program's).
    ASSERT_TRUE(synth.loadPatchFile(paths[0]));
    ASSERT_TRUE(lab.breedFromFiles(paths, 0.9, error, kSeed)) << error;
    PluginParameters child;
    genetics::Record record;
    ASSERT_TRUE(genetics::breedFiles(paths, 0.9, kSeed, child, record, error)) << error;
    Bytes tool;
    patch::writeChunk(child, tool);
    EXPECT_EQ(tool, chunkOf(synth));
    EXPECT_EQ(record.choices, lab.record().choices);
}

TEST_F(Genetics, BadParentsAndAmountsAreRefusedAndTheProgramStays) {
    const std::vector<std::string> good = test::writeParents(files, 3);
    test::writeBytes(files.file("short.fxp"), Bytes(30, 0));
    Bytes other = test::programFileOf(test::parentStore(0));
    std::memcpy(other.data() + 16, "Xfoo", 4);
    test::writeBytes(files.file("other.fxp"), other);
    Bytes headerOnly = test::programFileOf(test::parentStore(0));
    headerOnly.resize(60 + 100);
    test::writeBytes(files.file("truncated.fxp"), headerOnly);

    const Bytes before = chunkOf(synth);
    const std::string q = "'";
    const struct {
        std::vector<std::string> paths;
        double amount;
        std::string message;
    } refused[] = {
        {{good[0]}, 0.5, "Genetics needs 2 or 3 parent patches, not 1"},
        {{good[0], good[1], good[2], good[0]}, 0.5, "Genetics needs 2 or 3 parent patches, not 4"},
        {{good[0], files.file("none.fxp")}, 0.5, "the parent patch " + q + files.file("none.fxp") + q + " does not exist"},
        {{good[0], files.path()}, 0.5, "cannot read the parent patch " + q + files.path() + q},
        {{files.file("short.fxp"), good[1]}, 0.5,
         q + files.file("short.fxp") + q + " is not a program file: it is shorter than the 60-byte header"},
        {{good[0], files.file("other.fxp")}, 0.5, q + files.file("other.fxp") + q + " is not a Calverine program file"},
        {{good[0], files.file("truncated.fxp")}, 0.5,
         q + files.file("truncated.fxp") + q + " holds no patch: its chunk is shorter than the 560-byte information block"},
        {{good[0], good[1]}, 1.5, "the breed amount must be from 0 to 1, not 1.5"},
        {{good[0], good[1]}, -0.1, "the breed amount must be from 0 to 1, not -0.1"},
        {{good[0], good[1]}, std::nan(""), "the breed amount must be from 0 to 1, not nan"},
    };
    for (const auto& r : refused) {
        std::string error;
        EXPECT_FALSE(lab.breedFromFiles(r.paths, r.amount, error, kSeed));
        EXPECT_EQ(error, r.message);
        EXPECT_EQ(chunkOf(synth), before) << r.message;
    }
    EXPECT_TRUE(messages.texts.empty()) << "the caller decides how to show the reason";

    // A record that asks for more parents than the store holds breeds nothing.
    const auto two = parents(2);
    lab.record().parentCount = 3;
    EXPECT_FALSE(lab.breed(*two, kSeed));
    lab.record().parentCount = 1;
    EXPECT_FALSE(lab.breed(*two, kSeed));
    EXPECT_EQ(chunkOf(synth), before);
}

TEST_F(Genetics, TheChildIsStoredInTheGeneticsBankUnderAUniqueName) {
    EXPECT_EQ(PluginGenetics::childName({2025, 1, 4, 9, 5, 3}, 0x4d2), "250104-090503-4D2");
    EXPECT_EQ(PluginGenetics::childName({1999, 12, 31, 23, 59, 58}, 0xFFFFFFFF), "991231-235958-FFFFFFFF");

    std::string error;
    ASSERT_TRUE(lab.breedFromFiles(test::writeParents(files, 2), 0.5, error, kSeed)) << error;
    std::string first, second;
    ASSERT_TRUE(lab.storeChild(first, error)) << error;
    ASSERT_TRUE(lab.storeChild(second, error)) << error;
    const fs::path bank = fs::path(home.data()) / "Soundbanks" / "Genetics";
    EXPECT_EQ(fs::path(first).parent_path(), bank);
    EXPECT_EQ(fs::path(second).parent_path(), bank);
    EXPECT_NE(first, second);
    const std::string name = fs::path(first).stem().string();
    EXPECT_EQ(name.size(), std::string("YYMMDD-HHMMSS-4D2").size()) << name;
    EXPECT_EQ(name.substr(13), "-4D2");
    // Stored within the same second, the second copy takes the copy rule's number.
    if (fs::path(second).stem().string().rfind(name, 0) == 0) {
        EXPECT_EQ(fs::path(second).stem().string(), name + " 1");
    }

    // The file holds the child, and the plug-in's library lists it.
    const auto stored = readPatchFile(first);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->current().values, synth.parameters().current().values);
    EXPECT_STREQ(stored->current().name, "Genetics");
    EXPECT_EQ(stored->current().infoText(), "Alpha|Beta|4d2");
    EXPECT_GE(synth.programList().find(first), 0);
}

TEST_F(Genetics, StoringWithoutAWritableBankFails) {
    // A file where the bank's folder should be.
    test::writeBytes(home.data() + "/Soundbanks/Genetics", Bytes{1});
    std::string path, error;
    EXPECT_FALSE(lab.storeChild(path, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace calverine
