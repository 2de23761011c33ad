#include "zev/shapes/Pentagon.h"

namespace zev {

Pentagon::~Pentagon() = default;

} // namespace zev
