#include <dlfcn.h>

#include "SharedLibrary.h"

namespace platform {

bool SharedLibrary::open(const std::string& path, std::string& error) {
    close();
    // A bare file name would make dlopen search the library path.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "unknown error";
        return false;
    }
    return true;
}

void* SharedLibrary::symbol(const char* name) const { return handle_ != nullptr ? dlsym(handle_, name) : nullptr; }

void SharedLibrary::close() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace platform
