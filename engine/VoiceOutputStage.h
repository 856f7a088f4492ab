// The filter and output stage of the voices: four voices per group, at four
// times the sample rate. One pass takes one to four groups (the eight-voice
// pass is two) with one part's filter topology; the topology and the saturation are
// template parameters, so the sample loop has no mode switch. Per-lane
// constants are prepared once per pass, and the filter tables replace tan().
// The loops themselves are in VoiceKernels.inl.
#pragma once

#include "FilterTables.h"
#include "Voice.h"

namespace calverine {

// One lane of a pass: the voice's carried state and its placement.
struct OutputLane {
    FilterState* state = nullptr;
    float panLeft = 1.0f, panRight = 1.0f;
    float presence = 1.0f;  // one-pole coefficient of the presence stage
};

// Rate-dependent constants shared by every pass.
struct OutputStageConstants {
    float inputDc = 0.0f;   // 1 Hz one-pole
    float outputDc = 0.0f;  // 5 Hz one-pole
    float highPass[3] = {0.0f, 0.0f, 0.0f};  // 10 Hz two-pole, damping 1.6
    float feedbackGain = 0.0f;               // G of the four-pole feedback's 8 Hz high-pass
    void configure(double oversampledRate);
};

struct OutputStageMode {
    bool fourPole = false;
    bool bandPass = false;
    bool saturate = false;
};

// Runs `groups` (1 to 4) groups of four lanes, side by side in `blocks` and
// `lanes` (4 x groups of them), for `subSamples` sub-samples and adds the
// voices into mixLeft/mixRight (one value per sub-sample).
void runOutputStage(const OutputStageMode& mode, const LaneBlock* blocks, OutputLane* lanes, int groups,
                    int subSamples, const FilterTables& tables, const OutputStageConstants& constants,
                    float* mixLeft, float* mixRight);

}  // namespace calverine
