// Internal to the mesh readers: whether a whole number read from a file fits the integer type the file
// declares for it.
#pragma once

#include "zev/io/MeshData.h"

#include <climits>

namespace zev::io {

// Whether p_value lies in the range of the integer type p_type; true for the floating-point types and
// for signed 64-bit integers, which this does not bound.
inline bool fitsValueType(ValueType p_type, double p_value)
{
    switch (p_type) {
    case ValueType::UnsignedChar:
        return p_value >= 0 && p_value <= 255;
    case ValueType::Char:
        return p_value >= -128 && p_value <= 127;
    case ValueType::UnsignedShort:
        return p_value >= 0 && p_value <= 65535;
    case ValueType::Short:
        return p_value >= -32768 && p_value <= 32767;
    case ValueType::UnsignedInt:
        return p_value >= 0 && p_value <= 4294967295.0;
    case ValueType::Int:
    case ValueType::IdType:
        return p_value >= INT_MIN && p_value <= INT_MAX;
    case ValueType::UnsignedLong:
    case ValueType::UInt64:
        return p_value >= 0;
    default:
        return true;
    }
}

} // namespace zev::io
