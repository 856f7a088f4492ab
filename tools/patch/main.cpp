// calverine-patch: Calverine patches as text and back.
#include <cstdio>
#include <string>
#include <vector>

#include "Process.h"
#include "PatchTool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args = platform::commandLineArguments(argc, argv);
    return calverine::patchtool::run(args, stdout, stderr);
}
