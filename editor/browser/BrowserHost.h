// What the patch browser asks of the editor and the plug-in behind it.
// ADEditor implements it; the browser never reaches the plug-in directly.
//
// Thread: the GUI thread only.
#pragma once

#include <string>
#include <vector>

namespace calverine {

class BrowserHost {
public:
    virtual ~BrowserHost() = default;

    // Loads a patch file as the current program.
    virtual bool loadPatchFile(const std::string& path) = 0;
    // The file the current program came from (empty when none) and its name.
    virtual std::string currentPatchPath() = 0;
    virtual std::string currentPatchName() = 0;
    // Whether the current program was changed since it was loaded.
    virtual bool patchEdited() = 0;
    // Breeds the current program from 2 or 3 patch files with `amount`
    // (0 to 1); false with a one-sentence `error`.
    virtual bool breedPatches(const std::vector<std::string>& parents, double amount, std::string& error) = 0;
    // Stores the current (bred) program in the "Genetics" bank; its path.
    virtual bool storeBredPatch(std::string& path, std::string& error) = 0;
};

}  // namespace calverine
