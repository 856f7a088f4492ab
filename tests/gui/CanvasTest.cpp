#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "DrawContext.h"

using namespace gui;

namespace {

constexpr CColor kRed{255, 0, 0, 255};
constexpr CColor kBlue{0, 0, 255, 255};

std::unique_ptr<COffscreenContext> canvas(int w = 40, int h = 30) {
    auto image = COffscreenContext::create(w, h);
    EXPECT_NE(image, nullptr);
    return image;
}

int countPixels(const COffscreenContext& image, CColor c) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == c;
    return n;
}

}  // namespace

TEST(Canvas, ShapesCoverTheirRectanglesAndStrokesStayInside) {
    auto image = canvas();
    CDrawContext& dc = image->context();
    dc.setFillColor(kRed);
    dc.drawRect(CRect{2, 3, 12, 8});
    EXPECT_EQ(countPixels(*image, kRed), 10 * 5);
    EXPECT_EQ(image->pixel(2, 3), kRed);
    EXPECT_EQ(image->pixel(12, 3).alpha, 0);

    // A stroked 2-pixel frame keeps its line inside the rectangle.
    dc.setFrameColor(kBlue);
    dc.setLineWidth(2);
    dc.drawRect(CRect{20, 10, 30, 20}, DrawStyle::Stroked);
    EXPECT_EQ(image->pixel(20, 10), kBlue);
    EXPECT_EQ(image->pixel(29, 19), kBlue);
    EXPECT_EQ(image->pixel(30, 20).alpha, 0);
    EXPECT_EQ(image->pixel(25, 15).alpha, 0);
    EXPECT_EQ(countPixels(*image, kBlue), 100 - 36);

    // A one-pixel horizontal line covers one row exactly.
    auto line = canvas();
    line->context().setFrameColor(kBlue);
    line->context().drawLine({0, 5}, {40, 5});
    EXPECT_EQ(countPixels(*line, kBlue), 40);
}

TEST(Canvas, OriginClipAndSavedStateNest) {
    auto image = canvas();
    CDrawContext& dc = image->context();
    dc.saveState();
    dc.translate({10, 10});
    dc.clip(CRect{0, 0, 5, 5});
    dc.setFillColor(kRed);
    dc.drawRect(CRect{-10, -10, 30, 30});
    EXPECT_EQ(dc.clipRect(), (CRect{0, 0, 5, 5}));
    dc.restoreState();
    EXPECT_EQ(countPixels(*image, kRed), 25);
    EXPECT_EQ(image->pixel(10, 10), kRed);
    EXPECT_EQ(image->pixel(9, 10).alpha, 0);

    // After the restore the whole image is drawable again, in black.
    dc.drawRect(CRect{0, 0, 40, 30});
    EXPECT_EQ(countPixels(*image, CColor{0, 0, 0, 255}), 40 * 30);
}

TEST(Canvas, ArcsPiesAndGlobalAlpha) {
    auto image = canvas(41, 41);
    CDrawContext& dc = image->context();
    dc.setFillColor(kRed);
    // The lower-right quarter (clockwise from three to six o'clock).
    dc.drawArc(CRect{0, 0, 41, 41}, 0, 90, DrawStyle::Filled);
    EXPECT_EQ(image->pixel(30, 30), kRed);
    EXPECT_EQ(image->pixel(10, 30).alpha, 0);
    EXPECT_EQ(image->pixel(30, 10).alpha, 0);

    dc.setGlobalAlpha(0.5f);
    dc.setFillColor(kBlue);
    dc.drawEllipse(CRect{0, 0, 41, 41});
    const CColor half = image->pixel(10, 10);
    EXPECT_NEAR(half.alpha, 128, 1);
    EXPECT_EQ(half.blue, 255);
}

TEST(Canvas, TextIsMeasuredAndDrawnInsideItsBox) {
    auto image = canvas(120, 30);
    CDrawContext& dc = image->context();
    dc.setFont(CFontDesc{"DejaVu Sans", 13, false});
    const double narrow = dc.stringWidth("ii");
    const double wide = dc.stringWidth("WWWW");
    EXPECT_GT(narrow, 3);
    EXPECT_GT(wide, 3 * narrow);
    dc.setFont(CFontDesc{"DejaVu Sans", 26, false});
    EXPECT_NEAR(dc.stringWidth("WWWW"), 2 * wide, 2);

    dc.setFont(CFontDesc{"DejaVu Sans", 13, false});
    dc.setFontColor(kRed);
    dc.drawString("Cutoff", CRect{60, 0, 120, 30}, HoriAlign::Left);
    int inked = 0, outside = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool ink = image->pixel(x, y).alpha > 0;
            inked += ink;
            outside += ink && (x < 60 || y < 5 || y > 25);
        }
    EXPECT_GT(inked, 30);
    EXPECT_EQ(outside, 0);
}

TEST(Canvas, PngRoundTripAndBitmapsDrawSubRectanglesScaled) {
    // A 2×1 strip: left pixel red, right pixel blue.
    auto strip = canvas(2, 1);
    strip->context().setFillColor(kRed);
    strip->context().drawRect(CRect{0, 0, 1, 1});
    strip->context().setFillColor(kBlue);
    strip->context().drawRect(CRect{1, 0, 2, 1});
    const std::vector<std::uint8_t> png = strip->png();
    ASSERT_GT(png.size(), 8u);

    CBitmap::registerResource(7, png.data(), png.size());
    auto bitmap = CBitmap::get(7);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(CBitmap::get(7), bitmap);  // decoded once
    EXPECT_EQ(bitmap->width(), 2);

    auto image = canvas(10, 10);
    // The blue half, scaled to 4×4 at (3, 3).
    image->context().drawBitmapScaled(*bitmap, CRect{1, 0, 2, 1}, CRect{3, 3, 7, 7});
    EXPECT_EQ(countPixels(*image, kBlue), 16);
    EXPECT_EQ(countPixels(*image, kRed), 0);
    // Unscaled from offset (1, 0): one blue pixel; with half alpha.
    image->context().drawBitmap(*bitmap, CRect{0, 0, 1, 1}, {1, 0}, 0.5f);
    EXPECT_NEAR(image->pixel(0, 0).alpha, 128, 1);

    EXPECT_EQ(CBitmap::fromPng("not a png", 9), nullptr);
    EXPECT_EQ(CBitmap::fromPng(png.data(), png.size() / 2), nullptr);
    CBitmap::clearCache();

    const auto path = std::filesystem::temp_directory_path() / "calverine-canvas-test.png";
    ASSERT_TRUE(strip->writePng(path.string()));
    EXPECT_EQ(std::filesystem::file_size(path), png.size());
    std::filesystem::remove(path);
    EXPECT_FALSE(strip->writePng("/nonexistent-folder/x.png"));
}

TEST(Canvas, AWrittenPngReplacesAnOlderFileUnderANameBeyondAscii) {
    auto image = canvas(3, 2);
    image->context().setFillColor(kBlue);
    image->context().drawRect(CRect{0, 0, 3, 2});
    const auto folder = std::filesystem::temp_directory_path() / std::filesystem::path(u8"calverine-écran");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto path = folder / std::filesystem::path(u8"vue ☺.png");
    std::ofstream(path) << "old";
    ASSERT_TRUE(std::filesystem::exists(path));
    const std::u8string name = path.u8string();
    ASSERT_TRUE(image->writePng(std::string(name.begin(), name.end())));

    EXPECT_EQ(std::filesystem::file_size(path), image->png().size());
    // Nothing half-written is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
    std::filesystem::remove_all(folder);
}
