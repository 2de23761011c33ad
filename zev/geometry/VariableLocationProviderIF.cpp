#include "zev/geometry/VariableLocationProviderIF.h"

namespace zev {

VariableLocationProviderIF::~VariableLocationProviderIF() = default;

} // namespace zev
