// Geometry's volume selection members: each forwards to VolumeSelection, which does the work.

#include "zev/cutting/VolumeSelection.h"
#include "zev/geometry/Geometry.h"

namespace zev {

void Geometry::calcVolume(const std::string& p_domainName, const Geometry* p_domain,
                          const std::string& p_side, bool p_inclusive, const Triplet& p_centre,
                          float p_radius, const std::vector<ShapeType>& p_types)
{
    calcVolume(VolumeSelection::s_sphere, p_domainName, p_domain, std::string(), p_side, p_inclusive,
               p_centre, p_radius, 0.0f, Triplet(), nullptr, eUnknown, 0.0f, p_types);
}

void Geometry::calcVolume(const std::string& p_domainName, const Geometry* p_domain,
                          const std::string& p_ignored, const std::string& p_side, bool p_inclusive,
                          float p_d, const Triplet& p_normal, const std::vector<ShapeType>& p_types)
{
    calcVolume(VolumeSelection::s_plane, p_domainName, p_domain, p_ignored, p_side, p_inclusive, Triplet(),
               0.0f, p_d, p_normal, nullptr, eUnknown, 0.0f, p_types);
}

void Geometry::calcVolume(const std::string& p_domainName, const Geometry* p_domain,
                          const std::string& p_ignored, const std::string& p_side, bool p_inclusive,
                          const Variable* p_variable, VarType p_type, float p_isoValue,
                          const std::vector<ShapeType>& p_types)
{
    calcVolume(VolumeSelection::s_isosurface, p_domainName, p_domain, p_ignored, p_side, p_inclusive,
               Triplet(), 0.0f, 0.0f, Triplet(), p_variable, p_type, p_isoValue, p_types);
}

void Geometry::calcVolume(const std::string& p_kind, const std::string& p_domainName,
                          const Geometry* p_domain, const std::string&, const std::string& p_side,
                          bool p_inclusive, const Triplet& p_centre, float p_radius, float p_d,
                          const Triplet& p_normal, const Variable* p_variable, VarType p_type,
                          float p_isoValue, const std::vector<ShapeType>& p_types)
{
    VolumeSelection::Surface surface;
    surface.kind = VolumeSelection::kindFromString(p_kind);
    surface.centre = p_centre;
    surface.radius = p_radius;
    surface.normal = p_normal;
    surface.d = p_d;
    surface.variable = p_variable;
    surface.type = p_type;
    surface.isoValue = p_isoValue;
    VolumeSelection::selectBySurface(*this, p_domainName, p_domain, surface,
                                     VolumeSelection::sideFromString(p_side), p_inclusive, p_types);
}

void Geometry::calcIsovolume(const std::string& p_domainName, const Geometry* p_domain,
                             const std::string& p_range, bool p_inclusive, const Variable* p_variable,
                             VarType p_type, float p_first, float p_second,
                             const std::vector<ShapeType>& p_types)
{
    VolumeSelection::selectByRange(*this, p_domainName, p_domain, VolumeSelection::rangeFromString(p_range),
                                   p_inclusive, p_variable, p_type, p_first, p_second, p_types);
}

} // namespace zev
