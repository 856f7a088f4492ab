// A button that picks a part or a voice for editing. A click toggles it
// and the editor decides what that means (it relights the buttons). A
// button with a menu (the voice-mode button) opens its menu below itself
// instead; the menu reports under its own tag.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>

#include "BrnCOptionMenu.h"
#include "COnOffButton.h"

namespace calverine {

class COnOffButtonPartEdit : public gui::COnOffButton {
public:
    using COnOffButton::COnOffButton;

    void setMenu(std::unique_ptr<BrnCOptionMenu> menu) { menu_ = std::move(menu); }
    BrnCOptionMenu* menu() const { return menu_.get(); }

    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;

private:
    std::unique_ptr<BrnCOptionMenu> menu_;
};

}  // namespace calverine
