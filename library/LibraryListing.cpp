#include "LibraryListing.h"

#include <strings.h>

#include <algorithm>

#include "Files.h"

namespace calverine {

bool LibraryListing::listable(const std::string& name) {
    return !name.empty() && name[0] != '.' && static_cast<int>(name.size()) <= kMaxNameLength &&
           !hasControlCharacter(name);
}

bool LibraryListing::hasControlCharacter(const std::string& name) {
    return std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool LibraryListing::hasExtension(const std::string& name, const std::string& extension) {
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && strcasecmp(name.c_str() + dot + 1, extension.c_str()) == 0;
}

void LibraryListing::list(const std::string& root, const std::string& extension, int levels) {
    entries_.clear();
    extension_ = extension;
    levels_ = levels >= 1 && levels <= 16 ? levels : 16;
    if (!root.empty()) walk(root, 0);
}

void LibraryListing::walk(const std::string& folder, int depth) {
    for (const platform::DirectoryEntry& e : platform::listDirectory(folder)) {
        if (!listable(e.name)) continue;
        const std::string path = platform::joinPath(folder, e.name);
        if (e.directory) {
            entries_.push_back({static_cast<int>(entries_.size()), depth, true, -1, e.name, e.name, path});
            if (depth < levels_) walk(path, depth + 1);
            continue;
        }
        if (!hasExtension(e.name, extension_)) continue;
        const std::string name = e.name.substr(0, e.name.size() - extension_.size() - 1);
        entries_.push_back({static_cast<int>(entries_.size()), depth, false, -1, e.name, name, path});
    }
}

}  // namespace calverine
