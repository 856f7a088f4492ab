#include "ParameterTable.h"

#include <algorithm>
#include <cmath>

namespace calverine::params {

namespace {

const HostParameter kHostTable[kHostParameters] = {
    {"ModWheel", 98, -1, 1, 0.0f},
    {"Volume", 7, -1, -1, 0.5f},
    {"Spread", 8, -1, -1, 0.5f},
    {"Tuning", 12, -1, -1, 0.5f},
    {"Effects", 10, -1, -1, 0.0f},
    {"Portamento", 13, -1, -1, 0.0f},
    {"Unison", 14, -1, -1, 0.0f},
    {"Mod LFO 1 Rate", 20, -1, -1, 0.5f},
    {"Mod LFO 1 Shape", 21, -1, -1, 0.0f},
    {"Mod LFO 1 Freq Depth", 24, -1, -1, 0.0f},
    {"Mod LFO 1 Freq Osc 1", 25, -1, -1, 0.0f},
    {"Mod LFO 1 Freq Osc 2", 26, -1, -1, 0.0f},
    {"Mod LFO 1 Freq Filter", 27, -1, -1, 0.0f},
    {"Mod LFO 1 PW Depth", 28, -1, -1, 0.0f},
    {"Mod LFO 1 PW Osc 1", 29, -1, -1, 0.0f},
    {"Mod LFO 1 PW Osc 2", 30, -1, -1, 0.0f},
    {"Mod LFO 2 Rate", 33, -1, -1, 0.5f},
    {"Mod LFO 2 Shape", 34, -1, -1, 0.0f},
    {"Mod LFO 2 Freq Depth", 35, -1, -1, 0.0f},
    {"Mod LFO 2 Freq Osc 1", 36, -1, -1, 0.0f},
    {"Mod LFO 2 Freq Osc 2", 37, -1, -1, 0.0f},
    {"Mod LFO 2 Freq Filter", 38, -1, -1, 0.0f},
    {"Mod LFO 2 PW Depth", 67, -1, -1, 0.0f},
    {"Mod LFO 2 PW Osc 1", 68, -1, -1, 0.0f},
    {"Mod LFO 2 PW Osc 2", 69, -1, -1, 0.0f},
    {"LFO 1 Steps", 210, -1, -1, 16.0f},
    {"LFO 1 Steps One Shot", 220, -1, -1, 0.0f},
    {"LFO 2 Steps", 211, -1, -1, 16.0f},
    {"LFO 2 Steps One Shot", 221, -1, -1, 0.0f},
    {"Filter Env Retrig", 118, -1, -1, 0.0f},
    {"Parts Mode", 127, -1, -1, 0.0f},
    {"Parts A/B Mix", 128, -1, -1, 0.5f},
    {"[A] Osc 1 Freq", 41, 0, -1, 0.0f},
    {"[A] Osc 1 Saw", 42, 0, -1, 1.0f},
    {"[A] Osc 1 Pulse", 43, 0, -1, 0.0f},
    {"[A] Osc 2 Detune", 15, 0, -1, 0.5f},
    {"[A] Osc 2 X-Mod", 31, 0, -1, 0.0f},
    {"[A] Osc 2 Freq", 44, 0, -1, 0.0f},
    {"[A] Osc 2 Saw", 45, 0, -1, 1.0f},
    {"[A] Osc 2 Pulse", 46, 0, -1, 0.0f},
    {"[A] Osc PW", 47, 0, -1, 0.0f},
    {"[A] Osc PW O2 Sync", 48, 0, -1, 0.0f},
    {"[A] Osc PW F-Env", 49, 0, -1, 0.0f},
    {"[A] Filter Freq", 50, 0, -1, 1.0f},
    {"[A] Filter Reso", 51, 0, -1, 0.0f},
    {"[A] Filter Mod", 52, 0, -1, 0.5f},
    {"[A] Filter O1", 53, 0, -1, 1.0f},
    {"[A] Filter O2", 54, 0, -1, 2.0f},
    {"[A] Filter Noise", 56, 0, -1, 0.0f},
    {"[A] Filter BP", 78, 0, -1, 0.0f},
    {"[A] Filter 4-Pole", 57, 0, -1, 0.0f},
    {"[A] Filter Track", 58, 0, -1, 0.0f},
    {"[A] Filter Env Attack", 59, 0, -1, 0.0f},
    {"[A] Filter Env Decay", 60, 0, -1, 0.5f},
    {"[A] Filter Env Sustain", 61, 0, -1, 1.0f},
    {"[A] Filter Env Release", 62, 0, -1, 0.0f},
    {"[A] Loudness Env Attack", 63, 0, -1, 0.0f},
    {"[A] Loudness Env Decay", 64, 0, -1, 0.5f},
    {"[A] Loudness Env Sustain", 65, 0, -1, 1.0f},
    {"[A] Loudness Env Release", 66, 0, -1, 0.0f},
    {"[B] Osc 1 Freq", 41, 1, -1, 0.0f},
    {"[B] Osc 1 Saw", 42, 1, -1, 1.0f},
    {"[B] Osc 1 Pulse", 43, 1, -1, 0.0f},
    {"[B] Osc 2 Detune", 15, 1, -1, 0.5f},
    {"[B] Osc 2 X-Mod", 31, 1, -1, 0.0f},
    {"[B] Osc 2 Freq", 44, 1, -1, 0.0f},
    {"[B] Osc 2 Saw", 45, 1, -1, 1.0f},
    {"[B] Osc 2 Pulse", 46, 1, -1, 0.0f},
    {"[B] Osc PW", 47, 1, -1, 0.0f},
    {"[B] Osc PW O2 Sync", 48, 1, -1, 0.0f},
    {"[B] Osc PW F-Env", 49, 1, -1, 0.0f},
    {"[B] Filter Freq", 50, 1, -1, 1.0f},
    {"[B] Filter Reso", 51, 1, -1, 0.0f},
    {"[B] Filter Mod", 52, 1, -1, 0.5f},
    {"[B] Filter Osc 1", 53, 1, -1, 1.0f},
    {"[B] Filter Osc 2", 54, 1, -1, 2.0f},
    {"[B] Filter Noise", 56, 1, -1, 0.0f},
    {"[B] Filter BP", 78, 1, -1, 0.0f},
    {"[B] Filter 4-Pole", 57, 1, -1, 0.0f},
    {"[B] Filter Track", 58, 1, -1, 0.0f},
    {"[B] Filter Env Attack", 59, 1, -1, 0.0f},
    {"[B] Filter Env Decay", 60, 1, -1, 0.5f},
    {"[B] Filter Env Sustain", 61, 1, -1, 1.0f},
    {"[B] Filter Env Release", 62, 1, -1, 0.0f},
    {"[B] Loudness Env Attack", 63, 1, -1, 0.0f},
    {"[B] Loudness Env Decay", 64, 1, -1, 0.5f},
    {"[B] Loudness Env Sustain", 65, 1, -1, 1.0f},
    {"[B] Loudness Env Release", 66, 1, -1, 0.0f},
    {"Voice 1 Mute", 70, -1, -1, 0.0f},
    {"Voice 2 Mute", 71, -1, -1, 0.0f},
    {"Voice 3 Mute", 72, -1, -1, 0.0f},
    {"Voice 4 Mute", 73, -1, -1, 0.0f},
    {"Voice 5 Mute", 74, -1, -1, 0.0f},
    {"Voice 6 Mute", 75, -1, -1, 0.0f},
    {"Voice 7 Mute", 76, -1, -1, 0.0f},
    {"Voice 8 Mute", 77, -1, -1, 0.0f},
    {"Voice 9 Mute", 170, -1, -1, 0.0f},
    {"Voice 10 Mute", 171, -1, -1, 0.0f},
    {"Voice 11 Mute", 172, -1, -1, 0.0f},
    {"Voice 12 Mute", 173, -1, -1, 0.0f},
    {"Voice 13 Mute", 174, -1, -1, 0.0f},
    {"Voice 14 Mute", 175, -1, -1, 0.0f},
    {"Voice 15 Mute", 176, -1, -1, 0.0f},
    {"Voice 16 Mute", 177, -1, -1, 0.0f},
    {"MM Source 1", 100, -1, -1, 1.0f},
    {"MM Amount 1", 110, -1, -1, 0.5f},
    {"MM Destination 1", 120, -1, -1, 4.0f},
    {"MM Source 2", 101, -1, -1, 2.0f},
    {"MM Amount 2", 111, -1, -1, 0.5f},
    {"MM Destination 2", 121, -1, -1, 2.0f},
    {"MM Source 3", 102, -1, -1, 0.0f},
    {"MM Amount 3", 112, -1, -1, 0.5f},
    {"MM Destination 3", 122, -1, -1, 0.0f},
    {"MM Source 4", 103, -1, -1, 0.0f},
    {"MM Amount 4", 113, -1, -1, 0.5f},
    {"MM Destination 4", 123, -1, -1, 0.0f},
    {"MM Source 5", 104, -1, -1, 0.0f},
    {"MM Amount 5", 114, -1, -1, 0.5f},
    {"MM Destination 5", 124, -1, -1, 0.0f},
    {"MM Source 6", 105, -1, -1, 0.0f},
    {"MM Amount 6", 115, -1, -1, 0.5f},
    {"MM Destination 6", 125, -1, -1, 0.0f},
    {"VCA Saturation", 108, -1, -1, 0.0f},
    {"Limiter", 79, -1, -1, 0.0f},
    {"Organic", 96, -1, -1, 0.0f},
    {"Transpose", 32, -1, -1, 24.0f},
    {"Split", 126, -1, -1, 0.5f},
    {"Delay On/Off", 109, -1, -1, 1.0f},
    {"Delay Time", 84, -1, -1, 7.0f},
    {"Delay Feedback", 85, -1, -1, 0.5f},
    {"Delay Offset", 86, -1, -1, 1.0f},
    {"Delay Low Cut", 87, -1, -1, 0.0f},
    {"Delay High Cut", 88, -1, -1, 0.0f},
    {"Delay  Dry/Wet", 89, -1, -1, 0.25f},
    {"Reverb On/Off", 119, -1, -1, 1.0f},
    {"Reverb Time", 90, -1, -1, 0.5f},
    {"Reverb Color", 91, -1, -1, 0.2f},
    {"Reverb Width", 94, -1, -1, 1.0f},
    {"Reverb Regen", 93, -1, -1, 0.0f},
    {"Reverb Shimmer", 92, -1, -1, 0.0f},
    {"Reverb Dry/Wet", 95, -1, -1, 0.25f},
    {"Chorus On/Off", 129, -1, -1, 1.0f},
    {"Chorus Rate", 16, -1, -1, 0.5f},
    {"Chorus Low Cut", 17, -1, -1, 0.0f},
    {"Chorus High Cut", 18, -1, -1, 0.0f},
    {"Chorus Dry/Wet/Depth", 19, -1, -1, 0.25f},
    {"Chorus Ensemble On/Off", 97, -1, -1, 0.0f},
    {"MM Source 7", 182, -1, -1, 0.0f},
    {"MM Amount 7", 183, -1, -1, 0.5f},
    {"MM Destination 7", 184, -1, -1, 0.0f},
    {"MM Source 8", 185, -1, -1, 0.0f},
    {"MM Amount 8", 186, -1, -1, 0.5f},
    {"MM Destination 8", 187, -1, -1, 0.0f},
    {"MM Source 9", 188, -1, -1, 0.0f},
    {"MM Amount 9", 189, -1, -1, 0.5f},
    {"MM Destination 9", 190, -1, -1, 0.0f},
    {"MM Source 10", 191, -1, -1, 0.0f},
    {"MM Amount 10", 192, -1, -1, 0.5f},
    {"MM Destination 10", 193, -1, -1, 0.0f},
    {"MM Source 11", 194, -1, -1, 0.0f},
    {"MM Amount 11", 195, -1, -1, 0.5f},
    {"MM Destination 11", 196, -1, -1, 0.0f},
    {"MM Source 12", 197, -1, -1, 0.0f},
    {"MM Amount 12", 198, -1, -1, 0.5f},
    {"MM Destination 12", 199, -1, -1, 0.0f},
    {"Reverb Chorale", 83, -1, -1, 0.0f},
    {"Delay Double-X", 55, -1, -1, 0.0f},
    {"LFO 1 Soften", 222, -1, -1, 0.0f},
    {"LFO 2 Soften", 223, -1, -1, 0.0f},
};

// The 28 per-part controls, in the order of their default records.
constexpr int kPartControls[kPerPartControls] = {41, 47, 44, 42, 43, 48, 49, 15, 31, 45, 46, 50, 51, 52,
                                                 53, 54, 56, 78, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66};

// Global controls without a host parameter (after the wheels): voice count and
// the two pitch-bend ranges.
constexpr DefaultRecord kHiddenGlobals[] = {
    {-1, 8.0f, control::kVoiceCount}, {-1, 12.0f, control::kBendRangeUp}, {-1, 12.0f, control::kBendRangeDown}};

constexpr int kSwitches[] = {10,  14,  25,  26,  27,  29,  30,  36,  37,  38,  42,  43,  45,  46,  48,  49,
                             53,  55,  56,  57,  58,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,
                             79,  83,  97,  108, 109, 118, 119, 129, 170, 171, 172, 173, 174, 175, 176, 177,
                             220, 221};
constexpr int kIntegers[] = {10,  14,  21,  25,  26,  27,  29,  30,  32,  34,  36,  37,  38,  42,  43,  45,
                             46,  48,  49,  53,  54,  55,  56,  57,  58,  68,  69,  70,  71,  72,  73,  74,
                             75,  76,  77,  78,  79,  80,  81,  83,  84,  97,  100, 101, 102, 103, 104, 105,
                             108, 109, 118, 119, 120, 121, 122, 123, 124, 125, 127, 129, 169, 170, 171, 172,
                             173, 174, 175, 176, 177, 182, 184, 185, 187, 188, 190, 191, 193, 194, 196, 197,
                             199, 210, 211, 220, 221};

constexpr int kStepCounts[6] = {4, 8, 16, 32, 64, 128};

template <std::size_t n>
constexpr bool contains(const int (&list)[n], int value) {
    for (int x : list)
        if (x == value) return true;
    return false;
}

std::array<DefaultRecord, kDefaultRecords> buildDefaultRecords() {
    std::array<DefaultRecord, kDefaultRecords> records{};
    std::size_t next = 0;
    records[next++] = {-1, 0.5f, kPitchWheel};
    records[next++] = {-1, 0.0f, kModWheel};
    for (const HostParameter& p : kHostTable)
        if (p.part < 0 && p.control != kModWheel) records[next++] = {-1, p.defaultValue, p.control};
    for (const DefaultRecord& r : kHiddenGlobals) records[next++] = r;
    for (int part = 0; part < 2; ++part)
        for (int control : kPartControls) {
            float value = 0.0f;
            for (const HostParameter& p : kHostTable)
                if (p.part == 0 && p.control == control) value = p.defaultValue;
            records[next++] = {part, value, control};
        }
    for (int slot = 0; slot < kVoiceSlots; ++slot)
        for (int control = control::kFirstVoiceAdjustment; control <= control::kLastVoiceAdjustment; ++control)
            records[next++] = {slot, 0.5f, control};
    return records;
}

int listIndexOf(const ListEntry* list, int count, int value) {
    for (int i = 0; i < count; ++i)
        if (list[i].value == value) return i;
    return -1;
}

}  // namespace

const ListEntry kSources[kSourceCount] = {
    {"Off", 0},         {"Velocity", 1},  {"Keytrk (C0)", 19}, {"Keytrk (C4)", 18}, {"Modwheel", 6},
    {"Pitchbend", 17},  {"Aftertouch", 2}, {"Poly AT", 20},    {"Foot", 3},         {"Expression", 4},
    {"Timbre (74)", 5}, {"Const", 7},     {"Random", 8},       {"LFO 1", 9},        {"LFO 2", 10},
    {"LFO 1*MW", 11},   {"LFO 2*MW", 12}, {"LFO 1*AT", 13},    {"LFO 2*AT", 14},    {"Flt Env", 15},
    {"Amp Env", 16}};

const ListEntry kDestinations[kDestinationCount] = {
    {"Off", 0},           {"Cutoff", 1},         {"Resonance", 55},     {"Env Amt", 3},        {"Volume", 4},
    {"Portamento", 70},   {"Pitch Semi", 5},     {"Pitch Fine", 6},     {"Osc 1 Semi", 7},     {"Osc 2 Semi", 8},
    {"Osc 1 Fine", 9},    {"Osc 2 Fine", 10},    {"Osc 1 Vol", 22},     {"Osc 2 Vol", 23},     {"Osc 1 Phase", 50},
    {"Osc 2 Phase", 51},  {"Osc 1 PW", 11},      {"Osc 2 PW", 12},      {"Osc 1+2 PW", 21},    {"Osc X-Mod", 53},
    {"Noise Vol", 48},    {"Organic", 52},       {"Flt Keytrack", 49},  {"Flt Attack", 13},    {"Flt Decay", 14},
    {"Flt Sustain", 15},  {"Flt Release", 16},   {"Amp Attack", 17},    {"Amp Decay", 18},     {"Amp Sustain", 19},
    {"Amp Release", 20},  {"LFO 1 Depth", 2},    {"LFO 2 Depth", 47},   {"LFO 1 Rate", 45},    {"LFO 2 Rate", 46},
    {"Part Mix", 54},     {"Part A Cutoff", 56}, {"Part B Cutoff", 57}, {"Part A Semi", 58},   {"Part B Semi", 59},
    {"Part A Fine", 60},  {"Part B Fine", 61},   {"Part A Vol", 62},    {"Part B Vol", 63},    {"DL Feedback", 30},
    {"DL Width", 31},     {"DL Low Cut", 32},    {"DL High Cut", 33},   {"DL Dry/Wet", 34},    {"RV Time", 35},
    {"RV Color", 36},     {"RV Width", 37},      {"RV Regen", 38},      {"RV Shimmer", 39},    {"RV Dry/Wet", 40},
    {"CH Low Cut", 41},   {"CH High Cut", 42},   {"CH Rate", 43},       {"CH Dry/Wet", 44}};

const HostParameter* hostParameter(int index) {
    return index >= 0 && index < kHostParameters ? &kHostTable[index] : nullptr;
}

const std::array<DefaultRecord, kDefaultRecords>& defaultRecords() {
    static const std::array<DefaultRecord, kDefaultRecords> records = buildDefaultRecords();
    return records;
}

Kind kindOf(int control) {
    if (contains(control::kMatrixSource, control)) return Kind::SourceList;
    if (contains(control::kMatrixDestination, control)) return Kind::DestinationList;
    if (control == control::kLfo[0].steps || control == control::kLfo[1].steps) return Kind::StepCount;
    if (isSwitch(control)) return Kind::Switch;
    if (isInteger(control)) return Kind::Integer;
    return Kind::Continuous;
}

bool isSwitch(int control) { return contains(kSwitches, control); }
bool isInteger(int control) { return contains(kIntegers, control); }
bool isPartControl(int control) { return contains(kPartControls, control); }
bool isVoiceAdjustment(int control) {
    return control >= control::kFirstVoiceAdjustment && control <= control::kLastVoiceAdjustment;
}

float scaleOf(int control) {
    switch (control) {
    case control::kDelayTime: return 14.0f;
    case control::kTranspose:
    case control::kBendRangeUp:
    case control::kBendRangeDown: return 48.0f;
    case control::kLfo[0].shape:
    case control::kLfo[1].shape: return 3.0f;
    case control::kFilterOsc2:
    case control::kPartsMode: return 2.0f;
    default: return 1.0f;
    }
}

bool acceptStoredValue(int control, float& value) {
    if (!std::isfinite(value)) return false;
    value = std::clamp(value, -kValueBound, kValueBound);
    if (isSwitch(control)) value = value < 0.5f ? 0.0f : 1.0f;
    return true;
}

float normalizedToStored(int control, float normalized) {
    switch (kindOf(control)) {
    case Kind::SourceList:
        return static_cast<float>(kSources[std::clamp(static_cast<int>(normalized * 127.0f), 0, kSourceCount - 1)].value);
    case Kind::DestinationList:
        return static_cast<float>(
            kDestinations[std::clamp(static_cast<int>(normalized * 127.0f), 0, kDestinationCount - 1)].value);
    case Kind::StepCount:
        return static_cast<float>(kStepCounts[std::clamp(static_cast<int>(normalized * 5.0f), 0, 5)]);
    default:
        return normalized * scaleOf(control);
    }
}

float storedToNormalized(int control, float stored) {
    switch (kindOf(control)) {
    case Kind::SourceList:
        return static_cast<float>(std::max(listIndexOf(kSources, kSourceCount, static_cast<int>(stored)), 0)) / 127.0f;
    case Kind::DestinationList:
        return static_cast<float>(std::max(listIndexOf(kDestinations, kDestinationCount, static_cast<int>(stored)), 0)) /
               127.0f;
    case Kind::StepCount:
        for (int k = 0; k < 6; ++k)
            if (stored == static_cast<float>(kStepCounts[k])) return static_cast<float>(k) * 0.2f;
        return 0.2f;
    default:
        return stored / scaleOf(control);
    }
}

}  // namespace calverine::params
