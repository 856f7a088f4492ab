// The plug-in's Genetics commands: breed the current program from 2 or 3
// patch files, and store the child in the library's "Genetics" bank. The
// child is written through the plug-in's set-control path (the path of the
// host's setParameter and the editor), so the engine and the editor follow.
//
// The plug-in object does not own this class: plugin/ comes before
// patches/ in the layering, so the editor (or a tool) keeps one next to the
// plug-in it works on.
//
// Threads: the user-interface thread. A breeding holds the plug-in's reload
// lock while it writes and then resets the sound as a patch load does
// (sounding notes are cut), so the audio thread renders silence meanwhile.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Genetics.h"
#include "Time.h"

namespace calverine {

class VstXSynth;

class PluginGenetics {
public:
    explicit PluginGenetics(VstXSynth& synth) : synth_(synth) {}

    // Reads the parents (2 or 3 program files) and breeds the current
    // program from them with `amount` (0 to 1) and a new seed: the clock's,
    // or `seed` for tests and tools. The program is named "Genetics" and its
    // info text names the parents. False with a one-sentence `error`, and
    // the current program unchanged, for a wrong count, a parent that is
    // missing, unreadable or not a Calverine patch, or an amount outside 0 .. 1.
    bool breedFromFiles(const std::vector<std::string>& paths, double amount, std::string& error,
                        std::optional<std::uint32_t> seed = std::nullopt);

    // Breeds the current program from parents already in a store (presets
    // 0 .. record().parentCount - 1), as breedFromFiles does after reading them.
    bool breed(const PluginParameters& parents, std::optional<std::uint32_t> seed = std::nullopt);

    // Writes the current program into the "Genetics" bank of the data folder
    // (created when missing) as "YYMMDD-HHMMSS-SEED.fxp" (two-digit year, the
    // local time, the seed of the last breeding in upper-case hexadecimal),
    // named uniquely by the library's copy rule ("... 1.fxp" when taken), and
    // rescans the library. False with `error` set when it cannot be written.
    bool storeChild(std::string& path, std::string& error);

    // The file name storeChild gives a child bred with `seed` at `time`,
    // before the copy rule's number.
    static std::string childName(const platform::LocalTime& time, std::uint32_t seed);

    genetics::Record& record() { return record_; }
    const genetics::Record& record() const { return record_; }

private:
    VstXSynth& synth_;
    genetics::Record record_;
};

}  // namespace calverine
