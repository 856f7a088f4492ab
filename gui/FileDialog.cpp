#include "FileDialog.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace gui {
namespace {

constexpr int kPumpMs = 20;

// The full path of `name` on PATH, or empty.
std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

std::string startPath(const FileDialogOptions& o) {
    std::string folder = o.folder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + o.defaultName;
}

std::vector<std::string> zenityArguments(const FileDialogOptions& o) {
    std::vector<std::string> args = {"zenity", "--file-selection", "--title=" + o.title};
    if (o.mode == FileDialogOptions::Mode::Save) args.push_back("--save");
    if (o.mode == FileDialogOptions::Mode::Folder) args.push_back("--directory");
    const std::string start = startPath(o);
    if (!start.empty()) args.push_back("--filename=" + start);
    for (const FileFilter& f : o.filters) args.push_back("--file-filter=" + f.description + " | " + f.pattern);
    return args;
}

std::vector<std::string> kdialogArguments(const FileDialogOptions& o) {
    std::string filters;
    for (const FileFilter& f : o.filters) filters += (filters.empty() ? "" : "\n") + f.pattern + "|" + f.description;
    const std::string start = startPath(o);
    if (o.mode == FileDialogOptions::Mode::Folder)
        return {"kdialog", "--title", o.title, "--getexistingdirectory", start.empty() ? "." : start};
    return {"kdialog", "--title", o.title,
            o.mode == FileDialogOptions::Mode::Save ? "--getsavefilename" : "--getopenfilename",
            start.empty() ? "." : start, filters};
}

// Runs the program and returns what it printed; `status` gets its exit
// status, -1 when it could not start.
std::string runWhilePumping(const std::string& program, const std::vector<std::string>& args, int& status,
                            const std::function<void()>& pump) {
    status = -1;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return {};
    }

    std::string output;
    bool open = true;
    int waitStatus = 0;
    bool exited = false;
    while (open || !exited) {
        pollfd fd{out[0], POLLIN, 0};
        if (open && poll(&fd, 1, kPumpMs) > 0) {
            char buffer[4096];
            const ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n > 0) output.append(buffer, std::size_t(n));
            if (n == 0) open = false;
        } else if (!open) {
            poll(nullptr, 0, kPumpMs);
        }
        if (!exited) exited = waitpid(pid, &waitStatus, WNOHANG) == pid;
        if (pump) pump();
    }
    close(out[0]);
    status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    return output;
}

}  // namespace

FileDialogResult runFileDialog(const FileDialogOptions& options, const std::function<void()>& pump) {
    std::string program = findProgram("zenity");
    std::vector<std::string> args;
    if (!program.empty()) {
        args = zenityArguments(options);
    } else if (!(program = findProgram("kdialog")).empty()) {
        args = kdialogArguments(options);
    } else {
        return {{}, "No file dialog is available: install zenity or kdialog."};
    }

    int status = 0;
    std::string output = runWhilePumping(program, args, status, pump);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    if (status == 0) return {output, {}};
    if (status == 1) return {};  // cancelled
    return {{}, "The file dialog (" + args[0] + ") failed."};
}

}  // namespace gui
