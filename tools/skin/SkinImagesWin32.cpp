// The skin images on Windows: PNG resources (type "PNG", named by id) of the
// module that holds this code, which is the plug-in DLL inside a host and
// the program itself in a test. Their bytes stay mapped with the module, so
// they are registered in place.
#include <windows.h>

#include <cstdint>

#include "DrawContext.h"
#include "SkinImages.h"
#include "win32/Module.h"

namespace calverine::skin {
namespace {

// Calls `found(id, bytes, size)` for every PNG resource of the module.
template <typename Found>
void forEachImage(Found found) {
    const HMODULE module = platform::win32::moduleOfThisCode();
    auto visit = [](HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR context) -> BOOL {
        if (!IS_INTRESOURCE(name)) return TRUE;
        const HRSRC info = FindResourceW(m, name, type);
        const HGLOBAL loaded = info ? LoadResource(m, info) : nullptr;
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        if (bytes)
            (*reinterpret_cast<Found*>(context))(int(reinterpret_cast<std::uintptr_t>(name)), bytes,
                                                 std::size_t(SizeofResource(m, info)));
        return TRUE;
    };
    EnumResourceNamesW(module, L"PNG", visit, reinterpret_cast<LONG_PTR>(&found));
}

}  // namespace

void registerImages() {
    forEachImage([](int id, const void* bytes, std::size_t size) { gui::CBitmap::registerResource(id, bytes, size); });
}

int embeddedImageCount() {
    int count = 0;
    forEachImage([&](int, const void*, std::size_t) { ++count; });
    return count;
}

}  // namespace calverine::skin
