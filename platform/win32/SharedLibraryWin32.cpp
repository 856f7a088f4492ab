#include <windows.h>

#include "SharedLibrary.h"
#include "Wide.h"

namespace platform {

namespace {

std::string lastErrorText() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = text != nullptr ? win32::narrow(text) : "";
    LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.')) reason.pop_back();
    return reason.empty() ? "error " + std::to_string(code) : reason;
}

}  // namespace

bool SharedLibrary::open(const std::string& path, std::string& error) {
    close();
    // A bare file name would make LoadLibrary search the system folders.
    const bool bare = path.find_first_of("/\\:") == std::string::npos;
    const std::wstring file = win32::widen(bare ? ".\\" + path : path);
    // No "cannot find the file" box from the system; the caller reports it.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    handle_ = LoadLibraryW(file.c_str());
    if (handle_ == nullptr) error = lastErrorText();
    SetErrorMode(oldMode);
    return handle_ != nullptr;
}

void* SharedLibrary::symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void SharedLibrary::close() {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

}  // namespace platform
