// What the user drops onto the editor: file paths, or the host's XML text
// naming files (DropReader). Each named file goes into the patch library:
// a folder or a ZIP archive becomes a new soundbank, a patch file is copied
// into the selected place and loaded. The selected place is the browser's
// selection when the browser has a library; otherwise the soundbank and
// category of the patch now loaded, and "User" when that patch lies outside
// the library. Files of other kinds are left alone. The library reports its
// own errors as messages.
//
// Thread: the GUI thread only.
#pragma once

#include "Events.h"

namespace calverine {

class VstXSynth;
class PatchLibrary;

// True when anything was imported. `library` is the browser's model (null
// when there is none); its selection is then the target of a patch.
bool importDrop(VstXSynth& synth, const gui::DropData& data, PatchLibrary* library = nullptr);

}  // namespace calverine
