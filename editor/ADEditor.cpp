#include "ADEditor.h"

#include <cmath>
#include <cstdio>

#include "BrnCFileBrowserView.h"
#include "BrnCOptionMenuSkinSW.h"
#include "CBacksideControl.h"
#include "CBarDisplay.h"
#include "CBarsSelectorPopupItem.h"
#include "CFrame.h"
#include "CMMPopupItem.h"
#include "DropImport.h"
#include "ControlFactory.h"
#include "Folders.h"
#include "ParameterTable.h"
#include "PluginGenetics.h"
#include "SkinIds.h"
#include "SkinImages.h"
#include "Theme.h"
#include "UiSizes.h"
#include "VstXSynth.h"

namespace calverine {

namespace {

constexpr int kFirstCommand = 300;
// Commands handled here; the others belong to the editor's menus.
constexpr int kBacksideOn = 304;
constexpr int kBacksideOff = 305;
constexpr int kSizeMenu = 307;
constexpr int kPartA = 310;
constexpr int kPartB = 311;
constexpr int kPage0 = 330;
constexpr int kPage1 = 331;
constexpr int kStepLfo1 = 346;
constexpr int kStepLfo2 = 347;
constexpr int kStepEditor = 200;
constexpr int kPitchWheel = 99;
constexpr int kBankSelector = 348;
constexpr int kStepsMenu = 343;

gui::MessageKind kindOf(platform::MessageIcon icon) {
    switch (icon) {
    case platform::MessageIcon::Error: return gui::MessageKind::Error;
    case platform::MessageIcon::Warning: return gui::MessageKind::Warning;
    default: return gui::MessageKind::Info;
    }
}

bool isListKind(int kind) { return kind == 10 || kind == 11; }

// The trimmers of LFO 2 (panel 6) and the trimmer plate show only in
// trimmer mode; the "select a voice" plate only outside it.
bool trimmerOnly(int tag) { return (tag >= 155 && tag <= 157) || tag == 341; }

}  // namespace

ADEditor::ADEditor(VstXSynth& synth)
    : AEffEditor(&synth), synth_(synth), genetics_(std::make_unique<PluginGenetics>(synth)) {}

ADEditor::~ADEditor() { close(); }

bool ADEditor::getRect(ERect** rect) {
    const UiSize& size = uiSizeOf(synth_.uiSize());
    rect_ = ERect{0, 0, static_cast<VstInt16>(size.height), static_cast<VstInt16>(size.width)};
    *rect = &rect_;
    return true;
}

bool ADEditor::open(void* parent) {
    close();
    build(synth_.uiSize());
    if (!frame_->open(parent, &openError_)) {
        frame_.reset();
        placed_.clear();
        return false;
    }
    parent_ = parent;
    AEffEditor::open(parent);
    guiThread_ = std::this_thread::get_id();
    previousHook_ = platform::currentMessageHook(&previousHookUser_);
    platform::setMessageHook(&ADEditor::messageHook, this);
    return true;
}

void ADEditor::close() {
    if (!frame_) return;
    synth_.stopOutputPeak();
    synth_.refreshAndStoreLocks();
    platform::setMessageHook(previousHook_, previousHookUser_);
    placed_.clear();
    backside_ = nullptr;
    steps_ = nullptr;
    browser_ = nullptr;
    frame_.reset();
    AEffEditor::close();
}

void ADEditor::setUISize(int index) {
    if (index < 0 || index > 2 || index == synth_.uiSize()) return;
    synth_.setUiSize(index);
    rebuild_ = true;
}

void ADEditor::idle() {
    if (!frame_) return;
    if (rebuild_) {
        rebuild_ = false;
        void* parent = parent_;
        open(parent);
        const UiSize& size = uiSizeOf(synth_.uiSize());
        // A host that cannot resize its window leaves it to us.
        if (!synth_.sizeWindow(size.width, size.height) && frame_ && frame_->window())
            frame_->window()->setSize(size.width, size.height);
        if (!frame_) return;
    }
    showPendingMessages();
    refreshValues();
    for (const Placed& p : placed_)
        if (auto* updated = dynamic_cast<IdleUpdated*>(p.view)) updated->idleUpdate();
    if (gui::PlatformWindow* window = frame_->window()) window->pump();
}

bool ADEditor::writeScreenshot(const char* path, int uiSize) {
    // An open editor is drawn as it is; a closed one gets a frame for the picture.
    const bool wasOpen = isOpen();
    if (!wasOpen) build(uiSize < 0 ? synth_.uiSize() : uiSize);
    auto image = frame_->renderOffscreen();
    const bool written = image && image->writePng(path);
    if (!wasOpen) {
        placed_.clear();
        backside_ = nullptr;
        steps_ = nullptr;
        browser_ = nullptr;
        frame_.reset();
    }
    return written;
}

bool ADEditor::onKey(bool down, VstInt32 character, VstIntPtr virtualKey, float modifiers) {
    if (!frame_) return false;
    gui::KeyEvent key;
    switch (virtualKey) {
    case kVKeyBack: key.key = gui::VirtualKey::Back; break;
    case kVKeyTab: key.key = gui::VirtualKey::Tab; break;
    case kVKeyReturn:
    case kVKeyEnter: key.key = gui::VirtualKey::Return; break;
    case kVKeyEscape: key.key = gui::VirtualKey::Escape; break;
    case kVKeyEnd: key.key = gui::VirtualKey::End; break;
    case kVKeyHome: key.key = gui::VirtualKey::Home; break;
    case kVKeyLeft: key.key = gui::VirtualKey::Left; break;
    case kVKeyUp: key.key = gui::VirtualKey::Up; break;
    case kVKeyRight: key.key = gui::VirtualKey::Right; break;
    case kVKeyDown: key.key = gui::VirtualKey::Down; break;
    case kVKeyPageUp: key.key = gui::VirtualKey::PageUp; break;
    case kVKeyPageDown: key.key = gui::VirtualKey::PageDown; break;
    case kVKeyInsert: key.key = gui::VirtualKey::Insert; break;
    case kVKeyDelete: key.key = gui::VirtualKey::Delete; break;
    case kVKeySpace: key.character = U' '; break;
    default: key.character = character > 0 && character < 128 ? char32_t(character) : 0; break;
    }
    if (key.key == gui::VirtualKey::None && key.character == 0) return false;
    const int bits = int(modifiers);
    if (bits & kModifierShift) key.modifiers |= gui::kShift;
    if (bits & kModifierAlternate) key.modifiers |= gui::kAlt;
    if (bits & (kModifierCommand | kModifierControl)) key.modifiers |= gui::kControl;
    return down ? frame_->platformKeyDown(key) : frame_->platformKeyUp(key);
}

bool ADEditor::onWheel(float distance) {
    return frame_ && frame_->platformMouseWheel(frame_->lastMousePoint(), distance, 0);
}

void ADEditor::build(int sizeIndex) {
    // The images are built into the plug-in; they are registered once per
    // process (registering again would drop the decoded ones).
    static std::once_flag registered;
    std::call_once(registered, [] { skin::registerImages(); });
    if (sizeIndex < 0 || sizeIndex > 2) sizeIndex = 0;
    const UiSize& size = uiSizeOf(sizeIndex);
    frame_ = std::make_unique<gui::CFrame>(size.width, size.height);
    frame_->setBackgroundColor(gui::theme::kPanel);
    if (auto background = gui::CBitmap::get(skin::kBackground + size.bitmapOffset))
        frame_->setBackground(background);
    font_.load(gui::CBitmap::get(skin::kFontImage));

    placed_.clear();
    // Under every control: right clicks and drops that no control takes.
    frame_->add<EditorSurface>(frame_->localBounds(), menus_,
                               [this](const gui::DropData& data) { return dropped(data); });
    forEachControl(kLayout, sizeIndex, [&](const LayoutRecord& r, const ScaledRect& at) {
        const gui::CRect rect{double(at.left), double(at.top), double(at.right), double(at.bottom)};
        std::unique_ptr<gui::CView> view = createControl(r, rect, size.bitmapOffset, this, *this);
        if (!view) return;
        placed_.push_back({&r, frame_->addView(std::move(view))});
        if (r.kind == 27) steps_ = dynamic_cast<CBarDisplay*>(placed_.back().view);
    });
    if (steps_) steps_->setLfo(editedLfo_);
    for (gui::CView* menu : viewsWithTag(kSizeMenu)) static_cast<BrnCOptionMenuSkinSW*>(menu)->setSizeIndex(sizeIndex);
    // The back side covers everything below the header.
    const gui::CRect back{double(scaled(100, size)), double(scaled(56, size)), double(size.width),
                          double(size.height)};
    backside_ = frame_->add<CBacksideControl>(back, *this, size.fontSize);
    // The browser takes the page box (100,316 - 820,725 at Medium).
    const gui::CRect pageBox{double(scaled(100, size)), double(scaled(316, size)), double(scaled(820, size)),
                             double(scaled(725, size))};
    browser_ = frame_->add<BrnCFileBrowserView>(pageBox, platform::dataFolder() + "Soundbanks", *this, size.fontSize);
    refreshValues();
    showPanels();
}

void ADEditor::showPanels() {
    const int edited = trimmerMode_ ? 4 : 3;
    const int page = page_ == 0 ? 2 : 5;
    for (const Placed& p : placed_) {
        const int panel = p.record->panel;
        bool shown = panel == 1 || (!backsideShown_ && (panel == edited || panel == 6 ||
                                                        (panel == page && !browserShown_)));
        if (trimmerOnly(p.record->tag)) shown = shown && trimmerMode_;
        if (p.record->tag == 340) shown = shown && !trimmerMode_;
        p.view->setVisible(shown);
        if (p.record->tag == kBacksideOn || p.record->tag == kBacksideOff) {
            auto* control = static_cast<gui::CControl*>(p.view);
            control->setValue((p.record->tag == kBacksideOn) == backsideShown_ ? 1.0f : 0.0f);
        }
        if (p.record->tag == kPage0 || p.record->tag == kPage1)
            static_cast<gui::CControl*>(p.view)->setValue((p.record->tag == kPage1) == (page_ == 1) ? 1.0f : 0.0f);
        if (p.record->tag == kPartA || p.record->tag == kPartB)
            static_cast<gui::CControl*>(p.view)->setValue(
                !trimmerMode_ && (p.record->tag == kPartB) == (synth_.parameters().currentPart == 1) ? 1.0f : 0.0f);
        if (p.record->tag == kStepLfo1 || p.record->tag == kStepLfo2)
            static_cast<gui::CControl*>(p.view)->setValue((p.record->tag == kStepLfo2) == (editedLfo_ == 1) ? 1.0f
                                                                                                              : 0.0f);
    }
    backside_->setVisible(backsideShown_);
    if (browser_) browser_->setVisible(browserShown_ && !backsideShown_);
    frame_->invalidate();
}

int ADEditor::partOf(int tag) const {
    if (params::isVoiceAdjustment(tag) || params::isPartControl(tag)) return synth_.parameters().currentPart;
    return -1;
}

int ADEditor::hostIndexOf(int tag) const {
    const int part = partOf(tag);
    for (int i = 0; i < params::kHostParameters; ++i) {
        const params::HostParameter* h = params::hostParameter(i);
        if (h->control == tag && (h->part == -1 || h->part == part)) return i;
    }
    return -1;
}

float ADEditor::controlValueOf(const LayoutRecord& r) const {
    const float stored = synth_.parameters().getValue(r.tag, partOf(r.tag));
    const float normalized = params::storedToNormalized(r.tag, stored);
    if (isListKind(r.kind)) return float(std::lround(normalized * 127.0f));
    return normalized;
}

void ADEditor::refreshValues() {
    for (const Placed& p : placed_) {
        if (p.record->tag >= kFirstCommand || p.record->tag == kStepEditor) continue;
        auto* control = dynamic_cast<gui::CControl*>(p.view);
        if (control && !control->isEditing()) control->setValue(controlValueOf(*p.record));
    }
    if (steps_) {
        const Preset& preset = synth_.parameters().current();
        const int count = int(synth_.parameters().getValue(control::kLfo[editedLfo_].steps, -1));
        steps_->setSteps(count);
        for (gui::CView* menu : viewsWithTag(kStepsMenu)) static_cast<CBarsSelectorPopupItem*>(menu)->setSteps(count);
        for (int i = 0; i < steps_->steps(); ++i)
            steps_->setStepValue(i, int(std::lround(preset.steps[std::size_t(editedLfo_)][std::size_t(i)] * 16384.0f)));
    }
    menus_.refreshCommandControls();
}

void ADEditor::setTrimmerMode(bool on) {
    trimmerMode_ = on;
    backsideShown_ = false;
    refreshControls();
}

void ADEditor::refreshControls() {
    refreshValues();
    showPanels();
}

bool ADEditor::dropped(const gui::DropData& data) {
    // With the browser's library the drop lands in its selection, and the
    // browser shows what arrived.
    PatchLibrary* library = browser_ ? &browser_->model().library() : nullptr;
    if (!importDrop(synth_, data, library)) return false;
    if (browser_) browser_->model().reloadSoundbanks();
    refreshControls();
    return true;
}

const LayoutRecord* ADEditor::recordOf(const gui::CControl* control) const {
    for (const Placed& p : placed_)
        if (p.view == control) return p.record;
    return nullptr;
}

std::vector<gui::CView*> ADEditor::viewsWithTag(int tag) const {
    std::vector<gui::CView*> views;
    for (const Placed& p : placed_)
        if (p.record->tag == tag) views.push_back(p.view);
    return views;
}

void ADEditor::valueChanged(gui::CControl* control) {
    const int tag = control->getTag();
    if (tag == CControlPopupMenu::kLearnMenu || tag == CControlPopupMenu::kLockMenu) {
        menus_.controlMenuChosen(static_cast<CControlPopupMenu&>(*control));
        return;
    }
    // Voice buttons, the voice-mode menu and the shape buttons.
    if (tag >= kFirstCommand && menus_.runCommand(*control)) return;
    const LayoutRecord* r = recordOf(control);
    if (!r) return;
    if (tag >= kFirstCommand) {
        runCommand(*r, *control);
        return;
    }
    if (tag == kStepEditor) {
        auto& bars = static_cast<CBarDisplay&>(*control);
        const int step = bars.lastEditedStep();
        synth_.setStepValue(bars.lfo(), step, float(bars.stepValue(step)) / 16384.0f);
        return;
    }
    sendValue(*r, *control);
}

void ADEditor::sendValue(const LayoutRecord& r, gui::CControl& control) {
    const float normalized =
        isListKind(r.kind) ? CMMPopupItem::normalizedOf(int(control.getValue())) : control.getValueNormalized();
    const int host = hostIndexOf(r.tag);
    edited_ = true;
    if (host >= 0) {
        synth_.setParameterAutomated(host, normalized);
        return;
    }
    synth_.setControl(r.tag, params::normalizedToStored(r.tag, normalized), params::kCurrent, true);
}

void ADEditor::runCommand(const LayoutRecord& r, gui::CControl& control) {
    switch (r.tag) {
    case kBacksideOn:
    case kBacksideOff:
        backsideShown_ = r.tag == kBacksideOn;
        break;
    case kSizeMenu:
        setUISize(static_cast<BrnCOptionMenuSkinSW&>(control).sizeIndex());
        return;
    case kPartA:
    case kPartB:
        synth_.parameters().currentPart = r.tag - kPartA;
        trimmerMode_ = false;
        backsideShown_ = false;
        refreshValues();
        break;
    case kPage0:
    case kPage1:
        page_ = r.tag - kPage0;
        backsideShown_ = false;
        browserShown_ = false;
        break;
    case kStepLfo1:
    case kStepLfo2:
        editedLfo_ = r.tag - kStepLfo1;
        if (steps_) steps_->setLfo(editedLfo_);
        refreshValues();
        break;
    case kStepsMenu:
        stepCountChosen(static_cast<CBarsSelectorPopupItem&>(control).steps());
        return;
    default:
        return;  // the editor's menus and the browser answer the other commands
    }
    showPanels();
}

void ADEditor::beginEdit(int tag) {
    if (const int host = tag < kFirstCommand ? hostIndexOf(tag) : -1; host >= 0) synth_.beginEdit(host);
}

void ADEditor::endEdit(int tag) {
    if (const int host = tag < kFirstCommand ? hostIndexOf(tag) : -1; host >= 0) synth_.endEdit(host);
}

std::string ADEditor::displayText(int tag) {
    char text[64] = {};
    synth_.controlDisplay(tag, partOf(tag) < 0 ? params::kCurrent : partOf(tag), text, sizeof(text));
    return text;
}

bool ADEditor::canLearn(int tag) { return tag != kPitchWheel; }

void ADEditor::openControlMenu(int menuTag, int tag, gui::CPoint framePoint) {
    CControlPopupMenu& menu = menuTag == CControlPopupMenu::kLockMenu ? lockMenu_ : learnMenu_;
    if (frame_) menu.openFor(tag, *frame_, framePoint);
}

float ADEditor::meterLevel() { return synth_.takeOutputPeak(); }

bool ADEditor::midiActivity() {
    const bool active = synth_.midiActivity() != 0;
    if (active) synth_.acknowledgeMidiActivity();
    return active;
}

int ADEditor::stepPosition(int lfo) { return synth_.stepPosition(lfo); }

void ADEditor::stepCountChosen(int steps) {
    synth_.setControl(control::kLfo[editedLfo_].steps, float(steps), -1, true);
    refreshValues();
}

std::string ADEditor::selectorText(int tag) {
    if (tag == kBankSelector) {
        const ProgramList& list = synth_.programList();
        for (const LibraryProgram& p : list.library())
            if (p.bank == list.currentBank()) {
                // The bank is the first folder below the soundbanks folder.
                const std::string root = platform::dataFolder() + "Soundbanks";
                std::string rest = p.path.substr(std::min(p.path.size(), root.size() + 1));
                return rest.substr(0, rest.find_first_of("/\\"));
            }
        return "";
    }
    // A bred patch is "Genetics *" until the browser stores it; an edited one gets " *".
    if (browser_ && browser_->model().bredUnsaved()) return BrowserModel::kGeneticsName;
    return edited_ ? currentPatchName() + " *" : currentPatchName();
}

void ADEditor::previousProgram(int tag) {
    if (tag == kBankSelector) {
        if (synth_.programList().currentBank() > 0) synth_.selectBank(synth_.programList().currentBank() - 1);
        return;
    }
    const int program = synth_.programList().programOf(synth_.currentLibraryIndex());
    if (program > 0) synth_.loadProgram(program - 1);
}

void ADEditor::nextProgram(int tag) {
    if (tag == kBankSelector) {
        if (synth_.programList().currentBank() + 1 < synth_.programList().bankCount())
            synth_.selectBank(synth_.programList().currentBank() + 1);
        return;
    }
    const int program = synth_.programList().programOf(synth_.currentLibraryIndex());
    if (program + 1 < int(synth_.programList().programs().size())) synth_.loadProgram(program + 1);
}

void ADEditor::loadPatch(const std::string& path) { loadPatchFile(path); }

// ---- the patch browser --------------------------------------------------------------

void ADEditor::openBrowser() {
    if (!frame_) return;
    browserShown_ = !browserShown_ || backsideShown_;
    backsideShown_ = false;
    if (browserShown_ && browser_) browser_->refresh();
    showPanels();
}

bool ADEditor::loadPatchFile(const std::string& path) {
    if (!synth_.loadPatchFile(path)) return false;
    edited_ = false;
    if (frame_) refreshValues();
    return true;
}

std::string ADEditor::currentPatchPath() { return synth_.currentPatchPath(); }

std::string ADEditor::currentPatchName() {
    char name[kVstMaxProgNameLen + 1] = {};
    synth_.getProgramName(name);
    return name;
}

bool ADEditor::breedPatches(const std::vector<std::string>& parents, double amount, std::string& error) {
    if (!genetics_->breedFromFiles(parents, amount, error)) return false;
    edited_ = false;
    if (frame_) refreshValues();
    return true;
}

bool ADEditor::storeBredPatch(std::string& path, std::string& error) { return genetics_->storeChild(path, error); }

std::vector<std::string> ADEditor::backsideLines() {
    std::vector<std::string> lines;
    char line[256];
    std::snprintf(line, sizeof(line), "Calverine %d.%d.%d by Brindle Audio", 1, 0, 0);
    lines.emplace_back(line);
    lines.push_back(std::string("UI size: ") + uiSizeOf(synth_.uiSize()).name);
    std::snprintf(line, sizeof(line), "Voices: %d", synth_.engine().voiceCount());
    lines.emplace_back(line);
    lines.emplace_back("MIDI learn:");
    int learnt = 0;
    for (int cc = 0; cc < 128; ++cc) {
        const ControllerMap::Entry& e = synth_.controllerMap().entry(cc);
        if (e.control == ControllerMap::kUnassigned) continue;
        std::snprintf(line, sizeof(line), "  CC %d: control %d, part %d", cc, e.control, e.part);
        lines.emplace_back(line);
        ++learnt;
    }
    if (learnt == 0) lines.emplace_back("  none");
    lines.emplace_back("Locked parameters:");
    int locked = 0;
    for (const LockEntry& lock : synth_.parameters().locks()) {
        if (!lock.locked()) continue;
        std::snprintf(line, sizeof(line), "  control %d, part %d", lock.control, lock.part);
        lines.emplace_back(line);
        ++locked;
    }
    if (locked == 0) lines.emplace_back("  none");
    lines.push_back("Data folder: " + platform::dataFolder());
    return lines;
}

void ADEditor::messageHook(const char* title, const char* text, platform::MessageIcon icon, void* user) {
    auto* self = static_cast<ADEditor*>(user);
    if (std::this_thread::get_id() == self->guiThread_ && self->frame_) {
        self->frame_->showMessage(title, text, kindOf(icon));
        return;
    }
    std::lock_guard<std::mutex> hold(self->pendingLock_);
    self->pending_.push_back(Message{title, text, icon});
}

void ADEditor::showPendingMessages() {
    std::vector<Message> messages;
    {
        std::lock_guard<std::mutex> hold(pendingLock_);
        messages.swap(pending_);
    }
    for (Message& m : messages) frame_->showMessage(m.title, m.text, kindOf(m.icon));
}

}  // namespace calverine
