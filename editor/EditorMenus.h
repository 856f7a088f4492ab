// The editor's own menus and the commands behind its buttons: the
// right-click menu of the editor background (patch, part and trimmer
// commands, voice count, browser, UI size), the per-control menus (MIDI
// learn, MIDI forget, parameter lock), the voice buttons that enter and
// leave trimmer mode, the voice-mode menu and the LFO shape buttons.
//
// The edited voice of trimmer mode shares its storage with the edited part
// (PluginParameters::currentPart); the part shown before trimmer mode is kept
// here so that leaving it goes back there.
//
// The copy and paste commands use the part clipboard that every plug-in
// object of the process shares (PartClipboard).
//
// Thread: the GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BrnCOptionMenu.h"
#include "CView.h"

namespace calverine {

class VstXSynth;
class CControlPopupMenu;

class EditorMenus {
public:
    // What the menus need of the editor that shows them.
    class Host {
    public:
        virtual VstXSynth& synth() = 0;
        virtual gui::CFrame* menuFrame() = 0;
        virtual bool trimmerMode() const = 0;
        // Sets the mode; the editor shows the panels that go with it and
        // refreshes its controls (the edited part or voice may have changed).
        virtual void setTrimmerMode(bool on) = 0;
        // Every control takes the plug-in's value again and is redrawn.
        virtual void refreshControls() = 0;
        virtual void setUISize(int index) = 0;
        virtual void openBrowser() = 0;
        // The command buttons of a tag (voice and shape buttons) to light.
        virtual std::vector<gui::CView*> commandViews(int tag) = 0;

    protected:
        ~Host() = default;
    };

    // Editor menu item tags.
    enum Item {
        kInitPatch = 0,
        kInitVoiceAdjustments = 1,
        kRandomizeVoiceAdjustments = 2,
        kCopy = 4,
        kPaste = 5,
        kSwap = 6,
        kEightVoices = 8,
        kSixteenVoices = 9,
        kOpenBrowser = 11,
        kFirstUiSize = 13,
    };
    static constexpr int kVoiceModeMenu = 313;
    static constexpr int kFirstVoiceButton = 314;
    static constexpr int kLastVoiceButton = 329;
    static constexpr int kFirstShapeButton = 332;
    static constexpr int kLastShapeButton = 339;

    explicit EditorMenus(Host& host);
    ~EditorMenus();

    // A right click on the editor itself: the editor menu at that point.
    void openEditorMenu(gui::CPoint framePoint);
    // The editor menu as it is now (made fresh for every opening; tests read it).
    const gui::COptionMenu& editorMenu() const { return *editorMenu_; }
    // Runs the editor menu's item `tag`.
    void runEditorItem(int tag);

    // An item of a per-control menu (308 or 309) was chosen.
    void controlMenuChosen(const CControlPopupMenu& menu);
    // A command control (voice buttons, voice-mode menu, shape buttons)
    // changed; false when its tag is none of these. The voice-mode menu is
    // set back to -1 (nothing chosen).
    bool runCommand(gui::CControl& control);
    // Lights the voice button of the edited voice and the shape buttons of
    // each LFO's current shape.
    void refreshCommandControls();

    // Sets the voice count (8 or 16) the way a patch is replaced: under the
    // reload lock, after a full reset.
    void setVoiceCount(int voices);
    int voiceCount();
    int previousPart() const { return previousPart_; }

private:
    void buildEditorMenu();
    // Sets a global control as the editor does: as host automation when the
    // host knows it as a parameter.
    void setGlobal(int control, float stored);

    Host& host_;
    std::unique_ptr<BrnCOptionMenu> editorMenu_;
    std::vector<int> sizeIndexes_;  // the size index of each "UI Size: " item
    int previousPart_ = 0;
};

// The editor's bottom-most view, under every control and as large as the
// frame: right clicks that no control takes open the editor menu, and drops
// that no control takes reach the drop handler.
class EditorSurface : public gui::CView {
public:
    using DropHandler = std::function<bool(const gui::DropData&)>;
    EditorSurface(const gui::CRect& size, EditorMenus& menus, DropHandler drop);

    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;
    bool onDragOver(gui::CPoint, gui::DropData::Kind) override { return true; }
    bool onDrop(gui::CPoint, const gui::DropData& data) override;

private:
    EditorMenus& menus_;
    DropHandler drop_;
};

}  // namespace calverine
