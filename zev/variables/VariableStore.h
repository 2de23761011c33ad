#pragma once
// Queries shared by the scalar and vector variables over their stores: ordered maps from
// a Description to an owned array. Internal to the variables; not part of the public API.

#include "zev/variables/Variable.h"

#include <set>
#include <string>

namespace zev {
namespace variableStore {

inline bool isSetLocation(VarLocation p_location)
{
    return p_location == eElement || p_location == eFace;
}

template <class Store> std::set<VarType> allTypes(const Store& p_store, VarLocation p_location)
{
    std::set<VarType> types;
    for (const auto& entry : p_store)
        if (entry.first.location == p_location)
            types.insert(entry.first.type);
    return types;
}

// Any array of the type and location; at elements and faces the "All" arrays are caches
// of the sets and do not count.
template <class Store> bool hasData(const Store& p_store, const Variable::Description& p_desc)
{
    const bool skipAll = isSetLocation(p_desc.location);
    for (const auto& entry : p_store) {
        const Variable::Description& d = entry.first;
        if (d.type == p_desc.type && d.location == p_desc.location &&
            !(skipAll && d.setName == Variable::s_allSetName))
            return true;
    }
    return false;
}

template <class Store> std::set<std::string> setNames(const Store& p_store, VarLocation p_location)
{
    if (p_location == eVertex)
        return {Variable::s_allSetName};
    std::set<std::string> names;
    for (const auto& entry : p_store)
        if (entry.first.location == p_location && entry.first.setName != Variable::s_allSetName)
            names.insert(entry.first.setName);
    return names;
}

template <class Store> bool hasLocation(const Store& p_store, VarLocation p_location)
{
    for (const auto& entry : p_store)
        if (entry.first.location == p_location)
            return true;
    return false;
}

} // namespace variableStore
} // namespace zev
