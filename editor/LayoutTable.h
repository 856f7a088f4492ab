// The editor's layout: 215 records read in order on every open. Each names
// the panel (1..6) its control belongs to, the kind of control to create,
// its tag (below 300 a parameter control id, 300 and above a user-interface
// command; -1 skips the record) and its rectangle at Medium size (right and
// bottom 0 when the control's bitmap gives the size).
#pragma once

#include <array>
#include <cstdint>

namespace calverine {

struct LayoutRecord {
    std::int32_t panel;
    std::int32_t kind;
    std::int32_t tag;
    std::int32_t reserved;  // always 0
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
    char view[128];  // "Main"
};

constexpr int kLayoutRecords = 215;
extern const std::array<LayoutRecord, kLayoutRecords> kLayout;

}  // namespace calverine
