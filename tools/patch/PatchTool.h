// calverine-patch: converts between program files (or raw chunks) and the
// patch text format. The whole command lives here so the tests can run it
// in-process; main.cpp only hands over the arguments.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace calverine::patchtool {

constexpr int kExitOk = 0;
constexpr int kExitWriteFailed = 1;
constexpr int kExitBadInput = 2;

const char* usage();

// Runs one command. `args` are the words after the program name. Text goes to
// `out` when no output file is named; errors go to `err`, one line each,
// starting "calverine-patch: ".
int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace calverine::patchtool
