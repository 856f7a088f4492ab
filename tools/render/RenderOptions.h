// Command line of calverine-render: what the user asked for, checked for
// well-formedness. Checks that need the plug-in (a parameter index against
// its parameter count) happen later, in Renderer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace calverine::render {

struct ParameterSetting {
    int index = 0;
    float value = 0.0f;
};

struct RenderOptions {
    static constexpr int kMinSampleRate = 8000;
    static constexpr int kMaxSampleRate = 384000;
    static constexpr int kMinBlockSize = 1;
    static constexpr int kMaxBlockSize = 8192;
    static constexpr double kMinTempo = 10.0;
    static constexpr double kMaxTempo = 1000.0;
    static constexpr double kMaxTailSeconds = 3600.0;
    // Longest vendor string the host can hand out, without the terminating NUL.
    static constexpr std::size_t kMaxVendorLength = 63;

    std::string pluginPath;
    std::string midiPath;  // empty: play the built-in demo phrase
    std::string outputPath = "out.wav";
    int sampleRate = 44100;
    int blockSize = 512;
    std::optional<double> tempo;  // empty: the MIDI file's tempo map, else 120
    double tailSeconds = 2.0;
    std::string hostVendor = "Calverine Render";
    std::vector<ParameterSetting> parameters;
    std::string programPath;
    // --genetics: 2 or 3 parent program files bred into the patch played,
    // with --amount and, when given, --seed.
    std::vector<std::string> geneticsParents;
    std::optional<double> geneticsAmount;
    std::optional<std::uint32_t> geneticsSeed;
    // --screenshot: the editor drawn into this PNG instead of a render.
    std::string screenshotPath;
    int uiSize = -1;  // --ui-size: 0 medium, 1 small, 2 large; -1 the user's choice
    bool floatOutput = false;
    bool bench = false;
    bool quiet = false;
    bool help = false;

    // Fills `options` from argv. On a malformed command line returns false and
    // sets `error` to one sentence (without the program-name prefix). With
    // -h/--help it returns true with `help` set and skips the remaining checks.
    static bool parse(int argc, const char* const* argv, RenderOptions& options, std::string& error);

    static const char* usage();
};

}  // namespace calverine::render
