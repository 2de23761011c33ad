#include "zev/geometry/GeometricAlgorithmInterface.h"

namespace zev {

GeometricAlgorithmInterface::~GeometricAlgorithmInterface() = default;

} // namespace zev
