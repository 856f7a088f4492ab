#include "Files.h"
#include "Process.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <strings.h>

namespace platform {

std::vector<DirectoryEntry> listDirectory(const std::string& path) {
    std::vector<DirectoryEntry> entries;
    DIR* dir = opendir(path.c_str());
    if (!dir) return entries;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        entries.push_back({name, isDirectory(joinPath(path, name))});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
        const int c = strcasecmp(a.name.c_str(), b.name.c_str());
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return entries;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool makeDirectories(const std::string& path) {
    if (path.empty()) return false;
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == kSeparator) {
            const std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    return isDirectory(path);
}

bool readFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::uint8_t buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool readRegularFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    // A device is not even opened (opening some has effects of its own); the
    // check after opening catches a file swapped for a FIFO in between, which
    // O_NONBLOCK keeps from blocking the open.
    if (!fileExists(path)) return false;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && fcntl(fd, F_SETFL, 0) == 0;
    std::uint8_t buffer[65536];
    while (ok) {
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    close(fd);
    if (!ok) bytes.clear();
    return ok;
}

namespace {

// Writes the bytes to a temporary file beside `path` and moves it there with
// `publish`; the temporary file never outlives a failure. With `sync` the
// bytes are on the disk before the file appears under its name.
template <typename Publish>
bool writeThroughTemporary(const std::string& path, const void* data, std::size_t size, bool sync, Publish publish) {
    const std::string temporary = path + ".tmp-" + std::to_string(processId());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_TRUNC, 0644);
    if (fd < 0) return false;
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t written = 0;
    bool ok = true;
    while (ok && written < size) {
        const ssize_t n = write(fd, p + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) written += static_cast<std::size_t>(n);
    }
    ok = ok && (!sync || fsync(fd) == 0);
    ok = (close(fd) == 0) && ok;
    ok = ok && publish(temporary, path);
    if (!ok) unlink(temporary.c_str());
    return ok;
}

}  // namespace

bool writeFileAtomically(const std::string& path, const void* data, std::size_t size) {
    return writeThroughTemporary(path, data, size, true, replaceFile);
}

bool writeNewFile(const std::string& path, const void* data, std::size_t size) {
    return writeThroughTemporary(path, data, size, true, renameNoReplace);
}

bool writeNewFileUnsynced(const std::string& path, const void* data, std::size_t size) {
    return writeThroughTemporary(path, data, size, false, renameNoReplace);
}

bool replaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

int createNewFile(const std::string& path) { return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }

int closeFile(int fd) { return close(fd); }

bool syncFileSystem(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = syncfs(fd) == 0;
    close(fd);
    return ok;
}

bool renameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without RENAME_NOREPLACE: a hard link cannot replace
    // anything, so link and unlink moves a file safely; a folder is checked
    // first (rename never replaces a folder that holds anything).
    if (isDirectory(from)) {
        struct stat st {};
        return lstat(to.c_str(), &st) != 0 && errno == ENOENT && std::rename(from.c_str(), to.c_str()) == 0;
    }
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
}

}  // namespace platform
