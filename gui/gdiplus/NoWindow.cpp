// Windows has the canvas but no editor window yet: the editor draws only
// off-screen (screenshots).
#include "PlatformWindow.h"

namespace gui {

namespace {
constexpr const char* kNoWindow = "no editor window on Windows yet";
}

std::unique_ptr<PlatformWindow> PlatformWindow::create(void*, int, int, WindowListener&, std::string* error) {
    if (error) *error = kNoWindow;
    return nullptr;
}

}  // namespace gui
