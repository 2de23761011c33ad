// Internal to the mesh readers and writers: whether a whole number read from a file fits the integer type
// the file declares for it, and whether a value can be a point's coordinate.
#pragma once

#include "zev/io/FormatError.h"
#include "zev/io/MeshData.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <string>

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

// Why p_value cannot be a point's coordinate ("point N " comes before it in a message), or null. The
// geometry holds coordinates in single precision and takes the largest float, 3.4028235e38, as its mark of
// an undefined value, so a coordinate is finite and smaller than that; readers and writers both keep to it.
inline char const* coordinateFault(double p_value)
{
    if (!std::isfinite(p_value)) {
        return "has a coordinate that is not a finite number";
    }
    if (std::fabs(p_value) > FLT_MAX) {
        return "has a coordinate outside the single-precision range";
    }
    if (std::fabs(p_value) == FLT_MAX) {
        return "has a coordinate of 3.4028235e38, the value that marks undefined data";
    }
    return nullptr;
}

// A writer refuses the mesh p_name whose points its readers would refuse, rather than write a file that
// cannot be read back.
inline void checkCoordinates(MeshData const& p_mesh, std::string const& p_name)
{
    for (std::size_t i = 0; i < p_mesh.points.size(); ++i) {
        if (char const* fault = coordinateFault(p_mesh.points[i])) {
            throw FormatError(p_name, 0, FormatError::s_noOffset,
                              "point " + std::to_string(i / 3) + " " + fault);
        }
    }
}

} // namespace zev::io
