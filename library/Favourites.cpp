#include "Favourites.h"

#include <algorithm>

#include "Files.h"

namespace calverine {

namespace {
constexpr std::size_t kMaxLineLength = 511;
constexpr std::size_t kMinLineLength = 4;  // as read, a line end counting as one

// A favourite names a file inside the library: a hand-edited line that
// starts at a root or a drive, or climbs out with "..", names nothing of
// ours (and trashing it must never rename a file elsewhere).
bool staysInside(const std::string& path) {
    if (path.front() == platform::kSeparator || (path.size() > 1 && path[1] == ':')) return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(platform::kSeparator, start), path.size());
        if (path.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}
}  // namespace

std::vector<std::string> parseFavourites(std::string_view text) {
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t newline = text.find('\n', start);
        const bool hasEnd = newline != std::string_view::npos;
        std::string line(text.substr(start, hasEnd ? newline - start : std::string_view::npos));
        start = hasEnd ? newline + 1 : text.size();
        // CR LF, LF or a CR at the very end each count as one character; no
        // path ends in a CR.
        const bool hasReturn = !line.empty() && line.back() == '\r';
        while (!line.empty() && line.back() == '\r') line.pop_back();
        // A file saved by hand in some editors begins with a UTF-8 byte order
        // mark; no path begins with one.
        while (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        if (line.size() + (hasEnd || hasReturn ? 1 : 0) < kMinLineLength || line.size() > kMaxLineLength) continue;
        std::replace(line.begin(), line.end(), '\\', platform::kSeparator);
        std::replace(line.begin(), line.end(), '/', platform::kSeparator);
        if (staysInside(line)) paths.push_back(std::move(line));
    }
    return paths;
}

std::string formatFavourites(const std::vector<std::string>& relativePaths) {
    std::string text;
    for (const std::string& path : relativePaths) {
        if (!text.empty()) text += "\r\n";
        std::string line = path;
        std::replace(line.begin(), line.end(), platform::kSeparator, '\\');
        text += line;
    }
    return text;
}

}  // namespace calverine
