#pragma once

namespace calverine {

class ChorusUnit {
public:
};

}  // namespace calverine
