#include "GdiplusContext.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "win32/Wide.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace gui {

namespace {

// The sans-serif font every Wine prefix has, for a family Windows lacks.
constexpr const wchar_t* kFallbackFamily = L"Tahoma";

std::wstring wide(std::string_view utf8) { return platform::win32::widen(std::string(utf8)); }

}  // namespace

bool gdiplusReady() {
    static const bool started = [] {
        GdiplusStartupInput input;
        ULONG_PTR token = 0;
        return GdiplusStartup(&token, &input, nullptr) == Ok;
    }();
    return started;
}

GdiplusDrawContext::GdiplusDrawContext(GpGraphics* graphics) : graphics_(graphics) {
    GdipSetSmoothingMode(graphics_, SmoothingModeAntiAlias);
    // Pixel (x, y) covers [x, x + 1) x [y, y + 1), as in cairo.
    GdipSetPixelOffsetMode(graphics_, PixelOffsetModeHalf);
    GdipSetTextRenderingHint(graphics_, TextRenderingHintAntiAlias);
    GdipSetCompositingMode(graphics_, CompositingModeSourceOver);
    // Typographic: no padding around the text, so widths and positions are
    // the glyphs' advances; one line, never clipped to the layout box.
    GpStringFormat* typographic = nullptr;
    if (GdipStringFormatGetGenericTypographic(&typographic) == Ok &&
        GdipCloneStringFormat(typographic, &format_) == Ok) {
        GdipSetStringFormatFlags(format_, StringFormatFlagsNoWrap | StringFormatFlagsNoClip |
                                              StringFormatFlagsMeasureTrailingSpaces);
    }
}

GdiplusDrawContext::~GdiplusDrawContext() {
    if (font_) GdipDeleteFont(font_);
    if (format_) GdipDeleteStringFormat(format_);
}

void GdiplusDrawContext::begin() {
    GdipResetWorldTransform(graphics_);
    GdipTranslateWorldTransform(graphics_, REAL(origin().x), REAL(origin().y), MatrixOrderPrepend);
}

ARGB GdiplusDrawContext::argb(CColor c) const {
    const Rgba v = premix(c);
    const auto byte = [](double x) { return ARGB(std::lround(std::clamp(x, 0.0, 1.0) * 255)); };
    return byte(v.a) << 24 | byte(v.r) << 16 | byte(v.g) << 8 | byte(v.b);
}

void GdiplusDrawContext::paintPath(GpPath* path, DrawStyle style) {
    if (style != DrawStyle::Stroked) {
        GpSolidFill* brush = nullptr;
        GdipCreateSolidFill(argb(fillColor()), &brush);
        GdipFillPath(graphics_, brush, path);
        GdipDeleteBrush(brush);
    }
    if (style != DrawStyle::Filled) {
        GpPen* pen = nullptr;
        GdipCreatePen1(argb(frameColor()), REAL(lineWidth()), UnitWorld, &pen);
        GdipDrawPath(graphics_, pen, path);
        GdipDeletePen(pen);
    }
    GdipDeletePath(path);
}

CRect GdiplusDrawContext::strokeRect(const CRect& r, DrawStyle style) const {
    if (style == DrawStyle::Filled) return r;
    const double half = lineWidth() / 2;
    return r.inset(half, half);
}

void GdiplusDrawContext::applyClip(const CRect& deviceRect) {
    GdipResetWorldTransform(graphics_);
    GdipSetClipRect(graphics_, REAL(deviceRect.left), REAL(deviceRect.top), REAL(std::max(0.0, deviceRect.width())),
                    REAL(std::max(0.0, deviceRect.height())), CombineModeReplace);
}

void GdiplusDrawContext::backendSave() {
    GraphicsState state = 0;
    GdipSaveGraphics(graphics_, &state);
    saved_.push_back(state);
}

void GdiplusDrawContext::backendRestore() {
    if (saved_.empty()) return;
    GdipRestoreGraphics(graphics_, saved_.back());
    saved_.pop_back();
}

void GdiplusDrawContext::drawRect(const CRect& rect, DrawStyle style) {
    begin();
    const CRect r = strokeRect(rect, style);
    GpPath* path = nullptr;
    GdipCreatePath(FillModeAlternate, &path);
    GdipAddPathRectangle(path, REAL(r.left), REAL(r.top), REAL(r.width()), REAL(r.height()));
    paintPath(path, style);
}

