#include "RenderOptions.h"

#include <algorithm>

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

#include "Messages.h"
#include "Genetics.h"

namespace calverine::render {

namespace {

bool parseInt(std::string_view text, long long& out) {
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

bool parseReal(std::string_view text, double& out) {
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out, std::chars_format::general);
    return ec == std::errc() && ptr == end && std::isfinite(out);
}

}  // namespace

const char* RenderOptions::usage() {
    return "usage: calverine-render PLUGIN.so [MIDIFILE.mid] [options]\n"
           "\n"
           "Loads a VST 2.4 instrument, plays a Standard MIDI File through it (without\n"
           "one, a built-in demo phrase of about 8 seconds) and writes a stereo WAV.\n"
           "\n"
           "options:\n"
           "  -o, --output FILE     output file (default: out.wav)\n"
           "  --rate HZ             sample rate, 8000..384000 (default: 44100)\n"
           "  --block N             block size in frames, 1..8192 (default: 512)\n"
           "  --tempo BPM           tempo reported to the plug-in, 10..1000 (default: the\n"
           "                        MIDI file's tempo map, else 120); the demo phrase is\n"
           "                        played at this tempo, a MIDI file keeps its own timing\n"
           "  --tail SECONDS        time rendered after the last event, 0..3600 (default: 2)\n"
           "  --float               write 32-bit float samples (default: 24-bit PCM)\n"
           "  --host-vendor STRING  vendor name the host reports to the plug-in\n"
           "                        (default: Calverine Render)\n"
           "  --param INDEX=VALUE   set parameter INDEX to VALUE (0..1) before the first\n"
           "                        block; may be repeated\n"
           "  --patch FILE.fxp      load a program file (opaque chunk) into the plug-in\n"
           "                        through setChunk (--program is the same)\n"
           "  --genetics A.fxp B.fxp [C.fxp]\n"
           "                        play a child bred from two or three Calverine\n"
           "                        patches, as the plug-in's Genetics breeds it (the\n"
           "                        files are the arguments that follow, so name the\n"
           "                        plug-in and the MIDI file before them)\n"
           "  --amount X            with --genetics: the breed amount, 0..1 (0: the\n"
           "                        first parent, 1: every control from a random parent)\n"
           "  --seed S              with --genetics: the seed, 0..4294967295 or 0x hex\n"
           "                        (default: the clock); the seed used is printed\n"
           "  --screenshot FILE.png draw the plug-in's editor into FILE.png (after --patch\n"
           "                        and --param) instead of rendering audio\n"
           "  --ui-size SIZE        with --screenshot: small, medium or large (default:\n"
           "                        the size the user chose last)\n"
           "  --bench               render without writing a file; print the real-time\n"
           "                        factor and the time spent per block\n"
           "  --quiet               no progress bar and no peak line (warnings still\n"
           "                        appear)\n"
           "  -h, --help            show this help\n"
           "\n"
           "Exit status: 0 on success, 1 if the WAV file could not be written, 2 on bad\n"
           "input (options, MIDI file, plug-in or program file).\n";
}

bool RenderOptions::parse(int argc, const char* const* argv, RenderOptions& options, std::string& error) {
    options = RenderOptions{};
    std::vector<std::string_view> positional;
    bool optionsEnded = false;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }

