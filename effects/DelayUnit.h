#pragma once

namespace calverine {

class DelayUnit {
public:
};

}  // namespace calverine
