// The browser's small companion views: the inline text editor (names and
// the search text), the OK / "Cancel" pair under a name editor, the floating
// hint of a patch drag and the Genetics mix knob.
//
// Thread: the GUI thread only.
#pragma once

#include <functional>
#include <string>

#include "CAnimKnob.h"
#include "CTextEdit.h"

namespace calverine {

// A one-line editor with a placeholder. Every change of the text is
// reported (the search follows the typing); Return reports `accepted`,
// Escape `discarded`, and losing the keyboard `focusLost` (the typed text
// stays readable for an OK click that took the focus away).
class BrnCFileBrowserTextEdit : public gui::CTextEdit {
public:
    static constexpr const char* kNamePlaceholder = "Type the new name...";

    explicit BrnCFileBrowserTextEdit(const gui::CRect& size, std::string placeholder = kNamePlaceholder);

    void setPlaceholder(std::string text) { placeholder_ = std::move(text); invalidate(); }
    std::function<void(const std::string&)> changed;
    std::function<void(const std::string&)> accepted;
    std::function<void()> discarded;
    std::function<void()> focusLost;

    void draw(gui::CDrawContext& context) override;
    bool onKeyDown(const gui::KeyEvent& key) override;
    void onFocusLost() override;

private:
    std::string placeholder_;
};

// OK and "Cancel" side by side.
class BrnCFileBrowserOkCancel : public gui::CView {
public:
    explicit BrnCFileBrowserOkCancel(const gui::CRect& size) : CView(size) {}
    std::function<void()> ok;
    std::function<void()> cancel;

    gui::CRect okRect() const;
    gui::CRect cancelRect() const;
    void draw(gui::CDrawContext& context) override;
    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;
};

// The hint that follows the pointer while a patch is dragged.
class BrnCFileBrowserFMoveInfo : public gui::CView {
public:
    explicit BrnCFileBrowserFMoveInfo(const gui::CRect& size);
    const std::string& text() const { return text_; }
    // Shows `text` just below and right of `local` (the parent's coordinates),
    // kept inside `bounds`; an empty text hides the hint.
    void show(const std::string& text, gui::CPoint local, const gui::CRect& bounds, double width);
    void draw(gui::CDrawContext& context) override;

private:
    std::string text_;
};

// The Genetics mix: 0 to 100 %, its text "%.0f %%" (the panel draws it
// under the knob).
class BrnCFileBrowserKnob : public gui::CAnimKnob {
public:
    explicit BrnCFileBrowserKnob(const gui::CRect& size);
    std::string valueText() const;
    std::function<void(float)> moved;
    gui::MouseResult onMouseMoved(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseUp(gui::CPoint where, std::uint32_t buttons) override;
};

}  // namespace calverine
