#pragma once
// Tests on single-precision values shared by every subsystem.

#include "zev/contracts/Undefined.h"

namespace zev {

class FloatUtilities {
public:
    // True exactly for the undefined value.
    static bool isUndef(float p_value) { return p_value == ZEV_UNDEF; }
};

} // namespace zev
