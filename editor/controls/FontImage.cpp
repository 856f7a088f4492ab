#include "FontImage.h"

#include <cstdio>

#include "Messages.h"

namespace calverine {

namespace {

constexpr int kMarkerLevel = 120;
constexpr int kTracking = 1;  // pixels of the picture between glyphs

bool isMarker(gui::CColor c) {
    return c.red > kMarkerLevel && c.green > kMarkerLevel && c.blue > kMarkerLevel;
}

// The code points of `utf8`; a broken sequence gives one 0xFFFD.
std::vector<char32_t> decode(std::string_view utf8) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool ok = length > 0 && i + std::size_t(length) <= utf8.size();
        for (int k = 1; ok && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(utf8[i + std::size_t(k)]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        out.push_back(ok ? c : 0xFFFD);
        i += ok ? std::size_t(length) : 1;
    }
    return out;
}

}  // namespace

std::vector<FontImage::Glyph> FontImage::findGlyphs(const gui::COffscreenContext& pixels) {
    std::vector<Glyph> glyphs;
    int start = 0;
    for (int x = 0; x < pixels.width() && int(glyphs.size()) < kGlyphCount; ++x) {
        if (!isMarker(pixels.pixel(x, 0))) continue;
        glyphs.push_back(Glyph{start, x - start});
        start = x + 1;
    }
    return glyphs;
}

void FontImage::load(std::shared_ptr<gui::CBitmap> image) {
    image_ = std::move(image);
    glyphs_.clear();
    if (!image_) return;
    // The canvas gives no direct access to a bitmap's pixels: draw it
    // unscaled into memory and read the first row there.
    if (auto pixels = gui::COffscreenContext::create(image_->width(), image_->height())) {
        pixels->context().drawBitmap(*image_, gui::CRect{0, 0, double(image_->width()), double(image_->height())});
        glyphs_ = findGlyphs(*pixels);
    }
    if (int(glyphs_.size()) != kGlyphCount) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "The font image must contains %d elements (found %d).\nThe texts may be drawed incorrectly!",
                      kGlyphCount, int(glyphs_.size()));
        platform::showMessage("The font image error", text, platform::MessageIcon::Error);
    }
}

std::vector<int> FontImage::glyphIndices(std::string_view utf8) {
    static const int kStar = int(kOrder.find('*'));
    std::vector<int> indices;
    for (char32_t c : decode(utf8)) {
        const std::size_t at = c > 0 && c < 0x80 ? kOrder.find(char(c)) : std::string_view::npos;
        indices.push_back(at == std::string_view::npos ? kStar : int(at));
    }
    return indices;
}

int FontImage::kerning(int leftGlyph, int rightGlyph) {
    // Pairs whose shapes leave a hole between them move closer together.
    static constexpr std::string_view kOverhanging = "TVWYFP/";
    static constexpr std::string_view kLow = "aceosu.,_";
    const char a = kOrder[std::size_t(leftGlyph)], b = kOrder[std::size_t(rightGlyph)];
    if (kOverhanging.find(a) != std::string_view::npos && kLow.find(b) != std::string_view::npos) return -2;
    if ((a == 'L' && (b == 'T' || b == 'V' || b == 'Y')) || (a == 'A' && (b == 'V' || b == 'T' || b == 'Y')) ||
        ((a == 'V' || a == 'T' || a == 'Y') && b == 'A'))
        return -2;
    return 0;
}

template <class Place>
double FontImage::layout(std::string_view utf8, double height, Place&& place) const {
    if (!image_ || image_->height() <= 0) return 0;
    const double scale = height / image_->height();
    double x = 0;
    int previous = -1;
    for (int g : glyphIndices(utf8)) {
        if (g >= glyphCount()) continue;  // a short picture lacks the glyph
        if (previous >= 0) x += (kTracking + kerning(previous, g)) * scale;
        const Glyph& glyph = glyphs_[std::size_t(g)];
        place(glyph, x, glyph.width * scale);
        x += glyph.width * scale;
        previous = g;
    }
    return x;
}

double FontImage::textWidth(std::string_view utf8, double height) const {
    return layout(utf8, height, [](const Glyph&, double, double) {});
}

void FontImage::drawText(gui::CDrawContext& context, gui::CPoint topLeft, std::string_view utf8,
                         double height) const {
    layout(utf8, height, [&](const Glyph& glyph, double x, double width) {
        if (glyph.width > 0)
            context.drawBitmapScaled(*image_, gui::CRect::fromSize(glyph.left, 0, glyph.width, image_->height()),
                                     gui::CRect::fromSize(topLeft.x + x, topLeft.y, width, height));
    });
}

}  // namespace calverine
