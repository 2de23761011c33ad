#include "zev/search/Octree.h"

namespace zev {

Octree::~Octree() = default;

} // namespace zev
