#include <gtest/gtest.h>

#include "TempoMap.h"

namespace calverine::render {
namespace {

TEST(TempoMapTest, PositionCarriesAcrossTempoChanges) {
    TempoMap map(120.0);
    map.addChange(2.0, 60.0);   // 4 quarter notes in, slow down to one a second
    map.addChange(5.0, 240.0);  // 4 + 3 = 7 quarter notes in, four a second
    EXPECT_DOUBLE_EQ(map.tempoAt(1.999), 120.0);
    EXPECT_DOUBLE_EQ(map.tempoAt(2.0), 60.0);
    EXPECT_DOUBLE_EQ(map.tempoAt(6.0), 240.0);
    EXPECT_DOUBLE_EQ(map.quarterNotesAt(1.0), 2.0);
    EXPECT_DOUBLE_EQ(map.quarterNotesAt(2.0), 4.0);
    EXPECT_DOUBLE_EQ(map.quarterNotesAt(3.5), 5.5);
    EXPECT_DOUBLE_EQ(map.quarterNotesAt(5.5), 9.0);
}

TEST(TempoMapTest, ChangeAtTheSameTimeReplacesThePreviousOne) {
    TempoMap map(120.0);
    map.addChange(0.0, 100.0);
    EXPECT_EQ(map.changeCount(), 1u);
    EXPECT_DOUBLE_EQ(map.tempoAt(0.0), 100.0);
    EXPECT_DOUBLE_EQ(map.quarterNotesAt(3.0), 5.0);
}

}  // namespace
}  // namespace calverine::render