void GdiplusDrawContext::drawRoundRect(const CRect& rect, double radius, DrawStyle style) {
    const double k = std::min(radius, std::min(rect.width(), rect.height()) / 2);
    if (k <= 0) {
        drawRect(rect, style);
        return;
    }
    begin();
    const CRect r = strokeRect(rect, style);
    const double d = 2 * std::min(k, std::min(r.width(), r.height()) / 2);
    if (d <= 0) return;
    GpPath* path = nullptr;
    GdipCreatePath(FillModeAlternate, &path);
    GdipAddPathArc(path, REAL(r.right - d), REAL(r.top), REAL(d), REAL(d), 270, 90);
    GdipAddPathArc(path, REAL(r.right - d), REAL(r.bottom - d), REAL(d), REAL(d), 0, 90);
    GdipAddPathArc(path, REAL(r.left), REAL(r.bottom - d), REAL(d), REAL(d), 90, 90);
    GdipAddPathArc(path, REAL(r.left), REAL(r.top), REAL(d), REAL(d), 180, 90);
    GdipClosePathFigure(path);
    paintPath(path, style);
}

void GdiplusDrawContext::drawEllipse(const CRect& r, DrawStyle style) { drawArc(r, 0, 360, style); }

void GdiplusDrawContext::drawLine(CPoint from, CPoint to) {
    begin();
    // As in cairo: a one-pixel horizontal or vertical line on whole
    // coordinates goes onto the pixel centres.
    const bool odd = std::fmod(std::round(lineWidth()), 2.0) == 1.0;
    if (odd && from.y == to.y) from.y = to.y = from.y + 0.5;
    if (odd && from.x == to.x) from.x = to.x = from.x + 0.5;
    GpPen* pen = nullptr;
    GdipCreatePen1(argb(frameColor()), REAL(lineWidth()), UnitWorld, &pen);
    GdipDrawLine(graphics_, pen, REAL(from.x), REAL(from.y), REAL(to.x), REAL(to.y));
    GdipDeletePen(pen);
}

void GdiplusDrawContext::drawPolygon(const std::vector<CPoint>& points, DrawStyle style) {
    if (points.size() < 2) return;
    begin();
    std::vector<PointF> corners;
    for (const CPoint& p : points) corners.push_back(PointF(REAL(p.x), REAL(p.y)));
    GpPath* path = nullptr;
    GdipCreatePath(FillModeAlternate, &path);
    GdipAddPathPolygon(path, corners.data(), INT(corners.size()));
    paintPath(path, style);
}

void GdiplusDrawContext::drawArc(const CRect& bounds, double startDegrees, double endDegrees, DrawStyle style) {
    const CRect r = strokeRect(bounds, style);
    if (r.empty()) return;
    begin();
    // The unit circle scaled into the rectangle, as cairo draws it: the
    // angles are those of the circle before scaling, 0 at three o'clock,
    // growing clockwise; the end comes after the start.
    const bool full = std::fabs(endDegrees - startDegrees) >= 360;
    double sweep = endDegrees - startDegrees;
    while (sweep < 0) sweep += 360;
    GpPath* path = nullptr;
    GdipCreatePath(FillModeAlternate, &path);
    if (full)
        GdipAddPathEllipse(path, -1, -1, 2, 2);
    else if (style == DrawStyle::Stroked)
        GdipAddPathArc(path, -1, -1, 2, 2, REAL(startDegrees), REAL(sweep));
    else
        GdipAddPathPie(path, -1, -1, 2, 2, REAL(startDegrees), REAL(sweep));
    // The path is scaled, not the pen: the line width stays in pixels.
    const CPoint c = r.center();
    GpMatrix* matrix = nullptr;
    GdipCreateMatrix2(REAL(r.width() / 2), 0, 0, REAL(r.height() / 2), REAL(c.x), REAL(c.y), &matrix);
    GdipTransformPath(path, matrix);
    GdipDeleteMatrix(matrix);
    paintPath(path, style);
}

GpFont* GdiplusDrawContext::selectFont(double* ascent) {
    if (!font_ || !(fontDesc_ == font())) {
        if (font_) GdipDeleteFont(font_);
        font_ = nullptr;
        fontDesc_ = font();
        GpFontFamily* family = nullptr;
        if (GdipCreateFontFamilyFromName(wide(fontDesc_.family).c_str(), nullptr, &family) != Ok)
            GdipCreateFontFamilyFromName(kFallbackFamily, nullptr, &family);
        if (family) {
            const INT style = fontDesc_.bold ? FontStyleBold : FontStyleRegular;
            UINT16 em = 0, cellAscent = 0;
            GdipGetEmHeight(family, style, &em);
            GdipGetCellAscent(family, style, &cellAscent);
            fontAscent_ = em ? fontDesc_.size * cellAscent / em : fontDesc_.size;
            GdipCreateFont(family, REAL(fontDesc_.size), style, UnitPixel, &font_);
            GdipDeleteFontFamily(family);
        }
    }
    if (ascent) *ascent = fontAscent_;
    return font_;
}

