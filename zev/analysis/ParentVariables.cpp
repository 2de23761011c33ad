#include "zev/analysis/ParentVariables.h"

#include "zev/analysis/Cut.h"
#include "zev/geometry/Geometry.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/variables/Variable.h"

#include <memory>

namespace zev::analysis {

namespace {

bool isCoordinate(std::string const& p_name)
{
    for (char const* name : {"x", "X", "X Coordinate", "y", "Y", "Y Coordinate", "z", "Z", "Z Coordinate"}) {
        if (p_name == name) {
            return true;
        }
    }
    return false;
}

constexpr zev::VarLocation s_locations[] = {zev::eVertex, zev::eElement, zev::eFace};

} // namespace

ParentVariables::ParentVariables(std::vector<std::pair<std::string, zev::Geometry*>> p_parents)
    : m_parents(std::move(p_parents)), m_previous(zev::Geometry::getGeometryInfo())
{
    zev::Geometry::setGeometryInfo(this);
}

ParentVariables::~ParentVariables()
{
    zev::Geometry::setGeometryInfo(m_previous);
}

zev::Variable* ParentVariables::held(zev::Geometry& p_parent, std::string const& p_name,
                                     zev::VarLocation& p_location) const
{
    for (zev::VarLocation const location : s_locations) {
        if (zev::Variable* v = p_parent.findVariable(p_name, location)) {
            // The element and face records read the parent's values per set.
            fileSetArrays(*v, p_parent, location);
            p_location = location;
            return v;
        }
    }
    // A derived parent has it carried from its own parent, per set as a file's data is held, and keeps it.
    zev::Geometry* grandparent = nullptr;
    for (zev::Interpolant const* i : p_parent.getInterpolantList()) {
        if (i != nullptr && grandparent == nullptr && !i->getDomains().empty()) {
            grandparent = find(i->getDomains().front());
        }
    }
    zev::VarLocation from = zev::eVertex;
    zev::Variable const* source =
        grandparent != nullptr && grandparent != &p_parent ? held(*grandparent, p_name, from) : nullptr;
    if (source == nullptr) {
        return nullptr;
    }
    std::unique_ptr<zev::Variable> carried = carryVariable(p_parent, *source, from, p_name);
    if (!carried) {
        return nullptr;
    }
    p_location = from == zev::eVertex ? zev::eVertex : carried->getLocation();
    carried->setGlobalType(source->getGlobalType());
    zev::Variable* filed = carried.get();
    p_parent.addVariable(carried.release(), p_location);
    return filed;
}

zev::Geometry* ParentVariables::find(std::string const& p_domain) const
{
    for (auto const& [name, geometry] : m_parents) {
        if (name == p_domain) {
            return geometry;
        }
    }
    return nullptr;
}

void ParentVariables::getParentVariables(std::string const& p_name, std::vector<std::string> const& p_domains,
                                         std::vector<zev::Variable*>& p_variables)
{
    for (std::string const& domain : p_domains) {
        zev::Geometry* parent = find(domain);
        zev::VarLocation location = zev::eVertex;
        p_variables.push_back(parent != nullptr ? held(*parent, p_name, location) : nullptr);
    }
}
bool ParentVariables::describeVariable(std::string const& p_name, int& p_numComponents, bool& p_isExpression,
                                       std::vector<std::string>&, bool&, int&, int&, std::string&) const
{
    if (isCoordinate(p_name)) {
        p_numComponents = 1;
        p_isExpression = false;
        return true;
    }
    for (auto const& entry : m_parents) {
        for (zev::VarLocation const location : s_locations) {
            if (zev::Variable const* v = entry.second->findVariable(p_name, location)) {
                p_numComponents = v->isVector() ? 3 : 1;
                p_isExpression = false;
                return true;
            }
        }
    }
    return false;
}

} // namespace zev::analysis
