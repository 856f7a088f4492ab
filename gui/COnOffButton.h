// A two-state button: a click toggles between the minimum and the maximum.
// Drawn from a two-frame filmstrip (off above on), or as a lit key with an
// optional title.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>
#include <string>

#include "CControl.h"

namespace gui {

class COnOffButton : public CControl {
public:
    COnOffButton(const CRect& size, IControlListener* listener = nullptr, int tag = -1,
                 std::shared_ptr<CBitmap> filmstrip = nullptr);

    bool isOn() const { return getValueNormalized() > 0.5f; }
    void setTitle(std::string title) { title_ = std::move(title); invalidate(); }

    void draw(CDrawContext& context) override;
    MouseResult onMouseDown(CPoint where, std::uint32_t buttons) override;

private:
    std::shared_ptr<CBitmap> filmstrip_;
    std::string title_;
};

}  // namespace gui
