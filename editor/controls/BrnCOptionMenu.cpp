#include "BrnCOptionMenu.h"

#include <algorithm>

#include "CFrame.h"
#include "CMenuPopup.h"

namespace calverine {

BrnCOptionMenu::BrnCOptionMenu(const gui::CRect& size, gui::IControlListener* listener, int tag,
                               std::shared_ptr<gui::CBitmap> skin)
    : COptionMenu(size, listener, tag), skin_(std::move(skin)) {}

gui::CFrame* BrnCOptionMenu::getFrame() const {
    if (gui::CFrame* frame = COptionMenu::getFrame()) return frame;
    return openedIn_;
}

void BrnCOptionMenu::openAt(gui::CFrame& frame, gui::CPoint framePoint) {
    openNextTo(frame, gui::CRect{framePoint.x, framePoint.y, framePoint.x, framePoint.y});
}

void BrnCOptionMenu::openNextTo(gui::CFrame& frame, const gui::CRect& frameAnchor) {
    if (items().empty()) return;
    if (!getParent()) openedIn_ = &frame;
    frame.pushModal(std::make_unique<gui::CMenuPopup>(frame.localBounds(), *this, frameAnchor));
}

void BrnCOptionMenu::draw(gui::CDrawContext& context) {
    if (!skin_) return COptionMenu::draw(context);
    const gui::CRect b = localBounds();
    context.drawBitmapScaled(*skin_, gui::CRect{0, 0, double(skin_->width()), double(skin_->height())}, b);
    if (const gui::CMenuItem* item = currentItem()) {
        context.setFont(gui::theme::font(std::clamp(b.height() * 0.55, 9.0, 13.0)));
        context.setFontColor(gui::theme::kText);
        context.drawString(item->title, b.inset(6, 0), gui::HoriAlign::Left);
    }
}

}  // namespace calverine