        // "--name=value" and "--name value" are both accepted.
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string_view::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        }
        auto takeValue = [&](std::string_view& value) {
            if (inlineValue) {
                value = *inlineValue;
                return true;
            }
            if (i + 1 >= argc) {
                error = "option " + std::string(name) + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto noValue = [&]() {
            if (inlineValue) {
                error = "option " + std::string(name) + " takes no value";
                return false;
            }
            return true;
        };

        std::string_view value;
        if (name == "-h" || name == "--help") {
            options.help = true;
            return true;
        } else if (name == "-o" || name == "--output") {
            if (!takeValue(value)) {
                return false;
            }
            if (value.empty()) {
                error = "option " + std::string(name) + " needs a file name";
                return false;
            }
            options.outputPath = std::string(value);
        } else if (name == "--rate") {
            long long rate = 0;
            if (!takeValue(value)) {
                return false;
            }
            if (!parseInt(value, rate) || rate < kMinSampleRate || rate > kMaxSampleRate) {
                error = "bad --rate " + platform::quoted(value) + ": expected a whole number of Hz from " +
                        std::to_string(kMinSampleRate) + " to " + std::to_string(kMaxSampleRate);
                return false;
            }
            options.sampleRate = static_cast<int>(rate);
        } else if (name == "--block") {
            long long block = 0;
            if (!takeValue(value)) {
                return false;
            }
            if (!parseInt(value, block) || block < kMinBlockSize || block > kMaxBlockSize) {
                error = "bad --block " + platform::quoted(value) + ": expected a whole number of frames from " +
                        std::to_string(kMinBlockSize) + " to " + std::to_string(kMaxBlockSize);
                return false;
            }
            options.blockSize = static_cast<int>(block);
        } else if (name == "--tempo") {
            double tempo = 0.0;
            if (!takeValue(value)) {
                return false;
            }
            if (!parseReal(value, tempo) || tempo < kMinTempo || tempo > kMaxTempo) {
                error = "bad --tempo " + platform::quoted(value) + ": expected beats per minute from 10 to 1000";
                return false;
            }
            options.tempo = tempo;
        } else if (name == "--tail") {
            double tail = 0.0;
            if (!takeValue(value)) {
                return false;
            }
            if (!parseReal(value, tail) || tail < 0.0 || tail > kMaxTailSeconds) {
                error = "bad --tail " + platform::quoted(value) + ": expected seconds from 0 to 3600";
                return false;
            }
            options.tailSeconds = tail;
        } else if (name == "--host-vendor") {
            if (!takeValue(value)) {
                return false;
            }
            if (value.size() > kMaxVendorLength) {
                error = "bad --host-vendor: at most " + std::to_string(kMaxVendorLength) + " characters";
                return false;
            }
            options.hostVendor = std::string(value);
        } else if (name == "--param") {
            if (!takeValue(value)) {
                return false;
            }
            const auto eq = value.find('=');
            long long index = -1;
            double level = -1.0;
            if (eq == std::string_view::npos || !parseInt(value.substr(0, eq), index) || index < 0 ||
                index > 0x7fffffff || !parseReal(value.substr(eq + 1), level) || level < 0.0 || level > 1.0) {
                error = "bad --param " + platform::quoted(value) + ": expected INDEX=VALUE with VALUE from 0 to 1";
                return false;
            }
            options.parameters.push_back({static_cast<int>(index), static_cast<float>(level)});
        } else if (name == "--program" || name == "--patch") {
            if (!takeValue(value)) {
                return false;
            }
            if (value.empty()) {
                error = "option " + std::string(name) + " needs a file name";
                return false;
            }
            options.programPath = std::string(value);
        } else if (name == "--genetics") {
            if (!options.geneticsParents.empty()) {
                error = "option --genetics is given twice";
                return false;
            }
            if (inlineValue) {
                options.geneticsParents.emplace_back(*inlineValue);
            }
            // The parents are the arguments that follow, up to three.
            while (options.geneticsParents.size() < 3 && i + 1 < argc && argv[i + 1][0] != '-' &&
                   argv[i + 1][0] != '\0') {
                options.geneticsParents.emplace_back(argv[++i]);
            }
            if (options.geneticsParents.size() < 2) {
                error = "option --genetics needs 2 or 3 parent program files";
                return false;
            }
        } else if (name == "--amount") {
            if (!takeValue(value)) {
                return false;
            }
            double amount = 0.0;
            std::string why;
            if (!genetics::parseAmount(value, amount, why)) {
                error = "bad --amount: " + why;
                return false;
            }
            options.geneticsAmount = amount;
        } else if (name == "--seed") {
            if (!takeValue(value)) {
                return false;
            }
            std::uint32_t seed = 0;
            std::string why;
            if (!genetics::parseSeed(value, seed, why)) {
                error = "bad --seed: " + why;
                return false;
            }
            options.geneticsSeed = seed;
        } else if (name == "--float") {
            if (!noValue()) {
                return false;
            }
            options.floatOutput = true;
        } else if (name == "--bench") {
            if (!noValue()) {
                return false;
            }
            options.bench = true;
        } else if (name == "--quiet") {
            if (!noValue()) {
                return false;
            }
            options.quiet = true;
        } else if (name == "--screenshot") {
            if (!takeValue(value)) {
                return false;
            }
            if (value.empty()) {
                error = "option --screenshot needs a file name";
                return false;
            }
            options.screenshotPath = std::string(value);
        } else if (name == "--ui-size") {
            if (!takeValue(value)) {
                return false;
            }
            constexpr std::string_view kSizes[3] = {"medium", "small", "large"};
            const auto found = std::find(std::begin(kSizes), std::end(kSizes), value);
            if (found == std::end(kSizes)) {
                error = "bad --ui-size " + platform::quoted(value) + ": expected small, medium or large";
                return false;
            }
            options.uiSize = static_cast<int>(found - std::begin(kSizes));
        } else {
            error = "unknown option " + platform::quoted(arg) + " (see --help)";
            return false;
        }
    }

    if (options.uiSize >= 0 && options.screenshotPath.empty()) {
        error = "--ui-size goes with --screenshot (see --help)";
        return false;
    }
    if (options.geneticsParents.empty() && (options.geneticsAmount || options.geneticsSeed)) {
        error = std::string(options.geneticsAmount ? "--amount" : "--seed") + " goes with --genetics (see --help)";
        return false;
    }
    if (!options.geneticsParents.empty()) {
        if (!options.geneticsAmount) {
            error = "--genetics needs the breed amount: --amount X (from 0 to 1)";
            return false;
        }
        if (!options.programPath.empty()) {
            error = "--genetics and --patch both choose the patch to play; give one of them";
            return false;
        }
    }
    if (positional.empty()) {
        error = options.geneticsParents.size() == 3
                    ? "missing PLUGIN.so (--genetics takes the three files after it; name the plug-in before it)"
                    : "missing PLUGIN.so (see --help)";
        return false;
    }
    if (positional.size() > 2) {
        error = "unexpected argument " + platform::quoted(positional[2]) + " (see --help)";
        return false;
    }
    options.pluginPath = std::string(positional[0]);
    if (positional.size() == 2) {
        options.midiPath = std::string(positional[1]);
    }
    return true;
}

}  // namespace calverine::render
