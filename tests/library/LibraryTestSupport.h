// Helpers of the library tests: a fixture with a fresh library folder and
// every message the library shows, files made by path, ZIP archives written
// with libzip.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "MessageCapture.h"
#include "PatchLibrary.h"
#include "TempFolder.h"

namespace calverine::test {

class LibraryFixture : public ::testing::Test {
protected:
    LibraryFixture();

    // Paths below the library root ("Bank/Category/Name.fxp").
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }
    // A file below the library root (or anywhere, given an absolute path),
    // its folders created.
    void put(const std::string& relative, const std::string& content = "patch bytes") const;
    bool exists(const std::string& relative) const;
    // A file's bytes (below the root, or anywhere given an absolute path).
    std::string read(const std::string& relative) const;
    // Everything below the root, as sorted relative paths (folders end in "/").
    std::vector<std::string> tree() const;
    // Makes Favourites.db impossible to replace, even for root, while it stays
    // readable: a file stands where its new text would be written first (the
    // file's name + ".tmp-" + this process's id).
    void blockFavouritesWrites() const;
    void unblockFavouritesWrites() const;
    // The messages shown so far, and forgetting them.
    std::vector<std::string> takeMessages() { return messages_.take(); }

    TempFolder folder_;
    std::string base_ = folder_.path();
    std::string root_ = base_ + "/Soundbanks";
    MessageCapture messages_;
};

// Names of the entries, in order.
std::vector<std::string> names(const std::vector<LibraryEntry>& entries);
// The entry with that file name in the list (fails the test when missing).
LibraryEntry entryNamed(const std::vector<LibraryEntry>& entries, const std::string& fileName);

// Runs `act` while watching the FIFOs: should it block opening one of them for
// reading, a writer opens and closes it after a second, which lets it go on.
// Whether that was needed.
bool blockedOnFifo(const std::vector<std::string>& fifos, const std::function<void()>& act);

// A ZIP archive of (entry name, content) pairs; a name ending in "/" is a
// directory entry.
void writeZip(const std::string& file, const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace calverine::test
