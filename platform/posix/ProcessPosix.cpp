#include <unistd.h>

#include <cstdlib>

#include "Process.h"

namespace platform {

unsigned long processId() { return static_cast<unsigned long>(getpid()); }

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

std::string environmentVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

void setEnvironmentVariable(const char* name, const std::string& value) {
    if (value.empty())
        unsetenv(name);
    else
        setenv(name, value.c_str(), 1);
}

}  // namespace platform
