// The toolkit's own look for controls drawn without bitmaps: a calm dark
// panel like a hardware front, one accent colour per control, DejaVu Sans.
// Every text colour keeps a contrast of at least 4.5:1 on the surfaces it
// is drawn on.
#pragma once

#include "DrawContext.h"

namespace gui::theme {

inline constexpr CColor kPanel = CColor::rgb(0x1c1f23);    // frame background
inline constexpr CColor kSurface = CColor::rgb(0x26292e);  // sections, fields
inline constexpr CColor kRaised = CColor::rgb(0x363a41);   // knob bodies, buttons
inline constexpr CColor kEdge = CColor::rgb(0x4b5059);     // rims, outlines
inline constexpr CColor kTrack = CColor::rgb(0x121417);    // unlit arcs, wells
inline constexpr CColor kText = CColor::rgb(0xd4d8de);     // labels and values
inline constexpr CColor kTextDim = CColor::rgb(0xa6adb7);  // secondary labels, disabled entries
inline constexpr CColor kAccent = CColor::rgb(0xe8a33d);   // default accent (amber)
inline constexpr CColor kTextOnAccent = CColor::rgb(0x17191c);
inline constexpr CColor kSelection = CColor::rgb(0x3d6ea8);

inline CFontDesc font(double size = 12, bool bold = false) {
    return CFontDesc{"DejaVu Sans", size, bold};
}

// `c` with its alpha replaced.
inline constexpr CColor withAlpha(CColor c, std::uint8_t alpha) {
    return {c.red, c.green, c.blue, alpha};
}

}  // namespace gui::theme
