#include "EditorMenus.h"

#include <cmath>
#include <cstdio>

#include "BrnCOptionMenuSkinSW.h"
#include "CControlPopupMenu.h"
#include "CFrame.h"
#include "EngineControls.h"
#include "ParameterTable.h"
#include "PartClipboard.h"
#include "VstXSynth.h"

namespace calverine {

namespace {

constexpr double kMenuWidth = 100;
constexpr double kMenuHeight = 20;
constexpr int kLearnItem = 0;
constexpr int kForgetItem = 1;
constexpr int kPartsMode = 127;
constexpr int kShapeSteps = 4;

}  // namespace

EditorMenus::EditorMenus(Host& host)
    : host_(host), editorMenu_(std::make_unique<BrnCOptionMenu>(gui::CRect{0, 0, kMenuWidth, kMenuHeight}, nullptr, -1)) {
    editorMenu_->setChosenCallback([this](const std::vector<int>&, int tag) { runEditorItem(tag); });
}

EditorMenus::~EditorMenus() = default;

// ---- the editor menu ---------------------------------------------------------

void EditorMenus::buildEditorMenu() {
    gui::COptionMenu& menu = *editorMenu_;
    menu.removeAllEntries();
    menu.addEntry("Initialize Patch", kInitPatch);
    menu.addEntry("Initialize Voice Adjustments", kInitVoiceAdjustments);
    menu.addEntry("Randomize Voice Adjustments", kRandomizeVoiceAdjustments);
    menu.addSeparator();
    char text[64];
    if (!host_.trimmerMode()) {
        menu.addEntry("Copy Part", kCopy);
        if (PartClipboard::partCopied()) {
            std::snprintf(text, sizeof text, "Paste Part (from #%s)", PartClipboard::copiedPart() == 1 ? "B" : "A");
            menu.addEntry(text, kPaste);
        } else {
            menu.addEntry("Paste Part", kPaste).enabled = false;
        }
        menu.addEntry("Swap Parts", kSwap);
    } else {
        menu.addEntry("Copy Trimmers", kCopy);
        if (PartClipboard::voiceAdjustmentsCopied()) {
            std::snprintf(text, sizeof text, "Paste Trimmers (from #%d)", PartClipboard::copiedPart() + 1);
            menu.addEntry(text, kPaste);
        } else {
            menu.addEntry("Paste Trimmers", kPaste).enabled = false;
        }
    }
    menu.addSeparator();
    const int voices = voiceCount();
    menu.addEntry("8 voices", kEightVoices).checked = voices != 16;
    menu.addEntry("16 voices", kSixteenVoices).checked = voices == 16;
    menu.addSeparator();
    menu.addEntry("Open Browser", kOpenBrowser);
    menu.addSeparator();
    // The sizes in the order of the UI-size menu, each checked there or not.
    BrnCOptionMenuSkinSW sizes(gui::CRect{}, nullptr, -1);
    sizes.setSizeIndex(host_.synth().uiSize());
    sizeIndexes_.clear();
    for (const gui::CMenuItem& size : sizes.items()) {
        menu.addEntry("UI Size: " + size.title, kFirstUiSize + int(sizeIndexes_.size())).checked = size.checked;
        sizeIndexes_.push_back(size.tag);
    }
    menu.updateRange();
}

void EditorMenus::openEditorMenu(gui::CPoint framePoint) {
    gui::CFrame* frame = host_.menuFrame();
    if (!frame) return;
    buildEditorMenu();
    editorMenu_->openAt(*frame, framePoint);
}

void EditorMenus::runEditorItem(int tag) {
    VstXSynth& synth = host_.synth();
    PluginParameters& params = synth.parameters();
    const bool trimmers = host_.trimmerMode();
    switch (tag) {
    case kInitPatch:
        synth.initializePatch();
        params.currentPart = 0;
        host_.setTrimmerMode(false);
        break;
    case kInitVoiceAdjustments: synth.initializeVoiceAdjustments(); break;
    case kRandomizeVoiceAdjustments: synth.randomizeVoiceAdjustments(1.0f); break;
    case kCopy:
        synth.copyPart(params.currentPart, trimmers ? ClipboardMode::VoiceAdjustments : ClipboardMode::Part);
        return;
    case kPaste:
        // A paste of the other kind (trimmers into a part) would change nothing.
        if (trimmers ? !PartClipboard::voiceAdjustmentsCopied() : !PartClipboard::partCopied()) return;
        synth.pastePart(params.currentPart);
        break;
    case kSwap: synth.swapParts(); break;
    case kEightVoices: setVoiceCount(8); return;
    case kSixteenVoices: setVoiceCount(16); return;
    case kOpenBrowser: host_.openBrowser(); return;
    default:
        if (tag >= kFirstUiSize && tag < kFirstUiSize + int(sizeIndexes_.size()))
            host_.setUISize(sizeIndexes_[std::size_t(tag - kFirstUiSize)]);
        return;
    }
    host_.refreshControls();
}

// ---- voice count -------------------------------------------------------------

int EditorMenus::voiceCount() {
    return host_.synth().parameters().getValue(control::kVoiceCount, -1) == 16.0f ? 16 : 8;
}

void EditorMenus::setVoiceCount(int voices) {
    VstXSynth& synth = host_.synth();
    if (!synth.lockForReload()) return;
    synth.fullReset();
    synth.setControl(control::kVoiceCount, voices == 16 ? 16.0f : 8.0f, -1, true);
    synth.unlockAfterReload();
}

// ---- per-control menus -------------------------------------------------------

void EditorMenus::controlMenuChosen(const CControlPopupMenu& menu) {
    const int index = int(menu.getValue());
    const int control = menu.targetTag();
    if (index < 0 || control < 0) return;
    VstXSynth& synth = host_.synth();
    const int part = synth.parameters().currentPart;
    const bool learnMenu = menu.getTag() == CControlPopupMenu::kLearnMenu;
    if (learnMenu && index == kLearnItem) {
        synth.controllerMap().startLearn(control, part);
    } else if (learnMenu && index == kForgetItem) {
        synth.controllerMap().forget(control, part);
    } else {
        // toggleLock stores the locks in the user settings.
        synth.toggleLock(control, part);
        host_.refreshControls();
    }
}

// ---- command controls --------------------------------------------------------

bool EditorMenus::runCommand(gui::CControl& control) {
    const int tag = control.getTag();
    VstXSynth& synth = host_.synth();
    PluginParameters& params = synth.parameters();
    if (tag >= kFirstVoiceButton && tag <= kLastVoiceButton) {
        const int voice = tag - kFirstVoiceButton;
        if (host_.trimmerMode() && params.currentPart == voice) {
            params.currentPart = previousPart_;
            host_.setTrimmerMode(false);
        } else {
            if (!host_.trimmerMode()) previousPart_ = params.currentPart;
            params.currentPart = voice;
            host_.setTrimmerMode(true);
        }
        refreshCommandControls();
        return true;
    }
    if (tag == kVoiceModeMenu) {
        const int index = int(control.getValue());
        control.setValue(-1);
        if (index >= 0 && index <= 2) setGlobal(kPartsMode, float(index));
        if (index == 3 || index == 4) setVoiceCount(index == 3 ? 8 : 16);
        return true;
    }
    if (tag >= kFirstShapeButton && tag <= kLastShapeButton) {
        const int lfo = tag >= VstXSynth::kShapeButtons[1] ? 1 : 0;
        const int step = tag - VstXSynth::kShapeButtons[lfo];
        const int shape = control::kLfo[lfo].shape;
        setGlobal(shape, params::normalizedToStored(shape, float(step) / params::scaleOf(shape)));
        host_.refreshControls();
        refreshCommandControls();
        return true;
    }
    return false;
}

void EditorMenus::refreshCommandControls() {
    const PluginParameters& params = host_.synth().parameters();
    const bool trimmers = host_.trimmerMode();
    for (int tag = kFirstVoiceButton; tag <= kLastVoiceButton; ++tag) {
        const bool lit = trimmers && params.currentPart == tag - kFirstVoiceButton;
        for (gui::CView* view : host_.commandViews(tag))
            if (auto* control = dynamic_cast<gui::CControl*>(view)) control->setValue(lit ? 1.0f : 0.0f);
    }
    for (int lfo = 0; lfo < 2; ++lfo) {
        const int shape = int(params.getValue(control::kLfo[lfo].shape, -1));
        for (int step = 0; step < kShapeSteps; ++step)
            for (gui::CView* view : host_.commandViews(VstXSynth::kShapeButtons[lfo] + step))
                if (auto* control = dynamic_cast<gui::CControl*>(view)) control->setValue(step == shape ? 1.0f : 0.0f);
    }
}

void EditorMenus::setGlobal(int control, float stored) {
    VstXSynth& synth = host_.synth();
    for (int i = 0; i < params::kHostParameters; ++i) {
        const params::HostParameter* h = params::hostParameter(i);
        if (h->control == control && h->part == -1) {
            synth.setParameterAutomated(i, params::storedToNormalized(control, stored));
            return;
        }
    }
    synth.setControl(control, stored, -1, true);
}

// ---- the editor's surface ----------------------------------------------------

EditorSurface::EditorSurface(const gui::CRect& size, EditorMenus& menus, DropHandler drop)
    : CView(size), menus_(menus), drop_(std::move(drop)) {}

gui::MouseResult EditorSurface::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    // The right button alone: no other button, no double click.
    constexpr std::uint32_t kClickBits = gui::kLButton | gui::kMButton | gui::kRButton | gui::kDoubleClick;
    if ((buttons & kClickBits) != gui::kRButton) return gui::MouseResult::NotHandled;
    menus_.openEditorMenu(localToFrame(where));
    return gui::MouseResult::Handled;
}

bool EditorSurface::onDrop(gui::CPoint, const gui::DropData& data) { return drop_ && drop_(data); }

}  // namespace calverine
