// The step-count menu: "%d Steps" for 4, 8, 16, 32, 64 and 128, the
// current count checked. The value is the entry index.
//
// Thread: the GUI thread only.
#pragma once

#include "BrnCOptionMenu.h"

namespace calverine {

class CBarsSelectorPopupItem : public BrnCOptionMenu {
public:
    CBarsSelectorPopupItem(const gui::CRect& size, gui::IControlListener* listener, int tag,
                           std::shared_ptr<gui::CBitmap> skin = nullptr);

    int steps() const;
    void setSteps(int steps);

    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;
    void draw(gui::CDrawContext& context) override;

private:
    void markCurrent();
};

}  // namespace calverine
