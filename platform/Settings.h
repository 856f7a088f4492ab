// The per-user settings store: named values of raw bytes, one file per value
// in the settings folder, or, where there is no settings folder (Windows
// without CALVERINE_SETTINGS_DIR), one REG_BINARY value per name under
// HKEY_CURRENT_USER\Software\Brindle Audio\Calverine. A value that is missing reads as absent; writes
// replace a value atomically, so a failed write leaves the old value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class Settings {
public:
    // folder: where the value files live; the default is settingsFolder(),
    // and no folder at all means the system's own store.
    explicit Settings(std::string folder = "");
    bool read(const std::string& name, std::vector<std::uint8_t>& bytes) const;
    bool write(const std::string& name, const void* data, std::size_t size) const;

private:
    std::string folder_;
};

}  // namespace platform
