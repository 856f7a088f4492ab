#include "ADEditor.h"

#include <cmath>

#include "CAnimKnob.h"
#include "CFrame.h"
#include "CParamDisplay.h"
#include "SkinImages.h"
#include "Theme.h"
#include "UiSizes.h"
#include "VstXSynth.h"

namespace calverine {

namespace {

constexpr int kVolumeParameter = 1;  // host index of Volume

gui::MessageKind kindOf(platform::MessageIcon icon) {
    switch (icon) {
    case platform::MessageIcon::Error: return gui::MessageKind::Error;
    case platform::MessageIcon::Warning: return gui::MessageKind::Warning;
    default: return gui::MessageKind::Info;
    }
}

}  // namespace

ADEditor::ADEditor(VstXSynth& synth) : AEffEditor(&synth), synth_(synth) {}

ADEditor::~ADEditor() { close(); }

bool ADEditor::getRect(ERect** rect) {
    const UiSize& size = uiSizeOf(synth_.uiSize());
    rect_ = ERect{0, 0, static_cast<VstInt16>(size.height), static_cast<VstInt16>(size.width)};
    *rect = &rect_;
    return true;
}

bool ADEditor::open(void* parent) {
    close();
    skin::registerImages();
    build();
    if (!frame_->open(parent, &openError_)) {
        frame_.reset();
        parameterControls_.clear();
        textViews_.clear();
        return false;
    }
    AEffEditor::open(parent);
    guiThread_ = std::this_thread::get_id();
    previousHook_ = platform::currentMessageHook(&previousHookUser_);
    platform::setMessageHook(&ADEditor::messageHook, this);
    return true;
}

void ADEditor::close() {
    if (!frame_) return;
    platform::setMessageHook(previousHook_, previousHookUser_);
    parameterControls_.clear();
    textViews_.clear();
    frame_.reset();
    AEffEditor::close();
}

void ADEditor::idle() {
    if (!frame_) return;
    showPendingMessages();
    for (gui::CControl* control : parameterControls_)
        if (!control->isEditing()) control->setValue(synth_.getParameter(control->getTag()));
    for (auto& [display, shown] : textViews_) {
        // A text that changed (a new patch, a moved knob) is drawn again.
        std::string now = display->displayText();
        if (now != shown) {
            shown = std::move(now);
            display->invalidate();
        }
    }
    if (gui::PlatformWindow* window = frame_->window()) window->pump();
}

void ADEditor::build() {
    const UiSize& size = uiSizeOf(synth_.uiSize());
    const double k = size.scale;
    auto at = [k](double l, double t, double r, double b) {
        return gui::CRect{std::floor(l * k), std::floor(t * k), std::floor(r * k), std::floor(b * k)};
    };
    frame_ = std::make_unique<gui::CFrame>(size.width, size.height);
    frame_->setBackgroundColor(gui::theme::kPanel);

    auto* header = frame_->add<gui::CViewContainer>(at(0, 0, 1165, 56));
    header->setBackgroundColor(gui::theme::kSurface);
    auto text = [&](gui::CViewContainer& parent, const gui::CRect& r, std::function<std::string()> f,
                    gui::HoriAlign align) {
        auto* display = parent.add<gui::CParamDisplay>(r);
        display->setValueToString([f = std::move(f)](float) { return f(); });
        display->setFont(gui::theme::font(size.fontSize));
        display->setHoriAlign(align);
        textViews_.emplace_back(display, display->displayText());
        return display;
    };
    auto* title = text(*header, at(16, 12, 256, 44), [] { return std::string("Calverine"); }, gui::HoriAlign::Left);
    title->setFont(gui::theme::font(size.fontSize + 3, true));
    title->setBackColor({0, 0, 0, 0});
    title->setFrameColor({0, 0, 0, 0});
    text(*header, at(266, 14, 606, 42), [this] {
        char name[kVstMaxProgNameLen + 1] = {};
        synth_.getProgramName(name);
        return std::string(name);
    }, gui::HoriAlign::Left);

    auto* volume = frame_->add<gui::CAnimKnob>(at(1080, 72, 1140, 132), this, kVolumeParameter);
    volume->setValue(synth_.getParameter(kVolumeParameter));
    parameterControls_.push_back(volume);
    text(*frame_, at(1060, 134, 1160, 156), [this] {
        char display[kVstMaxParamStrLen * 4] = {};
        synth_.getParameterDisplay(kVolumeParameter, display);
        return std::string(display);
    }, gui::HoriAlign::Center);
}

void ADEditor::valueChanged(gui::CControl* control) {
    synth_.setParameterAutomated(control->getTag(), control->getValue());
}

void ADEditor::beginEdit(int tag) { synth_.beginEdit(tag); }
void ADEditor::endEdit(int tag) { synth_.endEdit(tag); }

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
