#include <gtest/gtest.h>

#include "MidiSchedule.h"
#include "ToolsTestSupport.h"

namespace calverine::render {
namespace {

using test::smfFile;
using test::SmfTrack;

std::vector<std::uint8_t> bytesOf(const TimedMidi& m) {
    return std::vector<std::uint8_t>(m.bytes.begin(), m.bytes.begin() + m.size);
}

TEST(MidiScheduleTest, FormatZeroKeepsChannelMessagesAtTheirTimes) {
    // 96 ticks a quarter note at 120 BPM: one tick is 1/192 s.
    SmfTrack t;
    t.tempo(0, 500000)
        .event(0, {0xff, 0x03, 0x04, 'l', 'e', 'a', 'd'})  // track name
        .event(0, {0xf0, 0x03, 0x7e, 0x09, 0xf7})          // sysex
        .event(96, {0x90, 69, 100})                        // 0.5 s
        .event(0, {72, 90})                                // running status
        .event(48, {0xc1, 5})                              // 0.75 s, program change
        .event(0, {0xd1, 33})                              // channel pressure
        .event(0, {0xa1, 69, 12})                          // poly pressure
        .event(0, {0xb0, 1, 64})
        .event(0, {0xe0, 0x00, 0x50})
        .event(48, {0x80, 69, 0})  // 1.0 s
        .end();
    MidiSchedule s;
    std::string error;
    ASSERT_TRUE(s.loadBytes(smfFile(0, 96, {t}), "a.mid", error)) << error;

    const auto& e = s.events();
    ASSERT_EQ(e.size(), 8u);
    EXPECT_DOUBLE_EQ(e[0].seconds, 0.5);
    EXPECT_EQ(bytesOf(e[0]), (std::vector<std::uint8_t>{0x90, 69, 100}));
    EXPECT_EQ(bytesOf(e[1]), (std::vector<std::uint8_t>{0x90, 72, 90}));
    EXPECT_DOUBLE_EQ(e[2].seconds, 0.75);
    EXPECT_EQ(bytesOf(e[2]), (std::vector<std::uint8_t>{0xc1, 5}));
    EXPECT_EQ(bytesOf(e[3]), (std::vector<std::uint8_t>{0xd1, 33}));
    EXPECT_EQ(bytesOf(e[4]), (std::vector<std::uint8_t>{0xa1, 69, 12}));
    EXPECT_EQ(bytesOf(e[6]), (std::vector<std::uint8_t>{0xe0, 0x00, 0x50}));
    EXPECT_DOUBLE_EQ(e[7].seconds, 1.0);
    EXPECT_DOUBLE_EQ(s.lastEventSeconds(), 1.0);

    const auto frames = s.toFrames(48000.0);
    EXPECT_EQ(frames[0].frame, 24000);
    EXPECT_EQ(frames[2].frame, 36000);
    EXPECT_EQ(frames[7].frame, 48000);
}

TEST(MidiScheduleTest, FormatOneFollowsTheTempoMap) {
    // Track 0: 120 BPM, then 60 BPM from tick 192 (1 s). Track 1: a note at
    // tick 288, which is 1 s + 96 ticks at one second a quarter = 2 s.
    SmfTrack conductor;
    conductor.tempo(0, 500000).tempo(192, 1000000).end();
    SmfTrack notes;
    notes.event(288, {0x91, 60, 80}).event(96, {0x81, 60, 0}).end();
    MidiSchedule s;
    std::string error;
    ASSERT_TRUE(s.loadBytes(smfFile(1, 96, {conductor, notes}), "b.mid", error)) << error;

    ASSERT_EQ(s.events().size(), 2u);
    EXPECT_NEAR(s.events()[0].seconds, 2.0, 1e-9);
    EXPECT_NEAR(s.events()[1].seconds, 3.0, 1e-9);
    EXPECT_DOUBLE_EQ(s.tempoMap().tempoAt(0.5), 120.0);
    EXPECT_DOUBLE_EQ(s.tempoMap().tempoAt(1.5), 60.0);
    EXPECT_NEAR(s.tempoMap().quarterNotesAt(2.0), 3.0, 1e-9);
}

TEST(MidiScheduleTest, TempoFromAnyTrackAppliesToAllAndTiesKeepTrackOrder) {
    // Format 1 with the tempo in the last track: 60 BPM, then 240 BPM from
    // tick 96 (1 s). Tick 192 is 1 s + 96 ticks at 0.25 s a quarter.
    SmfTrack first;
    first.event(192, {0x90, 60, 1}).end();
    SmfTrack second;
    second.event(48, {0xb0, 7, 100})
        .event(144, {0x90, 61, 1})
        .event(0, {0xf7, 0x02, 0x7e, 0x35})  // a sysex escape, skipped
        .event(0, {0x80, 61, 0})
        .end();
    SmfTrack conductor;
    conductor.tempo(0, 1000000).tempo(96, 250000).end();
    MidiSchedule s;
    std::string error;
    ASSERT_TRUE(s.loadBytes(smfFile(1, 96, {first, second, conductor}), "d.mid", error)) << error;
    const auto& e = s.events();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_NEAR(e[0].seconds, 0.5, 1e-12);  // the second track's controller comes first
    EXPECT_EQ(e[0].bytes[0], 0xb0);
    for (std::size_t i = 1; i < 4; ++i) EXPECT_NEAR(e[i].seconds, 1.25, 1e-12);
    EXPECT_EQ(e[1].bytes[1], 60);
    EXPECT_EQ(e[2].bytes[1], 61);
    EXPECT_EQ(e[3].bytes[0], 0x80);
    EXPECT_DOUBLE_EQ(s.tempoMap().tempoAt(0.9), 60.0);
    EXPECT_DOUBLE_EQ(s.tempoMap().tempoAt(1.1), 240.0);
}

TEST(MidiScheduleTest, SmpteTimeIgnoresTheTempo) {
    // 25 frames a second, 40 ticks a frame: a tick is 1 ms. 29 means 29.97.
    SmfTrack t;
    t.tempo(0, 1000000).event(1500, {0x90, 60, 80}).end();
    MidiSchedule s;
    std::string error;
    auto file = smfFile(0, 40, {t});
    file[12] = std::uint8_t(-25);
    ASSERT_TRUE(s.loadBytes(file, "smpte.mid", error)) << error;
    EXPECT_NEAR(s.events().at(0).seconds, 1.5, 1e-12);
    file[12] = std::uint8_t(-29);
    ASSERT_TRUE(s.loadBytes(file, "smpte.mid", error)) << error;
    EXPECT_NEAR(s.events().at(0).seconds, 1500 / (40 * 30000.0 / 1001.0), 1e-12);
}

TEST(MidiScheduleTest, FileWithoutTempoPlaysAt120) {
    SmfTrack t;
    t.event(480, {0x90, 60, 80}).end(480);
    MidiSchedule s;
    std::string error;
    ASSERT_TRUE(s.loadBytes(smfFile(0, 480, {t}), "c.mid", error)) << error;
    ASSERT_EQ(s.events().size(), 1u);
    EXPECT_NEAR(s.events()[0].seconds, 0.5, 1e-9);
    EXPECT_DOUBLE_EQ(s.tempoMap().tempoAt(0.0), 120.0);
}

TEST(MidiScheduleTest, MissingFileIsAnError) {
    MidiSchedule s;
    std::string error;
    EXPECT_FALSE(s.loadFile("/nonexistent/calverine/none.mid", error));
    EXPECT_NE(error.find("cannot read MIDI file '/nonexistent/calverine/none.mid'"), std::string::npos) << error;
}

using Bytes = std::vector<std::uint8_t>;

// An MThd chunk of a format 0 file.
Bytes header(std::uint8_t tracks = 1, std::uint8_t division = 96) {
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, tracks, 0, division};
}

// The header and one MTrk chunk declaring `declaredLength` bytes (by default, the body's).
Bytes withTrack(Bytes body, int declaredLength = -1, Bytes file = header()) {
    const auto length = static_cast<std::uint32_t>(declaredLength >= 0 ? declaredLength : std::ssize(body));
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    for (const int shift : {24, 16, 8, 0}) file.push_back(static_cast<std::uint8_t>(length >> shift));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

const Bytes kGoodTrack = {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xff, 0x2f, 0x00};

// Each comes back as one sentence of error, and nothing is read beyond the bytes.
TEST(MidiScheduleTest, RefusesBrokenFilesWithAReason) {
    const std::pair<const char*, Bytes> cases[] = {
        {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '\n'}},
        {"empty", {}},
        {"headerOnly", header()},
        {"trackLongerThanFile", withTrack({0x00, 0x90, 0x45}, 16)},
        {"noEndOfTrack", withTrack({0x00, 0x90, 0x45, 0x40})},
        {"eventCutShort", withTrack({0x00, 0x90, 0x45})},
        {"dataWithoutStatus", withTrack({0x00, 0x45, 0x40, 0x00, 0xff, 0x2f, 0x00})},
        {"eventsAfterEnd", withTrack({0x00, 0xff, 0x2f, 0x00, 0x00, 0x90, 60, 100})},
        {"shortTempo", withTrack({0x00, 0xff, 0x51, 0x02, 0x07, 0xa1, 0x00, 0xff, 0x2f, 0x00})},
        {"zeroTempo", withTrack({0x00, 0xff, 0x51, 0x03, 0, 0, 0, 0x00, 0xff, 0x2f, 0x00})},
        {"sysexLongerThanTrack", withTrack({0x00, 0xf7, 0x09, 0x7e, 0x35, 0x00, 0xff, 0x2f, 0x00})},
        {"runningStatusAfterSysex",
         withTrack({0x00, 0x90, 60, 100, 0x00, 0xf0, 0x01, 0xf7, 0x60, 60, 0, 0x00, 0xff, 0x2f, 0x00})},
        {"runningStatusAfterMeta",
         withTrack({0x00, 0x90, 60, 100, 0x00, 0xff, 0x01, 0x01, 'A', 0x60, 60, 0, 0x00, 0xff, 0x2f, 0x00})},
        {"systemMessage", withTrack({0x00, 0xf8, 0x00, 0xff, 0x2f, 0x00})},
        {"zeroDivision", withTrack(kGoodTrack, -1, header(1, 0))},
        {"noTracks", withTrack(kGoodTrack, -1, header(0))},
        {"endlessDeltaTime", withTrack({0xff, 0xff, 0xff, 0xff, 0x7f, 0x90, 60, 1})},
    };
    // The same builders make a file that loads: each case breaks only what it names.
    MidiSchedule good;
    std::string why;
    ASSERT_TRUE(good.loadBytes(withTrack(kGoodTrack), "good.mid", why)) << why;
    EXPECT_EQ(good.events().size(), 2u);
    const std::string prefix = "cannot parse MIDI file 'broken.mid': ";
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        MidiSchedule s;
        std::string error;
        EXPECT_FALSE(s.loadBytes(bytes, "broken.mid", error));
        EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
        EXPECT_GT(error.size(), prefix.size());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace calverine::render
