// Shared pieces of the editor control tests: editor services that record
// what the controls ask for, a hook that captures user messages, and
// filmstrips drawn in memory.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EditorServices.h"
#include "GuiTestSupport.h"
#include "Messages.h"

namespace controlstest {

using namespace gui;

struct FakeServices : calverine::EditorServices {
    std::vector<std::string> calls;
    std::string text = "440 Hz";
    bool learnable = true;
    float level = 0;
    bool midi = false;
    int playing = -1;
    std::vector<std::string> lines{"Version 1.0.0"};

    std::string displayText(int tag) override {
        calls.push_back("text " + std::to_string(tag));
        return text;
    }
    bool canLearn(int) override { return learnable; }
    void openControlMenu(int menuTag, int tag, CPoint p) override {
        calls.push_back("menu " + std::to_string(menuTag) + " " + std::to_string(tag) + " at " +
                        std::to_string(int(p.x)) + "," + std::to_string(int(p.y)));
    }
    float meterLevel() override { return level; }
    bool midiActivity() override { return midi; }
    int stepPosition(int) override { return playing; }
    void stepCountChosen(int steps) override { calls.push_back("steps " + std::to_string(steps)); }
    std::string selectorText(int) override { return "Warm Pad"; }
    void previousProgram(int tag) override { calls.push_back("previous " + std::to_string(tag)); }
    void nextProgram(int tag) override { calls.push_back("next " + std::to_string(tag)); }
    void openBrowser() override { calls.push_back("browser"); }
    void loadPatch(const std::string& path) override { calls.push_back("load " + path); }
    std::vector<std::string> backsideLines() override { return lines; }

    int count(const std::string& prefix) const {
        int n = 0;
        for (const std::string& c : calls) n += c.starts_with(prefix);
        return n;
    }
};

// Captures every user message while it lives.
struct MessageCatcher {
    struct Message {
        std::string title, text;
    };
    std::vector<Message> messages;

    MessageCatcher() { platform::setMessageHook(&MessageCatcher::hook, this); }
    ~MessageCatcher() { platform::setMessageHook(nullptr, nullptr); }
    static void hook(const char* title, const char* text, platform::MessageIcon, void* user) {
        static_cast<MessageCatcher*>(user)->messages.push_back({title, text});
    }
};

// `frames` frames of `width` x `height` stacked vertically, frame i grey 10 * i.
inline std::shared_ptr<CBitmap> filmstrip(int frames, int width, int height) {
    auto image = COffscreenContext::create(width, height * frames);
    for (int i = 0; i < frames; ++i) {
        const auto g = std::uint8_t(10 * i % 256);
        image->context().setFillColor(CColor{g, g, g, 255});
        image->context().drawRect(CRect::fromSize(0, i * height, width, height));
    }
    return image->toBitmap();
}

}  // namespace controlstest
