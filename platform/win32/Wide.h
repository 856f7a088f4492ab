// UTF-8 inside the program, UTF-16 at the Windows calls.
#pragma once

#include <string>

namespace platform::win32 {

std::wstring widen(const std::string& text);
std::string narrow(const wchar_t* text);
inline std::string narrow(const std::wstring& text) { return narrow(text.c_str()); }

}  // namespace platform::win32
