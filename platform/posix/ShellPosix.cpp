#include "Shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <vector>

extern char** environ;

namespace platform {

bool openInFileManager(const std::string& folder) {
    // A short-lived shell starts xdg-open in the background and ends at once,
    // so the file manager never becomes our child and nothing here blocks.
    std::string sh = "/bin/sh", dashC = "-c", script = "command -v xdg-open >/dev/null || exit 1; xdg-open \"$1\" >/dev/null 2>&1 &", name = "sh";
    std::string path = folder;
    std::vector<char*> argv{sh.data(), dashC.data(), script.data(), name.data(), path.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform
