#pragma once
// The store the scalar and vector variables share: an ordered map from a Description to an
// owned array, with the queries that only read the map. Derived is the concrete variable
// class; it answers storedValues(description) with its type-resolving read access.

#include "zev/ZEVExport.h"
#include "zev/variables/Variable.h"

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace zev {
namespace variableStore {

inline bool isSetLocation(VarLocation p_location)
{
    return p_location == eElement || p_location == eFace;
}

} // namespace variableStore

template <class Derived, class Array> class ZEV_EXPORT StoredVariable : public Variable {
public:
    using Variable::Variable;
    ~StoredVariable() override
    {
        for (auto& entry : m_data)
            delete entry.second;
    }

    std::set<VarType> getAllTypes(VarLocation p_location) const override
    {
        std::set<VarType> types;
        for (const auto& entry : m_data)
            if (entry.first.location == p_location)
                types.insert(entry.first.type);
        return types;
    }
    bool hasType(const Description& p_desc) const override { return m_data.count(p_desc) != 0; }
    // Any array of the type and location; at elements and faces the "All" arrays are caches
    // of the sets and do not count.
    bool hasData(const Description& p_desc) const override
    {
        const bool skipAll = variableStore::isSetLocation(p_desc.location);
        for (const auto& entry : m_data) {
            const Description& d = entry.first;
            if (d.type == p_desc.type && d.location == p_desc.location &&
                !(skipAll && d.setName == s_allSetName))
                return true;
        }
        return false;
    }
    bool isFaceVariable() const override { return hasLocation(eFace); }
    bool isElementVariable() const override { return hasLocation(eElement); }
    std::set<std::string> getDataKeysOnLocation(VarLocation p_location) const override
    {
        if (p_location == eVertex)
            return {s_allSetName};
        std::set<std::string> names;
        for (const auto& entry : m_data)
            if (entry.first.location == p_location && entry.first.setName != s_allSetName)
                names.insert(entry.first.setName);
        return names;
    }
    size_t getNumData(VarType p_type, VarLocation p_location) const override
    {
        const Derived& self = static_cast<const Derived&>(*this);
        if (p_location == eVertex)
            return self.storedValues(Description(p_type, eVertex, s_allSetName)).size();
        if (!variableStore::isSetLocation(p_location))
            return 0;
        size_t n = 0;
        for (const std::string& set : getDataKeysOnLocation(p_location))
            n += self.storedValues(Description(p_type, p_location, set)).size();
        return n;
    }

protected:
    using Store = std::map<Description, Array*>;

    int getSizeImp(VarType p_type, VarLocation p_location) const override
    {
        const Array* a = find(Description(checkType(p_type, p_location), p_location, s_allSetName));
        return a ? static_cast<int>(a->size()) : 0;
    }
    const Array* find(const Description& p_desc) const
    {
        auto it = m_data.find(p_desc);
        return it == m_data.end() ? nullptr : it->second;
    }
    // Files p_array under p_desc, deleting any other array it replaces.
    void fileArray(const Description& p_desc, Array* p_array) const
    {
        std::unique_ptr<Array> owned(p_array);
        auto it = m_data.find(p_desc);
        if (it == m_data.end()) {
            m_data.emplace(p_desc, owned.get());
            owned.release();
            return;
        }
        if (it->second != p_array) {
            delete it->second;
            it->second = owned.release();
        } else {
            owned.release();
        }
    }

    // Owned arrays. Mutable because read access fills the "All" concatenation cache.
    mutable Store m_data;

private:
    bool hasLocation(VarLocation p_location) const
    {
        for (const auto& entry : m_data)
            if (entry.first.location == p_location)
                return true;
        return false;
    }
};

} // namespace zev
