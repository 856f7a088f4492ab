#include "Module.h"

namespace platform::win32 {

HMODULE moduleOfThisCode() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&moduleOfThisCode), &module);
    return module;
}

}  // namespace platform::win32
