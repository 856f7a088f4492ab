#include "Folders.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "Files.h"
#include "Process.h"

namespace platform {

namespace {

std::string withSlash(std::string path) {
    if (!path.empty() && path.back() != kSeparator) path += kSeparator;
    return path;
}

// The documents folder from user-dirs.dirs (XDG_DOCUMENTS_DIR="$HOME/...").
std::string documentsFolder(const std::string& home, const std::string& config) {
    std::ifstream in(joinPath(config, "user-dirs.dirs"));
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=";
        if (line.compare(0, key.size(), key) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
        if (!value.empty() && value.front() == '/') return value;
    }
    return joinPath(home, "Documents");
}

}  // namespace

std::string settingsFolder() {
    const std::string overridden = environmentVariable("CALVERINE_SETTINGS_DIR");
    if (!overridden.empty()) return withSlash(overridden);
    std::string config = environmentVariable("XDG_CONFIG_HOME");
    if (config.empty()) {
        const std::string home = environmentVariable("HOME");
        if (home.empty()) return "";
        config = joinPath(home, ".config");
    }
    return withSlash(joinPath(config, "Brindle Audio/Calverine"));
}

std::string dataFolder() {
    const std::string overridden = environmentVariable("CALVERINE_DATA_DIR");
    if (!overridden.empty()) return withSlash(overridden);
    const std::string home = environmentVariable("HOME");
    if (home.empty()) return "";
    std::string config = environmentVariable("XDG_CONFIG_HOME");
    if (config.empty()) config = joinPath(home, ".config");
    return withSlash(joinPath(documentsFolder(home, config), "Brindle Audio/Calverine"));
}

}  // namespace platform
