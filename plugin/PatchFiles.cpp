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
    PatchFileStatus status;
    return readPatchFile(path, status);
}

std::unique_ptr<PluginParameters> readPatchFile(const std::string& path, PatchFileStatus& status) {
    std::vector<std::uint8_t> file;
    status = PatchFileStatus::Unreadable;
    if (!platform::readFile(path, file)) return nullptr;
    const std::uint8_t* chunk = nullptr;
    std::size_t size = 0;
    switch (patch::findChunk(file, chunk, size)) {
    case patch::FileCheck::TooShort: status = PatchFileStatus::TooShort; return nullptr;
    case patch::FileCheck::NotOurs: status = PatchFileStatus::NotOurs; return nullptr;
    case patch::FileCheck::Ok: break;
    }
    auto store = std::make_unique<PluginParameters>(1);
    if (!patch::readChunk(chunk, size, *store)) {
        status = PatchFileStatus::ChunkTooShort;
        return nullptr;
    }
    status = PatchFileStatus::Ok;
    return store;
}

bool savePatchFile(const PluginParameters& store, const std::string& path) {
    std::vector<std::uint8_t> file;
    patch::writeProgramFile(store, file);
    return platform::writeFileAtomically(path, file.data(), file.size());
}

}  // namespace calverine
