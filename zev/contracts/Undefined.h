#pragma once
// The undefined value: the largest finite float (bit pattern 0x7f7fffff). It marks every
// undefined coordinate, value, weight or result and is compared exactly.

#include <limits>

namespace zev {

constexpr float ZEV_UNDEF = std::numeric_limits<float>::max();
static_assert(ZEV_UNDEF == 3.40282347e38f, "undefined value must be the largest finite float");

} // namespace zev
