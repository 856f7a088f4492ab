// The plug-in's editor: a frame of the chosen UI size inside the host's
// window, whose controls pass their gestures to the plug-in as host
// automation (one begin/end edit pair per gesture) and follow the plug-in's
// values on every idle call.
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
#include "CControl.h"
#include "Messages.h"

namespace gui {
class CFrame;
class CParamDisplay;
}

namespace calverine {

class VstXSynth;

class ADEditor : public AEffEditor, public gui::IControlListener {
public:
    explicit ADEditor(VstXSynth& synth);
    ~ADEditor() override;

    bool getRect(ERect** rect) override;
    bool open(void* parent) override;
    void close() override;
    void idle() override;
    bool isOpen() const override { return frame_ != nullptr; }

    // The open frame, null when closed (tests draw it off-screen).
    gui::CFrame* frame() const { return frame_.get(); }
    // The reason the last open failed.
    const std::string& openError() const { return openError_; }

    // gui::IControlListener: tags are host parameter indices.
    void valueChanged(gui::CControl* control) override;
    void beginEdit(int tag) override;
    void endEdit(int tag) override;

private:
    struct Message {
        std::string title;
        std::string text;
        platform::MessageIcon icon;
    };
    static void messageHook(const char* title, const char* text, platform::MessageIcon icon, void* user);
    void build();
    void showPendingMessages();

    VstXSynth& synth_;
    ERect rect_{};
    std::unique_ptr<gui::CFrame> frame_;
    std::vector<gui::CControl*> parameterControls_;
    // Text views with the text they show now.
    std::vector<std::pair<gui::CParamDisplay*, std::string>> textViews_;
    std::string openError_;

    platform::MessageHook previousHook_ = nullptr;  // put back on close
    void* previousHookUser_ = nullptr;
    std::thread::id guiThread_;
    std::mutex pendingLock_;
    std::vector<Message> pending_;
};

}  // namespace calverine
