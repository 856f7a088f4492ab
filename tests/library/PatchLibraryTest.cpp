// The library model built from the disk, name rules, copies under unique
// names, renames and removals.
#include <filesystem>

#include "AuthorTable.h"
#include "LibraryTestSupport.h"
#include "PatchName.h"

namespace calverine::test {
namespace {

using ::testing::ElementsAre;
using Strings = std::vector<std::string>;

const char* const kLengthMessage = "The maximum bank name length is 64 characters.";
const char* const kCharacterMessage =
    "The following characters are not allowed in the name of the category:\n\n   /   \\  :  *  <  >  | ";

using PatchLibraryTest = LibraryFixture;

// The refusal of a removal that would take other files or folders along.
std::string leftovers(const std::string& what, int files, int folders) {
    return what + " still holds files or folders that are not patches.\nNothing was removed; please move or delete "
                  "them first.\n\nOther files found: " +
           std::to_string(files) + "\nOther folders found: " + std::to_string(folders);
}

TEST_F(PatchLibraryTest, ReservedAndVirtualBanksAndWhatIsNeverListed) {
    put("user/Pads/Warm.fxp");
    put("Zeta/Lead.fxp");
    put("Alpha/Keys/Deep/Third Level.fxp");  // a folder inside a category is not entered
    put("Alpha/.Hidden/Secret.fxp");
    put("Alpha/Keys/.dot.fxp");
    put("Alpha/Keys/Notes.txt");
    put("Trash/Stray.fxp");  // folders named like the virtual banks are ignored
    put("Favourites/Stray.fxp");
    put("Root Stray.fxp");
    put(".config/x.fxp");
    put("Favourites.db", "user\\Pads\\Warm.fxp");
    put("Zeta/Old.bin");
    PatchLibrary library(root_);
    // Each record once, against the limit: nine folders (Alpha, Keys, Deep,
    // Favourites, Genetics, Trash, User, Pads, Zeta), five patches, one
    // trashed patch; the trash listing walks the same folders again.
    EXPECT_EQ(library.records(), 15);

    Strings banks;
    for (const auto& b : library.banks()) banks.push_back(b.name);
    EXPECT_EQ(banks, (Strings{"Favourites", "Genetics", "User", "Alpha", "Zeta", "Trash"}));
    EXPECT_TRUE(std::filesystem::is_directory(path("User/Pads")));  // renamed to the exact reserved form
    EXPECT_FALSE(std::filesystem::exists(path("user")));
    EXPECT_TRUE(std::filesystem::is_directory(path("Genetics")));
    EXPECT_EQ(read("Favourites.db"), "User\\Pads\\Warm.fxp");  // the favourite goes along

    Strings patches;
    for (const auto& p : library.patches()) patches.push_back(p.entry.fullPath.substr(root_.size() + 1));
    EXPECT_EQ(patches, (Strings{"User/Pads/Warm.fxp", "Zeta/Lead.fxp"}));
    EXPECT_THAT(names(library.patchList(library.findBank("User"), library.findCategory("Pads"))), ElementsAre("Warm"));
    EXPECT_THAT(names(library.patchList(library.findBank("Zeta"), -1)), ElementsAre("Lead"));
}

TEST_F(PatchLibraryTest, CategoriesMergeByNameAndFixedModeAddsTheConfigCategories) {
    put("A/Pads/One.fxp");
    put("B/Pads/Two.fxp");
    put("B/Arp/Three.fxp");
    put("A/config.ini", "; comment\nAuthorCode = Qe\nAuthorName=Quentin V\nAuthorCode2=XY\n"
                        "AddCategories= Arp , ,Drone,\n[Other]\nAuthorCode3=ZZ\nAuthorName3=Zed\n");
    put("B/config.ini", "\xEF\xBB\xBF" "AuthorCode2=KL\r\nAuthorName2=Kay\r\nAuthorCode=Qe\r\nAuthorName=Someone Else\r\n"
                        "AuthorCode3=QV\r\nAuthorName3=Not The Factory\r\n");

    PatchLibrary free(root_);
    ASSERT_EQ(free.categories().size(), 2u);
    EXPECT_EQ(free.categories()[0].name, "Pads");
    EXPECT_EQ(free.categories()[0].folders.size(), 2u);
    EXPECT_EQ(free.categories()[1].name, "Arp");
    EXPECT_TRUE(free.extraCategories().empty());
    // Pairs need both values; the first name given for a code stays, and the built-in table
    // comes first; sections are not read; a byte order mark is no part of the first key.
    std::map<std::string, std::string> authors;
    for (int a = 0; a < kBuiltInAuthors; ++a)
        authors.emplace(builtInAuthors()[a].code, builtInAuthors()[a].name);
    authors.emplace("KL", "Kay");
    authors.emplace("Qe", "Quentin V");
    EXPECT_EQ(free.authors(), authors);
    EXPECT_EQ(free.authors().at("QV"), "Quillon Vaur");

    PatchLibrary fixed(root_, "fxp", kFixedCategories);
    Strings categories;
    for (const auto& c : fixed.categories()) categories.push_back(c.name);
    Strings expected = kFixedCategories;
    expected.insert(expected.end(), {"Arp", "Drone"});
    EXPECT_EQ(categories, expected);
    EXPECT_EQ(fixed.categories()[static_cast<std::size_t>(fixed.findCategory("Pads"))].folders.size(), 2u);
    EXPECT_THAT(names(fixed.patchList(fixed.findBank("B"), fixed.findCategory("Arp"))), ElementsAre("Three"));

    // A fixed category with no folder in a bank yet gets one when a patch goes there.
    const int a = fixed.findBank("A"), leads = fixed.findCategory("Leads");
    fixed.setSourcePatch(path("A/Pads/One.fxp"));
    EXPECT_TRUE(fixed.copyPatchInto(fixed.folderOf(a, leads)));
    EXPECT_TRUE(fixed.movePatch(fixed.patchList(a, leads).at(0), fixed.folderOf(a, fixed.findCategory("Bass"))));
    EXPECT_TRUE(exists("A/Bass/One.fxp"));
    EXPECT_TRUE(exists("A/Pads/One.fxp"));
}

TEST_F(PatchLibraryTest, NameRulesAtTheirBoundaries) {
    PatchLibrary library(root_);
    EXPECT_TRUE(library.createSoundbank(std::string(64, 'b')));
    EXPECT_FALSE(library.createSoundbank(std::string(65, 'b')));
    EXPECT_THAT(takeMessages(), ElementsAre(kLengthMessage));
    for (const char c : std::string("*/:<>\\|")) {
        EXPECT_FALSE(library.createCategory(std::string("Bad") + c + "Name")) << c;
        EXPECT_THAT(takeMessages(), ElementsAre(kCharacterMessage)) << c;
    }
    EXPECT_FALSE(library.createCategory(""));
    EXPECT_FALSE(library.createCategory("Two\nLines"));  // would break Favourites.db
    EXPECT_THAT(takeMessages(), ElementsAre(kCharacterMessage, kCharacterMessage));
    // A name the listing would hide is refused: the patch would vanish.
    EXPECT_FALSE(library.createSoundbank(".Hidden"));
    EXPECT_THAT(takeMessages(), ElementsAre("The name of the bank cannot begin with \".\"."));
    EXPECT_FALSE(exists(".Hidden"));
    EXPECT_TRUE(library.createCategory("What? \"Quoted\""));
    EXPECT_TRUE(std::filesystem::is_directory(path("User/What? \"Quoted\"")));
    EXPECT_TRUE(takeMessages().empty());
    // Reserved names and existing folders are not created twice.
    EXPECT_FALSE(library.createSoundbank("trash"));
    EXPECT_FALSE(library.createCategory("What? \"Quoted\""));
    EXPECT_THAT(takeMessages(), ElementsAre("Soundbank already exists.\nPlease type in a different name.",
                                            "Folder already exists.\nPlease type in a different name."));
}

TEST_F(PatchLibraryTest, CopiesTakeTheNextFreeNumberUpTo100) {
    put(base_ + "/in/Pad.fxp", "pad");
    PatchLibrary library(root_);
    library.setSourcePatch(base_ + "/in/Pad.fxp");
    const std::string folder = path("User");
    for (int n = 0; n <= 100; ++n) ASSERT_TRUE(library.copyPatchInto(folder)) << n;
    EXPECT_EQ(read("User/Pad.fxp"), "pad");
    EXPECT_EQ(read("User/Pad 1.fxp"), "pad");
    EXPECT_EQ(read("User/Pad 100.fxp"), "pad");
    EXPECT_FALSE(library.copyPatchInto(folder));
    EXPECT_FALSE(exists("User/Pad 101.fxp"));
    EXPECT_EQ(library.patchList(library.findBank("User"), -1).size(), 101u);
}

TEST_F(PatchLibraryTest, CopiesKeepAuthorCodesAfterTheNumber) {
    PatchLibrary library(root_);
    const auto copyTwice = [&](const std::string& name) {
        put(base_ + "/in/" + name + ".fxp");
        library.setSourcePatch(base_ + "/in/" + name + ".fxp");
        EXPECT_TRUE(library.copyPatchInto(path("User")));
        EXPECT_TRUE(library.copyPatchInto(path("User")));
    };
    copyTwice("Lead Qel");
    copyTwice("Lead A+B");
    copyTwice("Lead Supersaw");   // a last word of more than 4 characters is no code
    copyTwice("Bass Q+Toolong");  // only the codes that count stay
    EXPECT_THAT(names(library.patchList(library.findBank("User"), -1)),
                ElementsAre("Bass 1 Q", "Bass Q", "Lead 1 A+B", "Lead 1 QL", "Lead A+B", "Lead QL", "Lead Supersaw 1",
                            "Lead Supersaw"));

    const AuthorSuffix three = splitAuthorSuffix("Pad A+BB+CCC+D");
    EXPECT_EQ(three.base, "Pad");
    EXPECT_THAT(three.codes, ElementsAre("A", "BB", "CCC"));
    EXPECT_TRUE(splitAuthorSuffix("Pad ABCDEFGHIJKLM").codes.empty());  // 13 characters
}

TEST_F(PatchLibraryTest, RenamesMoveFavouritesAlongAndNeverReplaceAFile) {
    put("Bank/Pads/Warm.fxp", "warm");
    put("Bank/Pads/Cold.fxp", "cold");
    put("Other/Pads/Soft.fxp");
    put("Other/Keys/Keep.fxp");
    PatchLibrary library(root_);
    const auto pads = [&] { return library.patchList(library.findBank("Bank"), library.findCategory("Pads")); };
    library.addFavourite(entryNamed(pads(), "Warm.fxp"));

    EXPECT_FALSE(library.renamePatch(entryNamed(pads(), "Warm.fxp"), "Cold"));
    EXPECT_THAT(takeMessages(), ElementsAre("File could not be moved. Please check there is no file under the same "
                                            "name in the target soundbank/category."));
    EXPECT_EQ(read("Bank/Pads/Cold.fxp"), "cold");
    EXPECT_EQ(read("Bank/Pads/Warm.fxp"), "warm");

    EXPECT_TRUE(library.renamePatch(entryNamed(pads(), "Warm.fxp"), "Hot"));
    EXPECT_TRUE(library.renameSoundbank(library.findBank("Bank"), "Renamed"));
    EXPECT_FALSE(library.renameSoundbank(library.findBank("Renamed"), "Other"));
    EXPECT_THAT(takeMessages(), ElementsAre("Soundbank already exists.\nPlease type in a different name."));
    EXPECT_TRUE(library.renameCategory(library.findCategory("Pads"), "Pad Sounds"));  // in every bank
    EXPECT_FALSE(library.renameCategory(library.findCategory("Pad Sounds"), "Keys"));
    EXPECT_THAT(takeMessages(), ElementsAre("Folder already exists.\nPlease type in a different name."));
    EXPECT_EQ(read("Renamed/Pad Sounds/Hot.fxp"), "warm");
    EXPECT_TRUE(exists("Other/Pad Sounds/Soft.fxp"));
    EXPECT_EQ(read("Favourites.db"), "Renamed\\Pad Sounds\\Hot.fxp");
    ASSERT_EQ(library.favourites().size(), 1u);
    EXPECT_EQ(library.favourites()[0].fullPath, path("Renamed/Pad Sounds/Hot.fxp"));

    const auto keys = library.patchList(library.findBank("Other"), library.findCategory("Keys"));
    EXPECT_TRUE(library.movePatch(entryNamed(keys, "Keep.fxp"), path("Renamed")));
    EXPECT_TRUE(exists("Renamed/Keep.fxp"));
}

TEST_F(PatchLibraryTest, RemovalsAreRefusedWithTheCountsOfWhatIsLeft) {
    put("Bank/Pads/One.fxp");
    put("Bank/Pads/Two.fxp");
    put("Bank/Old/Gone.bin");
    put("Other/Old/Also Gone.bin");
    std::filesystem::create_directories(path("Other/Empty/.inner"));
    std::filesystem::create_directories(path("Bank/Empty"));
    put("Empty Bank/config.ini", "AuthorCode=QV\n");
    std::filesystem::create_directories(path("Empty Bank/Unused"));
    PatchLibrary library(root_);

    EXPECT_FALSE(library.removeCategory(library.findCategory("Pads")));
    EXPECT_FALSE(library.removeCategory(library.findCategory("Old")));
    EXPECT_FALSE(library.removeSoundbank(library.findBank("Bank")));
    EXPECT_FALSE(library.removeSoundbank(library.findBank("Other")));
    EXPECT_FALSE(library.removeSoundbank(library.findBank("User")));
    EXPECT_THAT(takeMessages(),
                ElementsAre("Please delete all patches from this folder\nor move them to the other folder before.\n\n"
                            "Patches found: 2",
                            "There are still patches in the trash from this folder.\n\nPatches found in trash: 2",
                            "Please remove all patches from this soundbank first.\nPatches found: 2",
                            "There are still patches in the trash from this soundbank.\n\nPlease delete them, clear "
                            "the trash or restore\nthem and move to the other soundbank before.\n\nFound patches in "
                            "trash: 1",
                            "The soundbanks Favourites, Genetics, User and Trash cannot be renamed or removed."));

    // "Empty" exists in two banks; one still holds a folder, so both stay.
    EXPECT_FALSE(library.removeCategory(library.findCategory("Empty")));
    EXPECT_THAT(takeMessages(), ElementsAre(leftovers("This folder", 0, 1)));
    EXPECT_TRUE(exists("Bank/Empty"));
    EXPECT_TRUE(exists("Other/Empty/.inner"));
    std::filesystem::remove(path("Other/Empty/.inner"));
    library.reload();
    EXPECT_TRUE(library.removeCategory(library.findCategory("Empty")));
    EXPECT_FALSE(exists("Bank/Empty"));
    EXPECT_FALSE(exists("Other/Empty"));

    EXPECT_TRUE(library.removeSoundbank(library.findBank("Empty Bank")));
    EXPECT_FALSE(exists("Empty Bank"));
    EXPECT_EQ(library.findBank("Empty Bank"), -1);
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(PatchLibraryTest, RemovalsNeverDeleteAFileThatIsNotAPatch) {
    put("Bank/README.txt", "notes");
    put("Bank/Samples/kick.wav", "wav");
    put("Bank/x.fxp.bak", "backup");
    put("Bank/config.ini", "AuthorCode=QV\n");
    std::filesystem::create_directories(path("Bank/Unused"));
    put("Deep/Pads/Layer/Hidden.fxp", "below the listing");  // a patch deeper than the listing looks
    put(base_ + "/elsewhere.txt", "kept");
    std::filesystem::create_directories(path("Linked/Keys"));
    std::filesystem::create_symlink(base_ + "/elsewhere.txt", path("Linked/Keys/link.txt"));
    std::filesystem::create_directories(path("Plain/Keys"));
    PatchLibrary library(root_);
    const Strings before = tree();

    EXPECT_FALSE(library.removeSoundbank(library.findBank("Bank")));
    EXPECT_FALSE(library.removeSoundbank(library.findBank("Deep")));
    // Every folder of a category is looked into before any is removed.
    EXPECT_FALSE(library.removeCategory(library.findCategory("Keys")));
    EXPECT_FALSE(library.removeSoundbank(library.findBank("Linked")));
    EXPECT_THAT(takeMessages(), ElementsAre(leftovers("This soundbank", 3, 1), leftovers("This soundbank", 1, 2),
                                            leftovers("This folder", 1, 0), leftovers("This soundbank", 1, 1)));
    EXPECT_EQ(tree(), before);
    EXPECT_EQ(read(base_ + "/elsewhere.txt"), "kept");

    // What the library keeps there goes with the bank: config.ini and empty categories.
    for (const char* file : {"Bank/README.txt", "Bank/Samples/kick.wav", "Bank/x.fxp.bak"})
        std::filesystem::remove(path(file));
    std::filesystem::remove(path("Bank/Samples"));
    library.reload();
    EXPECT_TRUE(library.removeSoundbank(library.findBank("Bank")));
    EXPECT_FALSE(exists("Bank"));
    EXPECT_TRUE(takeMessages().empty());
}

}  // namespace
}  // namespace calverine::test
