#include "DropImport.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

#include "DropReader.h"
#include "Files.h"
#include "Folders.h"
#include "PatchLibrary.h"
#include "VstXSynth.h"

namespace calverine {

namespace {

bool hasExtension(const std::string& path, const std::string& extension) {
    const std::string ending = "." + extension;
    if (path.size() <= ending.size()) return false;
    return std::equal(ending.rbegin(), ending.rend(), path.rbegin(),
                      [](char a, char b) { return std::tolower(unsigned(a)) == std::tolower(unsigned(b)); });
}

// Selects the soundbank and category that hold `patch`, when it lies in the library.
void selectPlaceOf(PatchLibrary& library, const std::string& patch) {
    std::string root = library.root();
    while (!root.empty() && root.back() == platform::kSeparator) root.pop_back();
    if (patch.size() <= root.size() + 1 || patch.compare(0, root.size(), root) != 0 ||
        patch[root.size()] != platform::kSeparator)
        return;
    std::vector<std::string> parts;
    std::size_t from = root.size() + 1;
    for (std::size_t at; (at = patch.find(platform::kSeparator, from)) != std::string::npos; from = at + 1)
        parts.push_back(patch.substr(from, at - from));
    if (parts.empty()) return;
    const int bank = library.findBank(parts[0]);
    if (bank < 0) return;
    library.select(bank, parts.size() > 1 ? library.findCategory(parts[1]) : -1, -1);
}

}  // namespace

bool importDrop(VstXSynth& synth, const gui::DropData& data, PatchLibrary* library) {
    std::vector<DragItem> items;
    const DragItem::Type type = data.kind == gui::DropData::Kind::Text ? DragItem::Type::Text : DragItem::Type::FilePath;
    for (const std::string& item : data.items) items.push_back({item.data(), item.size(), type});
    DropReader reader;
    if (reader.readDrop(items) == 0) return false;

    std::unique_ptr<PatchLibrary> own;
    if (!library) {
        own = std::make_unique<PatchLibrary>(platform::dataFolder() + "Soundbanks");
        library = own.get();
        selectPlaceOf(*library, synth.currentPatchPath());
    }
    bool imported = false;
    std::string patch;
    for (const std::string& path : reader.paths()) {
        if (platform::isDirectory(path)) {
            imported = library->importFolder(path) || imported;
        } else if (hasExtension(path, "zip")) {
            imported = library->importZip(path) || imported;
        } else if (hasExtension(path, library->extension()) && library->importPatch(path)) {
            patch = library->sourcePatch();
            imported = true;
        }
    }
    if (!imported) return false;
    synth.rescanLibrary();
    if (!patch.empty()) synth.loadPatchFile(patch);
    return true;
}

}  // namespace calverine
