// What each system does its own way behind the shared platform code; one
// implementation in posix/, one in win32/. Not for use outside platform/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Messages.h"

namespace platform::native {

// The system's own settings store, used when no settings folder is given: the
// registry key HKEY_CURRENT_USER\Software\Brindle Audio\Calverine on Windows;
// POSIX systems have none (every setting lives in a folder), so both fail.
bool readSetting(const std::string& name, std::vector<std::uint8_t>& bytes);
bool writeSetting(const std::string& name, const void* data, std::size_t size);

// A message where no hook takes it: a message box on Windows, standard error
// elsewhere.
void showMessage(const char* title, const char* text, MessageIcon icon);

}  // namespace platform::native
