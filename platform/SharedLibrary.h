// A shared library loaded at run time, as a host loads a plug-in: dlopen on
// POSIX systems, LoadLibraryW on Windows.
#pragma once

#include <string>

namespace platform {

class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary() { close(); }
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Loads the file (a bare name is taken as a file in the current folder,
    // never searched for); on failure false with the system's reason.
    bool open(const std::string& path, std::string& error);
    // The exported symbol, or null.
    void* symbol(const char* name) const;
    bool isOpen() const { return handle_ != nullptr; }
    void close();

private:
    void* handle_ = nullptr;
};

}  // namespace platform
