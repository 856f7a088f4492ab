#include "BrnCFileBrowserParts.h"

#include <cstdio>

#include "CFrame.h"
#include "Theme.h"

namespace calverine {

// ---- BrnCFileBrowserTextEdit ---------------------------------------------------------

BrnCFileBrowserTextEdit::BrnCFileBrowserTextEdit(const gui::CRect& size, std::string placeholder)
    : CTextEdit(size), placeholder_(std::move(placeholder)) {
    setMaxLength(511);
}

void BrnCFileBrowserTextEdit::draw(gui::CDrawContext& context) {
    CTextEdit::draw(context);
    if (!getText().empty() || isEditingText()) return;
    context.setFont(getFont());
    context.setFontColor(gui::theme::kTextDim);
    context.drawString(placeholder_, localBounds().inset(6, 0), gui::HoriAlign::Left);
}

bool BrnCFileBrowserTextEdit::onKeyDown(const gui::KeyEvent& key) {
    // The owner may remove this field from inside a callback: each runs
    // from a copy, and nothing of the field is touched after it.
    if (key.key == gui::VirtualKey::Return && isEditingText()) {
        commit();
        if (auto call = accepted) call(getText());
        return true;
    }
    if (key.key == gui::VirtualKey::Escape && isEditingText()) {
        cancel();
        if (auto call = discarded) call();
        return true;
    }
    const std::string before = getText();
    const bool used = CTextEdit::onKeyDown(key);
    if (getText() != before && changed) changed(getText());
    return used;
}

void BrnCFileBrowserTextEdit::onFocusLost() {
    commit();  // keeps the typed text; what it means is for the owner to say
    if (auto call = focusLost) call();
}

// ---- BrnCFileBrowserOkCancel -------------------------------------------------------------

gui::CRect BrnCFileBrowserOkCancel::okRect() const {
    const gui::CRect b = localBounds();
    return {b.left, b.top, b.left + b.width() / 2 - 1, b.bottom};
}

gui::CRect BrnCFileBrowserOkCancel::cancelRect() const {
    const gui::CRect b = localBounds();
    return {b.left + b.width() / 2 + 1, b.top, b.right, b.bottom};
}

void BrnCFileBrowserOkCancel::draw(gui::CDrawContext& context) {
    context.setFont(gui::theme::font(localBounds().height() * 0.6));
    for (const auto& [rect, text] : {std::pair{okRect(), "OK"}, std::pair{cancelRect(), "Cancel"}}) {
        context.setFillColor(gui::theme::kRaised);
        context.drawRoundRect(rect, 3);
        context.setFontColor(gui::theme::kText);
        context.drawString(text, rect);
    }
}

gui::MouseResult BrnCFileBrowserOkCancel::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    if (!(buttons & gui::kLButton)) return gui::MouseResult::Handled;
    // The owner may remove this view (and with it the callbacks) from inside
    // the callback, so the one called runs from a copy.
    std::function<void()> chosen;
    if (okRect().contains(where)) chosen = ok;
    else if (cancelRect().contains(where)) chosen = cancel;
    if (chosen) chosen();
    return gui::MouseResult::Handled;
}

// ---- BrnCFileBrowserFMoveInfo --------------------------------------------------------------

BrnCFileBrowserFMoveInfo::BrnCFileBrowserFMoveInfo(const gui::CRect& size) : CView(size) {
    setMouseEnabled(false);
    setVisible(false);
}

void BrnCFileBrowserFMoveInfo::show(const std::string& text, gui::CPoint local, const gui::CRect& bounds,
                                    double width) {
    text_ = text;
    if (text.empty()) {
        setVisible(false);
        return;
    }
    const double height = getViewSize().height();
    double x = std::min(local.x + 14, bounds.right - width);
    double y = local.y + 16;
    if (y + height > bounds.bottom) y = local.y - height - 4;
    setViewSize(gui::CRect::fromSize(std::max(x, bounds.left), std::max(y, bounds.top), width, height));
    setVisible(true);
    invalidate();
}

void BrnCFileBrowserFMoveInfo::draw(gui::CDrawContext& context) {
    context.setFillColor(gui::theme::withAlpha(gui::theme::kTextOnAccent, 235));
    context.drawRoundRect(localBounds(), 4);
    context.setFrameColor(gui::theme::kAccent);
    context.drawRoundRect(localBounds(), 4, gui::DrawStyle::Stroked);
    context.setFont(gui::theme::font(localBounds().height() * 0.55));
    context.setFontColor(gui::theme::kText);
    context.drawString(text_, localBounds().inset(8, 0), gui::HoriAlign::Left);
}

// ---- BrnCFileBrowserKnob -----------------------------------------------------------------

BrnCFileBrowserKnob::BrnCFileBrowserKnob(const gui::CRect& size) : CAnimKnob(size) {
    setRange(0, 100);
    setDefaultValue(50);
    setValue(50);
}

std::string BrnCFileBrowserKnob::valueText() const {
    char text[32];
    std::snprintf(text, sizeof(text), "%.0f %%", double(getValue()));
    return text;
}

gui::MouseResult BrnCFileBrowserKnob::onMouseMoved(gui::CPoint where, std::uint32_t buttons) {
    const gui::MouseResult r = CAnimKnob::onMouseMoved(where, buttons);
    if (moved) moved(getValue());
    return r;
}

gui::MouseResult BrnCFileBrowserKnob::onMouseUp(gui::CPoint where, std::uint32_t buttons) {
    const gui::MouseResult r = CAnimKnob::onMouseUp(where, buttons);
    if (moved) moved(getValue());
    return r;
}

}  // namespace calverine
