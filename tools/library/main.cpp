// calverine-library: the Calverine patch library from the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "LibraryTool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return calverine::librarytool::run(args, stdout, stderr);
}
