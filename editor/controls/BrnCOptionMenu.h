// A menu button in the skin's style (its image under the current entry's
// text when it has one) that can also open where the editor asks: a menu
// kept outside the view tree (the per-control menus, the step-count menu
// of the step editor, a button's menu) opens at a point or next to a
// rectangle of a frame.
//
// A menu opened outside the tree must outlive its popup.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>

#include "COptionMenu.h"

namespace calverine {

class BrnCOptionMenu : public gui::COptionMenu {
public:
    BrnCOptionMenu(const gui::CRect& size, gui::IControlListener* listener, int tag,
                   std::shared_ptr<gui::CBitmap> skin = nullptr);

    // Opens the popup at `framePoint`, or below (above) `frameAnchor`.
    void openAt(gui::CFrame& frame, gui::CPoint framePoint);
    void openNextTo(gui::CFrame& frame, const gui::CRect& frameAnchor);

    gui::CFrame* getFrame() const override;
    void draw(gui::CDrawContext& context) override;

private:
    std::shared_ptr<gui::CBitmap> skin_;
    gui::CFrame* openedIn_ = nullptr;  // for a menu outside the tree
};

}  // namespace calverine
