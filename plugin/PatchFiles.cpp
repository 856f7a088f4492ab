#include "PatchFiles.h"

#include "Files.h"
#include "Messages.h"
#include "PatchChunk.h"

namespace calverine {

bool readProgramFile(const std::string& path, std::vector<std::uint8_t>& file, const std::uint8_t*& chunk,
                     std::size_t& size) {
    if (!platform::readFile(path, file)) return false;
    const patch::FileCheck check = patch::findChunk(file, chunk, size);
    if (check == patch::FileCheck::Ok) return true;
    if (check == patch::FileCheck::NotOurs)
        platform::showMessage("Error", "This is not a patch for Calverine.", platform::MessageIcon::Error);
    return false;
}

std::unique_ptr<PluginParameters> readPatchFile(const std::string& path) {
    std::vector<std::uint8_t> file;
    if (!platform::readFile(path, file)) return nullptr;
    const std::uint8_t* chunk = nullptr;
    std::size_t size = 0;
    if (patch::findChunk(file, chunk, size) != patch::FileCheck::Ok) return nullptr;
    auto store = std::make_unique<PluginParameters>(1);
    if (!patch::readChunk(chunk, size, *store)) return nullptr;
    return store;
}

bool savePatchFile(const PluginParameters& store, const std::string& path) {
    std::vector<std::uint8_t> file;
    patch::writeProgramFile(store, file);
    return platform::writeFileAtomically(path, file.data(), file.size());
}

}  // namespace calverine
