// The canvas every view draws through. Nothing above it includes a backend
// header: the cairo backend (Linux) and a GDI+ backend (Windows) implement
// the primitive operations, while the drawing state lives here.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Geometry.h"

namespace gui {

class CBitmap;

enum class DrawStyle : std::uint8_t { Stroked, Filled, FilledAndStroked };
enum class HoriAlign : std::uint8_t { Left, Center, Right };

struct CFontDesc {
    std::string family = "DejaVu Sans";
    double size = 13;  // pixels
    bool bold = false;
    bool operator==(const CFontDesc&) const = default;
};

class CDrawContext {
public:
    virtual ~CDrawContext() = default;

    // Colours, line width, font, alpha, origin and clip are saved and
    // restored together.
    void saveState();
    void restoreState();

    void setFillColor(CColor c) { state_.fill = c; }
    void setFrameColor(CColor c) { state_.frame = c; }
    void setFontColor(CColor c) { state_.fontColor = c; }
    void setLineWidth(double w) { state_.lineWidth = w; }
    void setFont(const CFontDesc& f) { state_.font = f; }
    // Multiplies every colour's and bitmap's alpha (for dimmed views).
    void setGlobalAlpha(float a) { state_.globalAlpha = a; }
    CColor fillColor() const { return state_.fill; }
    CColor frameColor() const { return state_.frame; }
    CColor fontColor() const { return state_.fontColor; }
    double lineWidth() const { return state_.lineWidth; }
    const CFontDesc& font() const { return state_.font; }
    float globalAlpha() const { return state_.globalAlpha; }

    // Moves the origin by `by`; views draw in their own coordinates.
    void translate(CPoint by);
    CPoint origin() const { return state_.origin; }
    // Narrows the clip to `rect` (in current coordinates).
    void clip(const CRect& rect);
    // The clip in current coordinates.
    CRect clipRect() const { return state_.clip.offset(-state_.origin.x, -state_.origin.y); }

    // A stroked shape keeps its line inside the rectangle it is given.
    virtual void drawRect(const CRect& r, DrawStyle style = DrawStyle::Filled) = 0;
    virtual void drawRoundRect(const CRect& r, double radius, DrawStyle style = DrawStyle::Filled) = 0;
    virtual void drawEllipse(const CRect& r, DrawStyle style = DrawStyle::Filled) = 0;
    virtual void drawLine(CPoint from, CPoint to) = 0;
    virtual void drawPolygon(const std::vector<CPoint>& points, DrawStyle style = DrawStyle::Filled) = 0;
    // An arc of the ellipse inside `bounds`; angles in degrees, 0 at three
    // o'clock, growing clockwise. Filled draws the pie slice.
    virtual void drawArc(const CRect& bounds, double startDegrees, double endDegrees,
                         DrawStyle style = DrawStyle::Stroked) = 0;

    // One line of UTF-8 text in the current font, centred vertically in `box`.
    virtual void drawString(std::string_view utf8, const CRect& box, HoriAlign align = HoriAlign::Center) = 0;
    virtual double stringWidth(std::string_view utf8) = 0;

    // The bitmap's pixels from `sourceOffset` on, unscaled, into `dest`.
    virtual void drawBitmap(CBitmap& bitmap, const CRect& dest, CPoint sourceOffset = {}, float alpha = 1) = 0;
    // The bitmap's `source` rectangle scaled into `dest`.
    virtual void drawBitmapScaled(CBitmap& bitmap, const CRect& source, const CRect& dest, float alpha = 1) = 0;

protected:
    struct State {
        CColor fill{0, 0, 0, 255};
        CColor frame{0, 0, 0, 255};
        CColor fontColor{255, 255, 255, 255};
        double lineWidth = 1;
        CFontDesc font;
        float globalAlpha = 1;
        CPoint origin;
        CRect clip{-1e9, -1e9, 1e9, 1e9};  // in device coordinates
    };
    // The backend follows the origin and clip.
    virtual void applyClip(const CRect& deviceRect) = 0;
    virtual void backendSave() = 0;
    virtual void backendRestore() = 0;

    const State& state() const { return state_; }
    // `c` with the global alpha applied, as floats 0..1.
    struct Rgba {
        double r, g, b, a;
    };
    Rgba premix(CColor c) const;

private:
    State state_;
    std::vector<State> saved_;
};

// An image to draw on; the backend keeps the pixels. Bitmaps are decoded
// from PNG bytes built into the plug-in and cached per resource id.
class PlatformBitmap {
public:
    virtual ~PlatformBitmap() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
};

class CBitmap {
public:
    explicit CBitmap(std::unique_ptr<PlatformBitmap> image) : image_(std::move(image)) {}

    // Null when the bytes are not a PNG the backend can decode.
    static std::shared_ptr<CBitmap> fromPng(const void* bytes, std::size_t size);

    // Resources: the editor registers the PNG bytes of each id once; get()
    // decodes on first use and keeps the result. The bytes must outlive the
    // registration (they are built into the plug-in).
    static void registerResource(int id, const void* bytes, std::size_t size);
    static std::shared_ptr<CBitmap> get(int id);
    static void clearCache();

    int width() const { return image_->width(); }
    int height() const { return image_->height(); }
    PlatformBitmap& platform() const { return *image_; }

private:
    std::unique_ptr<PlatformBitmap> image_;
};

// Drawing into memory: for tests, screenshots and the skin generator.
class COffscreenContext {
public:
    virtual ~COffscreenContext() = default;
    // Transparent black to begin with. Null when the backend cannot make it.
    static std::unique_ptr<COffscreenContext> create(int width, int height);

    virtual CDrawContext& context() = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // The pixel at (x, y), un-premultiplied; transparent outside.
    virtual CColor pixel(int x, int y) const = 0;
    virtual std::vector<std::uint8_t> png() const = 0;
    // False, with nothing half-written left behind, when the file cannot be written.
    virtual bool writePng(const std::string& path) const = 0;
    // The pixels as a bitmap to draw elsewhere.
    virtual std::shared_ptr<CBitmap> toBitmap() const = 0;
};

}  // namespace gui
