// Helpers shared by the tools tests: hand-built Standard MIDI Files and
// program files, reading WAVs back, running calverine-render as a child
// process, and the test plug-in's report.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "TempFolder.h"

namespace calverine::test {

// Paths of the built programs, from the build system.
inline std::string testSynthPath() { return TEST_SYNTH_PLUGIN_PATH; }

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
inline void writeText(const std::string& path, const std::string& text) {
    writeBytes(path, {text.begin(), text.end()});
}

// One MTrk chunk, built event by event. Delta times are in ticks.
class SmfTrack {
public:
    SmfTrack& event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes);
    SmfTrack& tempo(std::uint32_t delta, std::uint32_t microsecondsPerQuarter) {
        const auto t = microsecondsPerQuarter;
        return event(delta, {0xff, 0x51, 0x03, std::uint8_t(t >> 16), std::uint8_t(t >> 8), std::uint8_t(t)});
    }
    SmfTrack& end(std::uint32_t delta = 0) { return event(delta, {0xff, 0x2f, 0x00}); }  // End Of Track
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> smfFile(int format, int ticksPerQuarter, const std::vector<SmfTrack>& tracks);

// A program file of the opaque-chunk kind.
std::vector<std::uint8_t> fxpFile(const std::vector<std::uint8_t>& chunk, const char* pluginId = "Tsyn");

struct WavData {
    bool ok = false;
    int sampleRate = 0;
    int format = 0;  // libsndfile format word
    std::int64_t frames = 0;
    std::vector<float> left;
    std::vector<float> right;
};
WavData readWav(const std::string& path);

// Index of the first sample with |x| above 1e-4, or -1.
std::int64_t firstSoundAt(const std::vector<float>& x);

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs calverine-render with `args` in folder `cwd`, with extra environment
// variables. stderr goes to `stderrFd` when it is >= 0 (and is not captured).
// `fileSizeLimit` >= 0 caps the size of any file the child writes, in bytes.
// `whileRunning`, when given, is called about every 10 ms with the child's
// process ID until the child ends.
RunResult runRender(const std::vector<std::string>& args, const std::string& cwd,
                    const std::vector<std::string>& extraEnv = {}, int stderrFd = -1, long fileSizeLimit = -1,
                    const std::function<void(pid_t)>& whileRunning = {});

// The lines of the test plug-in's report, by their first word; each entry
// holds the rest of its line, in order of appearance.
using Report = std::multimap<std::string, std::string>;
Report readReport(const std::string& path);
// The single value of a fact ("" when absent).
std::string fact(const Report& report, const std::string& key);
std::vector<std::string> facts(const Report& report, const std::string& key);

std::vector<std::string> lines(const std::string& text);

}  // namespace calverine::test