double GdiplusDrawContext::stringWidth(std::string_view utf8) {
    GpFont* font = selectFont(nullptr);
    const std::wstring text = wide(utf8);
    if (!font || text.empty()) return 0;
    const RectF layout(0, 0, 1e6f, 1e6f);
    RectF bounds;
    GdipMeasureString(graphics_, text.c_str(), INT(text.size()), font, &layout, format_, &bounds, nullptr, nullptr);
    return bounds.Width;
}

void GdiplusDrawContext::drawString(std::string_view utf8, const CRect& box, HoriAlign align) {
    double ascent = 0;
    GpFont* font = selectFont(&ascent);
    const std::wstring text = wide(utf8);
    if (!font || text.empty()) return;
    const double width = stringWidth(utf8);
    begin();
    double x = box.left;
    if (align == HoriAlign::Center) x = box.left + (box.width() - width) / 2;
    if (align == HoriAlign::Right) x = box.right - width;
    // The baseline where cairo puts it: the font's ascent and descent
    // centred in the box. GDI+ lays the first line's top at the rectangle.
    UINT16 em = 0, cellDescent = 0;
    GpFontFamily* family = nullptr;
    GdipGetFamily(font, &family);
    const INT style = fontDesc_.bold ? FontStyleBold : FontStyleRegular;
    GdipGetEmHeight(family, style, &em);
    GdipGetCellDescent(family, style, &cellDescent);
    GdipDeleteFontFamily(family);
    const double descent = em ? fontDesc_.size * cellDescent / em : 0;
    const double baseline = std::round(box.top + (box.height() + ascent - descent) / 2);
    const RectF layout(REAL(std::round(x)), REAL(baseline - ascent), 1e6f, 1e6f);
    GpSolidFill* brush = nullptr;
    GdipCreateSolidFill(argb(fontColor()), &brush);
    GdipDrawString(graphics_, text.c_str(), INT(text.size()), font, &layout, format_, brush);
    GdipDeleteBrush(brush);
}

void GdiplusDrawContext::drawBitmap(CBitmap& bitmap, const CRect& dest, CPoint sourceOffset, float alpha) {
    drawBitmapScaled(bitmap, CRect::fromSize(sourceOffset.x, sourceOffset.y, dest.width(), dest.height()), dest,
                     alpha);
}

void GdiplusDrawContext::drawBitmapScaled(CBitmap& bitmap, const CRect& source, const CRect& dest, float alpha) {
    if (source.empty() || dest.empty()) return;
    auto& image = static_cast<GdiplusBitmap&>(bitmap.platform());
    // GDI+ reads the pixels where they are; nothing writes to them.
    GpBitmap* gp = nullptr;
    if (GdipCreateBitmapFromScan0(image.width(), image.height(), image.width() * 4, PixelFormat32bppPARGB,
                                  reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(image.pixels().data())),
                                  &gp) != Ok)
        return;
    begin();
    // The opacity as a colour matrix; edges repeat mirrored, so a scaled
    // frame neither fades at its border nor borrows from its neighbour.
    GpImageAttributes* attributes = nullptr;
    GdipCreateImageAttributes(&attributes);
    ColorMatrix opacity = {{{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}}};
    opacity.m[3][3] = REAL(alpha * globalAlpha());
    if (opacity.m[3][3] < 1)
        GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeDefault, TRUE, &opacity, nullptr,
                                          ColorMatrixFlagsDefault);
    GdipSetImageAttributesWrapMode(attributes, WrapModeTileFlipXY, 0, FALSE);
    const bool unscaled = dest.width() == source.width() && dest.height() == source.height();
    // Unscaled filmstrip frames stay pixel-exact; scaled images are smoothed.
    GdipSetInterpolationMode(graphics_, unscaled ? InterpolationModeNearestNeighbor
                                                 : InterpolationModeHighQualityBilinear);
    GdipDrawImageRectRect(graphics_, gp, REAL(dest.left), REAL(dest.top), REAL(dest.width()), REAL(dest.height()),
                          REAL(source.left), REAL(source.top), REAL(source.width()), REAL(source.height()),
                          UnitPixel, attributes, nullptr, nullptr);
    GdipDisposeImageAttributes(attributes);
    GdipDisposeImage(gp);
}

}  // namespace gui
