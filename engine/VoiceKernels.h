// Which build of the voice loops (VoiceKernels.inl) runs: eight lanes per
// vector on processors with AVX2 and FMA, chosen at start-up, else four.
#pragma once

#include <cstdint>

namespace calverine {

// Asks for the eight-lane loops (true) or the four-lane ones (false) and
// returns whether the eight-lane ones are in use now: never on a processor
// without them. Tests use it to hear both.
bool useWideVoiceLoops(bool wanted);
bool wideVoiceLoopsInUse();

// The decimator's dot products (Decimator::process), in the chosen width.
void decimate(const float* left4, const float* right4, int n, float* outLeft, float* outRight, float* ring,
              int ringEntries, const float* kernel, int entries, std::uint32_t& writeIndex);

}  // namespace calverine
