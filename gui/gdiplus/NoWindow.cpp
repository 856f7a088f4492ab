// Windows has no file dialogs yet.
#include "FileDialog.h"

namespace gui {

FileDialogResult runFileDialog(const FileDialogOptions&, const std::function<void()>&) {
    return FileDialogResult{"", "no file dialogs on Windows yet"};
}

}  // namespace gui
