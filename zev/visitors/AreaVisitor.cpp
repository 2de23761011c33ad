#include "zev/visitors/AreaVisitor.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/visitors/FloatReader.h"

namespace zev {

namespace {

Triplet normalisedAxis(Triplet p_axis)
{
    if (FloatUtilities::isUndef(p_axis[0]) || FloatUtilities::isUndef(p_axis[1]) ||
        FloatUtilities::isUndef(p_axis[2]))
        return p_axis / ZEV_UNDEF;
    const float length = p_axis.length();
    if (length != 0.0f)
        p_axis /= length;
    return p_axis;
}

} // namespace

AreaVisitor::AreaVisitor(const TripletBase<float>& p_axis, const std::string& p_name)
    : IntegrationVisitor(p_name), m_useMagnitude(false), m_axis(normalisedAxis(p_axis))
{
}

void AreaVisitor::setAxis(const TripletBase<float>& p_axis)
{
    m_axis = normalisedAxis(p_axis);
    m_useMagnitude = false;
}

void AreaVisitor::visitGeometry(Geometry& p_geometry, const FloatZEVVector* p_values)
{
    const VarLocation location = p_geometry.getLocationForExpression(m_variableName);
    // The named variable is looked up even when the caller gives the values (the lookup may
    // evaluate an expression or ask the host); only the given values are used then.
    if (p_values != nullptr && !m_variableName.empty())
        p_geometry.getVariable(m_variableName, false, location);
    const FloatZEVVector* values = valuesToWeigh(p_geometry, p_values, location, "AreaVisitor");
    const bool atVertices = location == eVertex;
    const TripletZEVVector& vectors =
        atVertices ? p_geometry.getVertexAreaVectors() : p_geometry.getFaceAreaVectors();
    const FloatZEVVectorConcrete& areas =
        atVertices ? p_geometry.getVertexAreas() : p_geometry.getFaceAreas();
    const std::size_t n = areas.size();
    if (n == 0)
        return;
    // Reading one value per area: a shorter array is refused rather than read past its end.
    if (values && values->size() < n)
        throw internal::error("AreaVisitor", "visitGeometry",
                              SystemMsg("Number of weights different from number of values."));
    if (values == nullptr) {
        for (std::size_t i = 0; i < n; ++i) {
            const float a32 = m_useMagnitude ? areas[i] : m_axis.dot(vectors[i]);
            m_denominator += static_cast<double>(a32);
            m_valid = true;
        }
        return;
    }
    internal::withFloatReader(*values, [&](auto p_value) {
        for (std::size_t i = 0; i < n; ++i) {
            const float v = p_value(i);
            if (v == ZEV_UNDEF)
                continue;
            const double a = m_useMagnitude ? areas[i] : m_axis.dot(vectors[i]);
            m_numerator += static_cast<double>(v) * a;
            m_denominator += a;
            m_valid = true;
        }
    });
}

} // namespace zev
