#include "ValueDisplayLink.h"

#include "BrnCParamDisplay.h"
#include "EditorServices.h"

namespace calverine {

namespace {
constexpr int kLearnMenu = 308;
constexpr int kLockMenu = 309;
}  // namespace

ValueDisplayLink::ValueDisplayLink(gui::CControl& control, EditorServices& services, TextOf text)
    : control_(control), services_(services), text_(std::move(text)) {}

std::string ValueDisplayLink::text() const {
    return text_ ? text_() : services_.displayText(control_.getTag());
}

bool ValueDisplayLink::handleMenuClick(gui::CPoint where, std::uint32_t buttons) {
    if (!(buttons & gui::kRButton) || (buttons & (gui::kLButton | gui::kMButton))) return false;
    const int tag = control_.getTag();
    services_.openControlMenu(services_.canLearn(tag) ? kLearnMenu : kLockMenu, tag, control_.localToFrame(where));
    return true;
}

void ValueDisplayLink::press(std::uint32_t buttons) {
    const bool leftAlone = (buttons & gui::kLButton) && !(buttons & (gui::kRButton | gui::kMButton));
    if (!leftAlone || (buttons & gui::kControl)) return;
    showing_ = true;
    BrnCParamDisplay::showFor(control_, text());
}

void ValueDisplayLink::refresh() {
    if (showing_) BrnCParamDisplay::showFor(control_, text());
}

void ValueDisplayLink::release() {
    if (!showing_) return;
    showing_ = false;
    BrnCParamDisplay::hideFor(control_);
}

}  // namespace calverine
