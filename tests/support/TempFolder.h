// A fresh private folder under the test temp dir, removed with everything in
// it when the object goes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Files.h"

namespace calverine::test {

class TempFolder {
public:
    // `suffix` is appended to the folder's name (a test may want characters
    // beyond ASCII in the path).
    explicit TempFolder(const std::string& suffix = "") {
        // create_directory reports whether it made the folder, so a name
        // another process took is simply passed over.
        std::random_device seed;
        std::mt19937 random(seed());
        const std::filesystem::path base(testing::TempDir());
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::filesystem::path candidate =
                base / platform::toPath("calverine-" + std::to_string(random() % 1000000000u) + suffix);
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) path_ = platform::fromPath(candidate);
        }
        if (path_.empty()) ADD_FAILURE() << "cannot create a temporary folder in " << testing::TempDir();
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(platform::toPath(path_), ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return platform::joinPath(path_, name); }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> list() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(platform::toPath(path_)))
            names.push_back(platform::fromPath(entry.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

}  // namespace calverine::test
