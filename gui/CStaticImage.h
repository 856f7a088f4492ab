// A bitmap, or a rectangle of it, scaled to the view. Takes no mouse events.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>
#include <optional>

#include "CView.h"

namespace gui {

class CStaticImage : public CView {
public:
    CStaticImage(const CRect& size, std::shared_ptr<CBitmap> bitmap, std::optional<CRect> source = std::nullopt);

    void setBitmap(std::shared_ptr<CBitmap> bitmap, std::optional<CRect> source = std::nullopt);
    void draw(CDrawContext& context) override;

private:
    std::shared_ptr<CBitmap> bitmap_;
    std::optional<CRect> source_;
};

}  // namespace gui
