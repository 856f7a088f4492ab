// Points, rectangles and colours of the widget toolkit. Coordinates are in
// pixels of the frame, as doubles so that scaled layouts keep their fractions
// until a view floors them.
#pragma once

#include <algorithm>
#include <cstdint>

namespace gui {

struct CPoint {
    double x = 0;
    double y = 0;

    CPoint operator+(CPoint o) const { return {x + o.x, y + o.y}; }
    CPoint operator-(CPoint o) const { return {x - o.x, y - o.y}; }
    bool operator==(const CPoint&) const = default;
};

struct CRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    static CRect fromSize(double x, double y, double width, double height) {
        return {x, y, x + width, y + height};
    }

    double width() const { return right - left; }
    double height() const { return bottom - top; }
    CPoint topLeft() const { return {left, top}; }
    CPoint center() const { return {(left + right) / 2, (top + bottom) / 2}; }
    bool empty() const { return right <= left || bottom <= top; }

    // Half-open: the right and bottom edges belong to the neighbour.
    bool contains(CPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }

    CRect offset(double dx, double dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    CRect offset(CPoint d) const { return offset(d.x, d.y); }
    CRect inset(double dx, double dy) const { return {left + dx, top + dy, right - dx, bottom - dy}; }

    // The common part; empty (all zero) when they do not meet.
    CRect intersect(const CRect& o) const {
        CRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
        return r.empty() ? CRect{} : r;
    }
    // The smallest rectangle holding both; an empty side is ignored.
    CRect unite(const CRect& o) const {
        if (o.empty()) return *this;
        if (empty()) return o;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    bool operator==(const CRect&) const = default;
};

struct CColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    static constexpr CColor rgb(std::uint32_t hex, std::uint8_t alpha = 255) {
        return {std::uint8_t(hex >> 16), std::uint8_t(hex >> 8), std::uint8_t(hex), alpha};
    }
    bool operator==(const CColor&) const = default;
};

}  // namespace gui
