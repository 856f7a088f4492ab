// A command-line tool's entry point run in-process, its two output streams
// in temporary files: what it printed and the exit status it gave.
#pragma once

#include <cstdio>
#include <string>

namespace calverine::test {

struct Printed {
    int status = -1;
    std::string out, err;
};

// run(out, err) prints to the two files and returns the exit status.
template <typename Run>
Printed captured(Run run) {
    std::FILE* files[2] = {std::tmpfile(), std::tmpfile()};
    Printed printed;
    printed.status = run(files[0], files[1]);
    std::string* texts[2] = {&printed.out, &printed.err};
    for (int i = 0; i < 2; ++i) {
        std::rewind(files[i]);
        for (int c; (c = std::fgetc(files[i])) != EOF;) texts[i]->push_back(static_cast<char>(c));
        std::fclose(files[i]);
    }
    return printed;
}

}  // namespace calverine::test
