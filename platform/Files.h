// Files and folders: listing, creating, reading whole files, and writing
// them so that a crash or a full disk never leaves a half-written file
// (the bytes go to a temporary file in the same folder, which is renamed over
// the target only when complete). Paths are UTF-8 and use the native
// separator; the Windows build converts them to UTF-16 at every system call.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

struct DirectoryEntry {
    std::string name;
    bool directory = false;
};

// The names in a folder, sorted by name ignoring case ("." and ".." left out).
// Empty when the folder cannot be read.
std::vector<DirectoryEntry> listDirectory(const std::string& path);
bool isDirectory(const std::string& path);
bool fileExists(const std::string& path);
// Creates the folder and any missing parents; true if it exists afterwards.
bool makeDirectories(const std::string& path);
bool readFile(const std::string& path, std::vector<std::uint8_t>& bytes);
// Like readFile, but only a regular file (a symbolic link counts as what it
// points to): a FIFO, a socket or a device is refused without being opened for
// reading, so it can never block the caller.
bool readRegularFile(const std::string& path, std::vector<std::uint8_t>& bytes);
bool writeFileAtomically(const std::string& path, const void* data, std::size_t size);
// Like writeFileAtomically, but never replaces anything: fails when `path`
// exists already (or appears while the bytes are written).
bool writeNewFile(const std::string& path, const void* data, std::size_t size);
// writeNewFile without waiting for the bytes to reach the disk, for writing many
// files in a row: the file still appears only when complete, and one
// syncFileSystem afterwards makes them all durable.
bool writeNewFileUnsynced(const std::string& path, const void* data, std::size_t size);
// Waits until everything written to the file system that holds `path` is on
// the disk; false when it could not be done. (Windows lets only
// administrators flush a whole volume, so there writeNewFileUnsynced flushes
// each file itself and this has nothing left to do.)
bool syncFileSystem(const std::string& path);
// Renames a file or folder in one step; fails, leaving both alone, when
// something already stands at `to`.
bool renameNoReplace(const std::string& from, const std::string& to);
// Renames `from` to `to` in one step, replacing a file at `to`.
bool replaceFile(const std::string& from, const std::string& to);
// Creates a file that must not exist yet and opens it for writing: a C
// runtime file descriptor, or -1 with errno set (EEXIST when the file exists).
int createNewFile(const std::string& path);
// Closes what createNewFile opened; 0, or -1 with errno set.
int closeFile(int fd);
// a + separator + b, without doubling a separator.
std::string joinPath(const std::string& a, const std::string& b);
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// A UTF-8 path as a std::filesystem path and back. A plain std::string would
// be read in the system's ANSI code page on Windows, which loses every
// character outside it.
std::filesystem::path toPath(const std::string& path);
std::string fromPath(const std::filesystem::path& path);

}  // namespace platform
