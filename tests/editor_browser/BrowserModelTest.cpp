// The browser's lists, menus, drops and Genetics slots on a small library in
// a temporary folder, without a display.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BrowserModel.h"
#include "MessageCapture.h"
#include "TempFolder.h"

using namespace calverine;
using calverine::test::MessageCapture;
using calverine::test::TempFolder;
namespace fs = std::filesystem;

namespace {

struct FakeHost : BrowserHost {
    std::vector<std::string> loads;
    std::vector<std::vector<std::string>> breeds;
    std::vector<double> amounts;
    std::string path, name = "Init";
    bool edited = false;
    std::string genetics;  // where a stored child goes

    bool loadPatchFile(const std::string& p) override {
        loads.push_back(p);
        path = p;
        name = fs::path(p).stem().string();
        edited = false;
        return true;
    }
    std::string currentPatchPath() override { return path; }
    std::string currentPatchName() override { return name; }
    bool patchEdited() override { return edited; }
    bool breedPatches(const std::vector<std::string>& parents, double amount, std::string&) override {
        breeds.push_back(parents);
        amounts.push_back(amount);
        name = "Genetics";
        return true;
    }
    bool storeBredPatch(std::string& stored, std::string&) override {
        stored = (fs::path(genetics) / "250101-120000-1A.fxp").string();
        std::ofstream(stored) << "child";
        path = stored;
        name = "250101-120000-1A";
        return true;
    }
};

using Menu = std::vector<BrowserModel::MenuEntry>;

std::vector<std::string> titles(const Menu& menu) {
    std::vector<std::string> out;
    for (const auto& e : menu) out.push_back(e.separator ? "-" : e.enabled ? e.title : "(" + e.title + ")");
    return out;
}

class BrowserModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = (fs::path(folder_.path()) / "Soundbanks").string();
        for (const char* p : {"Factory/Bass/Bass One QV.fxp", "Factory/Bass/Big Subsonic.fxp",
                              "Factory/Bass/Acid Line XY.fxp", "Factory/Bass/Sub Bass Mo.fxp", "Factory/Pads/Pad XY.fxp",
                              "Factory/Pads/Warm Strings.fxp", "Factory/Pads/bass pad QV+Ph.fxp", "Factory/Loose.fxp",
                              "User/Leads/Lead Sawtooth.fxp"})
            write(p);
        host_.genetics = (fs::path(root_) / "Genetics").string();
        model_ = std::make_unique<BrowserModel>(root_, host_);
    }
    void write(const std::string& relative) {
        const fs::path p = fs::path(root_) / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << relative;
    }
    std::string file(const std::string& relative) const { return (fs::path(root_) / relative).string(); }
    void open(const std::string& bank, const std::string& category = "") {
        model_->selectBank(model_->library().findBank(bank));
        model_->selectCategory(category.empty() ? BrowserModel::kUncategorized
                                                : model_->library().findCategory(category));
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const LibraryEntry& e : model_->visiblePatches()) out.push_back(e.name);
        return out;
    }
    int bank(const std::string& name) const { return model_->library().findBank(name); }
    int rowOf(const std::string& name) const {
        for (std::size_t r = 0; r < model_->visiblePatches().size(); ++r)
            if (model_->visiblePatches()[r].name == name) return int(r);
        return -1;
    }
    std::vector<std::string> selectedNames() const {
        std::vector<std::string> out;
        for (const LibraryEntry& e : model_->selectedPatches()) out.push_back(e.name);
        return out;
    }

    TempFolder folder_;
    std::string root_;
    FakeHost host_;
    std::unique_ptr<BrowserModel> model_;
};

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(BrowserModelTest, ColumnsListBanksFixedCategoriesAndTheChosenPatches) {
    const auto& banks = model_->library().banks();
    ASSERT_EQ(banks.size(), 5u);
    EXPECT_EQ(banks.front().name, "Favourites");
    EXPECT_EQ(banks.back().name, "Trash");
    open("Factory");
    const std::vector<int>& rows = model_->categoryRows();
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_EQ(model_->categoryText(rows[0]), "Show uncategorized patches...");
    EXPECT_EQ(model_->categoryText(rows[1]), "Bass");
    EXPECT_EQ(model_->categoryText(rows[14]), "Vintage");
    EXPECT_EQ(names(), Strings{"Loose"});
    open("Factory", "Bass");
    EXPECT_EQ(names(), (Strings{"Acid Line XY", "Bass One QV", "Big Subsonic", "Sub Bass Mo"}));
    // Favourites and Trash have no categories.
    model_->selectBank(bank("Trash"));
    EXPECT_TRUE(model_->categoryRows().empty());
}

