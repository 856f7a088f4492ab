// Genetics: a child patch bred from two or three parent patches. The parents are the presets of a parent store; control by control a
// drawn parent passes its value on, and the child is written into a target:
// the plug-in's current program through its set-control path
// (PluginGenetics.h), or a plain store for the command-line tools.
//
// The draws come from the engine's generator (engine/Random.h): the state s
// starts at seed x 214013 + 2531011 and each draw reads its upper 16 bits
// (0 .. 65535) before the next step, which is Random(seed).nextWide().
//
// Threads: the user-interface thread (or a tool); never the audio thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PluginParameters.h"

namespace calverine::genetics {

constexpr int kParentChoices = 100;
constexpr int kMinParents = 2;
constexpr int kMaxParents = 3;
constexpr const char* kProgramName = "Genetics";
// Above this amount the LFO 2 pattern comes from a drawn parent.
constexpr double kLfo2DrawAmount = 0.789;
// Above this amount the state takes one more step before the step patterns.
constexpr double kExtraStepAmount = 0.49;

// What the user interface collects and the breeding fills in.
struct Record {
    float amount = 0.5f;                                  // 0 .. 1
    std::uint32_t seed = 0;                               // written by the breeding
    std::array<std::uint32_t, kParentChoices> choices{};  // written by the breeding, each 0 .. parentCount - 1
    std::uint32_t parentCount = 0;                        // 2 or 3
    std::vector<std::string> parentPaths;
};

// Where a breeding writes the child.
class Target {
public:
    // One value of (control, part): part -1 for a global control, 0 or 1 for
    // a part, 0 .. 15 for a voice slot.
    virtual void setControl(int control, float value, int part) = 0;
    virtual void setStepPattern(int lfo, const std::array<float, Preset::kSteps>& steps) = 0;
    virtual void setInfoText(std::string_view text) = 0;
    virtual void setProgramName(std::string_view name) = 0;

protected:
    ~Target() = default;
};

// A target that is a parameter store's current preset: values are taken as
// the plug-in's change path takes them (params::acceptStoredValue).
class StoreTarget final : public Target {
public:
    explicit StoreTarget(PluginParameters& store) : store_(store) {}
    void setControl(int control, float value, int part) override;
    void setStepPattern(int lfo, const std::array<float, Preset::kSteps>& steps) override;
    void setInfoText(std::string_view text) override;
    void setProgramName(std::string_view name) override;

private:
    PluginParameters& store_;
};

// The low 16 bits of the millisecond timer.
std::uint32_t clockSeed();

// The info text of a child: the parents' names joined by "|", and with two
// parents "|" and the seed in lowercase hexadecimal.
std::string infoText(const PluginParameters& parents, int parentCount, std::uint32_t seed);

// Breeds one child into `target` from presets 0 .. parentCount - 1 of
// `parents`, with record.amount (held within 0 .. 1) and a new seed (the
// clock's, or `seed`), which the record keeps with the 100 parent choices.
// False, and nothing written, when record.parentCount is not 2 or 3 or the
// store holds fewer presets.
bool breed(const PluginParameters& parents, Record& record, Target& target,
           std::optional<std::uint32_t> seed = std::nullopt);

// Reads 2 or 3 program files as the presets of a new parent store, the way
// the plug-in reads a patch file. Null with a one-sentence `error` naming
// the file when a file is missing, unreadable or not a Calverine patch, or
// for a wrong number of files.
std::unique_ptr<PluginParameters> readParents(const std::vector<std::string>& paths, std::string& error);

// True for an amount from 0 to 1; otherwise false with `error` set.
bool checkAmount(double amount, std::string& error);

// Command-line values: an amount (a decimal number from 0 to 1) and a seed
// (a whole number from 0 to 4294967295, decimal or "0x" hexadecimal). False
// with `error` set to one phrase for anything else.
bool parseAmount(std::string_view text, double& amount, std::string& error);
bool parseSeed(std::string_view text, std::uint32_t& seed, std::string& error);

// The command-line tools' breeding: reads the parents, then breeds into
// `child` (the current preset of a store), which starts as a copy of the
// first parent. False with `error` set (and `child` unchanged) for bad
// parents or an amount outside 0 .. 1.
bool breedFiles(const std::vector<std::string>& paths, double amount, std::optional<std::uint32_t> seed,
                PluginParameters& child, Record& record, std::string& error);

}  // namespace calverine::genetics
