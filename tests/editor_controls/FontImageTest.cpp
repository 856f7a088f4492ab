// The font image: glyph boundaries from the marker row, the message for a
// picture with the wrong number of glyphs, and text drawn glyph by glyph.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "FontImage.h"

using namespace controlstest;
using namespace guitest;
using calverine::FontImage;

namespace {

constexpr int kCell = 10;  // 9 glyph columns and a marker
constexpr int kHeight = 20;

// A font picture with `markers` glyphs: glyph i is a block of red level
// i + 1 below the marker row, closed by a white marker pixel.
std::shared_ptr<CBitmap> fontPicture(int markers) {
    auto image = COffscreenContext::create(92 * kCell, kHeight);
    for (int i = 0; i < 92; ++i) {
        image->context().setFillColor(CColor{std::uint8_t(i + 1), 0, 255, 255});
        image->context().drawRect(CRect::fromSize(i * kCell, 1 + i % 5, kCell - 1, kHeight - 1 - i % 5));
        if (i < markers) {
            image->context().setFillColor(CColor{200, 200, 200, 255});
            image->context().drawRect(CRect::fromSize(i * kCell + kCell - 1, 0, 1, 1));
        }
    }
    return image->toBitmap();
}

std::unique_ptr<COffscreenContext> render(const FontImage& font, std::string_view text) {
    auto image = COffscreenContext::create(200, kHeight);
    font.drawText(image->context(), {0, 0}, text, kHeight);
    return image;
}

}  // namespace

TEST(FontImage, GlyphsComeFromTheMarkersOfTheFirstRow) {
    MessageCatcher messages;
    FontImage font;
    font.load(fontPicture(92));
    EXPECT_TRUE(messages.messages.empty());
    ASSERT_EQ(font.glyphCount(), 92);
    EXPECT_EQ(font.glyphs()[0].left, 0);
    EXPECT_EQ(font.glyphs()[0].width, 9);
    EXPECT_EQ(font.glyphs()[5].left, 50);
    EXPECT_EQ(font.glyphs()[91].left, 910);

    // Markers need all three channels above 120.
    auto image = COffscreenContext::create(30, 4);
    image->context().setFillColor(CColor{121, 121, 121, 255});
    image->context().drawRect(CRect::fromSize(4, 0, 1, 1));
    image->context().setFillColor(CColor{255, 120, 255, 255});
    image->context().drawRect(CRect::fromSize(9, 0, 1, 1));
    image->context().setFillColor(CColor{255, 255, 255, 255});
    image->context().drawRect(CRect::fromSize(20, 0, 1, 1));
    const auto glyphs = FontImage::findGlyphs(*image);
    ASSERT_EQ(glyphs.size(), 2u);
    EXPECT_EQ(glyphs[1].left, 5);
    EXPECT_EQ(glyphs[1].width, 15);
}

TEST(FontImage, AWrongGlyphCountIsReportedAndTheGlyphsFoundAreUsed) {
    MessageCatcher messages;
    FontImage font;
    font.load(fontPicture(91));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].title, "The font image error");
    EXPECT_EQ(messages.messages[0].text,
              "The font image must contains 92 elements (found 91).\nThe texts may be drawed incorrectly!");
    EXPECT_EQ(font.glyphCount(), 91);
    EXPECT_GT(font.textWidth("Abc", kHeight), 0);
}

TEST(FontImage, TextIsDrawnGlyphByGlyphWithUnknownCharactersAsAStar) {
    MessageCatcher messages;
    FontImage font;
    font.load(fontPicture(92));
    const int star = int(FontImage::kOrder.find('*'));
    EXPECT_EQ(FontImage::glyphIndices("A a1 0\""), (std::vector<int>{1, 0, 27, 53, 0, 62, 91}));
    EXPECT_EQ(FontImage::glyphIndices("\xC3\xA9"), std::vector<int>{star});  // é
    EXPECT_EQ(FontImage::glyphIndices("x\xE2\x82\xAC\xFFy"), (std::vector<int>{50, star, star, 51}));

    // "é" looks exactly like "*" and not like "e".
    auto accented = render(font, "\xC3\xA9");
    auto asterisk = render(font, "*");
    auto plain = render(font, "e");
    const CRect all{0, 0, 200, kHeight};
    EXPECT_EQ(changedPixels(*accented, *asterisk, all), 0);
    EXPECT_GT(changedPixels(*accented, *plain, all), 50);
    EXPECT_EQ(accented->pixel(3, 10).red, star + 1);

    // Glyphs sit side by side by width; some pairs move closer.
    auto two = render(font, "AB");
    EXPECT_EQ(two->pixel(3, 10).red, 2);
    EXPECT_EQ(two->pixel(9 + 1 + 3, 10).red, 3);
    EXPECT_DOUBLE_EQ(font.textWidth("AB", kHeight), 9 + 1 + 9);
    EXPECT_LT(font.textWidth("AV", kHeight), font.textWidth("AB", kHeight));
}
