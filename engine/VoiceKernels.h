// Which build of the voice loops (VoiceKernels.inl) runs: eight lanes per
// vector on processors with AVX2 and FMA, chosen at start-up, else four.
#pragma once

namespace calverine {

// Asks for the eight-lane loops (true) or the four-lane ones (false) and
// returns whether the eight-lane ones are in use now: never on a processor
// without them. Tests use it to hear both.
bool useWideVoiceLoops(bool wanted);
bool wideVoiceLoopsInUse();

}  // namespace calverine
