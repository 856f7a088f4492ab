#include "SkinImages.h"

#include <cstddef>
#include <cstdint>

#include "DrawContext.h"

// The table the generated assembler file lays out next to the PNG bytes.
extern "C" {
struct CalverineSkinImage {
    std::int64_t id;
    const unsigned char* bytes;
    std::int64_t size;
};
extern const CalverineSkinImage calverine_skin_images[];
extern const std::int64_t calverine_skin_image_count;
}

namespace calverine::skin {

void registerImages() {
    for (std::int64_t i = 0; i < calverine_skin_image_count; ++i) {
        const CalverineSkinImage& image = calverine_skin_images[i];
        gui::CBitmap::registerResource(int(image.id), image.bytes, std::size_t(image.size));
    }
}

int embeddedImageCount() { return int(calverine_skin_image_count); }

}  // namespace calverine::skin
