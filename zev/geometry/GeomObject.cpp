#include "zev/geometry/GeomObject.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/MapContents.h"
#include "zev/contracts/Message.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"

namespace zev {

namespace {
const char* const kClass = "GeomObject";
}

GeomObject::~GeomObject() = default;

bool GeomObject::deleteGeometryPointerObject(Geometry* p_geometry)
{
    if (isBorrowing())
        return false;
    return GeometryAPI::instance()->deleteGeometry(p_geometry);
}

void GeomObject::setGeometry(const std::string& p_domain, Geometry* p_geometry)
{
    if (p_geometry == nullptr)
        throw internal::badParam(kClass, "setGeometry", SystemMsg("Null pointer to %1.").arg("Geometry"));
    auto it = m_geometryMap.find(p_domain);
    // Storing the pointer already held must not delete it (it would be kept after deletion).
    if (it != m_geometryMap.end() && it->second != p_geometry && !isBorrowing())
        deleteGeometryPointerObject(it->second);
    m_geometryMap[p_domain] = p_geometry;
}

Geometry* GeomObject::getGeometry(const std::string& p_domain) const
{
    auto it = m_geometryMap.find(p_domain);
    return it == m_geometryMap.end() ? nullptr : it->second;
}

void GeomObject::deleteGeometry(const std::string& p_domain)
{
    if (isBorrowing())
        return;
    auto it = m_geometryMap.find(p_domain);
    if (it == m_geometryMap.end())
        return;
    deleteGeometryPointerObject(it->second);
    m_geometryMap.erase(it);
}

void GeomObject::deleteAllGeometry()
{
    if (!isBorrowing())
        for (auto& entry : m_geometryMap)
            deleteGeometryPointerObject(entry.second);
    m_geometryMap.clear();
}

void GeomObject::clearGeometryData()
{
    if (isBorrowing())
        return;
    for (auto& entry : m_geometryMap)
        deleteGeometryPointerObject(entry.second);
    m_geometryMap.clear();
}

std::vector<Geometry*> GeomObject::getGeometry() const
{
    return internal::valuesOf(m_geometryMap);
}

std::vector<std::string> GeomObject::getDomainList() const
{
    return internal::keysOf(m_geometryMap);
}

std::vector<std::pair<std::string, Geometry*>> GeomObject::getGeometryMap() const
{
    return std::vector<std::pair<std::string, Geometry*>>(m_geometryMap.begin(), m_geometryMap.end());
}

Geometry* GeomObject::requireGeometry(const std::string& p_name, const std::string& p_domain,
                                      const char* p_method) const
{
    if (p_name.empty())
        throw data::invalid(kClass, p_method, SystemMsg("Input parameter %1 is empty.").arg("p_name"));
    auto it = m_geometryMap.find(p_domain);
    if (it == m_geometryMap.end() || it->second == nullptr)
        throw internal::error(kClass, p_method,
                              SystemMsg("%1 '%2' does not exist.").arg("Geometry for domain").arg(p_domain));
    return it->second;
}

Variable* GeomObject::getVariable(const std::string& p_name, const std::string& p_domain)
{
    return requireGeometry(p_name, p_domain, "getVariable")->getVariable(p_name, false, eVertex);
}

bool GeomObject::hasVariable(const std::string& p_name, const std::string& p_domain) const
{
    return requireGeometry(p_name, p_domain, "hasVariable")->hasVariable(p_name, eVertex);
}

ZEVVector<Variable*> GeomObject::getVariable(const std::string& p_name)
{
    if (p_name.empty())
        throw data::invalid(kClass, "getVariable", SystemMsg("Input parameter %1 is empty.").arg("p_name"));
    ZEVVector<Variable*> out;
    out.reserve(m_geometryMap.size());
    for (const auto& entry : m_geometryMap)
        out.push_back(getVariable(p_name, entry.first));
    return out;
}

void GeomObject::deleteVariable(const std::string& p_name)
{
    if (p_name.empty())
        throw data::invalid(kClass, "deleteVariable",
                            SystemMsg("Input parameter %1 is empty.").arg("p_name"));
    for (auto& entry : m_geometryMap)
        if (entry.second)
            entry.second->deleteVariable(p_name);
}

void GeomObject::deleteAllVariables()
{
    for (auto& entry : m_geometryMap)
        if (entry.second)
            entry.second->deleteAllVariables();
}

void GeomObject::deleteAllExpressions()
{
    for (auto& entry : m_geometryMap)
        if (entry.second)
            entry.second->deleteAllExpressions();
}

void GeomObject::acceptVisitor(GeometryVisitor& p_visitor)
{
    for (auto& entry : m_geometryMap)
        if (entry.second)
            entry.second->acceptVisitor(p_visitor);
}

void GeomObject::removeDuplicateVertices(double p_tolerance)
{
    for (auto& entry : m_geometryMap)
        if (entry.second)
            entry.second->removeDuplicateVertices(p_tolerance);
}

} // namespace zev
