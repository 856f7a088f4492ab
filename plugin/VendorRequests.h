// Calverine's own vendor-specific requests (effVendorSpecific, arg1), for
// its tools. Other hosts never send them.
#pragma once

#include "vst24.h"

namespace calverine {

// Draws the editor off-screen into a PNG: ptr is the UTF-8 path, value the
// UI size (0 Medium, 1 Small, 2 Large; -1 the current one). Answers 1 when
// the file was written.
constexpr VstInt32 kScreenshotRequest = ('C' << 24) | ('v' << 16) | ('S' << 8) | 'h';

}  // namespace calverine
