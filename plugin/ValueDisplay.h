// The one formatter that turns a control's stored value into the text the host
// and the editor show.
#pragma once

#include <cstddef>

namespace calverine {

// What the formatter needs to know beyond the value itself.
struct DisplayContext {
    int lfoShape[2] = {0, 0};        // stored shapes of mod LFO 1 and 2
    double lfoHertz[2] = {0.0, 0.0};  // their current free-running frequency
};

// Writes at most size - 1 characters and a terminator.
void formatControlValue(int control, float value, const DisplayContext& context, char* text, std::size_t size);

}  // namespace calverine
