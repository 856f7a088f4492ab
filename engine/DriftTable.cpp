#include "DriftTable.h"

#include <algorithm>
#include <cmath>

#include "Random.h"

namespace calverine {

const std::vector<std::uint16_t>& DriftTable::recorded() {
    static const std::vector<std::uint16_t> values = [] {
        // White noise through four one-pole low-passes at 2 Hz, scaled to
        // fill the 16-bit range.
        Random random(20261206u);
        const double a = 1.0 - std::exp(-2.0 * 3.14159265358979323846 * 2.0 / kRecordedRate);
        std::vector<double> x(kRecordedLength);
        double s[4] = {0, 0, 0, 0};
        for (int pass = 0; pass < 2; ++pass)  // the first pass only settles the filters
            for (int i = 0; i < kRecordedLength; ++i) {
                double v = random.next() / 16383.5 - 1.0;
                for (double& stage : s) v = stage += (v - stage) * a;
                x[static_cast<std::size_t>(i)] = v;
            }
        double peak = 1e-12;
        for (double v : x) peak = std::max(peak, std::fabs(v));
        std::vector<std::uint16_t> out(kRecordedLength);
        for (int i = 0; i < kRecordedLength; ++i)
            out[static_cast<std::size_t>(i)] =
                static_cast<std::uint16_t>(std::lround(32767.5 + 32767.0 * x[static_cast<std::size_t>(i)] / peak));
        return out;
    }();
    return values;
}

void DriftTable::resample(double sampleRate) {
    const auto& source = recorded();
    const double step = kRecordedRate / sampleRate;
    const auto length = static_cast<std::size_t>(kRecordedLength / step);
    table_.resize(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double at = static_cast<double>(i) * step;
        const auto k = static_cast<std::size_t>(at);
        const double f = at - static_cast<double>(k);
        const double a = source[k], b = source[std::min<std::size_t>(k + 1, source.size() - 1)];
        table_[i] = static_cast<float>(((a + (b - a) * f) - 32767.5) / 32767.5);
    }
}

}  // namespace calverine
