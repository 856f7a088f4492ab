#include "PluginGenetics.h"

#include <cstdio>

#include "Files.h"
#include "Folders.h"
#include "PatchChunk.h"
#include "PatchLibrary.h"
#include "VstXSynth.h"

namespace calverine {

namespace {

constexpr const char* kGeneticsBank = "Genetics";

// The plug-in's current program as the target: the set-control path for the
// values, the plug-in's setters for the patterns and the names.
class PluginTarget final : public genetics::Target {
public:
    explicit PluginTarget(VstXSynth& synth) : synth_(synth) {}
    void setControl(int control, float value, int part) override { synth_.setControl(control, value, part, false); }
    void setStepPattern(int lfo, const std::array<float, Preset::kSteps>& steps) override {
        synth_.setStepPattern(lfo, steps.data());
    }
    void setInfoText(std::string_view text) override { synth_.setPatchInfoText(text); }
    void setProgramName(std::string_view name) override {
        std::string copy(name);
        synth_.setProgramName(copy.data());
    }

private:
    VstXSynth& synth_;
};

}  // namespace

bool PluginGenetics::breedFromFiles(const std::vector<std::string>& paths, double amount, std::string& error,
                                    std::optional<std::uint32_t> seed) {
    if (!genetics::checkAmount(amount, error)) return false;
    const std::unique_ptr<PluginParameters> parents = genetics::readParents(paths, error);
    if (!parents) return false;
    record_.amount = static_cast<float>(amount);
    record_.parentCount = static_cast<std::uint32_t>(paths.size());
    record_.parentPaths = paths;
    return breed(*parents, seed);
}

bool PluginGenetics::breed(const PluginParameters& parents, std::optional<std::uint32_t> seed) {
    // The whole child goes in while the audio thread is held off, and the
    // sound is then reset as for a patch load (notes cut, every stored value
    // sent again), so the child sounds as it will when it is loaded again.
    if (!synth_.lockForReload()) return false;
    PluginTarget target(synth_);
    const bool bred = genetics::breed(parents, record_, target, seed);
    if (bred) synth_.fullReset();
    synth_.unlockAfterReload();
    if (bred) synth_.wholePatchChanged();
    return bred;
}

std::string PluginGenetics::childName(const platform::LocalTime& time, std::uint32_t seed) {
    char name[64];
    std::snprintf(name, sizeof name, "%.2d%.2d%.2d-%.2d%.2d%.2d-%X", time.year % 100, time.month, time.day, time.hour,
                  time.minute, time.second, static_cast<unsigned>(seed));
    return name;
}

bool PluginGenetics::storeChild(std::string& path, std::string& error) {
    const std::string data = platform::dataFolder();
    if (data.empty()) {
        error = "There is no data folder to store the patch in.";
        return false;
    }
    const std::string folder = platform::joinPath(platform::joinPath(data, "Soundbanks"), kGeneticsBank);
    std::vector<std::uint8_t> bytes;
    patch::writeProgramFile(synth_.parameters(), bytes);
    if (!PatchLibrary::writeUnique(bytes, folder, childName(platform::localTime(), record_.seed), "fxp", &path)) {
        error = "The patch could not be stored in " + folder + ".";
        return false;
    }
    synth_.rescanLibrary();
    return true;
}

}  // namespace calverine
