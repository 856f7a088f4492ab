// Open and save dialogs. The plug-in shares the host's process, so it links
// no dialog toolkit: on Linux the dialog is a separate program (zenity, else
// kdialog) run as a child process. While it is open the caller's pump keeps
// the editor drawing. On Windows they are the system's own item dialogs.
//
// Thread: the GUI thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace gui {

struct FileFilter {
    std::string description;  // "Program files"
    std::string pattern;      // "*.fxp"
};

struct FileDialogOptions {
    enum class Mode : std::uint8_t { Open, Save, Folder } mode = Mode::Open;  // Folder picks a folder
    std::string title;
    std::vector<FileFilter> filters;
    std::string folder;       // where the dialog starts; empty for its own choice
    std::string defaultName;  // the file name a save dialog proposes
};

struct FileDialogResult {
    std::string path;   // empty when the user cancelled or the dialog failed
    std::string error;  // why no dialog could be shown, for the caller to report
};

// Shows the dialog and waits for it, calling `pump` about every 20 ms.
FileDialogResult runFileDialog(const FileDialogOptions& options, const std::function<void()>& pump);

}  // namespace gui
