#include "BrnCOptionMenuSkinSW.h"

namespace calverine {

BrnCOptionMenuSkinSW::BrnCOptionMenuSkinSW(const gui::CRect& size, gui::IControlListener* listener, int tag,
                                           std::shared_ptr<gui::CBitmap> skin)
    : BrnCOptionMenu(size, listener, tag, std::move(skin)) {
    addEntry("Small", 1);
    addEntry("Medium", 0);
    addEntry("Large", 2);
    setSizeIndex(0);
}

int BrnCOptionMenuSkinSW::sizeIndex() const {
    const gui::CMenuItem* item = currentItem();
    return item ? item->tag : 0;
}

void BrnCOptionMenuSkinSW::setSizeIndex(int index) {
    for (std::size_t i = 0; i < items().size(); ++i) {
        items()[i].checked = items()[i].tag == index;
        if (items()[i].checked) setValue(float(i));
    }
}

}  // namespace calverine
