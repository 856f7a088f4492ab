// What the editor implements to hear about value changes that did not come
// from itself. Called on whatever thread made the change.
#pragma once

namespace calverine {

class ControlListener {
public:
    virtual ~ControlListener() = default;
    // normalized: the stored value divided by the control's scale.
    virtual void controlChanged(int control, int part, float normalized, bool perPart) = 0;
    // The patch name changed; its display needs redrawing.
    virtual void patchNameChanged() {}
    // Many values changed at once; redraw everything.
    virtual void redrawAll() {}
};

}  // namespace calverine
