#include "ProgramList.h"

#include "LibraryListing.h"
#include "Messages.h"

namespace calverine {

namespace {
constexpr int kCodeLibrarySize = 301;
}

void ProgramList::scan(const std::string& root) {
    library_.clear();
    bankCount_ = 0;
    LibraryListing listing;
    listing.list(root, "fxp", 2);
    if (static_cast<int>(listing.entries().size()) >= kMaxEntries) {
        platform::reportArrayTooLarge(static_cast<int>(listing.entries().size()), kMaxEntries, kCodeLibrarySize);
        rebuild();
        return;
    }
    int bank = -1;
    bool skipping = false;  // inside a folder that is not a bank
    for (const LibraryEntry& e : listing.entries()) {
        if (e.depth == 0) {
            if (e.folder) {
                skipping = e.name == "Favourites" || e.name == "Trash";
                if (!skipping) bank = bankCount_++;
            }
            if (!e.folder) library_.push_back({e.fullPath, e.name, -1});
            continue;
        }
        if (!e.folder && !skipping) library_.push_back({e.fullPath, e.name, bank});
    }
    rebuild();
}

void ProgramList::rebuild() {
    programs_.clear();
    for (int i = 0; i < static_cast<int>(library_.size()); ++i)
        if (library_[static_cast<std::size_t>(i)].bank == currentBank_) programs_.push_back(i);
}

int ProgramList::libraryIndex(int program) const {
    return program >= 0 && program < static_cast<int>(programs_.size()) ? programs_[static_cast<std::size_t>(program)] : -1;
}

int ProgramList::programOf(int index) const {
    for (int n = 0; n < static_cast<int>(programs_.size()); ++n)
        if (programs_[static_cast<std::size_t>(n)] == index) return n;
    return -1;
}

int ProgramList::find(const std::string& path) const {
    for (int i = 0; i < static_cast<int>(library_.size()); ++i)
        if (library_[static_cast<std::size_t>(i)].path == path) return i;
    return -1;
}

}  // namespace calverine
