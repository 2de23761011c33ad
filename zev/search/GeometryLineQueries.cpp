// The line and circle queries of Geometry; the work is done in LineQueries.

#include "zev/geometry/Geometry.h"
#include "zev/search/FaceLineTree.h"
#include "zev/search/LineQueries.h"

namespace zev {

void Geometry::intersectLineWithGeometry(const Geometry* p_domain, const Triplet& p_point,
                                         const Triplet& p_direction, std::map<int, double>& p_lengthScales)
{
    LineQueries::intersectLineWithGeometry(*this, p_domain, p_point, p_direction, p_lengthScales);
}

bool Geometry::intersectFacesWithLine(const Triplet& p_point, const Triplet& p_direction,
                                      Triplet& p_result) const
{
    ensureCachesCurrent();
    return LineQueries::intersectFacesWithLine(*this, p_point, p_direction, p_result, &m_faceLineTree,
                                               &cacheMutex());
}

bool Geometry::intersectFacesWithCircle(const Triplet& p_point, const Triplet& p_axisStart,
                                        const Triplet& p_axisEnd, double& p_angle) const
{
    ensureCachesCurrent();
    return LineQueries::intersectFacesWithCircle(*this, p_point, p_axisStart, p_axisEnd, p_angle,
                                                 &m_faceLineTree, &cacheMutex());
}

} // namespace zev
