// Where Calverine keeps its files. The settings folder holds one file per
// setting value (CALVERINE_SETTINGS_DIR, else $XDG_CONFIG_HOME or ~/.config,
// then "Brindle Audio/Calverine"); the data folder holds the patch library
// (CALVERINE_DATA_DIR, else the XDG documents folder or ~/Documents, then
// "Brindle Audio/Calverine"). On Windows the data folder is the shell's
// documents folder + "Brindle Audio\Calverine", and the settings folder is
// empty unless CALVERINE_SETTINGS_DIR names one: settings live in the registry.
#pragma once

#include <string>

namespace platform {

// With a trailing separator; empty when no home folder can be found.
std::string settingsFolder();
std::string dataFolder();

}  // namespace platform
