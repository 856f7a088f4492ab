// Builds without a window backend (tests and tools) open no windows; the
// frame still draws off-screen and takes events through its listener.
#include "PlatformWindow.h"

namespace gui {

std::unique_ptr<PlatformWindow> PlatformWindow::create(void*, int, int, WindowListener&, std::string* error) {
    if (error) *error = "this build has no window backend";
    return nullptr;
}

}  // namespace gui
