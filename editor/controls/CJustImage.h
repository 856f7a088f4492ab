// A static skin image that lets every mouse event through.
//
// Thread: the GUI thread only.
#pragma once

#include "CStaticImage.h"

namespace calverine {

class CJustImage : public gui::CStaticImage {
public:
    CJustImage(const gui::CRect& size, std::shared_ptr<gui::CBitmap> bitmap) : CStaticImage(size, std::move(bitmap)) {
        setMouseEnabled(false);
    }
};

}  // namespace calverine
