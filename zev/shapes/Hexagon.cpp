#include "zev/shapes/Hexagon.h"

namespace zev {

Hexagon::~Hexagon() = default;

} // namespace zev
