// A plug-in object and the editor's menus in a frame without a window: the
// editor side is a small stand-in that records what the menus ask of it and
// holds real buttons for the voice and shape commands.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CFrame.h"
#include "CMenuPopup.h"
#include "COnOffButton.h"
#include "EditorMenus.h"
#include "TestHost.h"
#include "VstXSynth.h"

namespace calverine::test {

struct StandInEditor : EditorMenus::Host {
    explicit StandInEditor(VstXSynth& plugin) : plugin_(plugin) {
        for (int tag = EditorMenus::kFirstVoiceButton; tag <= EditorMenus::kLastShapeButton; ++tag)
            buttons_[tag] = frame_.add<gui::COnOffButton>(gui::CRect{0, 0, 10, 10}, nullptr, tag);
    }

    VstXSynth& synth() override { return plugin_; }
    gui::CFrame* menuFrame() override { return &frame_; }
    bool trimmerMode() const override { return trimmer_; }
    void setTrimmerMode(bool on) override { trimmer_ = on; }
    void refreshControls() override { ++refreshes_; }
    void setUISize(int index) override { sizeAsked_ = index; }
    void openBrowser() override { ++browserOpened_; }
    std::vector<gui::CView*> commandViews(int tag) override {
        auto found = buttons_.find(tag);
        return found == buttons_.end() ? std::vector<gui::CView*>{} : std::vector<gui::CView*>{found->second};
    }

    // The tags of the lit command buttons between first and last.
    std::vector<int> lit(int first, int last) const {
        std::vector<int> tags;
        for (int tag = first; tag <= last; ++tag)
            if (buttons_.at(tag)->getValue() > 0.5f) tags.push_back(tag);
        return tags;
    }

    VstXSynth& plugin_;
    gui::CFrame frame_{1165, 725};
    std::map<int, gui::COnOffButton*> buttons_;
    bool trimmer_ = false;
    int refreshes_ = 0;
    int sizeAsked_ = -1;
    int browserOpened_ = 0;
};

// The editor menu's entries as text: a rule is "-", a disabled entry
// "(title)", a checked one "title *", each followed by "=tag".
inline std::vector<std::string> describe(const gui::COptionMenu& menu) {
    std::vector<std::string> lines;
    for (const gui::CMenuItem& item : const_cast<gui::COptionMenu&>(menu).items()) {
        if (item.separator) {
            lines.emplace_back("-");
            continue;
        }
        std::string line = item.enabled ? item.title : "(" + item.title + ")";
        if (item.checked) line += " *";
        lines.push_back(line + "=" + std::to_string(item.tag));
    }
    return lines;
}

// The title of the entry with `tag`, empty when there is none.
inline std::string titleOf(const gui::COptionMenu& menu, int tag) {
    for (const gui::CMenuItem& item : const_cast<gui::COptionMenu&>(menu).items())
        if (!item.separator && item.tag == tag) return item.enabled ? item.title : "(" + item.title + ")";
    return "";
}

}  // namespace calverine::test
