#include "zev/variables/Variable.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"

#include <iostream>
#include <utility>

namespace zev {

Variable::Description::Description(VarType p_type, VarLocation p_location, std::string p_setName)
    : type(p_type), location(p_location), setName(std::move(p_setName))
{
}

bool Variable::Description::operator<(const Description& p_other) const
{
    if (type != p_other.type)
        return static_cast<int>(type) < static_cast<int>(p_other.type);
    if (location != p_other.location)
        return static_cast<int>(location) < static_cast<int>(p_other.location);
    return setName < p_other.setName;
}

bool Variable::Description::operator==(const Description& p_other) const
{
    return type == p_other.type && location == p_other.location && setName == p_other.setName;
}

Variable::Variable(VarType p_type, VarLocation p_location) : m_globalType(p_type), m_location(p_location) {}

Variable::~Variable() = default;

void Variable::dbprint(size_t p_from, size_t p_to) const
{
    write(std::cout, static_cast<int>(p_from), static_cast<int>(p_to));
}

void Variable::dbprint() const
{
    write(std::cout, 0, -1);
}

void Variable::write(std::ostream& p_os, int, int) const
{
    p_os << "m_name = \"" << m_name << "\"" << std::endl;
    p_os << "m_domain = \"" << m_domain << "\"" << std::endl;
    p_os << "m_timestep = " << m_timestep << std::endl;
}

VarType Variable::checkType(VarType p_type, VarLocation p_location) const
{
    if (p_type == eUnknown)
        p_type = m_globalType;
    const std::set<VarType> types = getAllTypes(p_location);
    if (types.empty())
        throw internal::error("Variable", "checkType",
                              SystemMsg("No data types for variable %1.").arg(m_name));
    if (p_type != eUnknown && types.count(p_type) != 0)
        return p_type;
    return types.size() == 1 ? *types.begin() : eConservative;
}

void Variable::setGlobalType(VarType p_type)
{
    if (m_globalType == eUser || m_globalType == eLocal || m_globalType == eMesh || p_type == eUnknown)
        return;
    m_globalType = p_type;
}

namespace {

const char* const s_typeNames[] = {"Conservative", "Hybrid", "User", "Local", "Mesh", "Unknown"};

} // namespace

const char* Variable::getVarTypeName(VarType p_type)
{
    const int t = static_cast<int>(p_type);
    return (t >= 0 && t < 5) ? s_typeNames[t] : s_typeNames[5];
}

VarType Variable::getVarType(const std::string& p_name)
{
    for (int t = 0; t < 5; ++t)
        if (p_name == s_typeNames[t])
            return static_cast<VarType>(t);
    return eUnknown;
}

const char* Variable::getVarLocationName(VarLocation p_location)
{
    switch (p_location) {
    case eVertex:
        return "Vertex";
    case eFace:
        return "Face";
    case eElement:
        return "Element";
    case eElementAndFace:
        return "Element And Face";
    case eLocationUnknown:
        break;
    }
    return "Location Unknown";
}

VarLocation Variable::getVarLocation(const std::string& p_name)
{
    if (p_name == "Vertex")
        return eVertex;
    if (p_name == "Face")
        return eFace;
    if (p_name == "Element")
        return eElement;
    if (p_name == "Element And Face")
        return eElementAndFace;
    return eLocationUnknown;
}

bool Variable::resize(int p_count)
{
    if (p_count < 0)
        return false;
    const std::map<std::string, size_t> sizes{{s_allSetName, static_cast<size_t>(p_count)}};
    return resize(sizes, eVertex);
}

} // namespace zev
