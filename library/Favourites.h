// The text of Favourites.db: one patch path per line, relative to the library
// root. Favourites.db keeps backslash paths and CR LF line ends on every
// platform (no line end after the last line); in memory the paths use the
// native separator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace calverine {

// The paths of the file's lines. A line ends at LF or CR LF (the last one may
// end in a lone CR); lines shorter than 3 characters without their line end
// (the last line without one needs 4) and lines longer than 511 are left out.
// "/" and "\" both separate folders. A UTF-8 byte order mark before a path is
// dropped.
std::vector<std::string> parseFavourites(std::string_view text);
// The file's text for the paths, in the order given.
std::string formatFavourites(const std::vector<std::string>& relativePaths);

}  // namespace calverine
