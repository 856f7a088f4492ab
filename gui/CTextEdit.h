// A one-line text field. A click starts editing and takes the keyboard
// from the frame (only while editing); Return commits, Escape restores the
// text from before, and a click elsewhere commits. The caret moves by code
// points of the UTF-8 text.
//
// Keys: Left/Right, Home/End (Shift extends the selection), Backspace,
// Delete, Ctrl+A, Ctrl+C/X/V, typed characters.
//
// Thread: the GUI thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "CParamDisplay.h"

namespace gui {

class CTextEdit : public CParamDisplay {
public:
    CTextEdit(const CRect& size, IControlListener* listener = nullptr, int tag = -1);

    const std::string& getText() const { return text_; }
    void setText(std::string utf8);
    // In code points; 0 for no limit.
    void setMaxLength(std::size_t codePoints) { maxLength_ = codePoints; }
    // Called with the text when an edit is committed.
    void setCommitCallback(std::function<void(const std::string&)> f) { onCommit_ = std::move(f); }

    void beginEditing();
    void commit();
    void cancel();
    bool isEditingText() const { return editing_; }
    // Byte offsets of the caret and of the selection's other end.
    std::size_t caret() const { return caret_; }
    std::string selectedText() const;

    std::string displayText() const override { return text_; }
    void draw(CDrawContext& context) override;
    MouseResult onMouseDown(CPoint where, std::uint32_t buttons) override;
    MouseResult onMouseMoved(CPoint where, std::uint32_t buttons) override;
    MouseResult onMouseUp(CPoint where, std::uint32_t buttons) override;
    bool onKeyDown(const KeyEvent& key) override;
    void onFocusLost() override;

private:
    void endEditing(bool keep);
    // The byte offset of the code point boundary nearest to local x.
    std::size_t offsetAt(double x);
    double xOf(std::size_t offset);
    void moveCaret(std::size_t to, bool extend);
    void replaceSelection(const std::string& utf8);

    std::string text_;
    std::string before_;  // restored by Escape
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;
    std::size_t maxLength_ = 0;
    double scroll_ = 0;  // pixels the text is moved left to keep the caret in view
    bool editing_ = false;
    bool selecting_ = false;
    std::function<void(const std::string&)> onCommit_;
};

}  // namespace gui
