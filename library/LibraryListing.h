// A listing of the patch library on disk: the folders and the files of one
// extension below a root, depth first, down to a number of folder levels.
// Names beginning with ".", names of 128 characters or more and names with
// control characters are skipped.
// Within a folder, names come in the order of platform::listDirectory (by name,
// ignoring case).
#pragma once

#include <string>
#include <vector>

namespace calverine {

struct LibraryEntry {
    int index = 0;
    int depth = 0;       // 0 directly in the root, 1 inside a bank, 2 inside a category
    bool folder = false;
    int bankIndex = -1;    // the soundbank the record belongs to, where known
    std::string fileName;  // with extension
    std::string name;      // without extension
    std::string fullPath;
};

class LibraryListing {
public:
    static constexpr int kMaxNameLength = 127;
    // Whether a folder or file of that name is listed at all: not empty, not
    // beginning with ".", at most kMaxNameLength characters and without
    // control characters (a line end in a name would break Favourites.db).
    static bool listable(const std::string& name);
    static bool hasControlCharacter(const std::string& name);
    // Whether the file name ends in "." + extension, ignoring case.
    static bool hasExtension(const std::string& name, const std::string& extension);

    // extension without the dot, compared ignoring case; levels: how many
    // folder levels below the root are entered (1..16, anything else 16).
    void list(const std::string& root, const std::string& extension, int levels);
    const std::vector<LibraryEntry>& entries() const { return entries_; }

private:
    void walk(const std::string& folder, int depth);

    std::string extension_;
    int levels_ = 2;
    std::vector<LibraryEntry> entries_;
};

}  // namespace calverine
