#include "DropReader.h"

#include <rapidxml/rapidxml.hpp>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace calverine {

namespace {

constexpr unsigned char kByteOrderMark[3] = {0xEF, 0xBB, 0xBF};

bool startsName(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u == ':' || u >= 0x80;
}

// An upper bound of the element nesting of a zero-terminated text: every "<"
// that starts a name opens a level, "</" and "/>" close one. Markup inside
// comments or CDATA may count too, which only makes the bound larger.
int nestingBound(const char* text) {
    int depth = 0, deepest = 0;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '<' && startsName(p[1])) {
            deepest = std::max(deepest, ++depth);
        } else if ((p[0] == '<' && p[1] == '/') || (p[0] == '/' && p[1] == '>')) {
            depth = std::max(depth - 1, 0);
        }
    }
    return deepest;
}

// The text of an element: its value, else its first data or CDATA child's.
std::string_view textOf(const rapidxml::xml_node<char>* element) {
    std::string_view text(element->value(), element->value_size());
    for (const rapidxml::xml_node<char>* child = element->first_node(); text.empty() && child;
         child = child->next_sibling())
        if (child->type() == rapidxml::node_data || child->type() == rapidxml::node_cdata)
            text = std::string_view(child->value(), child->value_size());
    return text;
}

}  // namespace

DropReader::DropReader() : buffer_(std::make_unique<char[]>(kWorkBufferSize)) {}

int DropReader::readDrop(std::span<const DragItem> items) {
    paths_.clear();
    error_.clear();
    if (items.empty() || !items.front().data || items.front().size == 0) return 0;
    if (items.front().type == DragItem::Type::Text) {
        readText(static_cast<const char*>(items.front().data), items.front().size);
        return static_cast<int>(paths_.size());
    }
    for (const DragItem& item : items)
        if (item.type == DragItem::Type::FilePath && item.data)
            append(static_cast<const char*>(item.data), item.size);
    return static_cast<int>(paths_.size());
}

void DropReader::append(const char* text, std::size_t size) {
    if (size == 0) return;
    const std::size_t length = strnlen(text, std::min(size, kMaxPathLength));
    if (length > 0) paths_.emplace_back(text, length);
}

void DropReader::readText(const char* text, std::size_t size) {
    // The text ends at its first zero byte; with its terminator it must fit.
    const std::size_t length = strnlen(text, size);
    if (length + 1 > kWorkBufferSize) {
        error_ = "the dropped text is longer than " + std::to_string(kWorkBufferSize - 1) + " bytes";
        return;
    }
    std::memset(buffer_.get(), 0, kWorkBufferSize);
    std::memcpy(buffer_.get(), text, length);
    char* start = buffer_.get();
    if (length >= sizeof kByteOrderMark && std::memcmp(start, kByteOrderMark, sizeof kByteOrderMark) == 0)
        start += sizeof kByteOrderMark;
    parseBuffer(start);
    std::memset(buffer_.get(), 0, kWorkBufferSize);
}

void DropReader::parseBuffer(char* text) {
    if (nestingBound(text) > kMaxNesting) {
        error_ = "elements nested more than " + std::to_string(kMaxNesting) + " deep";
        return;
    }
    // The document holds a 64 KiB pool of its own: not for the stack.
    auto document = std::make_unique<rapidxml::xml_document<char>>();
    try {
        document->parse<rapidxml::parse_validate_closing_tags | rapidxml::parse_trim_whitespace>(text);
    } catch (const rapidxml::parse_error& e) {
        error_ = e.what();
        return;
    }
    const rapidxml::xml_node<char>* container = document->first_node("vst-xml");
    if (!container) return;
    for (const rapidxml::xml_node<char>* region = container->first_node("region"); region;
         region = region->next_sibling("region"))
        if (const rapidxml::xml_node<char>* file = region->first_node("filename")) {
            const std::string_view path = textOf(file);
            append(path.data(), path.size());
        }
}

}  // namespace calverine
