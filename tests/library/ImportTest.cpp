// Imports of single patches, folder trees and ZIP archives, and what is left
// on disk when an import stops.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "LibraryTestSupport.h"

namespace calverine::test {
namespace {

using ::testing::ElementsAre;
using Strings = std::vector<std::string>;

using ImportTest = LibraryFixture;

TEST_F(ImportTest, AFolderTreeBecomesASoundbankWithFlattenedCategories) {
    put(base_ + "/in/Pads/Top.fxp", "top");
    put(base_ + "/in/Pads/Warm/W.fxp", "w");
    put(base_ + "/in/Pads/Warm/Deep/X.FXP", "x");  // categories are named after the folder that holds the file
    put(base_ + "/in/Pads/Cold/Deep/X.FXP", "cold x");  // flattened onto the first X: reported, nothing replaced
    put(base_ + "/in/Pads/Warm/Pads/Y.fxp", "y");  // a folder named like the bank adds no category
    put(base_ + "/in/Pads/.git/Z.fxp");
    put(base_ + "/in/Pads/Notes.txt");
    put(base_ + "/in/Pads/1/2/3/4/5/6/7/8/9/10/In.fxp");  // ten folder levels are entered,
    put(base_ + "/in/Pads/1/2/3/4/5/6/7/8/9/10/11/Out.fxp");  // the eleventh is not
    put(base_ + "/in/Pads/config.ini", "AuthorCode=QV\nAuthorName=Quentin\n");
    // Every config.ini the walk finds is copied in: the last one stays.
    put(base_ + "/in/Pads/Warm/Deep/config.ini", "AuthorCode=ZZ\nAuthorName=Zed\n");
    PatchLibrary library(root_);

    std::string bank;
    ASSERT_TRUE(library.importFolder(base_ + "/in/Pads/", &bank));
    EXPECT_EQ(bank, path("Pads"));
    EXPECT_EQ(tree(), (Strings{"Genetics/", "Pads/", "Pads/10/", "Pads/10/In.fxp", "Pads/Deep/", "Pads/Deep/X.FXP", "Pads/Top.fxp", "Pads/Warm/",
                               "Pads/Warm/W.fxp", "Pads/Y.fxp", "Pads/config.ini", "User/"}));
    EXPECT_EQ(read("Pads/Deep/X.FXP"), "cold x");
    EXPECT_THAT(takeMessages(), ElementsAre("Could not import 1 of 6 patches!"));
    EXPECT_EQ(library.selection().bank, library.findBank("Pads"));
    EXPECT_EQ(read("Pads/config.ini"), "AuthorCode=ZZ\nAuthorName=Zed\n");
    EXPECT_EQ(library.authors().at("ZZ"), "Zed");

    ASSERT_TRUE(library.importFolder(base_ + "/in/Pads/Warm/..", &bank));
    EXPECT_EQ(bank, path("Pads (1)"));
    EXPECT_EQ(read("Pads (1)/Top.fxp"), "top");

    // Folders the library would not show as a soundbank of their own are passed over.
    put(base_ + "/in/Trash/T.fxp");
    put(base_ + "/in/user/U.fxp");
    ASSERT_TRUE(library.importFolder(base_ + "/in/Trash", &bank));
    EXPECT_EQ(bank, path("Trash (1)"));
    ASSERT_TRUE(library.importFolder(base_ + "/in/user", &bank));
    EXPECT_EQ(bank, path("user (1)"));
    EXPECT_THAT(names(library.patchList(library.findBank("Trash (1)"), -1)), ElementsAre("T"));
}

TEST_F(ImportTest, AFolderImportThatStopsLeavesNothingBehind) {
    put(base_ + "/in/Only Config/config.ini", "AuthorCode=QV\n");
    put(base_ + "/in/Only Config/Deep/Notes.txt");
    PatchLibrary library(root_);
    const Strings before = tree();
    EXPECT_FALSE(library.importFolder(base_ + "/in/Only Config"));
    EXPECT_FALSE(library.importFolder(base_ + "/in/Missing"));
    EXPECT_FALSE(library.importFolder("/"));
    EXPECT_FALSE(library.importFolder(""));
    EXPECT_THAT(takeMessages(),
                ElementsAre("Nothing found to import!", "Nothing found to import!", "Can not fetch the Soudnbank name!",
                            "Can not fetch the Soudnbank name!"));
    EXPECT_EQ(tree(), before);

    put(base_ + "/in/Bank/a.fxp");
    std::filesystem::create_directories(path("Bank"));
    for (int n = 1; n <= 32; ++n) std::filesystem::create_directories(path("Bank (" + std::to_string(n) + ")"));
    EXPECT_FALSE(library.importFolder(base_ + "/in/Bank"));
    EXPECT_THAT(takeMessages(), ElementsAre("Could not create Soundbank!"));
}

TEST_F(ImportTest, AnArchiveBecomesASoundbank) {
    const std::string zip = base_ + "/Pads.zip";
    writeZip(zip, {{"Pads/", ""},
                   {"Pads/a.fxp", "a"},
                   {"Pads/Warm/", ""},
                   {"Pads/Warm/b.FXP", "b"},
                   {"Pads/config.ini", "AuthorCode=QV\nAuthorName=Quentin\n"},
                   {"Pads/Warm/config.ini", "AuthorCode=ZZ\nAuthorName=Zed\n"},  // the last one stays
                   {"Pads/readme.txt", "no"},
                   {".hidden.fxp", "no"},
                   {"Pads/.git/c.fxp", "no"},
                   {"../../escape.fxp", "e"},
                   {"Pads/Two\nLines.fxp", "no"},
                   {"Other\\Win.fxp", "w"}});
    PatchLibrary library(root_);
    std::string bank;
    ASSERT_TRUE(library.importZip(zip, &bank));
    EXPECT_EQ(bank, path("Pads"));
    EXPECT_EQ(tree(), (Strings{"Genetics/", "Pads/", "Pads/Other/", "Pads/Other/Win.fxp", "Pads/Warm/",
                               "Pads/Warm/b.FXP", "Pads/a.fxp", "Pads/config.ini", "User/"}));
    EXPECT_FALSE(std::filesystem::exists(base_ + "/escape.fxp"));
    EXPECT_EQ(read("Pads/Warm/b.FXP"), "b");
    EXPECT_EQ(read("Pads/config.ini"), "AuthorCode=ZZ\nAuthorName=Zed\n");
    EXPECT_EQ(library.selection().bank, library.findBank("Pads"));
    EXPECT_TRUE(takeMessages().empty());

    ASSERT_TRUE(library.importZip(zip, &bank));
    EXPECT_EQ(bank, path("Pads (1)"));
}

TEST_F(ImportTest, BadArchivesAreRefusedAndLeaveNothingBehind) {
    PatchLibrary library(root_);
    const Strings before = tree();

    const std::string zip = base_ + "/Pads.zip";
    writeZip(zip, {{"Pads/a.fxp", std::string(4000, 'a')}, {"Pads/b.fxp", std::string(4000, 'b')}});
    std::filesystem::resize_file(zip, std::filesystem::file_size(zip) - 30);  // the end record is cut off
    EXPECT_FALSE(library.importZip(zip));

    std::ofstream(base_ + "/Text.zip") << "not an archive";
    EXPECT_FALSE(library.importZip(base_ + "/Text.zip"));
    EXPECT_FALSE(library.importZip(base_ + "/Missing.zip"));

    writeZip(base_ + "/Docs.zip", {{"Docs/readme.txt", "x"}, {"Docs/Sub/", ""}});
    EXPECT_FALSE(library.importZip(base_ + "/Docs.zip"));
    EXPECT_FALSE(library.importZip(base_ + "/.zip"));
    writeZip(base_ + "/.Hidden.zip", {{"a.fxp", "a"}});  // a soundbank ".Hidden" would never be listed
    EXPECT_FALSE(library.importZip(base_ + "/.Hidden.zip"));
    EXPECT_THAT(takeMessages(), ElementsAre("Failed to open ZIP archive!", "Failed to open ZIP archive!",
                                            "Failed to open ZIP archive!", "Nothing found to import!",
                                            "Can not fetch the Soudnbank name!", "Could not create Soundbank!"));
    EXPECT_EQ(tree(), before);

    // An entry whose bytes no longer match its CRC is left out, and said so.
    std::string noise;
    for (unsigned x = 1; noise.size() < 200; x = x * 1103515245u + 12345u) noise += static_cast<char>(x >> 24);
    writeZip(zip, {{"Pads/Damaged.fxp", noise}, {"Pads/Whole.fxp", "whole"}});
    std::string bytes = read(zip);
    const std::size_t at = bytes.find(noise.substr(50, 100));  // incompressible: stored as it is
    ASSERT_NE(at, std::string::npos);
    bytes[at] = static_cast<char>(bytes[at] ^ 1);
    std::ofstream(zip, std::ios::binary | std::ios::trunc) << bytes;
    ASSERT_TRUE(library.importZip(zip));
    EXPECT_THAT(takeMessages(), ElementsAre("Could not import 1 of 2 patches!"));
    EXPECT_FALSE(exists("Pads/Damaged.fxp"));
    EXPECT_EQ(read("Pads/Whole.fxp"), "whole");
}

TEST_F(ImportTest, FifosAndDevicesNamedLikePatchesAreNeverRead) {
    put(base_ + "/in/Pads/Real.fxp", "real");
    const std::string fifo = base_ + "/in/Pads/Pipe.fxp", config = base_ + "/in/Pads/Warm/config.ini",
                      archive = base_ + "/Pipe.zip";
    std::filesystem::create_directories(base_ + "/in/Pads/Warm");
    for (const std::string& f : {fifo, config, archive}) ASSERT_EQ(mkfifo(f.c_str(), 0644), 0) << f;
    std::filesystem::create_symlink(fifo, base_ + "/in/Pads/Warm/Linked.fxp");
    std::filesystem::create_symlink("/dev/null", base_ + "/in/Pads/Null.fxp");
    PatchLibrary library(root_);

    std::string bank;
    EXPECT_FALSE(blockedOnFifo({fifo, config}, [&] { EXPECT_TRUE(library.importFolder(base_ + "/in/Pads", &bank)); }));
    EXPECT_EQ(tree(), (Strings{"Genetics/", "Pads/", "Pads/Real.fxp", "User/"}));
    EXPECT_FALSE(blockedOnFifo({fifo}, [&] { EXPECT_FALSE(library.importPatch(fifo)); }));
    EXPECT_FALSE(blockedOnFifo({archive}, [&] { EXPECT_FALSE(library.importZip(archive)); }));
    EXPECT_THAT(takeMessages(), ElementsAre("Could not import file!", "Failed to open ZIP archive!"));
}

TEST_F(ImportTest, ASinglePatchGoesIntoTheSelectedFolder) {
    put(base_ + "/in/Lead QV.fxp", "lead");
    put("Bank/Leads/Lead QV.fxp", "other");
    PatchLibrary library(root_);

    ASSERT_TRUE(library.importPatch(base_ + "/in/Lead QV.fxp"));  // nothing selected: User
    EXPECT_EQ(library.sourcePatch(), path("User/Lead QV.fxp"));

    library.select(library.findBank("Bank"), library.findCategory("Leads"), -1);
    ASSERT_TRUE(library.importPatch(base_ + "/in/Lead QV.fxp"));
    EXPECT_EQ(library.sourcePatch(), path("Bank/Leads/Lead 1 QV.fxp"));
    EXPECT_EQ(read("Bank/Leads/Lead 1 QV.fxp"), "lead");
    EXPECT_EQ(library.selection().patch, 0);  // the list is sorted: "Lead 1 QV" before "Lead QV"

    EXPECT_FALSE(library.importPatch(base_ + "/in/Missing.fxp"));
    EXPECT_THAT(takeMessages(), ElementsAre("Could not import file!"));
}

}  // namespace
}  // namespace calverine::test
