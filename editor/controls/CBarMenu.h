// The step editor's right-click menu: the six step counts, the current
// one checked. Choosing one calls the function given.
//
// Thread: the GUI thread only.
#pragma once

#include <functional>

#include "BrnCOptionMenu.h"

namespace calverine {

class CBarMenu : public BrnCOptionMenu {
public:
    explicit CBarMenu(std::function<void(int steps)> chosen);

    void openFor(int currentSteps, gui::CFrame& frame, gui::CPoint framePoint);
};

}  // namespace calverine
