#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>

#include "Files.h"
#include "Process.h"
#include "Wide.h"

namespace platform {

namespace {

using win32::widen;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

DWORD attributes(const std::string& path) { return GetFileAttributesW(widen(path).c_str()); }

// Compares names ignoring case the way the file system does (so "Ä" and "ä"
// sort together), then exactly.
bool nameBefore(const DirectoryEntry& a, const DirectoryEntry& b) {
    const std::wstring wa = widen(a.name), wb = widen(b.name);
    const int c = CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()), TRUE);
    return c != CSTR_EQUAL ? c == CSTR_LESS_THAN : a.name < b.name;
}

bool writeAll(HANDLE file, const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        if (!WriteFile(file, p, chunk, &written, nullptr) || written == 0) return false;
        p += written;
        size -= written;
    }
    return true;
}

// Writes the bytes to a temporary file beside `path` and moves it there with
// MoveFileExW and `moveFlags`; the temporary file never outlives a failure.
// The bytes are flushed to the disk before the file appears under its name.
bool writeThroughTemporary(const std::string& path, const void* data, std::size_t size, DWORD moveFlags) {
    const std::wstring temporary = widen(path + ".tmp-" + std::to_string(processId()));
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = writeAll(file, data, size) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    ok = ok && MoveFileExW(temporary.c_str(), widen(path).c_str(), moveFlags | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileW(temporary.c_str());
    return ok;
}

}  // namespace

std::vector<DirectoryEntry> listDirectory(const std::string& path) {
    std::vector<DirectoryEntry> entries;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(widen(joinPath(path, "*")).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::string name = win32::narrow(found.cFileName);
        if (name == "." || name == "..") continue;
        entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(entries.begin(), entries.end(), nameBefore);
    return entries;
}

bool isDirectory(const std::string& path) {
    const DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool fileExists(const std::string& path) {
    const DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool makeDirectories(const std::string& path) {
    if (path.empty()) return false;
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && !isSeparator(path[i])) continue;
        const std::string part = path.substr(0, i);
        // Drive roots ("C:") and existing folders are passed over.
        if (isDirectory(part) || (part.size() == 2 && part[1] == ':')) continue;
        if (!CreateDirectoryW(widen(part).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return isDirectory(path);
}

bool readFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::FILE* f = _wfopen(widen(path).c_str(), L"rb");
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
    // Devices ("CON", "\\.\pipe\...") are refused before opening; the file
    // type is checked again on the open handle.
    if (!fileExists(path)) return false;
    HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileType(file) == FILE_TYPE_DISK;
    std::uint8_t buffer[65536];
    while (ok) {
        DWORD n = 0;
        ok = ReadFile(file, buffer, sizeof(buffer), &n, nullptr);
        if (!ok || n == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    CloseHandle(file);
    if (!ok) bytes.clear();
    return ok;
}

bool replaceFile(const std::string& from, const std::string& to) {
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

int createNewFile(const std::string& path) {
    return _wopen(widen(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

int closeFile(int fd) { return _close(fd); }

bool writeFileAtomically(const std::string& path, const void* data, std::size_t size) {
    return writeThroughTemporary(path, data, size, MOVEFILE_REPLACE_EXISTING);
}

bool writeNewFile(const std::string& path, const void* data, std::size_t size) {
    return writeThroughTemporary(path, data, size, 0);
}

// An ordinary user cannot flush a whole volume on Windows, so every file is
// flushed on its own.
bool writeNewFileUnsynced(const std::string& path, const void* data, std::size_t size) {
    return writeNewFile(path, data, size);
}

bool syncFileSystem(const std::string& path) { return isDirectory(path) || fileExists(path); }

bool renameNoReplace(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
    return MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_WRITE_THROUGH);
}

}  // namespace platform
