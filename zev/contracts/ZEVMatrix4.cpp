#include "zev/contracts/ZEVMatrix4.h"

namespace zev {

float ZEVMatrix4::determinant() const
{
    // Expansion along the first row over the 3x3 minors, in double precision.
    auto m = [this](int r, int c) { return static_cast<double>(m_m[r][c]); };
    auto minor3 = [&](int skip) {
        int cols[3];
        for (int c = 0, k = 0; c < 4; ++c)
            if (c != skip)
                cols[k++] = c;
        return m(1, cols[0]) * (m(2, cols[1]) * m(3, cols[2]) - m(2, cols[2]) * m(3, cols[1])) -
               m(1, cols[1]) * (m(2, cols[0]) * m(3, cols[2]) - m(2, cols[2]) * m(3, cols[0])) +
               m(1, cols[2]) * (m(2, cols[0]) * m(3, cols[1]) - m(2, cols[1]) * m(3, cols[0]));
    };
    double d = 0.0;
    for (int c = 0; c < 4; ++c) {
        const double term = m(0, c) * minor3(c);
        d += (c % 2 == 0) ? term : -term;
    }
    return static_cast<float>(d);
}

} // namespace zev
