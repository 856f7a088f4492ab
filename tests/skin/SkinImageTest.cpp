// The skin as built into the plug-in: every image at every size, filmstrips
// of the right length, the font image's markers and readable labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "DrawContext.h"
#include "LayoutTable.h"
#include "SkinArt.h"
#include "SkinIds.h"
#include "SkinImages.h"
#include "UiSizes.h"

namespace calverine {
namespace {

using gui::CColor;

class SkinImages : public ::testing::Test {
protected:
    static void SetUpTestSuite() { skin::registerImages(); }

    // The decoded pixels of image `id`.
    static std::unique_ptr<gui::COffscreenContext> pixels(int id) {
        auto bitmap = gui::CBitmap::get(id);
        if (!bitmap) return nullptr;
        auto out = gui::COffscreenContext::create(bitmap->width(), bitmap->height());
        out->context().drawBitmap(*bitmap, gui::CRect{0, 0, double(bitmap->width()), double(bitmap->height())});
        return out;
    }
};

TEST_F(SkinImages, EveryIdAtEverySizeAndNoOther) {
    EXPECT_EQ(skin::embeddedImageCount(), 3 * skin::kImageCount + 1);
    for (int index = 0; index < 3; ++index) {
        const UiSize& size = uiSizeOf(index);
        int present = 0;
        for (int id = 1; id <= 84; ++id)
            if (gui::CBitmap::get(id + size.bitmapOffset)) ++present;
        EXPECT_EQ(present, skin::kImageCount) << size.name;
        for (int id = 1; id <= skin::kImageCount; ++id)
            EXPECT_TRUE(gui::CBitmap::get(id + size.bitmapOffset)) << id << " at " << size.name;
        // Every image the layout asks for exists.
        for (const LayoutRecord& r : kLayout)
            EXPECT_TRUE(gui::CBitmap::get(skin::imageFor(r.kind, r.tag) + size.bitmapOffset)) << r.tag;
    }
}

TEST_F(SkinImages, BackgroundsAndPlatesFillTheirBoxes) {
    // Medium boxes of the background and the plates that replace parts of it.
    const std::map<int, std::array<int, 4>> boxes = {
        {skin::kBackground, {0, 0, 1165, 725}},   {skin::kPlatePage0, {100, 316, 820, 725}},
        {skin::kPlateMatrix, {100, 316, 820, 725}}, {skin::kPlateBrowser, {100, 316, 820, 725}},
        {skin::kPlateTrimmer, {0, 56, 1165, 316}}, {skin::kPlatePart, {0, 56, 1165, 316}},
        {skin::kPlateBack, {100, 56, 1165, 725}}};
    for (int index = 0; index < 3; ++index) {
        const UiSize& size = uiSizeOf(index);
        for (const auto& [id, b] : boxes) {
            auto bitmap = gui::CBitmap::get(id + size.bitmapOffset);
            ASSERT_TRUE(bitmap);
            EXPECT_EQ(bitmap->width(), scaled(b[2], size) - scaled(b[0], size)) << id << " " << size.name;
            EXPECT_EQ(bitmap->height(), scaled(b[3], size) - scaled(b[1], size)) << id << " " << size.name;
        }
        EXPECT_EQ(gui::CBitmap::get(skin::kBackground + size.bitmapOffset)->width(), size.width);
    }
}

TEST_F(SkinImages, FilmstripsHoldEveryFrame) {
    // Knob kinds with their diameter at Medium, then the wheel and buttons.
    const std::tuple<int, int, int> strips[] = {
        {5, 48, 48}, {6, 36, 36}, {7, 40, 40}, {8, 40, 40}, {9, 32, 32}, {29, 48, 48}, {30, 48, 48},
        {31, 36, 36}, {20, 28, 128}, {15, 40, 18}, {13, 40, 18}, {12, 36, 22}, {16, 36, 16}, {17, 28, 14},
        {18, 28, 14}, {32, 28, 14}, {2, 18, 16}};
    for (int index = 0; index < 3; ++index) {
        const UiSize& size = uiSizeOf(index);
        for (const auto& [kind, w, h] : strips) {
            auto bitmap = gui::CBitmap::get(skin::imageFor(kind, 0) + size.bitmapOffset);
            ASSERT_TRUE(bitmap) << kind;
            EXPECT_EQ(bitmap->width(), scaled(w, size)) << "kind " << kind << " at " << size.name;
            EXPECT_EQ(bitmap->height(), skin::framesOf(kind) * scaled(h, size)) << "kind " << kind << " at " << size.name;
        }
    }
    EXPECT_EQ(skin::framesOf(5), 187);
    EXPECT_EQ(skin::framesOf(8), 15);
    EXPECT_EQ(skin::framesOf(29), 4);
    EXPECT_EQ(skin::framesOf(30), 64);
    EXPECT_EQ(skin::framesOf(31), 49);
}

TEST_F(SkinImages, KnobFramesMoveTheirPointer) {
    // The first and the last frame of a knob differ; two neighbours of the
    // four-step octave knob too.
    auto strip = pixels(skin::kKnobOctave);
    ASSERT_TRUE(strip);
    const int d = strip->width();
    int differing = 0;
    for (int y = 0; y < d; ++y)
        for (int x = 0; x < d; ++x)
            if (!(strip->pixel(x, y) == strip->pixel(x, y + d))) ++differing;
    EXPECT_GT(differing, d);
}

bool bright(CColor c) { return c.red > 120 && c.green > 120 && c.blue > 120; }

TEST_F(SkinImages, FontImageHas92GlyphsClosedByMarkers) {
    auto font = pixels(skin::kFontImage);
    ASSERT_TRUE(font);
    ASSERT_EQ(font->width(), 2500);
    ASSERT_EQ(font->height(), 64);
    std::vector<int> markers;
    for (int x = 0; x < font->width(); ++x)
        if (bright(font->pixel(x, 0))) markers.push_back(x);
    ASSERT_EQ(markers.size(), 92u);
    // Every glyph but the space has ink, and the capital A is wider than the full stop.
    auto inked = [&](int from, int to) {
        int n = 0;
        for (int x = from; x < to; ++x)
            for (int y = 1; y < 64; ++y) n += font->pixel(x, y).alpha > 128;
        return n;
    };
    int previous = -1;
    for (int i = 0; i < 92; ++i) {
        const int from = previous + 1, to = markers[i];
        EXPECT_GE(to - from, 1) << skin::kFontGlyphs[i];
        if (i > 0) {
            EXPECT_GT(inked(from, to), 0) << skin::kFontGlyphs[i];
        }
        previous = to;
    }
    EXPECT_EQ(inked(0, markers[0]), 0);  // the space
    const int a = markers[1] - markers[0], stop = markers[86] - markers[85];
    EXPECT_EQ(std::string(skin::kFontGlyphs[86]), ".");
    EXPECT_GT(a, stop);
}

// Relative luminance and contrast ratio as the web accessibility rules define them.
double luminance(CColor c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red) + 0.7152 * channel(c.green) + 0.0722 * channel(c.blue);
}
double contrast(CColor a, CColor b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(SkinImages, LabelsStandOutFromTheirPlates) {
    for (int index = 0; index < 3; ++index) {
        const UiSize& size = uiSizeOf(index);
        auto background = pixels(skin::kBackground + size.bitmapOffset);
        ASSERT_TRUE(background);
        const auto labels = skin::backgroundLabels(index);
        EXPECT_GT(labels.size(), 100u);
        for (const skin::DrawnLabel& label : labels) {
            EXPECT_GE(contrast(label.ink, label.plate), 4.5) << label.text;
            // In the picture: the commonest colour of the box is the plate;
            // the text's strongest pixel must stand 4.5:1 away from it.
            std::map<std::uint32_t, int> counts;
            std::vector<CColor> seen;
            for (int y = int(label.box.top); y < int(label.box.bottom); ++y)
                for (int x = int(label.box.left); x < int(label.box.right); ++x) {
                    const CColor c = background->pixel(x, y);
                    ++counts[(c.red << 16) | (c.green << 8) | c.blue];
                    seen.push_back(c);
                }
            ASSERT_FALSE(seen.empty()) << label.text;
            const std::uint32_t plate =
                std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
            const CColor plateColor = CColor::rgb(plate);
            double best = 1;
            for (const CColor& c : seen) best = std::max(best, contrast(c, plateColor));
            EXPECT_GE(best, 4.5) << "'" << label.text << "' at " << size.name;
        }
    }
}

}  // namespace
}  // namespace calverine
