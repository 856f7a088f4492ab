#include "ProgramNavigation.h"

#include <algorithm>

#include "Files.h"
#include "Folders.h"

namespace calverine {

void ProgramNavigation::rescan() {
    const std::string data = platform::dataFolder();
    if (data.empty()) return;
    const std::string root = data + "Soundbanks";
    platform::makeDirectories(root);
    programs_.scan(root);
}

void ProgramNavigation::loadFirstProgram(const std::vector<std::string>& preferredPaths) {
    int first = -1;
    for (const std::string& path : preferredPaths)
        if (first < 0) first = programs_.find(path);
    if (first < 0) first = programs_.libraryIndex(0);
    if (first < 0 && !programs_.library().empty()) first = 0;  // bank 0 is empty
    if (first < 0) return;
    programs_.setCurrentBank(programs_.library()[static_cast<std::size_t>(first)].bank);
    programs_.rebuild();
    loadProgram(std::max(programs_.programOf(first), 0));
}

void ProgramNavigation::loadProgram(int program) {
    if (loadInProgress_.exchange(true)) return;  // a load is already running
    const int entry = programs_.libraryIndex(program);
    if (entry >= 0) {
        const LibraryProgram& p = programs_.library()[static_cast<std::size_t>(entry)];
        currentLibraryIndex_ = entry;
        if (owner_.loadPatchFile(p.path)) owner_.programLoaded(p.name);
        programs_.setCurrentBank(p.bank);
        rebuild();
    }
    loadInProgress_.store(false);
}

void ProgramNavigation::rebuild() {
    programs_.rebuild();
    owner_.programListRebuilt(std::max(programs_.programOf(currentLibraryIndex_), 0),
                              static_cast<int>(programs_.programs().size()));
}

void ProgramNavigation::selectBank(int bank) {
    if (loadInProgress_.exchange(true)) return;  // a load is running
    const bool change = bank >= 0 && bank <= programs_.bankCount() && bank != programs_.currentBank();
    if (change) {
        programs_.setCurrentBank(bank);
        rebuild();
    }
    loadInProgress_.store(false);
    if (change) loadProgram(0);
}

}  // namespace calverine
