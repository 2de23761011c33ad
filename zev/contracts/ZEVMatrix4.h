#pragma once
// A 4 by 4 matrix of floats, addressed by row.

#include "zev/ZEVExport.h"

namespace zev {

class ZEV_EXPORT ZEVMatrix4 {
public:
    ZEVMatrix4() = default;

    float* operator[](int p_row) { return m_m[p_row]; }
    const float* operator[](int p_row) const { return m_m[p_row]; }

    // Computed by cofactor expansion in double precision.
    float determinant() const;

private:
    float m_m[4][4] = {};
};

} // namespace zev
