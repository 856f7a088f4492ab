// The library as the host's program list sees it: every patch file of the
// library root with the bank (top-level folder) it lives in, and the list of
// the current bank's patches that program numbers index.
#pragma once

#include <string>
#include <vector>

namespace calverine {

struct LibraryProgram {
    std::string path;
    std::string name;
    int bank = -1;  // index of its top-level folder; -1 for a stray file in the root
};

class ProgramList {
public:
    static constexpr int kMaxEntries = 220000;

    // Lists the patch files below `root` (two folder levels). Banks are the
    // top-level folders in listing order; folders named "Favourites" or
    // "Trash" are not banks. A library of 220000 files or more is refused
    // with the size report and left empty.
    void scan(const std::string& root);

    const std::vector<LibraryProgram>& library() const { return library_; }
    int bankCount() const { return bankCount_; }
    int currentBank() const { return currentBank_; }
    void setCurrentBank(int bank) { currentBank_ = bank; }

    // The library indexes of the current bank's patches, in library order.
    void rebuild();
    const std::vector<int>& programs() const { return programs_; }
    // The library index program n selects, or -1.
    int libraryIndex(int program) const;
    // The program number of a library index in the current list, or -1.
    int programOf(int libraryIndex) const;
    // The library index whose path is `path`, or -1.
    int find(const std::string& path) const;

private:
    std::vector<LibraryProgram> library_;
    std::vector<int> programs_;
    int bankCount_ = 0;
    int currentBank_ = 0;
};

}  // namespace calverine
