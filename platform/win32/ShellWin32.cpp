#include <windows.h>
#include <shellapi.h>

#include "Shell.h"
#include "Wide.h"

namespace platform {

bool openInFileManager(const std::string& folder) {
    // Explorer runs as a process of its own; ShellExecuteW returns at once.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"explore", win32::widen(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace platform
