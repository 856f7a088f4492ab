// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#include <io.h>
#include <stdlib.h>

#include "Process.h"
#include "Wide.h"

namespace platform {

unsigned long processId() { return GetCurrentProcessId(); }

std::vector<std::string> commandLineArguments(int, char**) {
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return args;
    for (int i = 1; i < count; ++i) args.push_back(win32::narrow(wide[i]));
    LocalFree(wide);
    return args;
}

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

std::string environmentVariable(const char* name) {
    const wchar_t* value = _wgetenv(win32::widen(name).c_str());
    return value != nullptr ? win32::narrow(value) : "";
}

void setEnvironmentVariable(const char* name, const std::string& value) {
    _wputenv_s(win32::widen(name).c_str(), win32::widen(value).c_str());
}

}  // namespace platform
