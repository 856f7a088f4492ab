// calverine-library: the patch library from the command line, the way a user
// scripts or repairs it. Every change goes through PatchLibrary, so the tool
// refuses exactly what the plug-in's browser refuses, with the same messages
// (printed to standard error instead of shown in a box). The whole command
// lives here so the tests can run it in-process; main.cpp only hands over
// the arguments.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace calverine::librarytool {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;   // the disk refused an operation that has no message of its own
constexpr int kExitRefused = 2;  // bad input, or the library refused (its message on stderr)

const char* usage();

// Runs one command. `args` are the words after the program name. Listings go
// to `out`; messages go to `err`.
int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace calverine::librarytool
