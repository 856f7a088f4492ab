#include "Settings.h"

#include "Files.h"
#include "Folders.h"

namespace platform {

Settings::Settings(std::string folder) : folder_(folder.empty() ? settingsFolder() : std::move(folder)) {}

bool Settings::read(const std::string& name, std::vector<std::uint8_t>& bytes) const {
    return !folder_.empty() && readFile(joinPath(folder_, name), bytes);
}

bool Settings::write(const std::string& name, const void* data, std::size_t size) const {
    if (folder_.empty() || !makeDirectories(folder_)) return false;
    return writeFileAtomically(joinPath(folder_, name), data, size);
}

}  // namespace platform
