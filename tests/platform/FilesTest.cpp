// Files and folders through the platform layer, in a folder whose name holds
// characters from beyond ASCII and outside any single code page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Files.h"
#include "Folders.h"
#include "Process.h"
#include "SharedLibrary.h"
#include "TempFolder.h"

namespace {

using calverine::test::TempFolder;
using Bytes = std::vector<std::uint8_t>;

const std::string kWide = " \xC4\x8C\x61lv\xC3\xA9rine \xE2\x99\xAA \xE9\x9F\xB3";  // " Čalvérine ♪ 音"

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string contents(const std::string& path) {
    Bytes bytes;
    EXPECT_TRUE(platform::readFile(path, bytes)) << path;
    return std::string(bytes.begin(), bytes.end());
}

class Files : public ::testing::Test {
protected:
    TempFolder folder{kWide};
    const std::string base = platform::joinPath(folder.path(), "Brindle \xC3\x84udio");
};

TEST_F(Files, PathsBeyondAsciiKeepTheirNamesOnDisk) {
    const std::string nested = platform::joinPath(platform::joinPath(base, "Soundbanks"), "Pads \xE2\x99\xAA");
    ASSERT_TRUE(platform::makeDirectories(nested));
    EXPECT_TRUE(platform::makeDirectories(nested));  // already there
    EXPECT_TRUE(platform::isDirectory(nested));
    EXPECT_FALSE(platform::fileExists(nested));

    const std::string file = platform::joinPath(nested, "Gl\xC3\xA4ser.fxp");
    ASSERT_TRUE(platform::writeFileAtomically(file, "abc", 3));
    EXPECT_TRUE(platform::fileExists(file));
    EXPECT_EQ(contents(file), "abc");

    // The name the system shows is the same text, not a code-page mangling.
    const std::filesystem::path onDisk = std::filesystem::path(u8"Gl\u00e4ser.fxp");
    EXPECT_TRUE(std::filesystem::exists(platform::toPath(nested) / onDisk));
    EXPECT_EQ(platform::fromPath(platform::toPath(file)), file);
    EXPECT_EQ(platform::fromPath(platform::toPath(file).filename()), "Gl\xC3\xA4ser.fxp");
}

TEST_F(Files, ListingIsSortedIgnoringCaseAndMarksFolders) {
    ASSERT_TRUE(platform::makeDirectories(platform::joinPath(base, "beta")));
    for (const char* name : {"Alpha.fxp", "gamma.fxp", "\xC3\x84rger.fxp"})
        ASSERT_TRUE(platform::writeNewFile(platform::joinPath(base, name), "x", 1));

    const std::vector<platform::DirectoryEntry> entries = platform::listDirectory(base);
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.name + (e.directory ? "/" : ""));
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3),
              (std::vector<std::string>{"Alpha.fxp", "beta/", "gamma.fxp"}));
    EXPECT_EQ(names[3], "\xC3\x84rger.fxp");
    EXPECT_TRUE(platform::listDirectory(platform::joinPath(base, "missing")).empty());
}

TEST_F(Files, WritesReplaceOrRefuseAndLeaveNoTemporaryFile) {
    ASSERT_TRUE(platform::makeDirectories(base));
    const std::string file = platform::joinPath(base, "\xE9\x9F\xB3.db");
    ASSERT_TRUE(platform::writeFileAtomically(file, "old", 3));
    ASSERT_TRUE(platform::writeFileAtomically(file, "newer", 5));
    EXPECT_EQ(contents(file), "newer");

    EXPECT_FALSE(platform::writeNewFile(file, "other", 5));
    EXPECT_FALSE(platform::writeNewFileUnsynced(file, "other", 5));
    EXPECT_EQ(contents(file), "newer");
    EXPECT_TRUE(platform::syncFileSystem(base));

    // A temporary file that cannot be created (a folder stands in its way)
    // fails the write and leaves the value alone.
    const std::string blocker = file + ".tmp-" + std::to_string(platform::processId());
    ASSERT_TRUE(platform::makeDirectories(blocker));
    EXPECT_FALSE(platform::writeFileAtomically(file, "lost", 4));
    EXPECT_EQ(contents(file), "newer");
    std::filesystem::remove(platform::toPath(blocker));

    std::vector<std::string> names;
    for (const auto& e : platform::listDirectory(base)) names.push_back(e.name);
    EXPECT_EQ(names, std::vector<std::string>{"\xE9\x9F\xB3.db"});
}

