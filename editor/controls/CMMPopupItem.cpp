#include "CMMPopupItem.h"

#include <cmath>

#include "ParameterTable.h"

namespace calverine {

CMMPopupItem::CMMPopupItem(const gui::CRect& size, gui::IControlListener* listener, int tag, List list,
                           std::shared_ptr<gui::CBitmap> skin)
    : BrnCOptionMenu(size, listener, tag, std::move(skin)), list_(list) {
    switch (list) {
    case List::Sources:
        for (const params::ListEntry& entry : params::kSources) addEntry(entry.name);
        break;
    case List::Destinations:
        for (const params::ListEntry& entry : params::kDestinations) addEntry(entry.name);
        break;
    case List::VoiceMode:
        for (const char* name : {"Single", "Dual", "Split", "8 voices", "16 voices"}) addEntry(name);
        // A command menu: -1 while closed, so choosing the entry chosen last
        // time is still a change.
        setRange(-1, float(items().size() - 1));
        setValue(-1);
        break;
    }
}

float CMMPopupItem::normalizedOf(int index) {
    // The middle of the index's step, so truncation finds it again.
    return (float(index) + 0.5f) / 127.0f;
}

int CMMPopupItem::indexOf(float normalized) {
    return int(std::floor(normalized * 127.0f));
}

}  // namespace calverine
