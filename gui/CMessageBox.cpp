#include "CMessageBox.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "CFrame.h"
#include "Theme.h"

namespace gui {

namespace {

constexpr double kMargin = 16;
constexpr double kLineHeight = 18;
constexpr double kTitleHeight = 30;
constexpr double kButtonWidth = 80;
constexpr double kButtonHeight = 26;
const CFontDesc kTextFont = theme::font(12);
const CFontDesc kTitleFont = theme::font(13, true);

CColor kindColor(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning: return theme::kAccent;
        case MessageKind::Error: return CColor::rgb(0xe5534b);
        case MessageKind::Info: break;
    }
    return CColor::rgb(0x5aa0e6);
}

}  // namespace

CMessageBox::CMessageBox(const CRect& frameBounds, std::string title, std::string text, MessageKind kind,
                         std::function<void()> closed)
    : CView(frameBounds), title_(std::move(title)), text_(std::move(text)), kind_(kind), closed_(std::move(closed)) {
    const double width = std::min(380.0, frameBounds.width() - 16);
    box_ = CRect::fromSize(0, 0, width, 0);
}

void CMessageBox::layout() {
    // Word wrap needs the frame's text measure, so it waits for the first use.
    if (laidOut_) return;
    CFrame* frame = getFrame();
    if (!frame) return;
    laidOut_ = true;
    const double textWidth = box_.width() - 2 * kMargin;
    std::istringstream paragraphs(text_);
    for (std::string paragraph; std::getline(paragraphs, paragraph);) {
        std::istringstream words(paragraph);
        std::string line;
        for (std::string word; words >> word;) {
            const std::string longer = line.empty() ? word : line + " " + word;
            if (!line.empty() && frame->stringWidth(longer, kTextFont) > textWidth) {
                lines_.push_back(line);
                line = word;
            } else {
                line = longer;
            }
        }
        lines_.push_back(line);
    }
    const CRect bounds = localBounds();
    const double height = std::min(bounds.height() - 16, kTitleHeight + kMargin + lines_.size() * kLineHeight +
                                                             kMargin + kButtonHeight + kMargin);
    box_ = CRect::fromSize(std::round((bounds.width() - box_.width()) / 2), std::round((bounds.height() - height) / 2),
                           box_.width(), height);
}

CRect CMessageBox::okRect() const {
    const_cast<CMessageBox*>(this)->layout();
    return CRect::fromSize(box_.right - kMargin - kButtonWidth, box_.bottom - kMargin - kButtonHeight, kButtonWidth,
                           kButtonHeight);
}

void CMessageBox::draw(CDrawContext& context) {
    layout();
    context.setFillColor(CColor{0, 0, 0, 140});
    context.drawRect(localBounds());
    context.setFillColor(theme::kSurface);
    context.setFrameColor(theme::kEdge);
    context.setLineWidth(1);
    context.drawRoundRect(box_.inset(0.5, 0.5), 6, DrawStyle::FilledAndStroked);

    // Title with a bar in the colour of the kind.
    const CColor accent = kindColor(kind_);
    context.setFillColor(accent);
    context.drawRoundRect(CRect::fromSize(box_.left + kMargin, box_.top + 10, 4, kTitleHeight - 12), 2);
    context.setFont(kTitleFont);
    context.setFontColor(theme::kText);
    context.drawString(title_, CRect{box_.left + kMargin + 12, box_.top + 6, box_.right - kMargin,
                                     box_.top + kTitleHeight + 2}, HoriAlign::Left);
    context.setFont(kTextFont);
    double y = box_.top + kTitleHeight + kMargin / 2;
    for (const std::string& line : lines_) {
        context.drawString(line, CRect{box_.left + kMargin, y, box_.right - kMargin, y + kLineHeight},
                           HoriAlign::Left);
        y += kLineHeight;
    }

    const CRect ok = okRect();
    context.setFillColor(accent);
    context.drawRoundRect(ok, 4);
    context.setFont(theme::font(12, true));
    context.setFontColor(theme::kTextOnAccent);
    context.drawString("OK", ok);
}

void CMessageBox::close() {
    std::function<void()> closed = std::move(closed_);
    if (CFrame* frame = getFrame()) frame->popModal(this);
    if (closed) closed();
}

MouseResult CMessageBox::onMouseDown(CPoint where, std::uint32_t buttons) {
    if ((buttons & kLButton) && okRect().contains(where)) close();
    return MouseResult::Handled;  // the views below are out of reach while it is open
}

bool CMessageBox::onKeyDown(const KeyEvent& key) {
    if (key.key == VirtualKey::Return || key.key == VirtualKey::Escape) close();
    return true;
}

}  // namespace gui
