// The editor's three sizes. Every layout coordinate is multiplied by the
// scale and floored; each size has its own bitmap ids and font size.
#pragma once

#include <cmath>
#include <span>

#include "LayoutTable.h"

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

// A Medium coordinate at `size`: multiplied by the scale and floored. The
// scales are whole tenths, so the product is taken exactly in integers
// (1.4 has no exact binary form, and 45 * 1.4 would floor to 62).
inline int scaled(int medium, const UiSize& size) {
    const int tenths = static_cast<int>(std::lround(size.scale * 10));
    const int product = medium * tenths;
    return product >= 0 ? product / 10 : -((-product + 9) / 10);
}

struct ScaledRect {
    int left, top, right, bottom;
    bool operator==(const ScaledRect&) const = default;
};

// A record's rectangle at the size with index `sizeIndex`. At Small the
// step editor (kind 27) sits 2 px further right.
inline ScaledRect scaled(const LayoutRecord& record, int sizeIndex) {
    const UiSize& size = uiSizeOf(sizeIndex);
    ScaledRect r{scaled(record.left, size), scaled(record.top, size), scaled(record.right, size),
                 scaled(record.bottom, size)};
    constexpr int kSmall = 1, kBarDisplayKind = 27;
    if (sizeIndex == kSmall && record.kind == kBarDisplayKind) {
        r.left += 2;
        r.right += 2;
    }
    return r;
}

// Calls f(record, rect) for every record that makes a control, in table
// order, with its rectangle at `sizeIndex`; records with tag -1 are skipped.
template <class F>
void forEachControl(std::span<const LayoutRecord> records, int sizeIndex, F&& f) {
    for (const LayoutRecord& record : records)
        if (record.tag != -1) f(record, scaled(record, sizeIndex));
}

}  // namespace calverine
