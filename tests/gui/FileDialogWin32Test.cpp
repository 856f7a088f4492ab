// The system's file dialogs driven as a person would: the dialog runs on the
// test's thread while a second thread finds it by its title, reads and types
// into its file-name box and presses a button. Wine draws the dialogs only
// with a display (scripts/test-windows.sh runs the tests on Xvfb).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "FileDialog.h"
#include "Files.h"
#include "TempFolder.h"
#include "win32/Wide.h"

namespace {

using gui::FileDialogOptions;
using platform::win32::narrow;
using platform::win32::widen;

// Plays the person at the dialog titled `title`: waits for it to show,
// notes the name it proposes, types `name` (unless empty) and presses
// `button` (IDOK or IDCANCEL). Read what it saw after done().
class Person {
public:
    Person(const std::string& title, const std::string& name, int button)
        : thread_([=, this] { act(widen(title), widen(name), button); }) {}
    ~Person() { done(); }
    void done() {
        if (thread_.joinable()) thread_.join();
    }

    bool sawDialog = false;
    std::string proposedName;

private:
    void act(const std::wstring& title, const std::wstring& name, int button) {
        const HWND dialog = waitFor([&] {
            const HWND w = FindWindowW(nullptr, title.c_str());
            return w && IsWindowVisible(w) ? w : nullptr;
        });
        if (!dialog) return;
        sawDialog = true;
        const HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        if (edit) {
            wchar_t text[MAX_PATH] = {};
            GetWindowTextW(edit, text, MAX_PATH);
            proposedName = narrow(text);
            if (!name.empty()) SetWindowTextW(edit, name.c_str());
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        // A dialog that stays (say, with a complaint about the name) is
        // cancelled, so that the test fails instead of waiting for ever.
        if (!waitFor([&] { return IsWindow(dialog) ? nullptr : dialog; })) {
            auto dismiss = [](HWND w, LPARAM keep) -> BOOL {
                if (w != HWND(keep) && IsWindowVisible(w)) PostMessageW(w, WM_COMMAND, IDOK, 0);
                return TRUE;
            };
            EnumThreadWindows(GetWindowThreadProcessId(dialog, nullptr), dismiss, LPARAM(dialog));
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }

    // Polls `found` for up to ten seconds.
    template <typename Find>
    static HWND waitFor(Find found) {
        for (int i = 0; i < 200; ++i) {
            if (const HWND w = found()) return w;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return nullptr;
    }

    std::thread thread_;
};

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ignored;
    return std::filesystem::equivalent(platform::toPath(a), platform::toPath(b), ignored);
}

TEST(FileDialogWin32, OpenPicksAFileByNameInTheStartFolder) {
    calverine::test::TempFolder folder(" Zoë");
    const std::string name = "Ångström patch.fxp";
    std::ofstream(platform::toPath(folder.file(name))) << "x";
    FileDialogOptions o;
    o.title = "Load Patch Ö";
    o.filters = {{"Program File", "*.fxp"}};
    o.folder = folder.path();
    Person person(o.title, name, IDOK);
    const gui::FileDialogResult r = gui::runFileDialog(o, {});
    person.done();
    EXPECT_TRUE(person.sawDialog);
    EXPECT_EQ(r.error, "");
    EXPECT_TRUE(sameFile(r.path, folder.file(name))) << r.path;
}

TEST(FileDialogWin32, SaveProposesTheDefaultNameAndReturnsItsPath) {
    calverine::test::TempFolder folder;
    FileDialogOptions o;
    o.mode = FileDialogOptions::Mode::Save;
    o.title = "Save Patch";
    o.filters = {{"Program File", "*.fxp"}};
    o.folder = folder.path();
    o.defaultName = "Zoë.fxp";
    Person person(o.title, "", IDOK);
    const gui::FileDialogResult r = gui::runFileDialog(o, {});
    person.done();
    EXPECT_EQ(person.proposedName, "Zoë.fxp");
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(platform::fromPath(platform::toPath(r.path).filename()), "Zoë.fxp");
    EXPECT_TRUE(sameFile(platform::fromPath(platform::toPath(r.path).parent_path()), folder.path())) << r.path;
}

TEST(FileDialogWin32, FolderModeReturnsTheFolderNamedInTheStartFolder) {
    calverine::test::TempFolder folder;
    const std::string inner = folder.file("Bänke");
    std::filesystem::create_directory(platform::toPath(inner));
    FileDialogOptions o;
    o.mode = FileDialogOptions::Mode::Folder;
    o.title = "Import Folder";
    o.folder = folder.path();
    Person person(o.title, "Bänke", IDOK);
    const gui::FileDialogResult r = gui::runFileDialog(o, {});
    person.done();
    EXPECT_EQ(r.error, "");
    EXPECT_TRUE(sameFile(r.path, inner)) << r.path;
}

TEST(FileDialogWin32, CancelReturnsNoPathAndNoError) {
    FileDialogOptions o;
    o.title = "Import ZIP Contents";
    o.filters = {{"ZIP archive", "*.zip"}};
    Person person(o.title, "", IDCANCEL);
    const gui::FileDialogResult r = gui::runFileDialog(o, {});
    person.done();
    EXPECT_TRUE(person.sawDialog);
    EXPECT_EQ(r.path, "");
    EXPECT_EQ(r.error, "");
}

}  // namespace
