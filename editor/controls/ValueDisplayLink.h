// The behaviour knobs and buttons share around their own mouse handling:
//
// - left button down (without Control): the plug-in's text for the value
//   appears in the floating value display next to the control;
// - every change while the button is held refreshes that text;
// - button up hides it;
// - the right button alone opens the per-control menu (308 for controls
//   that can be learned, 309 otherwise) and the click goes no further;
// - with Control held the click reaches the control without a display.
//
// Thread: the GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "CControl.h"

namespace calverine {

class EditorServices;

class ValueDisplayLink {
public:
    using TextOf = std::function<std::string()>;

    // Without `text` the plug-in's display text of the control's tag is shown.
    ValueDisplayLink(gui::CControl& control, EditorServices& services, TextOf text = {});

    // True when the click was a right click that opened the menu; the
    // caller answers Handled without doing anything else.
    bool handleMenuClick(gui::CPoint where, std::uint32_t buttons);
    // Before the control's own press handling.
    void press(std::uint32_t buttons);
    // After every change while pressed.
    void refresh();
    void release();
    bool showing() const { return showing_; }

private:
    std::string text() const;

    gui::CControl& control_;
    EditorServices& services_;
    TextOf text_;
    bool showing_ = false;
};

}  // namespace calverine
