// Tempo as a function of song time: a list of tempo changes, each holding
// from its start until the next one. Answers the tempo and the position in
// quarter notes at any time, which is what the host reports in VstTimeInfo.
#pragma once

#include <vector>

namespace calverine::render {

class TempoMap {
public:
    static constexpr double kDefaultTempo = 120.0;

    // One tempo for the whole song.
    explicit TempoMap(double bpm = kDefaultTempo);

    // Adds a tempo change. Changes must be added in time order; a change at
    // the time of the previous one replaces it. A change at a time > 0 on an
    // empty map keeps the constructor's tempo before it.
    void addChange(double seconds, double bpm);

    double tempoAt(double seconds) const;
    // Quarter notes elapsed from song start to `seconds`.
    double quarterNotesAt(double seconds) const;

    std::size_t changeCount() const { return changes_.size(); }

private:
    struct Change {
        double seconds;
        double bpm;
        double quarterNotes;  // position of this change in quarter notes
    };
    std::size_t segmentAt(double seconds) const;

    std::vector<Change> changes_;  // never empty, first entry at 0 s
};

}  // namespace calverine::render