TEST_F(Files, RenamesNeverReplaceButFileReplacementDoes) {
    ASSERT_TRUE(platform::makeDirectories(platform::joinPath(base, "Folder \xE2\x99\xAA")));
    const std::string a = platform::joinPath(base, "a\xC3\xA9.fxp"), b = platform::joinPath(base, "b\xC3\xA9.fxp");
    ASSERT_TRUE(platform::writeNewFile(a, "A", 1));
    ASSERT_TRUE(platform::writeNewFile(b, "B", 1));

    EXPECT_FALSE(platform::renameNoReplace(a, b));
    EXPECT_EQ(contents(a), "A");
    EXPECT_EQ(contents(b), "B");
    const std::string moved = platform::joinPath(base, "Moved \xE2\x99\xAA");
    EXPECT_TRUE(platform::renameNoReplace(platform::joinPath(base, "Folder \xE2\x99\xAA"), moved));
    EXPECT_TRUE(platform::isDirectory(moved));

    EXPECT_TRUE(platform::replaceFile(a, b));
    EXPECT_FALSE(platform::fileExists(a));
    EXPECT_EQ(contents(b), "A");
}

TEST_F(Files, OnlyRegularFilesAreReadAsFiles) {
    ASSERT_TRUE(platform::makeDirectories(base));
    Bytes bytes = bytesOf("stale");
    EXPECT_FALSE(platform::readRegularFile(base, bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(platform::readRegularFile(platform::joinPath(base, "missing"), bytes));

    const std::string file = platform::joinPath(base, "\xC3\xBC.fxp");
    const int fd = platform::createNewFile(file);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(platform::closeFile(fd), 0);
    EXPECT_LT(platform::createNewFile(file), 0);  // exists now
    ASSERT_TRUE(platform::writeFileAtomically(file, "\0\1\2", 3));
    ASSERT_TRUE(platform::readRegularFile(file, bytes));
    EXPECT_EQ(bytes, (Bytes{0, 1, 2}));
}

TEST(Environment, ValuesBeyondAsciiRoundTripAndNameTheFolders) {
    const std::string saved = platform::environmentVariable("CALVERINE_DATA_DIR");
    platform::setEnvironmentVariable("CALVERINE_DATA_DIR", "data" + kWide);
    EXPECT_EQ(platform::environmentVariable("CALVERINE_DATA_DIR"), "data" + kWide);
    EXPECT_EQ(platform::dataFolder(), "data" + kWide + platform::kSeparator);

    // Without the override the data folder is "Brindle Audio/Calverine" in
    // the user's documents folder (which Windows always has).
    platform::setEnvironmentVariable("CALVERINE_DATA_DIR", "");
    EXPECT_EQ(platform::environmentVariable("CALVERINE_DATA_DIR"), "");
    const std::string data = platform::dataFolder();
    const std::string tail = std::string("Brindle Audio") + platform::kSeparator + "Calverine" + platform::kSeparator;
    ASSERT_GT(data.size(), tail.size());
    EXPECT_EQ(data.substr(data.size() - tail.size()), tail);
#ifdef _WIN32
    EXPECT_TRUE(platform::isDirectory(data.substr(0, data.size() - tail.size())));
#endif
    platform::setEnvironmentVariable("CALVERINE_DATA_DIR", saved);
}

TEST(SharedLibrary, AMissingFileIsRefusedWithAReason) {
    platform::SharedLibrary library;
    std::string error;
    EXPECT_FALSE(library.open("no-such-plugin" + kWide + ".dll", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(library.isOpen());
    EXPECT_EQ(library.symbol("VSTPluginMain"), nullptr);
}

}  // namespace
