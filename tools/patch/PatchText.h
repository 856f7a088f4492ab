// The patch text format: a patch as readable lines, one setting per line, so
// that patches can be reviewed, compared and kept in version control. The
// grammar is described at the top of PatchText.cpp. Text and program files
// convert both ways without loss: formatting a patch and parsing the text
// back gives the same stored values, bit for bit.
#pragma once

#include <cstdint>
#include <string>

#include "PatchChunk.h"
#include "PluginParameters.h"

namespace calverine::patchtext {

// Reads a chunk into the current preset of `store` (a store without locks)
// the way the plug-in loads it, old versions brought up to date, except that
// the name and the pitch-wheel value are kept as stored in the chunk rather
// than cut to the plug-in's display length and centred. `version` receives
// the chunk's own version. False with `error` set for a chunk too short to
// be one.
bool loadChunk(const std::uint8_t* data, std::size_t size, PluginParameters& store, std::int32_t& version,
               std::string& error);

// The text of the current preset of `store`. `sourceVersion` is the version
// of the file the preset was read from; an older one is noted in a comment.
std::string formatPatch(const PluginParameters& store, std::int32_t sourceVersion = patch::kCurrentVersion);

// Parses patch text into the current preset of `store`, which should hold the
// Init Patch: settings without a line keep their value. On failure returns
// false with `error` set to "line N: problem"; the store may then be partly
// changed.
bool parsePatch(const std::string& text, PluginParameters& store, std::string& error);

}  // namespace calverine::patchtext
