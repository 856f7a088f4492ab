#include "CStaticImage.h"

namespace gui {

CStaticImage::CStaticImage(const CRect& size, std::shared_ptr<CBitmap> bitmap, std::optional<CRect> source)
    : CView(size), bitmap_(std::move(bitmap)), source_(source) {
    setMouseEnabled(false);
}

void CStaticImage::setBitmap(std::shared_ptr<CBitmap> bitmap, std::optional<CRect> source) {
    bitmap_ = std::move(bitmap);
    source_ = source;
    invalidate();
}

void CStaticImage::draw(CDrawContext& context) {
    if (!bitmap_) return;
    const CRect whole{0, 0, double(bitmap_->width()), double(bitmap_->height())};
    context.drawBitmapScaled(*bitmap_, source_.value_or(whole), localBounds());
}

}  // namespace gui