TEST_F(BrowserModelTest, SearchMatchesAFirstLetterOrASubstringIgnoringCaseButNotInTrash) {
    open("Factory", "Bass");
    EXPECT_EQ(model_->searchFieldText(), "Search patch name...");
    model_->setSearchText("b");
    EXPECT_EQ(names(), (Strings{"Bass One QV", "Big Subsonic"}));
    EXPECT_EQ(model_->searchFieldText(), "b");
    model_->setSearchText("bass");
    EXPECT_EQ(names(), (Strings{"Bass One QV", "Sub Bass Mo"}));
    open("Factory", "Pads");
    EXPECT_EQ(names(), Strings{"bass pad QV+Ph"});
    model_->setSearchText("X");
    EXPECT_EQ(names(), Strings{});  // a single letter is the first letter only
    model_->setSearchText(" ");
    EXPECT_EQ(names(), (Strings{"bass pad QV+Ph", "Pad XY", "Warm Strings"}));

    model_->setSearchText("zzz");
    ASSERT_TRUE(model_->library().moveToTrash(model_->library().patchList(bank("Factory"), -1).front()));
    model_->selectBank(bank("Trash"));
    EXPECT_FALSE(model_->searchAvailable());
    EXPECT_EQ(model_->searchFieldText(), "Searching is not available in Trash.");
    EXPECT_EQ(names(), Strings{"Loose"});
}

TEST_F(BrowserModelTest, AuthorFilterListsPresentAuthorsByCodeAndTheUnknownOnes) {
    EXPECT_EQ(model_->authorFieldText(), "All authors");
    EXPECT_EQ(model_->authorMenu(),
              (Strings{"--- All authors ---", "---", "Morwenna Oddly", "Phaedra Halloway", "Quillon Vaur"}));
    open("Factory", "Pads");
    model_->chooseAuthorItem(1);  // "---"
    EXPECT_EQ(model_->authorFieldText(), "---");
    EXPECT_EQ(names(), Strings{"Pad XY"});  // Warm Strings carries no code, QV+Ph are known
    model_->chooseAuthorItem(4);
    EXPECT_EQ(model_->authorFieldText(), "Quillon Vaur");
    EXPECT_EQ(names(), Strings{"bass pad QV+Ph"});
    open("Factory", "Bass");
    EXPECT_EQ(names(), Strings{"Bass One QV"});
    model_->setSearchText("s");
    EXPECT_EQ(names(), Strings{});  // both filters hold
    model_->selectAuthor(9);
    EXPECT_EQ(model_->authorFieldText(), "Author not found!");
    model_->clearFilters();
    EXPECT_EQ(names().size(), 4u);
    EXPECT_EQ(model_->authorFieldText(), "All authors");
}

TEST_F(BrowserModelTest, ClicksSelectOneOrSeveralAndAPlainClickLoads) {
    open("Factory", "Bass");
    model_->clickPatch(1, 0);
    EXPECT_EQ(host_.loads, Strings{file("Factory/Bass/Bass One QV.fxp")});
    EXPECT_EQ(model_->patchRowText(1), "Bass One QV");
    host_.edited = true;
    EXPECT_EQ(model_->patchRowText(1), "Bass One QV *");
    EXPECT_EQ(model_->patchRowText(2), "Big Subsonic");
    model_->clickPatch(3, BrowserModel::kShift);
    EXPECT_EQ(selectedNames(), (Strings{"Bass One QV", "Big Subsonic", "Sub Bass Mo"}));
    model_->clickPatch(2, BrowserModel::kControl);
    EXPECT_EQ(selectedNames(), (Strings{"Bass One QV", "Sub Bass Mo"}));
    EXPECT_EQ(host_.loads.size(), 1u);  // only the plain click loaded
    MessageCapture messages;
    model_->clickPatch(9, 0);
    EXPECT_EQ(messages.texts, Strings{"Index out of range [9] / max: 4 (Code: 641)"});
}

