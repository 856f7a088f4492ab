// A soundbank's config.ini: "key=value" lines before the first "[section]";
// lines starting with ";", "#" or "'" are comments. Read are the author
// pairs AuthorCode/AuthorName, AuthorCode2/AuthorName2, AuthorCode3/AuthorName3
// and the comma-separated AddCategories.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace calverine {

struct SoundbankConfig {
    // Code and display name, in key order; only pairs with both values given.
    std::vector<std::pair<std::string, std::string>> authors;
    // The pieces of AddCategories, trimmed, empty ones left out.
    std::vector<std::string> extraCategories;
};

// Values longer than 511 characters are cut there. When a key appears twice,
// the first one counts. A leading UTF-8 byte order mark is skipped.
SoundbankConfig parseSoundbankConfig(std::string_view text);

}  // namespace calverine
