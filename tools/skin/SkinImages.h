// The skin images built into the plug-in: PNG bytes embedded at build time,
// registered with the toolkit's bitmap resources by id.
#pragma once

namespace calverine::skin {

// Registers every skin image (Medium, Small, Large and the font image) with
// gui::CBitmap::registerResource. Nothing is read from disk.
void registerImages();

// How many images are built in (54 per size and the font image).
int embeddedImageCount();

}  // namespace calverine::skin
