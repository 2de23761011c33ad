#include "zev/geometry/GeometryVariableProviderIF.h"

namespace zev {

GeometryVariableProviderIF::~GeometryVariableProviderIF() = default;

} // namespace zev
