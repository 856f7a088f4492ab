// Reads arbitrary bytes as a soundbank's config.ini: at most three author
// pairs with both values, trimmed values of at most 511 characters, and extra
// categories that are trimmed, non-empty and hold no comma.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "SoundbankConfig.h"

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}
bool trimmed(const std::string& s) {
    return !s.empty() && s.size() <= 511 && s.front() != ' ' && s.front() != '\t' && s.back() != ' ' &&
           s.back() != '\t' && s.back() != '\r' && s.find('\n') == std::string::npos;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const calverine::SoundbankConfig config = calverine::parseSoundbankConfig(text);
    check(config.authors.size() <= 3);
    for (const auto& [code, name] : config.authors) check(trimmed(code) && trimmed(name));
    for (const std::string& category : config.extraCategories)
        check(trimmed(category) && category.find(',') == std::string::npos);
    return 0;
}
