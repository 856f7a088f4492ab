// Open, save and folder dialogs on Windows: the system's common item
// dialogs. Show() is modal and runs its own message loop, which also keeps
// the editor's window drawing, so the caller's pump is not needed here.
#include <windows.h>
#include <shobjidl.h>

#include <vector>

#include "FileDialog.h"
#include "win32/Wide.h"

namespace gui {
namespace {

using platform::win32::narrow;
using platform::win32::widen;

// Releases a COM interface when it goes out of scope.
template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

// COM for the length of one dialog, if the thread has not set it up itself.
struct ComForThisCall {
    const bool mustUninitialize = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    ~ComForThisCall() {
        if (mustUninitialize) CoUninitialize();
    }
};

// The shell parses only backslashes; GetFullPathNameW gives the same path
// with them (the program's own paths may hold forward slashes too).
std::wstring shellPath(const std::string& path) {
    const std::wstring wide = widen(path);
    std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr), L'\0');
    if (full.empty()) return wide;
    full.resize(GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr));
    return full;
}

// Applies the options to the dialog.
void configure(IFileDialog& dialog, const FileDialogOptions& o) {
    FILEOPENDIALOGOPTIONS flags = 0;
    dialog.GetOptions(&flags);
    flags |= FOS_FORCEFILESYSTEM;
    if (o.mode == FileDialogOptions::Mode::Folder) flags |= FOS_PICKFOLDERS;
    if (o.mode == FileDialogOptions::Mode::Save) flags |= FOS_OVERWRITEPROMPT;
    dialog.SetOptions(flags);
    // The dialog copies every text it is given.
    if (!o.title.empty()) dialog.SetTitle(widen(o.title).c_str());
    if (!o.defaultName.empty()) dialog.SetFileName(widen(o.defaultName).c_str());
    if (o.mode != FileDialogOptions::Mode::Folder && !o.filters.empty()) {
        std::vector<std::wstring> texts;  // description, pattern, description, pattern, ...
        for (const FileFilter& f : o.filters) {
            texts.push_back(widen(f.description));
            texts.push_back(widen(f.pattern));
        }
        std::vector<COMDLG_FILTERSPEC> specs;
        for (std::size_t i = 0; i < texts.size(); i += 2) specs.push_back({texts[i].c_str(), texts[i + 1].c_str()});
        dialog.SetFileTypes(UINT(specs.size()), specs.data());
    }
    if (!o.folder.empty()) {
        Released<IShellItem> start;
        if (SUCCEEDED(SHCreateItemFromParsingName(shellPath(o.folder).c_str(), nullptr, IID_PPV_ARGS(&start.p))))
            dialog.SetFolder(start.p);
    }
}

}  // namespace

FileDialogResult runFileDialog(const FileDialogOptions& options, const std::function<void()>&) {
    ComForThisCall com;
    Released<IFileDialog> dialog;
    const CLSID kind = options.mode == FileDialogOptions::Mode::Save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog;
    if (FAILED(CoCreateInstance(kind, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog.p))))
        return {{}, "The system's file dialog could not be created."};
    configure(*dialog.p, options);

    const HRESULT shown = dialog.p->Show(GetActiveWindow());
    if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return {};
    Released<IShellItem> chosen;
    PWSTR path = nullptr;
    if (FAILED(shown) || FAILED(dialog.p->GetResult(&chosen.p)) ||
        FAILED(chosen.p->GetDisplayName(SIGDN_FILESYSPATH, &path)))
        return {{}, "The system's file dialog failed."};
    FileDialogResult result{narrow(path), {}};
    CoTaskMemFree(path);
    return result;
}

}  // namespace gui
