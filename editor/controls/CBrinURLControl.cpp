#include "CBrinURLControl.h"

#include "Shell.h"

namespace calverine {

CBrinURLControl::CBrinURLControl(const gui::CRect& size, std::shared_ptr<gui::CBitmap> image, std::string url,
                                 Opener opener)
    : CControl(size), image_(std::move(image)), url_(std::move(url)), opener_(std::move(opener)) {
    // xdg-open hands a web address to the browser as it hands a folder to
    // the file manager.
    if (!opener_) opener_ = [](const std::string& page) { return platform::openInFileManager(page); };
    setCursor(gui::CursorType::Hand);
}

void CBrinURLControl::draw(gui::CDrawContext& context) {
    const gui::CRect b = localBounds();
    if (image_) {
        context.drawBitmapScaled(*image_, gui::CRect{0, 0, double(image_->width()), double(image_->height())}, b);
        return;
    }
    context.setFont(gui::theme::font(12));
    context.setFontColor(gui::theme::kTextDim);
    context.drawString("calverine", b);
}

gui::MouseResult CBrinURLControl::onMouseDown(gui::CPoint, std::uint32_t buttons) {
    if (!(buttons & gui::kLButton) || url_.empty()) return gui::MouseResult::NotHandled;
    opener_(url_);
    return gui::MouseResult::Handled;
}

}  // namespace calverine
