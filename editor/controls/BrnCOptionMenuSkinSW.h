// The UI-size menu: "Small" (size index 1), "Medium" (0), "Large" (2), in
// that order. The value is the entry index; sizeIndex() is the size the
// chosen entry stands for.
//
// Thread: the GUI thread only.
#pragma once

#include "BrnCOptionMenu.h"

namespace calverine {

class BrnCOptionMenuSkinSW : public BrnCOptionMenu {
public:
    BrnCOptionMenuSkinSW(const gui::CRect& size, gui::IControlListener* listener, int tag,
                         std::shared_ptr<gui::CBitmap> skin = nullptr);

    int sizeIndex() const;
    // Shows the entry of size index `index`, checked.
    void setSizeIndex(int index);
};

}  // namespace calverine
