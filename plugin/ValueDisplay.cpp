#include "ValueDisplay.h"

#include <algorithm>
#include <cstdio>

#include "ParameterTable.h"

namespace calverine {

namespace {

const char* const kTempoDivisions[27] = {"8/1*", "8/1",  "8/1T", "4/1*",  "4/1",  "4/1T", "2/1*",
                                         "2/1",  "2/1T", "1/1*", "1/1",   "1/1T", "1/2*", "1/2",
                                         "1/2T", "1/4*", "1/4",  "1/4T",  "1/8*", "1/8",  "1/8T",
                                         "1/16*", "1/16", "1/16T", "1/32*", "1/32", "1/32T"};
const char* const kDelayDivisions[15] = {"1/2*", "1/2",  "1/2T",  "1/4*", "1/4",  "1/4T",  "1/8*", "1/8",
                                         "1/8T", "1/16*", "1/16", "1/16T", "1/32*", "1/32", "1/32T"};
const char* const kNoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

constexpr int kStepShape = 3;

const char* listName(const params::ListEntry* list, int count, int value) {
    for (int i = 0; i < count; ++i)
        if (list[i].value == value) return list[i].name;
    return "";
}

bool contains(const int* list, int count, int value) {
    return std::find(list, list + count, value) != list + count;
}

// "+%d" for positive numbers, "%d" otherwise.
void signedInt(char* text, std::size_t size, int k) { std::snprintf(text, size, k >= 1 ? "+%d" : "%d", k); }

// (v - 0.5) x 20 with two decimals: -10.00 .. +10.00.
void centred(char* text, std::size_t size, float v) {
    const double d = (static_cast<double>(v) - 0.5) * 20.0;
    std::snprintf(text, size, v > 0.5f ? "+%.2f" : "%.2f", d);
}

}  // namespace

void formatControlValue(int control, float v, const DisplayContext& context, char* text, std::size_t size) {
    if (size == 0) return;
    const int n = static_cast<int>(v);
    if (params::isSwitch(control) && control != 70 && !(control >= 71 && control <= 77) &&
        !(control >= 170 && control <= 177)) {
        std::snprintf(text, size, "%s", v < 0.5f ? "Off" : "On");
        return;
    }
    if (contains(control::kMatrixSource, 12, control)) {
        std::snprintf(text, size, "%s", listName(params::kSources, params::kSourceCount, n));
        return;
    }
    if (contains(control::kMatrixDestination, 12, control)) {
        std::snprintf(text, size, "%s", listName(params::kDestinations, params::kDestinationCount, n));
        return;
    }
    if (contains(control::kMatrixAmount, 12, control)) {
        const double a = 2.0 * v - 1.0;
        signedInt(text, size, static_cast<int>(a >= 0 ? 100.0 * a + 0.01 : 100.0 * a - 0.01));
        return;
    }
    if ((control >= 70 && control <= 77) || (control >= 170 && control <= 177)) {
        std::snprintf(text, size, "%s", n == 1 ? "Mute" : "Active");
        return;
    }
    if (params::isVoiceAdjustment(control)) {
        if (control == control::kLastVoiceAdjustment)
            signedInt(text, size, static_cast<int>(v * 48.0f + 0.001f) - 24);
        else
            centred(text, size, v);
        return;
    }
    switch (control) {
    case 12:
    case 15: centred(text, size, v); return;
    case 20:
    case 33: {
        const int lfo = control == 20 ? 0 : 1;
        if (context.lfoShape[lfo] != kStepShape) {
            std::snprintf(text, size, "%.02f Hz", context.lfoHertz[lfo]);
        } else {
            const int index = std::clamp(static_cast<int>(v * 26.001f), 0, 26);
            std::snprintf(text, size, "%s", kTempoDivisions[index]);
        }
        return;
    }
    case 21:
    case 34: std::snprintf(text, size, "%s", n == 1 ? "Square" : n == 2 ? "S+H" : n == 3 ? "Steps" : "Sine"); return;
    case 32: signedInt(text, size, n - 24); return;
    case 41: {
        const int k = static_cast<int>(v * 3.0f) * 12;
        if (k < 1)
            std::snprintf(text, size, "0");
        else
            std::snprintf(text, size, "+%d", k);
        return;
    }
    case 44: {
        const int k = static_cast<int>(v * 63.0f);
        if (k < 1)
            std::snprintf(text, size, "0");
        else
            std::snprintf(text, size, "+%d", k);
        return;
    }
    case 54: std::snprintf(text, size, "%s", v < 0.999f ? "Off" : v < 1.999f ? "Half" : "Full"); return;
    case 84: std::snprintf(text, size, "%s", kDelayDivisions[std::clamp(n, 0, 14)]); return;
    case params::kModWheel: std::snprintf(text, size, "%d %%", static_cast<int>(v * 100.0f)); return;
    case 126: {
        const int k = static_cast<int>(v * 96.0f + 0.0001f);
        std::snprintf(text, size, "%s%d", kNoteNames[((k % 12) + 12) % 12], k / 12);
        return;
    }
    case 127: std::snprintf(text, size, "%s", n == 1 ? "Dual" : n == 2 ? "Split" : "Single"); return;
    case 128: {
        const int a = v <= 0.5f ? 100 : static_cast<int>((1.0f - v) * 200.0f);
        const int b = v >= 0.5f ? 100 : static_cast<int>(v * 200.0f);
        std::snprintf(text, size, "A %d%% <> B %d%%", a, b);
        return;
    }
    case control::kLfo[0].steps:
    case control::kLfo[1].steps: std::snprintf(text, size, "%d Steps", n); return;
    default: std::snprintf(text, size, "%.2f", static_cast<double>(v) * 10.0); return;
    }
}

}  // namespace calverine
