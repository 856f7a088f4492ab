#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "Files.h"
#include "Folders.h"
#include "Process.h"
#include "Wide.h"

namespace platform {

namespace {

std::string withSeparator(std::string path) {
    if (!path.empty() && path.back() != kSeparator && path.back() != '/') path += kSeparator;
    return path;
}

std::string documentsFolder() {
    wchar_t* path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, nullptr, &path))) folder = win32::narrow(path);
    CoTaskMemFree(path);
    return folder;
}

}  // namespace

// Settings live in the registry unless a folder is named for them.
std::string settingsFolder() { return withSeparator(environmentVariable("CALVERINE_SETTINGS_DIR")); }

std::string dataFolder() {
    const std::string overridden = environmentVariable("CALVERINE_DATA_DIR");
    if (!overridden.empty()) return withSeparator(overridden);
    const std::string documents = documentsFolder();
    if (documents.empty()) return "";
    return withSeparator(joinPath(documents, "Brindle Audio\\Calverine"));
}

}  // namespace platform
