// Images in memory through cairo: PNG decoding for bitmaps, and the
// off-screen canvas with PNG encoding.
#include <cstdio>
#include <cstring>

#include "CairoContext.h"

namespace gui {

namespace {

struct ReadCursor {
    const std::uint8_t* data;
    std::size_t left;
};

cairo_status_t readPng(void* closure, unsigned char* out, unsigned int length) {
    auto* cursor = static_cast<ReadCursor*>(closure);
    if (length > cursor->left) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, cursor->data, length);
    cursor->data += length;
    cursor->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t appendPng(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

class CairoOffscreen : public COffscreenContext {
public:
    CairoOffscreen(cairo_surface_t* surface, cairo_t* cr) : surface_(surface), cr_(cr), context_(cr) {}
    ~CairoOffscreen() override {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    CairoOffscreen(const CairoOffscreen&) = delete;
    CairoOffscreen& operator=(const CairoOffscreen&) = delete;

    CDrawContext& context() override { return context_; }
    int width() const override { return cairo_image_surface_get_width(surface_); }
    int height() const override { return cairo_image_surface_get_height(surface_); }

    CColor pixel(int x, int y) const override {
        if (x < 0 || y < 0 || x >= width() || y >= height()) return {0, 0, 0, 0};
        cairo_surface_flush(surface_);
        const unsigned char* row = cairo_image_surface_get_data(surface_) +
                                   static_cast<std::size_t>(y) * cairo_image_surface_get_stride(surface_);
        std::uint32_t argb;
        std::memcpy(&argb, row + 4 * x, 4);
        const unsigned a = argb >> 24;
        if (a == 0) return {0, 0, 0, 0};
        auto channel = [a](unsigned premultiplied) { return std::uint8_t((premultiplied * 255 + a / 2) / a); };
        return {channel((argb >> 16) & 255), channel((argb >> 8) & 255), channel(argb & 255), std::uint8_t(a)};
    }

    std::vector<std::uint8_t> png() const override {
        std::vector<std::uint8_t> out;
        cairo_surface_flush(surface_);
        if (cairo_surface_write_to_png_stream(surface_, appendPng, &out) != CAIRO_STATUS_SUCCESS) out.clear();
        return out;
    }

    bool writePng(const std::string& path) const override {
        const std::vector<std::uint8_t> bytes = png();
        if (bytes.empty()) return false;
        const std::string temporary = path + ".part";
        std::FILE* file = std::fopen(temporary.c_str(), "wb");
        if (!file) return false;
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
            std::remove(temporary.c_str());
            return false;
        }
        return true;
    }

    std::shared_ptr<CBitmap> toBitmap() const override {
        cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width(), height());
        cairo_t* cr = cairo_create(copy);
        cairo_set_source_surface(cr, surface_, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        return std::make_shared<CBitmap>(std::make_unique<CairoBitmap>(copy));
    }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
    CairoDrawContext context_;
};

}  // namespace

std::shared_ptr<CBitmap> CBitmap::fromPng(const void* bytes, std::size_t size) {
    if (!bytes || size == 0) return nullptr;
    ReadCursor cursor{static_cast<const std::uint8_t*>(bytes), size};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(readPng, &cursor);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return std::make_shared<CBitmap>(std::make_unique<CairoBitmap>(surface));
}

std::unique_ptr<COffscreenContext> COffscreenContext::create(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return std::make_unique<CairoOffscreen>(surface, cairo_create(surface));
}

}  // namespace gui
