// Images in memory through GDI+: PNG decoding for bitmaps, and the
// off-screen canvas with PNG encoding.
#include <shlwapi.h>

#include <cstdio>
#include <cstring>

#include "GdiplusContext.h"
#include "win32/Wide.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace gui {

namespace {

// The image's pixels as premultiplied BGRA, converted by GDI+ as needed.
std::vector<std::uint32_t> readPixels(GpBitmap* bitmap, int width, int height) {
    std::vector<std::uint32_t> pixels;
    const GpRect all(0, 0, width, height);
    BitmapData data{};
    if (GdipBitmapLockBits(bitmap, &all, ImageLockModeRead, PixelFormat32bppPARGB, &data) != Ok) return pixels;
    pixels.resize(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(&pixels[std::size_t(y) * width], static_cast<const BYTE*>(data.Scan0) + std::ptrdiff_t(y) * data.Stride,
                    std::size_t(width) * 4);
    GdipBitmapUnlockBits(bitmap, &data);
    return pixels;
}

// As in the cairo backend: un-premultiplied, rounded to nearest.
CColor unpremultiply(std::uint32_t argb) {
    const unsigned a = argb >> 24;
    if (a == 0) return {0, 0, 0, 0};
    auto channel = [a](unsigned premultiplied) { return std::uint8_t(std::min(255u, (premultiplied * 255 + a / 2) / a)); };
    return {channel((argb >> 16) & 255), channel((argb >> 8) & 255), channel(argb & 255), std::uint8_t(a)};
}

bool pngEncoder(CLSID* clsid) {
    UINT count = 0, size = 0;
    if (GdipGetImageEncodersSize(&count, &size) != Ok || size == 0) return false;
    std::vector<std::uint8_t> buffer(size);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, size, codecs) != Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

class GdiplusOffscreen : public COffscreenContext {
public:
    GdiplusOffscreen(int width, int height, GpBitmap* bitmap, GpGraphics* graphics)
        : width_(width), height_(height), bitmap_(bitmap), graphics_(graphics), context_(graphics) {}
    ~GdiplusOffscreen() override {
        GdipDeleteGraphics(graphics_);
        GdipDisposeImage(bitmap_);
    }
    GdiplusOffscreen(const GdiplusOffscreen&) = delete;
    GdiplusOffscreen& operator=(const GdiplusOffscreen&) = delete;

    CDrawContext& context() override { return context_; }
    int width() const override { return width_; }
    int height() const override { return height_; }

    CColor pixel(int x, int y) const override {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0, 0};
        GdipFlush(graphics_, FlushIntentionSync);
        const GpRect one(x, y, 1, 1);
        BitmapData data{};
        if (GdipBitmapLockBits(bitmap_, &one, ImageLockModeRead, PixelFormat32bppPARGB, &data) != Ok)
            return {0, 0, 0, 0};
        std::uint32_t argb;
        std::memcpy(&argb, data.Scan0, 4);
        GdipBitmapUnlockBits(bitmap_, &data);
        return unpremultiply(argb);
    }

    std::vector<std::uint8_t> png() const override {
        std::vector<std::uint8_t> out;
        // The encoder gets straight alpha made the way pixel() makes it, so
        // the file holds exactly what pixel() reports.
        std::vector<std::uint32_t> pixels = snapshot();
        for (std::uint32_t& p : pixels) {
            const CColor c = unpremultiply(p);
            p = std::uint32_t(c.alpha) << 24 | std::uint32_t(c.red) << 16 | std::uint32_t(c.green) << 8 | c.blue;
        }
        CLSID clsid;
        GpBitmap* straight = nullptr;
        if (pixels.empty() || !pngEncoder(&clsid) ||
            GdipCreateBitmapFromScan0(width_, height_, width_ * 4, PixelFormat32bppARGB,
                                      reinterpret_cast<BYTE*>(pixels.data()), &straight) != Ok)
            return out;
        IStream* stream = SHCreateMemStream(nullptr, 0);
        if (stream && GdipSaveImageToStream(straight, stream, &clsid, nullptr) == Ok) {
            ULARGE_INTEGER end{};
            LARGE_INTEGER zero{};
            stream->Seek(zero, STREAM_SEEK_END, &end);
            stream->Seek(zero, STREAM_SEEK_SET, nullptr);
            out.resize(std::size_t(end.QuadPart));
            ULONG read = 0;
            if (stream->Read(out.data(), ULONG(out.size()), &read) != S_OK || read != out.size()) out.clear();
        }
        if (stream) stream->Release();
        GdipDisposeImage(straight);
        return out;
    }

    bool writePng(const std::string& path) const override {
        const std::vector<std::uint8_t> bytes = png();
        if (bytes.empty()) return false;
        const std::wstring target = platform::win32::widen(path);
        const std::wstring temporary = target + L".part";
        std::FILE* file = _wfopen(temporary.c_str(), L"wb");
        if (!file) return false;
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (std::fclose(file) != 0 || !written ||
            !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            _wremove(temporary.c_str());
            return false;
        }
        return true;
    }

    std::shared_ptr<CBitmap> toBitmap() const override {
        return std::make_shared<CBitmap>(std::make_unique<GdiplusBitmap>(width_, height_, snapshot()));
    }

private:
    std::vector<std::uint32_t> snapshot() const {
        GdipFlush(graphics_, FlushIntentionSync);
        return readPixels(bitmap_, width_, height_);
    }

    int width_;
    int height_;
    GpBitmap* bitmap_;
    GpGraphics* graphics_;
    GdiplusDrawContext context_;
};

}  // namespace

std::shared_ptr<CBitmap> CBitmap::fromPng(const void* bytes, std::size_t size) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    // GDI+ decodes other formats too; a bitmap here is a PNG.
    if (!bytes || size < sizeof kSignature || std::memcmp(bytes, kSignature, sizeof kSignature) != 0) return nullptr;
    if (!gdiplusReady()) return nullptr;
    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), UINT(size));
    if (!stream) return nullptr;
    std::shared_ptr<CBitmap> result;
    GpBitmap* decoded = nullptr;
    if (GdipCreateBitmapFromStream(stream, &decoded) == Ok) {
        UINT width = 0, height = 0;
        GdipGetImageWidth(decoded, &width);
        GdipGetImageHeight(decoded, &height);
        std::vector<std::uint32_t> pixels = readPixels(decoded, int(width), int(height));
        if (width > 0 && height > 0 && !pixels.empty())
            result = std::make_shared<CBitmap>(std::make_unique<GdiplusBitmap>(int(width), int(height), std::move(pixels)));
        GdipDisposeImage(decoded);
    }
    stream->Release();
    return result;
}

std::unique_ptr<COffscreenContext> COffscreenContext::create(int width, int height) {
    if (width <= 0 || height <= 0 || !gdiplusReady()) return nullptr;
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr, &bitmap) != Ok) return nullptr;
    GpGraphics* graphics = nullptr;
    if (GdipGetImageGraphicsContext(bitmap, &graphics) != Ok) {
        GdipDisposeImage(bitmap);
        return nullptr;
    }
    GdipGraphicsClear(graphics, 0);
    return std::make_unique<GdiplusOffscreen>(width, height, bitmap, graphics);
}

}  // namespace gui
