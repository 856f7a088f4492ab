// calverine-library: the Calverine patch library from the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "Process.h"
#include "LibraryTool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args = platform::commandLineArguments(argc, argv);
    return calverine::librarytool::run(args, stdout, stderr);
}
