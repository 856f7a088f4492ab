// One run of calverine-render: reads the MIDI input and the program file,
// loads the plug-in, renders block by block and writes the WAV (or, with
// --bench, measures the speed). Every failure is reported as one line on the
// error stream and mapped to the tool's exit status.
#pragma once

#include <csignal>
#include <cstdio>
#include <string>

#include "RenderOptions.h"

namespace calverine::render {

class Renderer {
public:
    static constexpr int kExitOk = 0;
    static constexpr int kExitWriteFailed = 1;
    static constexpr int kExitBadInput = 2;
    static constexpr int kExitInterrupted = 130;

    // `stopRequested`, when given, is polled between blocks (set it from a
    // signal handler to abandon the render and remove the partial file).
    Renderer(const RenderOptions& options, std::FILE* out, std::FILE* err,
             const volatile std::sig_atomic_t* stopRequested = nullptr);

    int run();

private:
    int report(int status, const std::string& message);

    const RenderOptions& options_;
    std::FILE* out_;
    std::FILE* err_;
    const volatile std::sig_atomic_t* stopRequested_;
};

}  // namespace calverine::render
