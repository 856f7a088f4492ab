// The editor's three sizes. Every layout coordinate is multiplied by the
// scale and floored; each size has its own bitmap ids and font size.
#pragma once

namespace calverine {

struct UiSize {
    const char* name;
    double scale;
    int width;
    int height;
    int bitmapOffset;
    int fontSize;
};

constexpr UiSize kUiSizes[3] = {
    {"Medium", 1.0, 1165, 725, 0, 15},
    {"Small", 0.8, 932, 580, 100, 13},
    {"Large", 1.4, 1631, 1015, 200, 20},
};

// An index outside 0..2 means Medium.
inline const UiSize& uiSizeOf(int index) { return kUiSizes[index >= 0 && index < 3 ? index : 0]; }

}  // namespace calverine
