// Reads arbitrary bytes as a dropped text (the host's "vst-xml" description)
// and, split at line ends, as a list of dropped file paths. Every path read
// is 1 to 511 bytes without a zero byte, the count is the list's size, a text
// that gives paths gives no parser message, and the work buffer is all zero
// after every drop.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "DropReader.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void checkDrop(const calverine::DropReader& reader, int count) {
    check(count == static_cast<int>(reader.paths().size()));
    for (const std::string& path : reader.paths()) {
        check(!path.empty() && path.size() <= calverine::DropReader::kMaxPathLength);
        check(path.find('\0') == std::string::npos);
    }
    const auto buffer = reader.workBuffer();
    check(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == 0; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static calverine::DropReader reader;
    using Item = calverine::DragItem;

    const Item text[] = {{data, size, Item::Type::Text}};
    const int fromText = reader.readDrop(text);
    checkDrop(reader, fromText);
    check(fromText == 0 || reader.error().empty());

    // Lines as file-path items, every third one of another type.
    std::vector<Item> items;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != '\n') continue;
        const auto type = items.size() % 3 == 2 ? Item::Type::Other : Item::Type::FilePath;
        items.push_back({data + start, i - start, type});
        start = i + 1;
    }
    checkDrop(reader, reader.readDrop(items));
    return 0;
}
