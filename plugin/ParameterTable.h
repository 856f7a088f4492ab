// The two index spaces of Calverine and the fixed tables between them.
//
// The host sees 169 parameters with normalized values 0..1. Inside, every
// setting is a control: a control id 0..223 with a part index (-1 global, 0/1
// for parts A and B, 0..15 for the voice slots of the per-voice adjustments)
// and a value in the control's own stored scale. The default-value table of
// 653 records defines which (control, part) slots exist and the "Init Patch";
// its order is the order of the values in every saved patch.
#pragma once

#include <array>
#include <cstdint>

#include "EngineControls.h"

namespace calverine::params {

constexpr int kHostParameters = 169;
constexpr int kGlobalRecords = 117;
constexpr int kPerPartControls = 28;
constexpr int kPerVoiceControls = 30;
constexpr int kVoiceSlots = 16;
constexpr int kDefaultRecords = kGlobalRecords + 2 * kPerPartControls + kVoiceSlots * kPerVoiceControls;
static_assert(kDefaultRecords == 653);
constexpr int kHighestControl = 223;
constexpr int kControlIds = kHighestControl + 1;  // the size of every per-control table
constexpr int kCurrent = -88888;  // "the current part" / "the current preset"
// Stored values are held within +-this: no control's scale comes near it,
// and it keeps every integer conversion of a stored value defined.
constexpr float kValueBound = 1.0e6f;

// Control ids with a meaning of their own in the shell (the engine's are
// named in EngineControls.h).
constexpr int kModWheel = 98;
constexpr int kPitchWheel = 99;
constexpr float kTimbreSource = 5.0f;  // stored value of the "Timbre (74)" source

struct HostParameter {
    const char* name;
    int control;
    int part;               // -1 global, 0 part A, 1 part B
    int defaultController;  // MIDI controller, -1 for none
    float defaultValue;     // stored scale
};

struct DefaultRecord {
    int part;  // -1 global, 0..15 per part or voice slot
    float value;
    int control;
};

struct ListEntry {
    const char* name;
    int value;  // the stored value the engine and patch files carry
};

constexpr int kSourceCount = 21;
constexpr int kDestinationCount = 59;
extern const ListEntry kSources[kSourceCount];
extern const ListEntry kDestinations[kDestinationCount];

enum class Kind { Continuous, Switch, Integer, SourceList, DestinationList, StepCount };

// Null for an index outside 0..168.
const HostParameter* hostParameter(int index);
const std::array<DefaultRecord, kDefaultRecords>& defaultRecords();

Kind kindOf(int control);
// Stored values are forced to 0 or 1 before they are stored.
bool isSwitch(int control);
// Truncated to an integer before they reach the engine.
bool isInteger(int control);
// One of the 28 controls that exist for parts A and B.
bool isPartControl(int control);
// A per-voice adjustment, present for voice slots 0..15.
bool isVoiceAdjustment(int control);
// Stored value = normalized x scale (1 for list and step controls).
float scaleOf(int control);

// What the change path stores for `value`: false for a value that is not a
// number (nothing is stored); otherwise the value held within kValueBound,
// and a switch forced to 0 or 1.
bool acceptStoredValue(int control, float& value);

float normalizedToStored(int control, float normalized);
float storedToNormalized(int control, float stored);

}  // namespace calverine::params
