#pragma once
// One user-level object made of one geometry per domain (a slice through several domains,
// for example). It forwards variable requests to its geometries. Objects of the kinds
// "BOUNDARY" and "SUBDOMAIN" borrow their geometries from the domains and never delete them;
// every other kind owns its geometries and deletes them through the registry.

#include "zev/ZEVExport.h"
#include "zev/contracts/ZEVVector.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zev {

class Geometry;
class GeometryVisitor;
class Variable;

class ZEV_EXPORT GeomObject {
public:
    GeomObject() = default;
    explicit GeomObject(const std::string& p_objectType) : m_objectType(p_objectType) {}
    // Copies share the geometries.
    GeomObject(const GeomObject&) = default;
    GeomObject& operator=(const GeomObject&) = default;
    // Deletes nothing.
    virtual ~GeomObject();

    const std::string& getObjectType() const { return m_objectType; }

    // Files p_geometry for p_domain; an owning object deletes the geometry it replaces.
    void setGeometry(const std::string& p_domain, Geometry* p_geometry);
    Geometry* getGeometry(const std::string& p_domain) const;
    void deleteGeometry(const std::string& p_domain);
    void deleteAllGeometry();
    void clearGeometryData();
    // Forgets every geometry without deleting any.
    void eraseGeometryMap() { m_geometryMap.clear(); }

    std::vector<Geometry*> getGeometry() const;
    std::vector<std::string> getDomainList() const;
    std::vector<std::pair<std::string, Geometry*>> getGeometryMap() const;

    Variable* getVariable(const std::string& p_name, const std::string& p_domain);
    bool hasVariable(const std::string& p_name, const std::string& p_domain) const;
    // The variable on every domain, in domain-name order.
    ZEVVector<Variable*> getVariable(const std::string& p_name);
    void deleteVariable(const std::string& p_name);
    void deleteAllVariables();
    void deleteAllExpressions();
    void acceptVisitor(GeometryVisitor& p_visitor);
    void removeDuplicateVertices(double p_tolerance);

private:
    bool isBorrowing() const { return m_objectType == "BOUNDARY" || m_objectType == "SUBDOMAIN"; }
    bool deleteGeometryPointerObject(Geometry* p_geometry);
    Geometry* requireGeometry(const std::string& p_name, const std::string& p_domain,
                              const char* p_method) const;

    std::map<std::string, Geometry*> m_geometryMap;
    std::string m_objectType;
};

} // namespace zev