TEST_F(BrowserModelTest, MenusFollowTheBankAndTheSelectionSize) {
    EXPECT_EQ(titles(model_->menuButtonItems()), (Strings{"Open Genetics", "Import Patch...", "Import Folder...",
                                                          "Import ZIP Contents...", "Reload Soundbanks"}));
    model_->setGeneticsOpen(true);
    EXPECT_EQ(titles(model_->menuButtonItems()).front(), "Close Genetics");
    EXPECT_EQ(titles(model_->bankMenu(bank("Factory"))), (Strings{"Rename Soundbank", "Open in Explorer..."}));
    EXPECT_EQ(titles(model_->bankMenu(bank("Trash"))), (Strings{"Restore All", "Clear Trash"}));
    EXPECT_EQ(titles(model_->bankMenu(bank("Favourites"))), Strings{"Clear Favourites"});
    open("Factory", "Bass");
    EXPECT_EQ(titles(model_->categoryMenu(model_->selectedCategory())), (Strings{"Rename Folder", "Open in Explorer..."}));

    model_->selectRow(0);
    EXPECT_EQ(titles(model_->patchMenu(0)),
              (Strings{"(Rename Patch)", "(Duplicate Patch)", "Move to Trash", "-", "Genetics"}));
    // A right click on another row adds it to the selection.
    EXPECT_EQ(titles(model_->patchMenu(1)), (Strings{"Add to Favourites", "Move to Trash", "-", "Genetics"}));
    EXPECT_TRUE(model_->runPatchCommand("Add to Favourites"));
    EXPECT_EQ(titles(model_->patchMenu(1)), (Strings{"Remove from Favourites", "Move to Trash", "-", "Genetics"}));
    model_->patchMenu(2);
    EXPECT_EQ(titles(model_->patchMenu(3)),
              (Strings{"Add to Favourites", "Move to Trash", "-", "(Genetics (choose 2-3 patches))"}));

    model_->selectBank(bank("Favourites"));
    EXPECT_EQ(names(), (Strings{"Acid Line XY", "Bass One QV"}));
    model_->selectRow(0);
    EXPECT_EQ(titles(model_->patchMenu(0)), (Strings{"Remove from Favourites", "-", "Clear Favourites"}));
    EXPECT_EQ(titles(model_->patchMenu(1)), Strings{"Remove from Favourites"});
    EXPECT_TRUE(model_->runPatchCommand("Remove from Favourites"));
    EXPECT_EQ(names(), Strings{});

    open("Factory", "Bass");
    model_->selectRow(0);
    model_->runPatchCommand("Move to Trash");
    model_->selectBank(bank("Trash"));
    EXPECT_EQ(titles(model_->patchMenu(0)), (Strings{"Restore", "-", "Delete permanently"}));
}

TEST_F(BrowserModelTest, DragTargetsNameTheirDropAndTheDropDoesIt) {
    open("Factory", "Bass");
    model_->selectRow(rowOf("Bass One QV"));
    EXPECT_EQ(model_->dropHint(model_->bankTarget(bank("Trash"))), "Delete");
    EXPECT_EQ(model_->dropHint(model_->bankTarget(bank("Favourites"))), "Add to Favourites");
    EXPECT_EQ(model_->dropHint(model_->bankTarget(bank("User"))), "Move to: User -> Bass");
    const int pads = model_->library().findCategory("Pads");
    EXPECT_EQ(model_->dropHint(model_->categoryTarget(pads)), "Move to: Factory -> Pads");
    EXPECT_EQ(model_->dropHint(model_->categoryTarget(BrowserModel::kUncategorized)), "Move to: Factory");
    EXPECT_EQ(model_->dropHint(BrowserModel::slotTarget(2)), "Add Patch to Genetics (right-click to clear)");

    ASSERT_TRUE(model_->drop(model_->categoryTarget(pads)));
    EXPECT_TRUE(fs::exists(file("Factory/Pads/Bass One QV.fxp")));
    EXPECT_EQ(names(), (Strings{"Acid Line XY", "Big Subsonic", "Sub Bass Mo"}));
    model_->selectRow(0);
    ASSERT_TRUE(model_->drop(model_->bankTarget(bank("Favourites"))));
    ASSERT_EQ(model_->library().favourites().size(), 1u);
    ASSERT_TRUE(model_->drop(model_->bankTarget(bank("Trash"))));
    EXPECT_TRUE(fs::exists(file("Factory/Bass/Acid Line XY.bin")));
    EXPECT_FALSE(fs::exists(file("Factory/Bass/Acid Line XY.fxp")));
    EXPECT_TRUE(model_->library().favourites().empty());

    // Nothing is dragged out of the trash.
    model_->selectBank(bank("Trash"));
    model_->selectRow(0);
    EXPECT_EQ(model_->dropHint(model_->bankTarget(bank("User"))), "");
    EXPECT_FALSE(model_->drop(model_->bankTarget(bank("User"))));
}

