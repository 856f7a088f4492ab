#include "ToolsTestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

extern char** environ;

namespace calverine::test {

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

// ---- SMF and program files ------------------------------------------------------

SmfTrack& SmfTrack::event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
    // A variable-length quantity: seven bits a byte, most significant first.
    int shift = 28;
    while (shift > 0 && (delta >> shift) == 0) shift -= 7;
    for (; shift > 0; shift -= 7) bytes_.push_back(static_cast<std::uint8_t>(0x80 | ((delta >> shift) & 0x7f)));
    bytes_.push_back(static_cast<std::uint8_t>(delta & 0x7f));
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

namespace {

// Big-endian numbers and four-letter tags.
void put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes = 4) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

}  // namespace

std::vector<std::uint8_t> smfFile(int format, int ticksPerQuarter, const std::vector<SmfTrack>& tracks) {
    std::vector<std::uint8_t> out;
    put(out, "MThd");
    put(out, 6);
    put(out, static_cast<std::uint32_t>(format), 2);
    put(out, static_cast<std::uint32_t>(tracks.size()), 2);
    put(out, static_cast<std::uint32_t>(ticksPerQuarter), 2);
    for (const SmfTrack& t : tracks) {
        put(out, "MTrk");
        put(out, static_cast<std::uint32_t>(t.bytes().size()));
        out.insert(out.end(), t.bytes().begin(), t.bytes().end());
    }
    return out;
}

std::vector<std::uint8_t> fxpFile(const std::vector<std::uint8_t>& chunk, const char* pluginId) {
    std::vector<std::uint8_t> out;
    put(out, "CcnK");
    put(out, static_cast<std::uint32_t>(52 + chunk.size()));
    put(out, "FPCh");
    put(out, 1);  // format version
    put(out, pluginId);
    put(out, 1);  // plug-in version
    put(out, 1);  // program count
    const char name[28] = "Test Program";
    out.insert(out.end(), name, name + 28);
    put(out, static_cast<std::uint32_t>(chunk.size()));
    out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

// ---- WAV -----------------------------------------------------------------------

WavData readWav(const std::string& path) {
    WavData wav;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) return wav;
    wav.sampleRate = info.samplerate;
    wav.format = info.format;
    wav.frames = info.frames;
    std::vector<float> interleaved(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_float(f, interleaved.data(), info.frames);
    sf_close(f);
    if (got != info.frames || info.channels != 2) return wav;
    for (std::size_t i = 0; i < interleaved.size(); i += 2) {
        wav.left.push_back(interleaved[i]);
        wav.right.push_back(interleaved[i + 1]);
    }
    wav.ok = true;
    return wav;
}

std::int64_t firstSoundAt(const std::vector<float>& x) {
    const auto at = std::find_if(x.begin(), x.end(), [](float v) { return std::fabs(v) > 1e-4f; });
    return at == x.end() ? -1 : at - x.begin();
}

// ---- processes -------------------------------------------------------------------

RunResult runRender(const std::vector<std::string>& args, const std::string& cwd,
                    const std::vector<std::string>& extraEnv, int stderrFd, long fileSizeLimit,
                    const std::function<void(pid_t)>& whileRunning) {
    // The child's environment: the extra variables first, which getenv finds
    // before any inherited variable of the same name.
    std::vector<std::string> argStrings{CALVERINE_RENDER_PATH}, envStrings = extraEnv;
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    for (char** e = environ; *e != nullptr; ++e) envStrings.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (std::string& a : argStrings) argv.push_back(a.data());
    for (std::string& e : envStrings) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    // Standard output and error go to temporary files, read once the child ends.
    std::FILE* files[2] = {std::tmpfile(), std::tmpfile()};
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0) _exit(127);
        dup2(fileno(files[0]), STDOUT_FILENO);
        dup2(stderrFd >= 0 ? stderrFd : fileno(files[1]), STDERR_FILENO);
        if (fileSizeLimit >= 0) {
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    RunResult result;
    int status = 0;
    if (whileRunning) {
        while (waitpid(pid, &status, WNOHANG) == 0) {
            whileRunning(pid);
            usleep(10000);
        }
    } else {
        waitpid(pid, &status, 0);
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
    std::string* texts[2] = {&result.out, &result.err};
    for (int i = 0; i < 2; ++i) {
        std::rewind(files[i]);
        for (int c; (c = std::fgetc(files[i])) != EOF;) texts[i]->push_back(static_cast<char>(c));
        std::fclose(files[i]);
    }
    return result;
}

// ---- report ------------------------------------------------------------------------

Report readReport(const std::string& path) {
    Report report;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
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
    for (auto it = from; it != to; ++it) values.push_back(it->second);
    return values;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

}  // namespace calverine::test
