#include "CTextEdit.h"

#include <algorithm>
#include <cmath>

#include "CFrame.h"

namespace gui {

namespace {

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t nextBoundary(const std::string& s, std::size_t i) {
    if (i >= s.size()) return s.size();
    do ++i;
    while (i < s.size() && isContinuation(s[i]));
    return i;
}

std::size_t previousBoundary(const std::string& s, std::size_t i) {
    if (i == 0) return 0;
    do --i;
    while (i > 0 && isContinuation(s[i]));
    return i;
}

std::size_t codePoints(const std::string& s) {
    return std::size_t(std::count_if(s.begin(), s.end(), [](char c) { return !isContinuation(c); }));
}

std::string encode(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

CTextEdit::CTextEdit(const CRect& size, IControlListener* listener, int tag) : CParamDisplay(size, listener, tag) {
    setMouseEnabled(true);
    setHoriAlign(HoriAlign::Left);
    setCursor(CursorType::Text);
}

void CTextEdit::setText(std::string utf8) {
    text_ = std::move(utf8);
    caret_ = anchor_ = text_.size();
    invalidate();
}

std::string CTextEdit::selectedText() const {
    const auto [from, to] = std::minmax(caret_, anchor_);
    return text_.substr(from, to - from);
}

void CTextEdit::beginEditing() {
    if (editing_) return;
    CFrame* frame = getFrame();
    if (!frame) return;
    editing_ = true;
    before_ = text_;
    frame->setFocusView(this);
    invalidate();
}

void CTextEdit::endEditing(bool keep) {
    if (!editing_) return;
    editing_ = false;
    selecting_ = false;
    if (!keep) text_ = before_;
    caret_ = anchor_ = text_.size();
    scroll_ = 0;
    if (CFrame* frame = getFrame(); frame && frame->getFocusView() == this) frame->setFocusView(nullptr);
    invalidate();
    // The owner may remove the field from inside the callback: it gets a
    // copy of the callback and of the text.
    if (keep && onCommit_) {
        const auto call = onCommit_;
        const std::string text = text_;
        call(text);
    }
}

void CTextEdit::commit() {
    endEditing(true);
}

void CTextEdit::cancel() {
    endEditing(false);
}

void CTextEdit::onFocusLost() {
    commit();
}

double CTextEdit::xOf(std::size_t offset) {
    CFrame* frame = getFrame();
    const double width = frame ? frame->stringWidth(std::string_view(text_).substr(0, offset), getFont()) : 0;
    return textBox().left + width - scroll_;
}

std::size_t CTextEdit::offsetAt(double x) {
    std::size_t best = 0;
    double bestDistance = 1e9;
    for (std::size_t i = 0;; i = nextBoundary(text_, i)) {
        const double d = std::abs(xOf(i) - x);
        if (d < bestDistance) best = i, bestDistance = d;
        if (i >= text_.size()) break;
    }
    return best;
}

void CTextEdit::moveCaret(std::size_t to, bool extend) {
    caret_ = to;
    if (!extend) anchor_ = to;
    invalidate();
}

void CTextEdit::replaceSelection(const std::string& utf8) {
    const auto [from, to] = std::minmax(caret_, anchor_);
    std::string insert = utf8;
    if (maxLength_ > 0) {
        const std::size_t kept = codePoints(text_) - codePoints(text_.substr(from, to - from));
        std::size_t room = maxLength_ > kept ? maxLength_ - kept : 0, end = 0;
        while (room > 0 && end < insert.size()) end = nextBoundary(insert, end), --room;
        insert.resize(end);
    }
    text_.replace(from, to - from, insert);
    moveCaret(from + insert.size(), false);
}

void CTextEdit::draw(CDrawContext& context) {
    drawBackground(context);
    const CRect box = textBox();
    if (editing_) {
        // Keep the caret inside the box.
        const double caretX = xOf(caret_) + scroll_ - box.left;
        scroll_ = std::clamp(scroll_, std::max(0.0, caretX - box.width() + 1), caretX);
        if (caret_ != anchor_) {
            const auto [from, to] = std::minmax(caret_, anchor_);
            context.setFillColor(theme::kSelection);
            context.drawRect(CRect{xOf(from), box.top + 3, xOf(to), box.bottom - 3});
        }
    }
    context.setFont(getFont());
    context.setFontColor(fontColor_);
    context.saveState();
    context.clip(box);
    if (editing_)
        context.drawString(text_, CRect{box.left - scroll_, box.top, box.right + 1e4, box.bottom}, HoriAlign::Left);
    else
        context.drawString(text_, box, getHoriAlign());
    context.restoreState();
    if (editing_) {
        const double x = std::floor(xOf(caret_));
        context.setFrameColor(getAccent());
        context.setLineWidth(1);
        context.drawLine({x, box.top + 3}, {x, box.bottom - 3});
    }
}

MouseResult CTextEdit::onMouseDown(CPoint where, std::uint32_t buttons) {
    if (!(buttons & kLButton)) return MouseResult::NotHandled;
    beginEditing();
    moveCaret(offsetAt(where.x), (buttons & kShift) != 0);
    selecting_ = true;
    return MouseResult::Capture;
}

MouseResult CTextEdit::onMouseMoved(CPoint where, std::uint32_t) {
    if (!selecting_) return MouseResult::NotHandled;
    moveCaret(offsetAt(where.x), true);
    return MouseResult::Handled;
}

MouseResult CTextEdit::onMouseUp(CPoint, std::uint32_t) {
    selecting_ = false;
    return MouseResult::Handled;
}

bool CTextEdit::onKeyDown(const KeyEvent& key) {
    if (!editing_) return false;
    const bool shift = key.modifiers & kShift;
    const bool hasSelection = caret_ != anchor_;
    if (key.modifiers & kControl) {
        switch (key.character) {
            case 'a': case 'A': anchor_ = 0; moveCaret(text_.size(), true); return true;
            case 'c': case 'C': if (hasSelection) getFrame()->setClipboardText(selectedText()); return true;
            case 'x': case 'X':
                if (hasSelection) getFrame()->setClipboardText(selectedText()), replaceSelection({});
                return true;
            case 'v': case 'V': {
                std::string pasted = getFrame()->clipboardText();
                std::erase_if(pasted, [](char c) { return c == '\n' || c == '\r' || c == '\t'; });
                replaceSelection(pasted);
                return true;
            }
            default: return false;
        }
    }
    switch (key.key) {
        case VirtualKey::Return: commit(); return true;
        case VirtualKey::Escape: cancel(); return true;
        case VirtualKey::Left:
            moveCaret(hasSelection && !shift ? std::min(caret_, anchor_) : previousBoundary(text_, caret_), shift);
            return true;
        case VirtualKey::Right:
            moveCaret(hasSelection && !shift ? std::max(caret_, anchor_) : nextBoundary(text_, caret_), shift);
            return true;
        case VirtualKey::Home: moveCaret(0, shift); return true;
        case VirtualKey::End: moveCaret(text_.size(), shift); return true;
        case VirtualKey::Back:
            if (!hasSelection) anchor_ = previousBoundary(text_, caret_);
            replaceSelection({});
            return true;
        case VirtualKey::Delete:
            if (!hasSelection) anchor_ = nextBoundary(text_, caret_);
            replaceSelection({});
            return true;
        default: break;
    }
    if (key.character >= 0x20 && key.character != 0x7F) {
        replaceSelection(encode(key.character));
        return true;
    }
    return false;
}

}  // namespace gui
