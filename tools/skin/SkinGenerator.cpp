// Draws every skin image of the editor at its three sizes from vectors, each
// size at its own scale, and writes them as PNG files named by resource id,
// the font image 300, an assembler file that embeds them all (Linux) and a
// resource script that makes them PNG resources (Windows).
//
// Usage: calverine-skin OUTDIR [--preview]
//   --preview also composes the background with every control into
//   OUTDIR/preview-{small,medium,large}.png (part mode, effects page) and
//   preview-*-trimmer.png (trimmer mode, matrix page).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "DrawContext.h"
#include "LayoutTable.h"
#include "SkinArt.h"
#include "SkinIds.h"
#include "UiSizes.h"

using namespace gui;
using namespace calverine;

namespace {

using Images = std::map<int, std::unique_ptr<COffscreenContext>>;  // by Medium id

bool writeAll(const Images& images, int offset, const std::string& dir) {
    for (const auto& [id, image] : images)
        if (!image->writePng(dir + "/" + std::to_string(id + offset) + ".png")) return false;
    return true;
}

// The frame as the editor shows it, knobs at a middle frame, some buttons
// lit: part mode on the effects page, or (`trimmer`) trimmer mode on the
// matrix page.
std::unique_ptr<COffscreenContext> preview(const Images& images, int sizeIndex, bool trimmer) {
    const UiSize& size = uiSizeOf(sizeIndex);
    auto out = COffscreenContext::create(size.width, size.height);
    CDrawContext& c = out->context();
    std::map<int, std::shared_ptr<CBitmap>> bitmaps;
    auto bitmap = [&](int id) -> CBitmap& {
        auto& b = bitmaps[id];
        if (!b) b = images.at(id)->toBitmap();
        return *b;
    };
    auto place = [&](int id, int x, int y) {
        CBitmap& b = bitmap(id);
        const double left = scaled(x, size), top = scaled(y, size);
        c.drawBitmap(b, CRect{left, top, left + b.width(), top + b.height()});
    };
    place(skin::kBackground, 0, 0);
    if (trimmer) {
        place(skin::kPlateTrimmer, 0, 56);
        place(skin::kPlateMatrix, 100, 316);
    }
    forEachControl(kLayout, sizeIndex, [&](const LayoutRecord& r, const ScaledRect& s) {
        const bool lfo2Trim = r.tag >= 155 && r.tag <= 157;
        const bool shown = trimmer ? r.panel != 3 && r.panel != 2 && r.kind != 23
                                   : r.panel != 4 && r.panel != 5 && r.kind != 24 && !lfo2Trim;
        const int id = skin::imageFor(r.kind, r.tag);
        if (!shown || id == 0) return;
        CBitmap& b = bitmap(id);
        const int frames = skin::framesOf(r.kind);
        int frame = 0;
        if (skin::knobFrames(r.kind) || r.kind == 20) frame = frames / 2 + (r.tag * 7) % (frames / 3 + 1);
        else if (frames == 2) frame = r.tag % 3 == 0 ? 1 : 0;
        else if (frames == 3) frame = 2;
        const double h = double(b.height()) / frames;
        const CRect dest{double(s.left), double(s.top), double(s.right), double(s.bottom)};
        c.drawBitmapScaled(b, CRect{0, frame * h, double(b.width()), (frame + 1) * h}, dest);
    });
    return out;
}

// Writes `text` to a temporary file renamed over `path`, so a build never
// sees half a file.
bool replaceFile(const std::string& path, const std::string& text) {
    std::ofstream out(path + ".tmp");
    out << text;
    out.close();
    if (!out) return false;
    std::error_code error;
    std::filesystem::rename(path + ".tmp", path, error);
    return !error;
}

// One .incbin per image and a table of (id, bytes, size) the plug-in walks
// (ELF, for the Linux build).
bool writeAssembler(const std::string& dir, const std::vector<int>& ids) {
    std::ostringstream s;
    const std::string abs = std::filesystem::absolute(dir).string();
    s << "/* Written by calverine-skin: the skin images, embedded. */\n"
         "    .section .rodata.calverine_skin,\"a\"\n";
    for (int id : ids)
        s << ".Limg" << id << ":\n    .incbin \"" << abs << "/" << id << ".png\"\n.Lend" << id << ":\n";
    s << "    .section .data.rel.ro.calverine_skin,\"aw\"\n"
         "    .hidden calverine_skin_images\n"
         "    .hidden calverine_skin_image_count\n"
         "    .balign 8\n"
         "    .globl calverine_skin_images\n"
         "    .globl calverine_skin_image_count\n"
         "calverine_skin_images:\n";
    for (int id : ids) s << "    .quad " << id << ", .Limg" << id << ", .Lend" << id << " - .Limg" << id << "\n";
    s << "calverine_skin_image_count:\n"
         "    .quad "
      << ids.size()
      << "\n"
         "    .section .note.GNU-stack,\"\",@progbits\n";
    return replaceFile(dir + "/skin_images.S", s.str());
}

// One PNG resource per image, named by its id. In a resource script's
// strings a quote is doubled and a backslash escaped.
bool writeResourceScript(const std::string& dir, const std::vector<int>& ids) {
    std::string quoted;
    for (char c : std::filesystem::absolute(dir).string()) {
        if (c == '"') quoted += '"';
        if (c == '\\') quoted += '\\';
        quoted += c;
    }
    std::ostringstream s;
    s << "// Written by calverine-skin: the skin images as PNG resources.\n";
    for (int id : ids) s << id << " PNG \"" << quoted << "/" << id << ".png\"\n";
    return replaceFile(dir + "/skin_images.rc", s.str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: calverine-skin OUTDIR [--preview]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool withPreview = argc > 2 && std::string(argv[2]) == "--preview";
    std::filesystem::create_directories(dir);

    std::vector<int> ids;
    const char* names[3] = {"medium", "small", "large"};
    for (int index : {1, 0, 2}) {
        const UiSize& size = uiSizeOf(index);
        const Images images = skin::drawImages(index);
        if (int(images.size()) != skin::kImageCount) {
            std::fprintf(stderr, "calverine-skin: %zu images at %s\n", images.size(), size.name);
            return 1;
        }
        if (!writeAll(images, size.bitmapOffset, dir)) {
            std::fprintf(stderr, "calverine-skin: cannot write into %s\n", dir.c_str());
            return 1;
        }
        for (const auto& entry : images) ids.push_back(entry.first + size.bitmapOffset);
        if (withPreview) {
            const std::string base = dir + "/preview-" + names[index];
            if (!preview(images, index, false)->writePng(base + ".png")) return 1;
            if (!preview(images, index, true)->writePng(base + "-trimmer.png")) return 1;
        }
    }
    if (!skin::drawFontImage()->writePng(dir + "/" + std::to_string(skin::kFontImage) + ".png")) return 1;
    ids.push_back(skin::kFontImage);
    if (!writeAssembler(dir, ids) || !writeResourceScript(dir, ids)) {
        std::fprintf(stderr, "calverine-skin: cannot write skin_images.S and skin_images.rc\n");
        return 1;
    }
    return 0;
}
