// The plug-in's editor. On open it makes a frame of the chosen UI size inside
// the host's window and fills it from the layout table: every record becomes
// the control of its kind, valued from the plug-in. Gestures go to the
// plug-in (parameters with a host index as host automation, one begin/end
// edit pair per gesture); the controls follow the plug-in's values on every
// idle call. The panels shown follow the editing state: the part (or, in
// trimmer mode, the voice) being edited, the page, and the back side.
//
// While it is open, the plug-in's messages appear as message boxes inside
// the frame; messages from other threads wait for the next idle call.
//
// Thread: the host's user-interface thread, except where noted.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AEffEditor.h"
#include "BrowserHost.h"
#include "CControl.h"
#include "CControlPopupMenu.h"
#include "EditorMenus.h"
#include "EditorServices.h"
#include "FontImage.h"
#include "LayoutTable.h"
#include "Messages.h"

namespace gui {
class CFrame;
}

namespace calverine {

class VstXSynth;
class CBarDisplay;
class BrnCFileBrowserView;
class PluginGenetics;

class ADEditor : public AEffEditor,
                 public gui::IControlListener,
                 public EditorServices,
                 public BrowserHost,
                 private EditorMenus::Host {
public:
    explicit ADEditor(VstXSynth& synth);
    ~ADEditor() override;

    bool getRect(ERect** rect) override;
    bool open(void* parent) override;
    void close() override;
    void idle() override;
    bool isOpen() const override { return frame_ != nullptr; }
    bool writeScreenshot(const char* path, int uiSize) override;
    // Keys from the host reach the view with the keyboard focus (or an open menu).
    bool onKey(bool down, VstInt32 character, VstIntPtr virtualKey, float modifiers) override;
    // The host's wheel messages turn the control under the mouse.
    bool onWheel(float distance) override;

    // The open frame, null when closed (tests draw it off-screen).
    gui::CFrame* frame() const { return frame_.get(); }
    // The reason the last open failed.
    const std::string& openError() const { return openError_; }
    // A size change: stored, then the frame is made again at the next idle
    // call (never from inside the size menu's own event).
    void setUISize(int index);
    // The controls of a layout tag (several records may share one).
    std::vector<gui::CView*> viewsWithTag(int tag) const;
    // The editor menu, the per-control menus and the command buttons.
    EditorMenus& menus() { return menus_; }

    // gui::IControlListener
    void valueChanged(gui::CControl* control) override;
    void beginEdit(int tag) override;
    void endEdit(int tag) override;

    // EditorServices
    std::string displayText(int tag) override;
    bool canLearn(int tag) override;
    void openControlMenu(int menuTag, int tag, gui::CPoint framePoint) override;
    float meterLevel() override;
    bool midiActivity() override;
    int stepPosition(int lfo) override;
    void stepCountChosen(int steps) override;
    std::string selectorText(int tag) override;
    void previousProgram(int tag) override;
    void nextProgram(int tag) override;
    void openBrowser() override;
    void loadPatch(const std::string& path) override;
    std::vector<std::string> backsideLines() override;

    // ---- the patch browser ------------------------------------------------------
    // The browser panel of the open frame (null when closed), and whether it
    // is shown in the page box instead of the pages.
    BrnCFileBrowserView* browser() const { return browser_; }
    bool browserShown() const { return browserShown_; }
    // BrowserHost
    bool loadPatchFile(const std::string& path) override;
    std::string currentPatchPath() override;
    std::string currentPatchName() override;
    bool patchEdited() override { return edited_; }
    bool breedPatches(const std::vector<std::string>& parents, double amount, std::string& error) override;
    bool storeBredPatch(std::string& path, std::string& error) override;

private:
    struct Placed {
        const LayoutRecord* record;
        gui::CView* view;
    };
    struct Message {
        std::string title;
        std::string text;
        platform::MessageIcon icon;
    };
    static void messageHook(const char* title, const char* text, platform::MessageIcon icon, void* user);
    void build(int sizeIndex);
    // Shows the panels of the editing state.
    void showPanels();
    // Every parameter control takes the plug-in's value (held ones excepted).
    void refreshValues();
    void showPendingMessages();
    // The part a parameter control edits: the voice in trimmer mode for the
    // per-voice adjustments, else the edited part; -1 for global controls.
    int partOf(int tag) const;
    // The host parameter of (tag, edited part), -1 when the host has none.
    int hostIndexOf(int tag) const;
    float controlValueOf(const LayoutRecord& r) const;
    void sendValue(const LayoutRecord& r, gui::CControl& control);
    void runCommand(const LayoutRecord& r, gui::CControl& control);
    const LayoutRecord* recordOf(const gui::CControl* control) const;
    // Files or the host's text dropped onto the editor.
    bool dropped(const gui::DropData& data);

    // EditorMenus::Host
    VstXSynth& synth() override { return synth_; }
    gui::CFrame* menuFrame() override { return frame_.get(); }
    bool trimmerMode() const override { return trimmerMode_; }
    void setTrimmerMode(bool on) override;
    void refreshControls() override;
    std::vector<gui::CView*> commandViews(int tag) override { return viewsWithTag(tag); }

    VstXSynth& synth_;
    ERect rect_{};
    void* parent_ = nullptr;
    std::unique_ptr<gui::CFrame> frame_;
    std::vector<Placed> placed_;
    gui::CView* backside_ = nullptr;
    CBarDisplay* steps_ = nullptr;
    CControlPopupMenu learnMenu_{this, CControlPopupMenu::kLearnMenu};
    CControlPopupMenu lockMenu_{this, CControlPopupMenu::kLockMenu};
    EditorMenus menus_{*this};
    FontImage font_;
    std::string openError_;
    bool rebuild_ = false;

    // Editing state; it survives a size change.
    int page_ = 0;
    bool backsideShown_ = false;
    bool trimmerMode_ = false;
    int editedLfo_ = 0;

    // The patch browser: made with the frame, shown in the page box while open.
    BrnCFileBrowserView* browser_ = nullptr;
    bool browserShown_ = false;
    bool edited_ = false;  // a control was changed since the last patch load
    std::unique_ptr<PluginGenetics> genetics_;

    platform::MessageHook previousHook_ = nullptr;  // put back on close
    void* previousHookUser_ = nullptr;
    std::thread::id guiThread_;
    std::mutex pendingLock_;
    std::vector<Message> pending_;
};

}  // namespace calverine
