// The running program: its process id, its command line, its terminal.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace platform {

unsigned long processId();
// The command-line arguments after the program name, as UTF-8 (on Windows
// read from the UTF-16 command line, so any file name survives).
std::vector<std::string> commandLineArguments(int argc, char** argv);
// True when the stream is an interactive terminal.
bool isTerminal(std::FILE* stream);
// The environment variable's value as UTF-8; empty when unset.
std::string environmentVariable(const char* name);
// Sets (or, with an empty value, removes) an environment variable of this
// process.
void setEnvironmentVariable(const char* name, const std::string& value);

}  // namespace platform
