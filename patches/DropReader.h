// Dropped file lists: what the user drags onto the editor
// becomes a list of file paths for the patch import. A drop is either a list
// of file paths, or one text item in which the host describes the dragged
// material as XML:
//
//   <vst-xml><region><filename>/path/a.fxp</filename></region>...</vst-xml>
//
// The text is parsed in place with rapidxml inside a 65536-byte work buffer
// that is zeroed before and after every parse.
//
// Threads: the user-interface thread.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace calverine {

// One item of the drag data, as the editor framework's drag package offers it.
struct DragItem {
    enum class Type { FilePath, Text, Other };
    const void* data = nullptr;
    std::size_t size = 0;  // bytes at data
    Type type = Type::Other;
};

class DropReader {
public:
    static constexpr std::size_t kMaxPathLength = 511;
    static constexpr std::size_t kWorkBufferSize = 65536;
    // rapidxml descends once per element level; deeper texts are refused
    // rather than risk the stack of the thread that reads them.
    static constexpr int kMaxNesting = 256;

    DropReader();

    // Clears the path list and fills it from the drag data; the number of
    // paths. No items, or an empty first item: none. A first item of type
    // text is read as XML: the "filename" text of each "region" of the first
    // "vst-xml" element, in document order (a leading UTF-8 byte-order mark
    // is skipped). Otherwise every file-path item in order (items of other
    // types are skipped). Each path is cut to its first 511 bytes (a zero
    // byte ends it earlier); empty paths are left out.
    int readDrop(std::span<const DragItem> items);

    const std::vector<std::string>& paths() const { return paths_; }
    // Why the last drop's text gave no paths: the parser's message for text
    // that is not well-formed XML ("expected <", "unexpected end of data",
    // ...), or that the text does not fit the work buffer. Empty otherwise.
    // Whether it is shown is the drop handler's choice.
    const std::string& error() const { return error_; }

    // The work buffer, for tests: all zero between drops.
    std::span<const char> workBuffer() const { return {buffer_.get(), kWorkBufferSize}; }

private:
    void readText(const char* text, std::size_t size);
    void parseBuffer(char* text);
    void append(const char* text, std::size_t size);

    std::vector<std::string> paths_;
    std::string error_;
    std::unique_ptr<char[]> buffer_;
};

}  // namespace calverine
