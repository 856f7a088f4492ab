#include "DemoPhrase.h"

#include <cmath>
#include <cstdint>

namespace calverine::render {

namespace {

struct Note {
    double beat;
    double length;  // in beats
    std::uint8_t key;
    std::uint8_t velocity;
};

// C minor, A flat, E flat, then a G major chord to close on.
constexpr Note kChords[] = {
    {0.0, 3.9, 48, 84},  {0.0, 3.9, 55, 80},  {0.0, 3.9, 63, 76},                       //
    {4.0, 3.9, 44, 84},  {4.0, 3.9, 56, 78},  {4.0, 3.9, 60, 76},  {4.0, 3.9, 63, 74},  //
    {8.0, 3.9, 51, 84},  {8.0, 3.9, 58, 78},  {8.0, 3.9, 63, 76},  {8.0, 3.9, 67, 74},  //
    {12.0, 4.0, 43, 82}, {12.0, 4.0, 55, 78}, {12.0, 4.0, 59, 76}, {12.0, 4.0, 62, 74},
};

constexpr Note kMelody[] = {
    {0.5, 0.5, 72, 100}, {1.0, 0.5, 75, 96},   {1.5, 1.0, 79, 104},  {2.5, 0.5, 77, 92},   {3.0, 1.0, 75, 98},
    {4.0, 1.5, 72, 100}, {5.5, 0.5, 75, 90},   {6.0, 1.0, 80, 106},  {7.0, 1.0, 79, 96},   {8.0, 0.5, 79, 100},
    {8.5, 0.5, 77, 94},  {9.0, 0.5, 75, 96},   {9.5, 0.5, 77, 92},   {10.0, 2.0, 82, 110}, {12.0, 0.5, 79, 98},
    {12.5, 0.5, 77, 92}, {13.0, 1.0, 74, 100}, {14.0, 2.0, 79, 108},
};

constexpr std::uint8_t kNoteOn = 0x90;
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kControlChange = 0xb0;
constexpr std::uint8_t kPitchBend = 0xe0;
constexpr std::uint8_t kModWheel = 1;

}  // namespace

MidiSchedule DemoPhrase::build(double bpm) {
    const double secondsPerBeat = 60.0 / bpm;
    auto at = [&](double beat) { return beat * secondsPerBeat; };

    MidiSchedule s;
    s.setTempoMap(TempoMap(bpm));

    // Each note's off is added right after its on, so where one note ends as
    // the same key starts again the off stays first after sorting.
    auto addNote = [&](const Note& n, double gap) {
        s.add(at(n.beat), kNoteOn, n.key, n.velocity);
        s.add(at(n.beat + n.length - gap), kNoteOff, n.key, 64);
    };
    for (const Note& n : kChords) {
        addNote(n, 0.0);
    }
    for (const Note& n : kMelody) {
        addNote(n, 0.05);
    }

    // Mod wheel: up from beat 4 to beat 8 and back down by beat 12, in
    // eighth-of-a-beat steps.
    constexpr int kSweepSteps = 32;
    auto sweepLevel = [](int i) { return static_cast<std::uint8_t>(std::lround(127.0 * i / kSweepSteps)); };
    for (int i = 0; i <= kSweepSteps; ++i) {
        s.add(at(4.0 + 4.0 * i / kSweepSteps), kControlChange, kModWheel, sweepLevel(i));
    }
    for (int i = 1; i <= kSweepSteps; ++i) {
        s.add(at(8.0 + 4.0 * i / kSweepSteps), kControlChange, kModWheel, sweepLevel(kSweepSteps - i));
    }

    // Pitch bend on the note at beat 13: up by half the range and back to the
    // centre before beat 14.
    constexpr int kBendSteps = 8;
    constexpr int kCentre = 8192;
    auto addBend = [&](double beat, int value) {
        s.add(at(beat), kPitchBend, static_cast<std::uint8_t>(value & 0x7f), static_cast<std::uint8_t>(value >> 7));
    };
    for (int i = 0; i <= kBendSteps; ++i) {
        addBend(13.0 + 0.5 * i / kBendSteps, kCentre + 4096 * i / kBendSteps);
    }
    for (int i = 1; i <= kBendSteps; ++i) {
        addBend(13.5 + 0.45 * i / kBendSteps, kCentre + 4096 * (kBendSteps - i) / kBendSteps);
    }

    s.sortByTime();
    return s;
}

}  // namespace calverine::render
