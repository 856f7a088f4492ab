// The cairo backend of the canvas. Only the window layer and this folder
// include cairo; views see CDrawContext.
#pragma once

#include <cairo.h>

#include "../DrawContext.h"

namespace gui {

class CairoBitmap : public PlatformBitmap {
public:
    explicit CairoBitmap(cairo_surface_t* surface) : surface_(surface) {}
    ~CairoBitmap() override { cairo_surface_destroy(surface_); }
    CairoBitmap(const CairoBitmap&) = delete;
    CairoBitmap& operator=(const CairoBitmap&) = delete;

    int width() const override { return cairo_image_surface_get_width(surface_); }
    int height() const override { return cairo_image_surface_get_height(surface_); }
    cairo_surface_t* surface() const { return surface_; }

private:
    cairo_surface_t* surface_;
};

// Draws on a cairo context it does not own (a window's or an image's).
class CairoDrawContext : public CDrawContext {
public:
    explicit CairoDrawContext(cairo_t* cr);

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
    void backendSave() override { cairo_save(cr_); }
    void backendRestore() override { cairo_restore(cr_); }

private:
    void begin();  // the origin as the cairo matrix
    void setColor(CColor c);
    void paintPath(DrawStyle style);
    void selectFont();
    // A rectangle moved inward by half the line width when stroked.
    CRect strokeRect(const CRect& r, DrawStyle style) const;

    cairo_t* cr_;
};

}  // namespace gui
