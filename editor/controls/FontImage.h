// Text in the skin's style, drawn glyph by glyph from the font image: one
// picture with 92 glyphs side by side in the order of kOrder. Marker
// pixels in the first row (red, green and blue all above 120) close each
// glyph; a glyph spans from the pixel after the previous marker to its
// own marker, over the whole picture height.
//
// A character outside the table (accented letters too) is drawn as "*".
// Neighbouring glyphs get a small per-pair spacing adjustment.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "DrawContext.h"

namespace calverine {

class FontImage {
public:
    static constexpr int kGlyphCount = 92;
    static constexpr std::string_view kOrder =
        " ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz1234567890!@#$%^&*()_-=+[]{};:\\|/.,<>'\"";
    static_assert(kOrder.size() == kGlyphCount);

    struct Glyph {
        int left;   // first pixel column
        int width;  // columns up to (not including) the marker
    };

    // Finds the glyphs in `image`; when their number is not 92 a message
    // titled "The font image error" says so, and the glyphs found are used.
    void load(std::shared_ptr<gui::CBitmap> image);
    // The glyphs marked in the first row of `pixels` (at most 92).
    static std::vector<Glyph> findGlyphs(const gui::COffscreenContext& pixels);

    bool isLoaded() const { return image_ != nullptr; }
    int glyphCount() const { return int(glyphs_.size()); }
    const std::vector<Glyph>& glyphs() const { return glyphs_; }

    // The glyph index of each character of `utf8`; "*" for the unknown.
    static std::vector<int> glyphIndices(std::string_view utf8);
    // Extra pixels (of the picture) between two glyphs.
    static int kerning(int leftGlyph, int rightGlyph);

    // Width and drawing at `height` pixels; the glyphs are scaled to it.
    double textWidth(std::string_view utf8, double height) const;
    void drawText(gui::CDrawContext& context, gui::CPoint topLeft, std::string_view utf8, double height) const;

private:
    // Places each glyph at x (from 0) with its scaled width; returns the total width.
    template <class Place>
    double layout(std::string_view utf8, double height, Place&& place) const;

    std::shared_ptr<gui::CBitmap> image_;
    std::vector<Glyph> glyphs_;
};

}  // namespace calverine
