#include "ToolsTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace calverine::test {

std::string renderToolPath() {
    return CALVERINE_RENDER_PATH;
}
std::string testSynthPath() {
    return TEST_SYNTH_PLUGIN_PATH;
}
std::string legacyEntrySynthPath() {
    return TEST_SYNTH_LEGACY_PLUGIN_PATH;
}
std::string noEntryPluginPath() {
    return TEST_NO_ENTRY_PLUGIN_PATH;
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

void writeText(const std::string& path, const std::string& text) {
    writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

// ---- SMF ---------------------------------------------------------------------

void SmfTrack::varLength(std::uint32_t value) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7f);
        value >>= 7;
    } while (value != 0);
    while (n > 0) {
        --n;
        bytes_.push_back(static_cast<std::uint8_t>(groups[n] | (n > 0 ? 0x80 : 0x00)));
    }
}

SmfTrack& SmfTrack::event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
    varLength(delta);
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

SmfTrack& SmfTrack::tempo(std::uint32_t delta, std::uint32_t microsecondsPerQuarter) {
    return event(delta, {0xff, 0x51, 0x03, static_cast<std::uint8_t>(microsecondsPerQuarter >> 16),
                         static_cast<std::uint8_t>(microsecondsPerQuarter >> 8),
                         static_cast<std::uint8_t>(microsecondsPerQuarter)});
}

SmfTrack& SmfTrack::end(std::uint32_t delta) {
    return event(delta, {0xff, 0x2f, 0x00});
}

namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void putTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(tag[i]));
    }
}

}  // namespace

std::vector<std::uint8_t> smfFile(int format, int ticksPerQuarter, const std::vector<SmfTrack>& tracks) {
    std::vector<std::uint8_t> out;
    putTag(out, "MThd");
    put32(out, 6);
    put16(out, static_cast<std::uint16_t>(format));
    put16(out, static_cast<std::uint16_t>(tracks.size()));
    put16(out, static_cast<std::uint16_t>(ticksPerQuarter));
    for (const SmfTrack& t : tracks) {
        putTag(out, "MTrk");
        put32(out, static_cast<std::uint32_t>(t.bytes().size()));
        out.insert(out.end(), t.bytes().begin(), t.bytes().end());
    }
    return out;
}

std::vector<std::uint8_t> fxpFile(const std::vector<std::uint8_t>& chunk, const char* pluginId) {
    std::vector<std::uint8_t> out;
    putTag(out, "CcnK");
    put32(out, static_cast<std::uint32_t>(52 + chunk.size()));
    putTag(out, "FPCh");
    put32(out, 1);  // format version
    putTag(out, pluginId);
    put32(out, 1);  // plug-in version
    put32(out, 1);  // program count
    const char name[28] = "Test Program";
    out.insert(out.end(), name, name + 28);
    put32(out, static_cast<std::uint32_t>(chunk.size()));
    out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

// ---- WAV -----------------------------------------------------------------------

WavData readWav(const std::string& path) {
    WavData wav;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) {
        return wav;
    }
    wav.sampleRate = info.samplerate;
    wav.channels = info.channels;
    wav.format = info.format;
    wav.frames = info.frames;
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_float(f, interleaved.data(), info.frames);
    sf_close(f);
    if (got != info.frames || info.channels != 2) {
        return wav;
    }
    for (sf_count_t i = 0; i < info.frames; ++i) {
        wav.left.push_back(interleaved[static_cast<std::size_t>(2 * i)]);
        wav.right.push_back(interleaved[static_cast<std::size_t>(2 * i + 1)]);
    }
    wav.ok = true;
    return wav;
}

std::int64_t firstSoundAt(const std::vector<float>& x, float threshold) {
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (std::fabs(x[i]) > threshold) {
            return static_cast<std::int64_t>(i);
        }
    }
    return -1;
}

// ---- processes -------------------------------------------------------------------

RunResult runRender(const std::vector<std::string>& args, const std::string& cwd,
                    const std::vector<std::string>& extraEnv, int stderrFd, long fileSizeLimit,
                    const std::function<void(pid_t)>& whileRunning) {
    RunResult result;

    std::vector<std::string> argStrings{renderToolPath()};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('='));
        const bool overridden = std::any_of(extraEnv.begin(), extraEnv.end(), [&](const std::string& x) {
            return x.compare(0, key.size() + 1, key + "=") == 0;
        });
        if (!overridden) {
            envStrings.push_back(entry);
        }
    }
    envStrings.insert(envStrings.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (std::string& e : envStrings) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe failed";
        return result;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0) {
            _exit(127);
        }
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(stderrFd >= 0 ? stderrFd : errPipe[1], STDERR_FILENO);
        if (fileSizeLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        ADD_FAILURE() << "fork failed";
        return result;
    }

    // Drain both pipes until the child closes them.
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const int ready = poll(fds, 2, whileRunning ? 10 : -1);
        if (ready < 0) {
            break;
        }
        if (whileRunning) {
            whileRunning(pid);
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                char buffer[4096];
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.status = 128 + WTERMSIG(status);
    }
    return result;
}

// ---- report ------------------------------------------------------------------------

Report readReport(const std::string& path) {
    Report report;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const auto space = line.find(' ');
        report.emplace(line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1));
    }
    return report;
}

std::string fact(const Report& report, const std::string& key) {
    const auto it = report.find(key);
    return it == report.end() ? "" : it->second;
}

std::vector<std::string> facts(const Report& report, const std::string& key) {
    std::vector<std::string> values;
    const auto [from, to] = report.equal_range(key);
    for (auto it = from; it != to; ++it) {
        values.push_back(it->second);
    }
    return values;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        out.push_back(line);
    }
    return out;
}

}  // namespace calverine::test
