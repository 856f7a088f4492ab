#include "SoundbankConfig.h"

#include <map>

namespace calverine {

namespace {

constexpr std::size_t kMaxValueLength = 511;

std::string_view trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

SoundbankConfig parseSoundbankConfig(std::string_view text) {
    std::map<std::string, std::string, std::less<>> values;
    // Editors on some systems begin the file with a UTF-8 byte order mark.
    std::size_t start = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '\'') continue;
        if (line[0] == '[') break;  // sections are not ours
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view value = trim(trim(line.substr(equals + 1)).substr(0, kMaxValueLength));
        values.emplace(std::string(trim(line.substr(0, equals))), std::string(value));
    }

    SoundbankConfig config;
    const auto value = [&](const char* key) {
        const auto it = values.find(key);
        return it == values.end() ? std::string() : it->second;
    };
    const char* const kPairs[3][2] = {
        {"AuthorCode", "AuthorName"}, {"AuthorCode2", "AuthorName2"}, {"AuthorCode3", "AuthorName3"}};
    for (const auto& pair : kPairs) {
        std::string code = value(pair[0]), name = value(pair[1]);
        if (!code.empty() && !name.empty()) config.authors.emplace_back(std::move(code), std::move(name));
    }
    const std::string categories = value("AddCategories");
    std::size_t from = 0;
    while (from <= categories.size()) {
        std::size_t comma = categories.find(',', from);
        if (comma == std::string::npos) comma = categories.size();
        const std::string_view piece = trim(std::string_view(categories).substr(from, comma - from));
        if (!piece.empty()) config.extraCategories.emplace_back(piece);
        from = comma + 1;
    }
    return config;
}

}  // namespace calverine
