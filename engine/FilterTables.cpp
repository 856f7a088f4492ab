#include "FilterTables.h"

#include <algorithm>
#include <cmath>

namespace calverine {

double FilterTables::frequencyAt(int index) { return kLowest * std::pow(2.0, index / kStepsPerOctave); }

void FilterTables::build(double sampleRate) {
    const double pi = 3.14159265358979323846;
    gain_.resize(kEntries);
    compensation_.resize(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        // Above the oversampled Nyquist frequency tan() would turn; the
        // control never goes there (its top is 0.98), but keep the table sane.
        const double f = std::min(frequencyAt(i), 0.49 * 4.0 * sampleRate);
        gain_[static_cast<std::size_t>(i)] = static_cast<float>(std::tan(pi * f / (4.0 * sampleRate)));
        const double x = i / 29500.0;
        double t = 1.0;
        if (x < 0.3)
            t = 0.94 + 0.06 * x / 0.3;
        else if (x > 0.7)
            t = 1.0 - 0.16 * (x - 0.7);
        compensation_[static_cast<std::size_t>(i)] = static_cast<float>(t);
    }
}

}  // namespace calverine
