// A filmstrip knob that shows the plug-in's text for its value while it is
// pressed and dragged, and opens the per-control menu on a right click.
//
// Thread: the GUI thread only.
#pragma once

#include "CAnimKnob.h"
#include "ValueDisplayLink.h"

namespace calverine {

class CDisplayAnimKnob : public gui::CAnimKnob {
public:
    CDisplayAnimKnob(const gui::CRect& size, gui::IControlListener* listener, int tag,
                     std::shared_ptr<gui::CBitmap> filmstrip, int frames, EditorServices& services,
                     ValueDisplayLink::TextOf text = {});

    bool isShowingValue() const { return link_.showing(); }

    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseMoved(gui::CPoint where, std::uint32_t buttons) override;
    gui::MouseResult onMouseUp(gui::CPoint where, std::uint32_t buttons) override;
    void onMouseCancel() override;

private:
    ValueDisplayLink link_;
};

}  // namespace calverine
