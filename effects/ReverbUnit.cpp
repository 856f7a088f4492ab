#include "ReverbUnit.h"

namespace calverine {

ReverbUnit::ReverbUnit() = default;
ReverbUnit::~ReverbUnit() = default;

void ReverbUnit::setSampleRate(double) {}

bool ReverbUnit::setControl(int, float) { return false; }

void ReverbUnit::setOffsets(const float*) {}

void ReverbUnit::process(int, float*, float*, float, bool) {}

void ReverbUnit::clear(int) {}

}  // namespace calverine
