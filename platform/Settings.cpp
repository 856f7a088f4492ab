#include "Settings.h"

#include "Files.h"
#include "Folders.h"
#include "SystemServices.h"

namespace platform {

Settings::Settings(std::string folder) : folder_(folder.empty() ? settingsFolder() : std::move(folder)) {}

bool Settings::read(const std::string& name, std::vector<std::uint8_t>& bytes) const {
    if (folder_.empty()) return native::readSetting(name, bytes);
    return readFile(joinPath(folder_, name), bytes);
}

bool Settings::write(const std::string& name, const void* data, std::size_t size) const {
    if (folder_.empty()) return native::writeSetting(name, data, size);
    if (!makeDirectories(folder_)) return false;
    return writeFileAtomically(joinPath(folder_, name), data, size);
}

}  // namespace platform
