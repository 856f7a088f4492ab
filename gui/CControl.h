// A view with a value. The value lies between a minimum and a maximum (0
// and 1 unless set otherwise) and has a default. User gestures notify a
// listener, each gesture wrapped in exactly one beginEdit/endEdit pair so
// that a host records it as one automation or undo step.
//
// Thread: the GUI thread only.
#pragma once

#include "CView.h"
#include "Theme.h"

namespace gui {

class CControl;

class IControlListener {
public:
    virtual ~IControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    virtual void beginEdit(int /*tag*/) {}
    virtual void endEdit(int /*tag*/) {}
};

class CControl : public CView {
public:
    CControl(const CRect& size, IControlListener* listener = nullptr, int tag = -1)
        : CView(size), listener_(listener), tag_(tag) {}
    ~CControl() override;

    int getTag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    IControlListener* getListener() const { return listener_; }
    void setListener(IControlListener* listener) { listener_ = listener; }

    float getValue() const { return value_; }
    // Sets the value (clamped) and redraws; the listener hears nothing.
    void setValue(float value);
    // As setValue, and tells the listener when the value changed (inside
    // an edit when none is open, so the change is one gesture).
    void setValueNotify(float value);
    float getMin() const { return min_; }
    float getMax() const { return max_; }
    void setRange(float min, float max);
    // The value mapped to 0..1.
    float getValueNormalized() const;
    void setValueNormalized(float normalized) { setValue(min_ + normalized * (max_ - min_)); }

    float getDefaultValue() const { return default_; }
    void setDefaultValue(float value) { default_ = value; }
    // One wheel notch, in normalized units (Shift makes it four times finer).
    float getWheelStep() const { return wheelStep_; }
    void setWheelStep(float step) { wheelStep_ = step; }

    // The accent colour of the drawn look.
    CColor getAccent() const { return accent_; }
    void setAccent(CColor c) { accent_ = c; invalidate(); }

    // Gesture bracket; nested calls are ignored so every gesture sends one pair.
    void beginEdit();
    void endEdit();
    bool isEditing() const { return editing_; }

    bool onWheel(CPoint where, double notches, std::uint32_t buttons) override;
    void onMouseCancel() override { endEdit(); }

protected:
    // One complete gesture: begin, the new value notified, end.
    void editTo(float value);
    // Shift makes gestures four times finer.
    static constexpr float kFineFactor = 0.25f;

private:
    IControlListener* listener_;
    int tag_;
    float value_ = 0;
    float min_ = 0;
    float max_ = 1;
    float default_ = 0;
    float wheelStep_ = 0.01f;
    bool editing_ = false;
    CColor accent_ = theme::kAccent;
};

}  // namespace gui
