#include "TempoMap.h"

#include <algorithm>

namespace calverine::render {

TempoMap::TempoMap(double bpm) : changes_{{0.0, bpm, 0.0}} {}

void TempoMap::addChange(double seconds, double bpm) {
    seconds = std::max(seconds, changes_.back().seconds);
    if (seconds == changes_.back().seconds) {
        changes_.back().bpm = bpm;
        return;
    }
    const Change& last = changes_.back();
    const double quarterNotes = last.quarterNotes + (seconds - last.seconds) * last.bpm / 60.0;
    changes_.push_back({seconds, bpm, quarterNotes});
}

std::size_t TempoMap::segmentAt(double seconds) const {
    // The last change at or before `seconds`.
    const auto after = std::upper_bound(changes_.begin(), changes_.end(), seconds,
                                        [](double t, const Change& c) { return t < c.seconds; });
    return after == changes_.begin() ? 0 : static_cast<std::size_t>(after - changes_.begin()) - 1;
}

double TempoMap::tempoAt(double seconds) const {
    return changes_[segmentAt(seconds)].bpm;
}

double TempoMap::quarterNotesAt(double seconds) const {
    const Change& c = changes_[segmentAt(seconds)];
    return c.quarterNotes + (seconds - c.seconds) * c.bpm / 60.0;
}

}  // namespace calverine::render
