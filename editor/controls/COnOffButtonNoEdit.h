// A two-state button without value display or per-control menu.
//
// Thread: the GUI thread only.
#pragma once

#include "COnOffButton.h"

namespace calverine {

class COnOffButtonNoEdit : public gui::COnOffButton {
public:
    using COnOffButton::COnOffButton;
};

}  // namespace calverine
