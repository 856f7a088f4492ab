// The module (DLL or program) that holds Calverine's code: inside a host it
// is the plug-in's DLL, whose resources and window classes are ours.
#pragma once

#include <windows.h>

namespace platform::win32 {

HMODULE moduleOfThisCode();

}  // namespace platform::win32
