// A two-state button that shows the plug-in's text for its new value while
// it is held, and opens the per-control menu on a right click.
//
// Thread: the GUI thread only.
#pragma once

#include "COnOffButton.h"
#include "ValueDisplayLink.h"

namespace calverine {

class CDisplayOnOffButton : public gui::COnOffButton {
public:
    CDisplayOnOffButton(const gui::CRect& size, gui::IControlListener* listener, int tag,
                        std::shared_ptr<gui::CBitmap> filmstrip, EditorServices& services);

    bool isShowingValue() const { return link_.showing(); }

    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseUp(gui::CPoint where, std::uint32_t buttons) override;
    void onMouseCancel() override;

private:
    ValueDisplayLink link_;
};

}  // namespace calverine
