// Shows a text for the control's value, made by a function (value to
// string), in a font, colours and alignment of its own.
//
// Thread: the GUI thread only.
#pragma once

#include <functional>
#include <string>

#include "CControl.h"

namespace gui {

class CParamDisplay : public CControl {
public:
    using ValueToString = std::function<std::string(float)>;

    CParamDisplay(const CRect& size, IControlListener* listener = nullptr, int tag = -1);

    // Without a function the value shows with two decimals.
    void setValueToString(ValueToString f) { toString_ = std::move(f); invalidate(); }
    void setFont(const CFontDesc& font) { font_ = font; invalidate(); }
    const CFontDesc& getFont() const { return font_; }
    void setFontColor(CColor c) { fontColor_ = c; invalidate(); }
    // Transparent colours leave the background or the outline out.
    void setBackColor(CColor c) { backColor_ = c; invalidate(); }
    void setFrameColor(CColor c) { frameColor_ = c; invalidate(); }
    void setHoriAlign(HoriAlign a) { align_ = a; invalidate(); }
    HoriAlign getHoriAlign() const { return align_; }

    virtual std::string displayText() const;
    void draw(CDrawContext& context) override;

protected:
    void drawBackground(CDrawContext& context);
    // The box the text is laid out in (inside the padding).
    CRect textBox() const { return localBounds().inset(kPadding, 0); }
    static constexpr double kPadding = 4;
    CColor fontColor_ = theme::kText;

private:
    ValueToString toString_;
    CFontDesc font_ = theme::font();
    CColor backColor_ = theme::kTrack;
    CColor frameColor_ = theme::kEdge;
    HoriAlign align_ = HoriAlign::Center;
};

}  // namespace gui
