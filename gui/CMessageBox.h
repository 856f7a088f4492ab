// A message drawn inside the frame: the frame dimmed, a box with a title,
// the text wrapped to its width and an OK button. Return, Escape or a click
// on OK close it. Opened by CFrame::showMessage.
//
// Thread: the GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CView.h"

namespace gui {

enum class MessageKind : std::uint8_t;

class CMessageBox : public CView {
public:
    CMessageBox(const CRect& frameBounds, std::string title, std::string text, MessageKind kind,
                std::function<void()> closed);

    // In frame coordinates.
    CRect boxRect() const { return box_; }
    CRect okRect() const;

    void draw(CDrawContext& context) override;
    MouseResult onMouseDown(CPoint where, std::uint32_t buttons) override;
    bool onWheel(CPoint, double, std::uint32_t) override { return true; }
    bool onKeyDown(const KeyEvent& key) override;

private:
    void layout();
    void close();

    std::string title_;
    std::string text_;
    MessageKind kind_;
    std::function<void()> closed_;
    std::vector<std::string> lines_;
    CRect box_;
    bool laidOut_ = false;
};

}  // namespace gui
