// Runs a test body once for each width of the voice loops this processor
// has (four lanes, and eight where it has AVX2 and FMA), then puts back the
// width that was in use.
#pragma once

#include "VoiceKernels.h"

template <typename Body>
void forEachLoopWidth(Body body) {
    const bool before = calverine::wideVoiceLoopsInUse();
    for (bool wide : {false, true})
        if (calverine::useWideVoiceLoops(wide) == wide) body(wide);
    calverine::useWideVoiceLoops(before);
}
