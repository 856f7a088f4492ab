#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "DemoPhrase.h"

namespace calverine::render {
namespace {

TEST(DemoPhraseTest, LastsAboutEightSecondsAt120AndScalesWithTempo) {
    const MidiSchedule at120 = DemoPhrase::build(120.0);
    EXPECT_GE(at120.lastEventSeconds(), 7.5);
    EXPECT_LE(at120.lastEventSeconds(), 8.5);
    const MidiSchedule at60 = DemoPhrase::build(60.0);
    EXPECT_NEAR(at60.lastEventSeconds(), 2.0 * at120.lastEventSeconds(), 1e-9);
    EXPECT_DOUBLE_EQ(at60.tempoMap().tempoAt(3.0), 60.0);
}

TEST(DemoPhraseTest, EveryNoteEndsAndEventsAreInOrder) {
    const MidiSchedule s = DemoPhrase::build(120.0);
    int held[128] = {};
    double previous = 0.0;
    int maxHeld = 0;
    int current = 0;
    std::set<int> keys;
    for (const TimedMidi& m : s.events()) {
        EXPECT_GE(m.seconds, previous);
        previous = m.seconds;
        const int status = m.bytes[0] & 0xf0;
        const int key = m.bytes[1];
        if (status == 0x90 && m.bytes[2] > 0) {
            EXPECT_EQ(held[key], 0) << "key " << key << " struck again while held";
            ++held[key];
            ++current;
            keys.insert(key);
            EXPECT_GT(m.bytes[2], 0);
        } else if (status == 0x80 || status == 0x90) {
            EXPECT_EQ(held[key], 1) << "key " << key << " released while not held";
            --held[key];
            --current;
        }
        maxHeld = std::max(maxHeld, current);
    }
    EXPECT_EQ(current, 0);
    EXPECT_GE(maxHeld, 4);        // chords under the melody
    EXPECT_GE(keys.size(), 15u);  // a melody, not one repeated note
}

TEST(DemoPhraseTest, SweepsTheModWheelAndBendsAndReturnsToRest) {
    const MidiSchedule s = DemoPhrase::build(120.0);
    int wheelMax = -1;
    int lastWheel = -1;
    int bendMax = -1;
    int lastBend = -1;
    int wheelMessages = 0;
    for (const TimedMidi& m : s.events()) {
        const int status = m.bytes[0] & 0xf0;
        if (status == 0xb0 && m.bytes[1] == 1) {
            ++wheelMessages;
            wheelMax = std::max(wheelMax, int{m.bytes[2]});
            lastWheel = m.bytes[2];
        } else if (status == 0xe0) {
            const int value = m.bytes[1] | (m.bytes[2] << 7);
            bendMax = std::max(bendMax, value);
            lastBend = value;
        }
    }
    EXPECT_GE(wheelMessages, 32);
    EXPECT_EQ(wheelMax, 127);
    EXPECT_EQ(lastWheel, 0);
    EXPECT_GT(bendMax, 8192 + 2048);
    EXPECT_EQ(lastBend, 8192);
}

}  // namespace
}  // namespace calverine::render
