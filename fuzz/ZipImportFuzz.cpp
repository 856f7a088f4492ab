// Imports arbitrary bytes as a ZIP archive into a library in a private
// temporary folder. An input starting with an even byte is the archive as it
// is; an odd one is the recipe for a real archive (entry names from a list of
// awkward ones, contents from the input) written with libzip, then with some
// of its bytes changed. Whatever happens, nothing is written outside the new
// soundbank folder, and the library keeps no patch outside it.
#include <unistd.h>
#include <zip.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Messages.h"
#include "PatchLibrary.h"

namespace {

namespace fs = std::filesystem;

void check(bool condition) {
    if (!condition) std::abort();
}

void quiet(const char*, const char*, platform::MessageIcon, void*) {}

void removeWorkFolder();

// One folder per process under the system's temporary folder, removed at exit
// (the removal is registered after the path, so it runs before the path goes).
const fs::path& workFolder() {
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "calverine-zip-fuzz-XXXXXX").string();
        check(mkdtemp(pattern.data()) != nullptr);
        return fs::path(pattern);
    }();
    static const bool removedAtExit = std::atexit(removeWorkFolder) == 0;
    (void)removedAtExit;
    return folder;
}

void removeWorkFolder() {
    std::error_code ignored;
    fs::remove_all(workFolder(), ignored);
}

std::vector<std::uint8_t> buildArchive(const std::uint8_t* data, std::size_t size, const fs::path& file) {
    static const char* const kNames[] = {"Fuzz/a.fxp",      "Fuzz/Warm/b.FXP", "config.ini",      "Fuzz/config.ini",
                                         "../escape.fxp",   "/abs/c.fxp",      "x\\y\\d.fxp",     ".hidden.fxp",
                                         "Fuzz/.git/e.fxp", "Fuzz/",           "Fuzz/Warm/",      "f.fxp",
                                         "Fuzz/Warm/b.fxp", "..\\..\\g.fxp",   "Fuzz/Deep/A/B/h.fxp", "Fuzz/i.txt"};
    std::size_t at = 0;
    const auto byte = [&] { return at < size ? data[at++] : std::uint8_t{0}; };
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) return {};
    const int entries = byte() % 8;
    for (int i = 0; i < entries; ++i) {
        const char* name = kNames[byte() % std::size(kNames)];
        const std::size_t wanted = byte();
        const std::size_t length = std::min(wanted, size - std::min(at, size));
        zip_source_t* source = zip_source_buffer(archive, data + at, length, 0);
        at += length;
        if (!source) continue;
        if (zip_file_add(archive, name, source, 0) < 0) zip_source_free(source);
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return {};
    }
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Change a few bytes where the input says.
    while (at + 2 < size && !bytes.empty()) {
        const std::size_t where = (std::size_t{data[at]} << 8 | data[at + 1]) % bytes.size();
        bytes[where] = data[at + 2];
        at += 3;
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& work = workFolder();
    const fs::path root = work / "Soundbanks";
    const fs::path archive = work / "Fuzz.zip";
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(root);

    std::vector<std::uint8_t> bytes;
    if (size > 0 && data[0] % 2 == 1)
        bytes = buildArchive(data + 1, size - 1, archive);
    else if (size > 0)
        bytes.assign(data + 1, data + size);
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    platform::setMessageHook(quiet, nullptr);
    calverine::PatchLibrary library(root.string());
    std::string bank;
    const bool imported = library.importZip(archive.string(), &bank);
    platform::setMessageHook(nullptr, nullptr);

    // Only the soundbank (and the reserved folders) appear in the library,
    // and next to it only what was there before.
    for (const auto& e : fs::directory_iterator(work)) {
        const std::string name = e.path().filename().string();
        check(name == "Soundbanks" || name == "Fuzz.zip");
    }
    for (const auto& e : fs::directory_iterator(root)) {
        const std::string name = e.path().filename().string();
        check(name == "User" || name == "Genetics" || (imported && e.path().string() == bank));
    }
    check(fs::is_empty(root / "User") && fs::is_empty(root / "Genetics"));
    for (const calverine::PatchLibrary::Patch& p : library.patches())
        check(imported && p.entry.fullPath.compare(0, bank.size() + 1, bank + "/") == 0);
    return 0;
}
