// The built-in author table: the sound designers of the factory soundbanks,
// code to display name. The browser's author map starts from it before the
// soundbanks' config.ini files add their own pairs (which never replace a
// code of this table). Product data; codes are 2 or 3 letters and their case
// matters ("Ph" and "PH" would be different authors).
#pragma once

#include <string_view>

namespace calverine {

struct Author {
    std::string_view code;
    std::string_view name;
};

inline constexpr int kBuiltInAuthors = 33;

// The table in byte order of the codes.
const Author* builtInAuthors();

}  // namespace calverine
