#include "CairoContext.h"

#include <cmath>
#include <string>

namespace gui {

CairoDrawContext::CairoDrawContext(cairo_t* cr) : cr_(cr) {}

void CairoDrawContext::begin() {
    cairo_identity_matrix(cr_);
    cairo_translate(cr_, origin().x, origin().y);
    cairo_new_path(cr_);
}

void CairoDrawContext::setColor(CColor c) {
    const Rgba v = premix(c);
    cairo_set_source_rgba(cr_, v.r, v.g, v.b, v.a);
}

void CairoDrawContext::paintPath(DrawStyle style) {
    if (style != DrawStyle::Stroked) {
        setColor(fillColor());
        if (style == DrawStyle::Filled) {
            cairo_fill(cr_);
            return;
        }
        cairo_fill_preserve(cr_);
    }
    setColor(frameColor());
    cairo_set_line_width(cr_, lineWidth());
    cairo_stroke(cr_);
}

CRect CairoDrawContext::strokeRect(const CRect& r, DrawStyle style) const {
    if (style == DrawStyle::Filled) return r;
    const double half = lineWidth() / 2;
    return r.inset(half, half);
}

void CairoDrawContext::applyClip(const CRect& deviceRect) {
    cairo_identity_matrix(cr_);
    cairo_reset_clip(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, deviceRect.left, deviceRect.top, std::max(0.0, deviceRect.width()),
                    std::max(0.0, deviceRect.height()));
    cairo_clip(cr_);
}

void CairoDrawContext::drawRect(const CRect& rect, DrawStyle style) {
    begin();
    const CRect r = strokeRect(rect, style);
    cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    paintPath(style);
}

void CairoDrawContext::drawRoundRect(const CRect& rect, double radius, DrawStyle style) {
    begin();
    const CRect r = strokeRect(rect, style);
    const double k = std::min(radius, std::min(r.width(), r.height()) / 2);
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, r.right - k, r.top + k, k, -M_PI / 2, 0);
    cairo_arc(cr_, r.right - k, r.bottom - k, k, 0, M_PI / 2);
    cairo_arc(cr_, r.left + k, r.bottom - k, k, M_PI / 2, M_PI);
    cairo_arc(cr_, r.left + k, r.top + k, k, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr_);
    paintPath(style);
}

void CairoDrawContext::drawEllipse(const CRect& r, DrawStyle style) {
    drawArc(r, 0, 360, style);
}

void CairoDrawContext::drawLine(CPoint from, CPoint to) {
    begin();
    // A one-pixel horizontal or vertical line on whole coordinates would
    // smear over two pixel rows; move it onto the pixel centres.
    const bool odd = std::fmod(std::round(lineWidth()), 2.0) == 1.0;
    if (odd && from.y == to.y) from.y = to.y = from.y + 0.5;
    if (odd && from.x == to.x) from.x = to.x = from.x + 0.5;
    cairo_move_to(cr_, from.x, from.y);
    cairo_line_to(cr_, to.x, to.y);
    setColor(frameColor());
    cairo_set_line_width(cr_, lineWidth());
    cairo_stroke(cr_);
}

void CairoDrawContext::drawPolygon(const std::vector<CPoint>& points, DrawStyle style) {
    if (points.size() < 2) return;
    begin();
    cairo_move_to(cr_, points[0].x, points[0].y);
    for (std::size_t i = 1; i < points.size(); ++i) cairo_line_to(cr_, points[i].x, points[i].y);
    cairo_close_path(cr_);
    paintPath(style);
}

void CairoDrawContext::drawArc(const CRect& bounds, double startDegrees, double endDegrees, DrawStyle style) {
    const CRect r = strokeRect(bounds, style);
    if (r.empty()) return;
    begin();
    const CPoint c = r.center();
    const bool full = std::fabs(endDegrees - startDegrees) >= 360;
    cairo_save(cr_);
    cairo_translate(cr_, c.x, c.y);
    cairo_scale(cr_, r.width() / 2, r.height() / 2);
    if (style != DrawStyle::Stroked && !full) cairo_move_to(cr_, 0, 0);
    cairo_arc(cr_, 0, 0, 1, startDegrees * M_PI / 180, endDegrees * M_PI / 180);
    if (style != DrawStyle::Stroked) cairo_close_path(cr_);
    cairo_restore(cr_);  // the line width stays in pixels, not in scaled units
    paintPath(style);
}

void CairoDrawContext::selectFont() {
    cairo_select_font_face(cr_, font().family.c_str(), CAIRO_FONT_SLANT_NORMAL,
                           font().bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, font().size);
}

double CairoDrawContext::stringWidth(std::string_view utf8) {
    selectFont();
    const std::string text(utf8);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, text.c_str(), &extents);
    return extents.x_advance;
}

void CairoDrawContext::drawString(std::string_view utf8, const CRect& box, HoriAlign align) {
    begin();
    selectFont();
    const std::string text(utf8);
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, text.c_str(), &extents);
    cairo_font_extents_t font;
    cairo_font_extents(cr_, &font);
    double x = box.left;
    if (align == HoriAlign::Center) x = box.left + (box.width() - extents.x_advance) / 2;
    if (align == HoriAlign::Right) x = box.right - extents.x_advance;
    const double baseline = box.top + (box.height() + font.ascent - font.descent) / 2;
    cairo_move_to(cr_, std::round(x), std::round(baseline));
    setColor(fontColor());
    cairo_show_text(cr_, text.c_str());
}

void CairoDrawContext::drawBitmap(CBitmap& bitmap, const CRect& dest, CPoint sourceOffset, float alpha) {
    drawBitmapScaled(bitmap, CRect::fromSize(sourceOffset.x, sourceOffset.y, dest.width(), dest.height()),
                     dest, alpha);
}

void CairoDrawContext::drawBitmapScaled(CBitmap& bitmap, const CRect& source, const CRect& dest, float alpha) {
    if (source.empty() || dest.empty()) return;
    auto& image = static_cast<CairoBitmap&>(bitmap.platform());
    begin();
    cairo_save(cr_);
    cairo_rectangle(cr_, dest.left, dest.top, dest.width(), dest.height());
    cairo_clip(cr_);
    const double sx = dest.width() / source.width();
    const double sy = dest.height() / source.height();
    cairo_translate(cr_, dest.left, dest.top);
    cairo_scale(cr_, sx, sy);
    // A sub-surface with padded edges: a scaled frame never borrows pixels
    // from its neighbour in a strip, nor fades at its border.
    cairo_surface_t* part = cairo_surface_create_for_rectangle(image.surface(), source.left, source.top,
                                                               source.width(), source.height());
    cairo_set_source_surface(cr_, part, 0, 0);
    cairo_surface_destroy(part);
    cairo_pattern_t* pattern = cairo_get_source(cr_);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    // Unscaled filmstrip frames stay pixel-exact; scaled images are smoothed.
    cairo_pattern_set_filter(pattern, sx == 1 && sy == 1 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_paint_with_alpha(cr_, alpha * globalAlpha());
    cairo_restore(cr_);
}

}  // namespace gui
