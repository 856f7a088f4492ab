// The drawings of the skin: every image of one size, drawn from vectors at
// that size's own scale, and the font image.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DrawContext.h"

namespace calverine::skin {

// The 54 images of the size with index `sizeIndex` (0 Medium, 1 Small,
// 2 Large), keyed by their Medium id.
std::map<int, std::unique_ptr<gui::COffscreenContext>> drawImages(int sizeIndex);

// The font image: 92 glyphs of DejaVu Sans side by side, each closed by a
// marker pixel in the first row.
std::unique_ptr<gui::COffscreenContext> drawFontImage();
extern const char* const kFontGlyphs[92];

// A label as drawn on the background: its box in frame pixels, its text
// colour and the plate under it.
struct DrawnLabel {
    std::string text;
    gui::CRect box;
    gui::CColor ink;
    gui::CColor plate;
};
std::vector<DrawnLabel> backgroundLabels(int sizeIndex);

}  // namespace calverine::skin
