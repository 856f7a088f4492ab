// calverine-patch: Calverine patches as text and back.
#include <cstdio>
#include <string>
#include <vector>

#include "PatchTool.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return calverine::patchtool::run(args, stdout, stderr);
}
