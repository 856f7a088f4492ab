#include <windows.h>

#include "SystemServices.h"
#include "Wide.h"

namespace platform::native {

namespace {

constexpr const wchar_t* kSettingsKey = L"Software\\Brindle Audio\\Calverine";

}  // namespace

bool readSetting(const std::string& name, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    const std::wstring value = win32::widen(name);
    DWORD type = 0, size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, value.c_str(), RRF_RT_REG_BINARY, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return false;
    bytes.resize(size);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, value.c_str(), RRF_RT_REG_BINARY, &type, bytes.data(), &size) !=
        ERROR_SUCCESS) {
        bytes.clear();
        return false;
    }
    bytes.resize(size);
    return true;
}

bool writeSetting(const std::string& name, const void* data, std::size_t size) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExW(key, win32::widen(name).c_str(), 0, REG_BINARY,
                                       static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void showMessage(const char* title, const char* text, MessageIcon icon) {
    UINT style = MB_OK | MB_SETFOREGROUND;
    switch (icon) {
    case MessageIcon::Error: style |= MB_ICONERROR; break;
    case MessageIcon::Warning: style |= MB_ICONWARNING; break;
    case MessageIcon::Info: style |= MB_ICONINFORMATION; break;
    case MessageIcon::Question: style |= MB_ICONQUESTION; break;
    }
    MessageBoxW(nullptr, win32::widen(text).c_str(), win32::widen(title).c_str(), style);
}

}  // namespace platform::native
