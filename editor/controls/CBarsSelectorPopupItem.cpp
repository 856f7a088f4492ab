#include "CBarsSelectorPopupItem.h"

#include <algorithm>
#include <cmath>

#include "StepCounts.h"

namespace calverine {

CBarsSelectorPopupItem::CBarsSelectorPopupItem(const gui::CRect& size, gui::IControlListener* listener, int tag,
                                               std::shared_ptr<gui::CBitmap> skin)
    : BrnCOptionMenu(size, listener, tag, std::move(skin)) {
    for (int steps : kStepCounts) addEntry(stepCountText(steps));
    markCurrent();
}

int CBarsSelectorPopupItem::steps() const {
    return kStepCounts[std::size_t(std::clamp(int(std::lround(getValue())), 0, int(kStepCounts.size()) - 1))];
}

void CBarsSelectorPopupItem::setSteps(int steps) {
    const auto it = std::find(kStepCounts.begin(), kStepCounts.end(), steps);
    if (it != kStepCounts.end()) setValue(float(it - kStepCounts.begin()));
    markCurrent();
}

void CBarsSelectorPopupItem::markCurrent() {
    const int current = int(std::lround(getValue()));
    for (int i = 0; i < int(items().size()); ++i) items()[std::size_t(i)].checked = i == current;
}

gui::MouseResult CBarsSelectorPopupItem::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    markCurrent();  // the value may have come from the plug-in since
    return BrnCOptionMenu::onMouseDown(where, buttons);
}

void CBarsSelectorPopupItem::draw(gui::CDrawContext& context) {
    markCurrent();
    BrnCOptionMenu::draw(context);
}

}  // namespace calverine
