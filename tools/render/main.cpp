// calverine-render: a headless VST 2.4 host that plays a MIDI file (or a
// built-in demo phrase) through an instrument plug-in into a WAV file.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "Process.h"

#include "RenderOptions.h"
#include "Renderer.h"

namespace {

volatile std::sig_atomic_t gStopRequested = 0;

extern "C" void requestStop(int) {
    gStopRequested = 1;
}

}  // namespace

int main(int argc, char** argv) {
    using calverine::render::Renderer;
    using calverine::render::RenderOptions;

    RenderOptions options;
    std::string error;
    // File names reach the options as UTF-8 on every system.
    const std::vector<std::string> args = platform::commandLineArguments(argc, argv);
    std::vector<const char*> utf8Argv{argc > 0 ? argv[0] : "calverine-render"};
    for (const std::string& arg : args) utf8Argv.push_back(arg.c_str());
    if (!RenderOptions::parse(static_cast<int>(utf8Argv.size()), utf8Argv.data(), options, error)) {
        std::fprintf(stderr, "calverine-render: %s\n", error.c_str());
        return Renderer::kExitBadInput;
    }
    if (options.help) {
        std::fputs(RenderOptions::usage(), stdout);
        return Renderer::kExitOk;
    }

    // Ctrl-C or a kill ends the render between two blocks, so the partial
    // output file can be removed.
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    // Past a file-size limit a write should fail like on a full disk (and be
    // reported and cleaned up), not kill the process.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif

    return Renderer(options, stdout, stderr, &gStopRequested).run();
}
