// The per-user settings store: named values of raw bytes, one file per value
// in the settings folder. A value that is missing reads as absent; writes
// replace a value atomically, so a failed write leaves the old value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class Settings {
public:
    // folder: where the value files live; the default is settingsFolder().
    explicit Settings(std::string folder = "");
    bool read(const std::string& name, std::vector<std::uint8_t>& bytes) const;
    bool write(const std::string& name, const void* data, std::size_t size) const;

private:
    std::string folder_;
};

}  // namespace platform
