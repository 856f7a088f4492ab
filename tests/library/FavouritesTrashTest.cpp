// Favourites.db on disk, and the trash: collisions, restoring, the selection
// after trashing.
#include <filesystem>

#include "Favourites.h"
#include "LibraryTestSupport.h"

namespace calverine::test {
namespace {

using ::testing::ElementsAre;
using Strings = std::vector<std::string>;

using FavouritesTest = LibraryFixture;
using TrashTest = LibraryFixture;

TEST_F(FavouritesTest, TheFileIsSortedIgnoringCaseWithBackslashesAndCrLf) {
    // "ab" with its line end is too short to be a path; "/" is read as "\".
    put("Favourites.db", "User\\B.fxp\r\nab\r\nUser/a.fxp\nBank\\Pads\\b.fxp\nUser\\Missing.fxp");
    PatchLibrary library(root_);
    EXPECT_THAT(names(library.favourites()), ElementsAre("a", "B", "b", "Missing"));  // stable for B and b
    EXPECT_EQ(read("Favourites.db"), "User\\a.fxp\r\nUser\\B.fxp\r\nBank\\Pads\\b.fxp\r\nUser\\Missing.fxp");
    EXPECT_EQ(library.favourites()[2].fullPath, path("Bank/Pads/b.fxp"));
    EXPECT_EQ(library.favourites()[0].bankIndex, library.findBank("User"));
    EXPECT_EQ(library.favourites()[2].bankIndex, -1);  // no such bank folder

    EXPECT_THAT(parseFavourites("abc"), ElementsAre());  // the last line needs 4 characters
    EXPECT_THAT(parseFavourites("ab\nabcd"), ElementsAre("abcd"));
    EXPECT_THAT(parseFavourites("\xEF\xBB\xBF" "abc\r\nUser\\a.fxp\r"), ElementsAre("abc", "User/a.fxp"));
    // The path written first is read back whole, whatever went before it.
    EXPECT_THAT(parseFavourites(formatFavourites(parseFavourites("ab\n\xEF\xBB\xBF\xEF\xBB\xBF" "abcd"))),
                ElementsAre("abcd"));
    EXPECT_THAT(parseFavourites("abc\n" + std::string(512, 'x')), ElementsAre("abc"));
    // Lines that leave the library are no favourites: trashing one must not
    // rename a file elsewhere.
    EXPECT_THAT(parseFavourites("..\\..\\home\\notes.txt\r\n/etc/passwd\r\nC:\\x.fxp\r\nUser\\..x.fxp\r\nA\\..\\b.fxp"),
                ElementsAre("User/..x.fxp"));
}

TEST_F(FavouritesTest, AddRemoveAndClear) {
    put("User/Pad.fxp");
    put("User/Arp.fxp");
    PatchLibrary library(root_);
    const auto user = library.patchList(library.findBank("User"), -1);
    EXPECT_TRUE(library.addFavourite(entryNamed(user, "Pad.fxp")));
    EXPECT_TRUE(library.addFavourite(entryNamed(user, "Pad.fxp")));
    EXPECT_TRUE(library.addFavourite(entryNamed(user, "Arp.fxp")));
    EXPECT_EQ(read("Favourites.db"), "User\\Arp.fxp\r\nUser\\Pad.fxp");
    EXPECT_TRUE(library.removeFavourite(entryNamed(user, "Arp.fxp")));
    EXPECT_EQ(read("Favourites.db"), "User\\Pad.fxp");
    library.clearFavourites();
    EXPECT_TRUE(exists("Favourites.db"));
    EXPECT_EQ(read("Favourites.db"), "");
    EXPECT_TRUE(library.favourites().empty());

    LibraryEntry folder = entryNamed(user, "Pad.fxp");
    folder.fileName = "Pad.bin";
    EXPECT_FALSE(library.addFavourite(folder));  // only patch files
}

TEST_F(FavouritesTest, ChangesAreUndoneWhenFavouritesDbCannotBeWritten) {
    put("Bank/Pads/Warm.fxp", "warm");
    put("Other/Pads/Soft.fxp", "soft");
    put("Bank/Plain.fxp", "plain");
    put("Favourites.db", "Other\\Pads\\Soft.fxp\r\nBank\\Pads\\Warm.fxp");
    PatchLibrary library(root_);
    const auto warm = [&] {
        return entryNamed(library.patchList(library.findBank("Bank"), library.findCategory("Pads")), "Warm.fxp");
    };
    blockFavouritesWrites();
    const Strings before = tree();

    EXPECT_FALSE(library.renamePatch(warm(), "Hot"));
    EXPECT_FALSE(library.movePatch(warm(), path("Other")));
    EXPECT_FALSE(library.moveToTrash(warm()));
    EXPECT_FALSE(library.renameSoundbank(library.findBank("Bank"), "Renamed"));
    EXPECT_FALSE(library.renameCategory(library.findCategory("Pads"), "Pad Sounds"));  // two folders, both undone
    EXPECT_THAT(takeMessages(), ElementsAre(PatchLibrary::kFavouritesUnsaved, PatchLibrary::kFavouritesUnsaved,
                                            PatchLibrary::kFavouritesUnsaved, PatchLibrary::kFavouritesUnsaved,
                                            PatchLibrary::kFavouritesUnsaved));
    EXPECT_EQ(tree(), before);
    EXPECT_EQ(read("Favourites.db"), "Other\\Pads\\Soft.fxp\r\nBank\\Pads\\Warm.fxp");
    ASSERT_EQ(library.favourites().size(), 2u);
    for (const LibraryEntry& favourite : library.favourites()) EXPECT_TRUE(std::filesystem::exists(favourite.fullPath));

    // A change that no favourite follows needs no writing.
    EXPECT_TRUE(library.renamePatch(entryNamed(library.patchList(library.findBank("Bank"), -1), "Plain.fxp"), "Flat"));
    EXPECT_TRUE(takeMessages().empty());
    unblockFavouritesWrites();
    EXPECT_TRUE(library.renamePatch(warm(), "Hot"));
    EXPECT_EQ(read("Favourites.db"), "Bank\\Pads\\Hot.fxp\r\nOther\\Pads\\Soft.fxp");
    EXPECT_EQ(read("Bank/Pads/Hot.fxp"), "warm");
}

TEST_F(TrashTest, ATrashedNameThatIsTakenLeavesBothFiles) {
    put("User/Pad.fxp", "new");
    put("User/Pad.bin", "old");
    PatchLibrary library(root_);
    EXPECT_FALSE(library.moveToTrash(library.patches()[0].entry));
    EXPECT_THAT(takeMessages(), ElementsAre("File could not be moved to trash. Please check there is no file under "
                                            "the same name and path in the trash already."));
    EXPECT_EQ(read("User/Pad.fxp"), "new");
    EXPECT_EQ(read("User/Pad.bin"), "old");
}

TEST_F(TrashTest, TrashingSelectsTheNextPatchAndDropsTheFavourite) {
    put("Bank/Pads/A.fxp");
    put("Bank/Pads/B.fxp");
    put("Bank/Pads/C.fxp");
    put("Bank/First.fxp");
    PatchLibrary library(root_);
    const int bank = library.findBank("Bank"), pads = library.findCategory("Pads");
    const auto list = [&] { return library.patchList(bank, pads); };
    library.addFavourite(entryNamed(list(), "B.fxp"));

    library.select(bank, pads, 1);
    EXPECT_TRUE(library.moveToTrash(entryNamed(list(), "B.fxp")));
    EXPECT_TRUE(exists("Bank/Pads/B.bin"));
    EXPECT_TRUE(library.favourites().empty());
    EXPECT_EQ(read("Favourites.db"), "");
    EXPECT_EQ(library.selection().patch, 1);  // now C
    EXPECT_TRUE(library.moveToTrash(entryNamed(list(), "C.fxp")));
    EXPECT_EQ(library.selection().patch, 0);  // the list got shorter: the last one
    EXPECT_TRUE(library.moveToTrash(entryNamed(list(), "A.fxp")));
    // Nothing left in Pads: the first patch of the library.
    EXPECT_EQ(library.selection().bank, bank);
    EXPECT_EQ(library.selection().category, -1);
    EXPECT_EQ(library.selection().patch, 0);
    EXPECT_THAT(names(library.patchList(library.findBank("Trash"), -1)), ElementsAre("A", "B", "C"));
}

TEST_F(TrashTest, RestoreAllRestoresWhatItCanAndSaysSoOnce) {
    put("User/A.bin", "a");
    put("User/B.bin", "b trashed");
    put("User/B.fxp", "b kept");
    put("Bank/Pads/C.bin", "c");
    PatchLibrary library(root_);
    EXPECT_FALSE(library.restoreAll());
    EXPECT_THAT(takeMessages(), ElementsAre(PatchLibrary::kRestoreFailed));
    EXPECT_EQ(read("User/A.fxp"), "a");
    EXPECT_EQ(read("Bank/Pads/C.fxp"), "c");
    EXPECT_EQ(read("User/B.fxp"), "b kept");
    EXPECT_EQ(read("User/B.bin"), "b trashed");

    ASSERT_EQ(library.trash().size(), 1u);
    EXPECT_FALSE(library.restore(library.trash()[0].entry));
    EXPECT_TRUE(library.deletePermanently(library.trash()[0].entry));
    EXPECT_FALSE(exists("User/B.bin"));
    EXPECT_TRUE(library.trash().empty());
    EXPECT_FALSE(library.deletePermanently(entryNamed(library.patchList(library.findBank("User"), -1), "A.fxp")));
    EXPECT_EQ(read("User/A.fxp"), "a");  // only a trashed patch is ever deleted

    put("User/D.bin");
    put("Bank/E.bin");
    put("Firmware.bin", "not a patch");  // outside every soundbank: not in the trash
    put("Trash/Old.bin", "ignored folder");
    library.reload();
    EXPECT_TRUE(library.clearTrash());
    EXPECT_TRUE(library.trash().empty());
    EXPECT_FALSE(exists("User/D.bin"));
    EXPECT_TRUE(exists("User/A.fxp"));
    EXPECT_TRUE(library.restoreAll());
    EXPECT_EQ(read("Firmware.bin"), "not a patch");
    EXPECT_EQ(read("Trash/Old.bin"), "ignored folder");
}

}  // namespace
}  // namespace calverine::test
