// Reads arbitrary bytes as Favourites.db. Every path read is one the file can
// hold (no line end, no CR at its end, at most 511 characters, native
// separators), and writing the paths and reading them back gives the same paths.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Favourites.h"
#include "Files.h"

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> paths = calverine::parseFavourites(text);
    std::vector<std::string> kept;
    for (const std::string& p : paths) {
        check(p.size() >= 3 && p.size() <= 511);
        check(p.find('\n') == std::string::npos && p.find('\\') == std::string::npos && p.back() != '\r');
        // Shorter ones are only read with a line end after them.
        if (p.size() >= 4) kept.push_back(p);
    }
    const std::string written = calverine::formatFavourites(kept);
    check(written.find(platform::kSeparator) == std::string::npos);  // backslashes on disk
    check(calverine::parseFavourites(written) == kept);
    return 0;
}
