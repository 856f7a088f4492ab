// The system's shell: showing a folder in the file manager.
#pragma once

#include <string>

namespace platform {

// Opens the folder in the system file manager without waiting for it
// (xdg-open on Linux). False when the file manager could not be started.
bool openInFileManager(const std::string& folder);

}  // namespace platform
