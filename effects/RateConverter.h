#pragma once

namespace calverine {

class RateConverter {};

}  // namespace calverine
