// The GDI+ backend of the canvas (Windows), drawing like the cairo backend:
// the same pixel grid (pixel centres on half coordinates), antialiased
// shapes and grayscale antialiased text. Only this folder includes GDI+;
// views see CDrawContext.
#pragma once

#include <windows.h>
// windows.h first: gdiplus.h needs its types.
#include <gdiplus.h>

#include <cstdint>
#include <vector>

#include "../DrawContext.h"

namespace gui {

// Starts GDI+ on first use, once per process (never from DllMain). It is
// left running until the process ends: the only moment a DLL could stop it
// at unload is DllMain, where GDI+ must not be called. No GDI+ object
// outlives its user: bitmaps keep their pixels in plain memory.
bool gdiplusReady();

// Premultiplied BGRA pixels, top row first (GDI+'s 32bppPARGB).
class GdiplusBitmap : public PlatformBitmap {
public:
    GdiplusBitmap(int width, int height, std::vector<std::uint32_t> pixels)
        : width_(width), height_(height), pixels_(std::move(pixels)) {}

    int width() const override { return width_; }
    int height() const override { return height_; }
    const std::vector<std::uint32_t>& pixels() const { return pixels_; }

private:
    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
};

// Draws on a GDI+ graphics it does not own (an image's or a window's).
class GdiplusDrawContext : public CDrawContext {
public:
    explicit GdiplusDrawContext(Gdiplus::GpGraphics* graphics);
    ~GdiplusDrawContext() override;
    GdiplusDrawContext(const GdiplusDrawContext&) = delete;
    GdiplusDrawContext& operator=(const GdiplusDrawContext&) = delete;

    void drawRect(const CRect& r, DrawStyle style) override;
    void drawRoundRect(const CRect& r, double radius, DrawStyle style) override;
    void drawEllipse(const CRect& r, DrawStyle style) override;
    void drawLine(CPoint from, CPoint to) override;
    void drawPolygon(const std::vector<CPoint>& points, DrawStyle style) override;
    void drawArc(const CRect& bounds, double startDegrees, double endDegrees, DrawStyle style) override;
    void drawString(std::string_view utf8, const CRect& box, HoriAlign align) override;
    double stringWidth(std::string_view utf8) override;
    void drawBitmap(CBitmap& bitmap, const CRect& dest, CPoint sourceOffset, float alpha) override;
    void drawBitmapScaled(CBitmap& bitmap, const CRect& source, const CRect& dest, float alpha) override;

protected:
    void applyClip(const CRect& deviceRect) override;
    void backendSave() override;
    void backendRestore() override;

private:
    void begin();  // the origin as the world transform
    Gdiplus::ARGB argb(CColor c) const;
    // Fills and/or strokes `path`, then deletes it.
    void paintPath(Gdiplus::GpPath* path, DrawStyle style);
    // A rectangle moved inward by half the line width when stroked.
    CRect strokeRect(const CRect& r, DrawStyle style) const;
    // The current font (null when no family can be found) and its ascent in pixels.
    Gdiplus::GpFont* selectFont(double* ascent);

    Gdiplus::GpGraphics* graphics_;
    Gdiplus::GpStringFormat* format_ = nullptr;
    std::vector<Gdiplus::GraphicsState> saved_;
    Gdiplus::GpFont* font_ = nullptr;
    CFontDesc fontDesc_;
    double fontAscent_ = 0;
};

}  // namespace gui
