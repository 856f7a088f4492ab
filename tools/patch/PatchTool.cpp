#include "PatchTool.h"

#include <cstdint>

#include "Files.h"
#include "PatchChunk.h"
#include "PatchText.h"
#include "PluginParameters.h"

namespace calverine::patchtool {

namespace {

struct Options {
    std::string command;
    std::string input;
    std::string output;
    bool chunk = false;
    bool help = false;
};

template <typename... Parts>
std::string cat(const Parts&... parts) {
    std::string s;
    (s.append(parts), ...);
    return s;
}

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            options.help = true;
            return true;
        }
        if (a == "--chunk") {
            options.chunk = true;
        } else if (a == "-o") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = "-o needs a file name";
                return false;
            }
            options.output = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            error = cat("unknown option '", a, "'; try --help");
            return false;
        } else if (options.command.empty()) {
            options.command = a;
        } else if (options.input.empty()) {
            options.input = a;
        } else {
            error = cat("more than one input file ('", options.input, "' and '", a, "')");
            return false;
        }
    }
    if (options.command.empty()) {
        error = "no command given; try --help";
        return false;
    }
    if (options.command != "dump" && options.command != "build") {
        error = cat("unknown command '", options.command, "'; the commands are dump and build");
        return false;
    }
    if (options.input.empty()) {
        error = cat(options.command, " needs an input file");
        return false;
    }
    if (options.command == "build" && options.output.empty()) {
        error = "build needs an output file: -o FILE";
        return false;
    }
    return true;
}

int fail(std::FILE* err, int status, const std::string& message) {
    std::fprintf(err, "calverine-patch: %s\n", message.c_str());
    return status;
}

int dump(const Options& options, std::FILE* out, std::FILE* err) {
    std::vector<std::uint8_t> file;
    if (!platform::readFile(options.input, file)) return fail(err, kExitBadInput, cat("cannot read '", options.input, "'"));
    const std::uint8_t* chunk = file.data();
    std::size_t size = file.size();
    if (!options.chunk) {
        switch (patch::findChunk(file, chunk, size)) {
        case patch::FileCheck::TooShort:
            return fail(err, kExitBadInput, cat("'", options.input, "' is too short to be a program file"));
        case patch::FileCheck::NotOurs:
            return fail(err, kExitBadInput, cat("'", options.input, "' is not a Calverine program file"));
        case patch::FileCheck::Ok: break;
        }
    }
    PluginParameters store;
    std::int32_t version = 0;
    std::string error;
    if (!patchtext::loadChunk(chunk, size, store, version, error))
        return fail(err, kExitBadInput, cat("'", options.input, "': ", error));
    const std::string text = patchtext::formatPatch(store, version);
    if (!options.output.empty()) {
        if (!platform::writeFileAtomically(options.output, text.data(), text.size()))
            return fail(err, kExitWriteFailed, cat("cannot write '", options.output, "'"));
    } else if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
        return fail(err, kExitWriteFailed, "cannot write the text to standard output");
    }
    return kExitOk;
}

int build(const Options& options, std::FILE* err) {
    std::vector<std::uint8_t> file;
    if (!platform::readFile(options.input, file)) return fail(err, kExitBadInput, cat("cannot read '", options.input, "'"));
    PluginParameters store;
    std::string error;
    if (!patchtext::parsePatch(std::string(file.begin(), file.end()), store, error))
        return fail(err, kExitBadInput, cat(options.input, ": ", error));
    std::vector<std::uint8_t> bytes;
    if (options.chunk)
        patch::writeChunk(store, bytes);
    else
        patch::writeProgramFile(store, bytes);
    if (!platform::writeFileAtomically(options.output, bytes.data(), bytes.size()))
        return fail(err, kExitWriteFailed, cat("cannot write '", options.output, "'"));
    return kExitOk;
}

}  // namespace

const char* usage() {
    return "Usage: calverine-patch dump [--chunk] FILE.fxp [-o FILE.txt]\n"
           "       calverine-patch build [--chunk] FILE.txt -o FILE.fxp\n"
           "\n"
           "Converts Calverine patches between program files and text.\n"
           "\n"
           "  dump     writes the patch in FILE.fxp as text (to standard output\n"
           "           without -o): one setting per line with the value the\n"
           "           plug-in stores and, as a comment, the value it shows\n"
           "  build    reads patch text and writes the program file; settings\n"
           "           the text leaves out keep their Init Patch value\n"
           "\n"
           "  --chunk      read (dump) or write (build) a bare patch chunk, as a\n"
           "               host stores it, instead of a program file\n"
           "  -o FILE      the output file (replaced only when complete)\n"
           "  -h, --help   this text\n"
           "\n"
           "Exit status: 0 done, 1 the output could not be written, 2 bad input.\n";
}

int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    Options options;
    std::string error;
    if (!parseOptions(args, options, error)) return fail(err, kExitBadInput, error);
    if (options.help) {
        std::fputs(usage(), out);
        return kExitOk;
    }
    return options.command == "dump" ? dump(options, out, err) : build(options, err);
}

}  // namespace calverine::patchtool