TEST_F(BrowserModelTest, GeneticsBreedsFromTwoOrThreeSlotsOrSelectedPatchesAndStoresTheChild) {
    open("Factory", "Bass");
    model_->setAmount(0.75);
    model_->setSlot(0, file("Factory/Bass/Big Subsonic.fxp"));
    EXPECT_TRUE(model_->geneticsOpen());
    EXPECT_TRUE(host_.breeds.empty());  // one parent breeds nothing
    model_->selectRow(rowOf("Sub Bass Mo"));
    ASSERT_TRUE(model_->drop(BrowserModel::slotTarget(1)));
    ASSERT_EQ(host_.breeds.size(), 1u);
    EXPECT_EQ(host_.breeds[0], (Strings{file("Factory/Bass/Big Subsonic.fxp"), file("Factory/Bass/Sub Bass Mo.fxp")}));
    EXPECT_DOUBLE_EQ(host_.amounts[0], 0.75);
    EXPECT_EQ(model_->loadedPatchText(), "Genetics *");
    model_->setSlot(2, file("Factory/Pads/Pad XY.fxp"));
    ASSERT_EQ(host_.breeds.size(), 2u);
    EXPECT_EQ(host_.breeds[1].size(), 3u);
    model_->clearSlot(0);
    model_->clearSlot(2);
    EXPECT_FALSE(model_->breedFromSlots());

    model_->selectRow(0);
    model_->clickPatch(1, BrowserModel::kControl);
    ASSERT_TRUE(model_->runPatchCommand("Genetics"));
    EXPECT_EQ(host_.breeds.back(), (Strings{file("Factory/Bass/Acid Line XY.fxp"), file("Factory/Bass/Bass One QV.fxp")}));

    ASSERT_TRUE(model_->storeBred());
    EXPECT_FALSE(model_->bredUnsaved());
    EXPECT_EQ(model_->selectedBank(), bank("Genetics"));
    EXPECT_EQ(selectedNames(), Strings{"250101-120000-1A"});
    EXPECT_EQ(model_->loadedPatchText(), "250101-120000-1A");
}

TEST_F(BrowserModelTest, TrashSelectsTheRowAtTheSamePlaceAndRestoreComesBackOrSaysWhyNot) {
    open("Factory", "Bass");
    model_->selectRow(rowOf("Bass One QV"));
    ASSERT_TRUE(model_->runPatchCommand("Move to Trash"));
    EXPECT_EQ(selectedNames(), Strings{"Big Subsonic"});
    model_->selectRow(rowOf("Sub Bass Mo"));
    ASSERT_TRUE(model_->runPatchCommand("Move to Trash"));
    EXPECT_EQ(selectedNames(), Strings{"Big Subsonic"});  // the last row now

    model_->selectBank(bank("Trash"));
    EXPECT_EQ(names(), (Strings{"Bass One QV", "Sub Bass Mo"}));
    model_->selectRow(0);
    ASSERT_TRUE(model_->runPatchCommand("Restore"));
    EXPECT_TRUE(fs::exists(file("Factory/Bass/Bass One QV.fxp")));
    EXPECT_EQ(selectedNames(), Strings{"Sub Bass Mo"});

    // A patch of the same name in the way keeps it in the trash.
    write("Factory/Bass/Sub Bass Mo.fxp");
    model_->reloadSoundbanks();
    model_->selectRow(0);
    MessageCapture messages;
    EXPECT_FALSE(model_->runPatchCommand("Restore"));
    EXPECT_EQ(messages.texts, Strings{"File could not be restored from trash. Please check there is no file under "
                                      "the same name in the target soundbank/category."});
    EXPECT_EQ(names(), Strings{"Sub Bass Mo"});

    ASSERT_TRUE(model_->runPatchCommand("Delete permanently"));
    EXPECT_FALSE(fs::exists(file("Factory/Bass/Sub Bass Mo.bin")));
    EXPECT_EQ(names(), Strings{});

    // Trashing the last patch of a list selects the first patch of the library.
    open("Factory");
    model_->selectRow(0);
    ASSERT_TRUE(model_->runPatchCommand("Move to Trash"));
    EXPECT_EQ(model_->selectedBank(), bank("Factory"));
    EXPECT_EQ(model_->library().categories()[std::size_t(model_->selectedCategory())].name, "Bass");
    EXPECT_EQ(selectedNames(), Strings{"Acid Line XY"});
}

TEST_F(BrowserModelTest, RenamesFollowTheNameRulesAndImportsSelectWhatCameIn) {
    MessageCapture messages;
    EXPECT_FALSE(model_->renameBank(bank("Factory"), "Fac:tory"));
    EXPECT_EQ(messages.take().size(), 1u);
    ASSERT_TRUE(model_->renameBank(bank("Factory"), "Works"));
    EXPECT_TRUE(fs::is_directory(file("Works/Bass")));
    open("Works", "Bass");
    EXPECT_EQ(names().size(), 4u);

    const fs::path outside = fs::path(folder_.path()) / "Incoming";
    fs::create_directories(outside / "Keys");
    std::ofstream(outside / "Keys" / "Soft EP.fxp") << "ep";
    ASSERT_TRUE(model_->importFolder(outside.string()));
    EXPECT_EQ(model_->library().banks()[std::size_t(model_->selectedBank())].name, "Incoming");

    open("User", "Leads");
    ASSERT_TRUE(model_->importPatch((outside / "Keys" / "Soft EP.fxp").string()));
    EXPECT_EQ(selectedNames(), Strings{"Soft EP"});
    EXPECT_TRUE(fs::exists(file("User/Leads/Soft EP.fxp")));
}
