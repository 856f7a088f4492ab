#include "CBarMenu.h"

#include "StepCounts.h"

namespace calverine {

CBarMenu::CBarMenu(std::function<void(int steps)> chosen) : BrnCOptionMenu(gui::CRect{}, nullptr, -1) {
    for (int steps : kStepCounts) addEntry(stepCountText(steps), steps);
    setChosenCallback([chosen = std::move(chosen)](const std::vector<int>&, int steps) { chosen(steps); });
}

void CBarMenu::openFor(int currentSteps, gui::CFrame& frame, gui::CPoint framePoint) {
    for (std::size_t i = 0; i < items().size(); ++i) {
        items()[i].checked = items()[i].tag == currentSteps;
        if (items()[i].checked) setValue(float(i));
    }
    openAt(frame, framePoint);
}

}  // namespace calverine
