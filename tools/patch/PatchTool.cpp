#include "PatchTool.h"

#include <cstdint>
#include <optional>

#include "Files.h"
#include "Genetics.h"
#include "PatchChunk.h"
#include "PatchText.h"
#include "PluginParameters.h"

namespace calverine::patchtool {

namespace {

struct Options {
    std::string command;
    std::vector<std::string> inputs;
    std::string output;
    std::string amountText;  // breed
    std::string seedText;    // breed
    bool chunk = false;
    bool help = false;
};

template <typename... Parts>
std::string cat(const Parts&... parts) {
    std::string s;
    (s.append(parts), ...);
    return s;
}

// The value after an option, which must be there and not be empty.
bool takeValue(const std::vector<std::string>& args, std::size_t& i, std::string& value, std::string& error) {
    if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = cat(args[i], args[i] == "-o" ? " needs a file name" : " needs a value");
        return false;
    }
    value = args[++i];
    return true;
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
            if (!takeValue(args, i, options.output, error)) return false;
        } else if (a == "--amount") {
            if (!takeValue(args, i, options.amountText, error)) return false;
        } else if (a == "--seed") {
            if (!takeValue(args, i, options.seedText, error)) return false;
        } else if (a.size() > 1 && a[0] == '-') {
            error = cat("unknown option '", a, "'; try --help");
            return false;
        } else if (options.command.empty()) {
            options.command = a;
        } else if (options.command == "breed" || options.inputs.empty()) {
            options.inputs.push_back(a);
        } else {
            error = cat("more than one input file ('", options.inputs.front(), "' and '", a, "')");
            return false;
        }
    }
    if (options.command.empty()) {
        error = "no command given; try --help";
        return false;
    }
    if (options.command != "dump" && options.command != "build" && options.command != "breed") {
        error = cat("unknown command '", options.command, "'; the commands are dump, build and breed");
        return false;
    }
    if (options.command == "breed") {
        if (options.inputs.size() < 2 || options.inputs.size() > 3) {
            error = cat("breed needs 2 or 3 parent files, not ", std::to_string(options.inputs.size()));
            return false;
        }
        if (options.chunk) {
            error = "breed reads and writes program files; --chunk does not apply";
            return false;
        }
        if (options.amountText.empty()) {
            error = "breed needs the breed amount: --amount X (from 0 to 1)";
            return false;
        }
    } else {
        if (!options.amountText.empty() || !options.seedText.empty()) {
            error = cat(options.amountText.empty() ? "--seed" : "--amount", " belongs to breed");
            return false;
        }
        if (options.inputs.empty()) {
            error = cat(options.command, " needs an input file");
            return false;
        }
    }
    if (options.command != "dump" && options.output.empty()) {
        error = cat(options.command, " needs an output file: -o FILE");
        return false;
    }
    return true;
}

int fail(std::FILE* err, int status, const std::string& message) {
    std::fprintf(err, "calverine-patch: %s\n", message.c_str());
    return status;
}

int dump(const Options& options, std::FILE* out, std::FILE* err) {
    const std::string& input = options.inputs.front();
    std::vector<std::uint8_t> file;
    if (!platform::readFile(input, file)) return fail(err, kExitBadInput, cat("cannot read '", input, "'"));
    const std::uint8_t* chunk = file.data();
    std::size_t size = file.size();
    if (!options.chunk) {
        switch (patch::findChunk(file, chunk, size)) {
        case patch::FileCheck::TooShort:
            return fail(err, kExitBadInput, cat("'", input, "' is too short to be a program file"));
        case patch::FileCheck::NotOurs:
            return fail(err, kExitBadInput, cat("'", input, "' is not a Calverine program file"));
        case patch::FileCheck::Ok: break;
        }
    }
    PluginParameters store;
    std::int32_t version = 0;
    std::string error;
    if (!patchtext::loadChunk(chunk, size, store, version, error))
        return fail(err, kExitBadInput, cat("'", input, "': ", error));
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
    const std::string& input = options.inputs.front();
    std::vector<std::uint8_t> file;
    if (!platform::readFile(input, file)) return fail(err, kExitBadInput, cat("cannot read '", input, "'"));
    PluginParameters store;
    std::string error;
    if (!patchtext::parsePatch(std::string(file.begin(), file.end()), store, error))
        return fail(err, kExitBadInput, cat(input, ": ", error));
    std::vector<std::uint8_t> bytes;
    if (options.chunk)
        patch::writeChunk(store, bytes);
    else
        patch::writeProgramFile(store, bytes);
    if (!platform::writeFileAtomically(options.output, bytes.data(), bytes.size()))
        return fail(err, kExitWriteFailed, cat("cannot write '", options.output, "'"));
    return kExitOk;
}

int breed(const Options& options, std::FILE* out, std::FILE* err) {
    double amount = 0.0;
    std::optional<std::uint32_t> seed;
    std::string error;
    if (!genetics::parseAmount(options.amountText, amount, error)) return fail(err, kExitBadInput, cat("--amount: ", error));
    if (!options.seedText.empty()) {
        std::uint32_t value = 0;
        if (!genetics::parseSeed(options.seedText, value, error)) return fail(err, kExitBadInput, cat("--seed: ", error));
        seed = value;
    }
    PluginParameters child;
    genetics::Record record;
    if (!genetics::breedFiles(options.inputs, amount, seed, child, record, error)) return fail(err, kExitBadInput, error);
    std::vector<std::uint8_t> bytes;
    patch::writeProgramFile(child, bytes);
    if (!platform::writeFileAtomically(options.output, bytes.data(), bytes.size()))
        return fail(err, kExitWriteFailed, cat("cannot write '", options.output, "'"));
    // The seed on standard output, in the form --seed takes back.
    std::fprintf(out, "seed 0x%x\n", static_cast<unsigned>(record.seed));
    std::fflush(out);
    return kExitOk;
}

}  // namespace

const char* usage() {
    return "Usage: calverine-patch dump [--chunk] FILE.fxp [-o FILE.txt]\n"
           "       calverine-patch build [--chunk] FILE.txt -o FILE.fxp\n"
           "       calverine-patch breed A.fxp B.fxp [C.fxp] --amount X [--seed S] -o FILE.fxp\n"
           "\n"
           "Converts Calverine patches between program files and text, and breeds\n"
           "new patches from two or three parents (Genetics).\n"
           "\n"
           "  dump     writes the patch in FILE.fxp as text (to standard output\n"
           "           without -o): one setting per line with the value the\n"
           "           plug-in stores and, as a comment, the value it shows\n"
           "  build    reads patch text and writes the program file; settings\n"
           "           the text leaves out keep their Init Patch value\n"
           "  breed    breeds a child of two or three program files as the\n"
           "           plug-in's Genetics does, writes it as a program file\n"
           "           and prints the seed it used\n"
           "\n"
           "  --chunk      read (dump) or write (build) a bare patch chunk, as a\n"
           "               host stores it, instead of a program file\n"
           "  --amount X   breed: how much of the child is drawn from all parents\n"
           "               (0: the first parent, 1: every control from a random\n"
           "               parent)\n"
           "  --seed S     breed: the seed, 0 to 4294967295 or 0x hexadecimal\n"
           "               (default: the clock); the same seed and parents give\n"
           "               the same child, byte for byte\n"
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
    if (options.command == "breed") return breed(options, out, err);
    return options.command == "dump" ? dump(options, out, err) : build(options, err);
}

}  // namespace calverine::patchtool
