// The menus of the modulation matrix: sources (kind 10) and destinations
// (kind 11) with the plug-in's list names, and the voice-mode menu of the
// part buttons ("Single", "Dual", "Split", "8 voices", "16 voices"). The
// value is the entry index.
//
// Thread: the GUI thread only.
#pragma once

#include "BrnCOptionMenu.h"

namespace calverine {

class CMMPopupItem : public BrnCOptionMenu {
public:
    enum class List : std::uint8_t { Sources, Destinations, VoiceMode };

    CMMPopupItem(const gui::CRect& size, gui::IControlListener* listener, int tag, List list,
                 std::shared_ptr<gui::CBitmap> skin = nullptr);

    List list() const { return list_; }
    // The host parameter of a list menu keeps the entry index over 127
    // steps; these convert between it and the entry index.
    static float normalizedOf(int index);
    static int indexOf(float normalized);

private:
    List list_;
};

}  // namespace calverine
