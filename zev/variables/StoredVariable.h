#pragma once
// The store the scalar and vector variables share: an ordered map from a Description to an
// owned array, with the queries that only read the map, the vertex statistics, resizing and
// the accessors by location. Derived is the concrete variable class; it answers
// storedValues(description) with its type-resolving read access and
// writableValues(description) with its writable access, concatenates the sets of a location
// into its "All" array with concatenate(description), names itself in failures with
// s_className, and may hide arrayChanged to drop what it caches about an array that was
// resized or removed.

#include "zev/ZEVExport.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
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
    float getMin(VarType p_type) const override
    {
        const Array* a = statisticArray(p_type);
        return a ? a->getMin() : ZEV_UNDEF;
    }
    float getMax(VarType p_type) const override
    {
        const Array* a = statisticArray(p_type);
        return a ? a->getMax() : ZEV_UNDEF;
    }
    int getNvalid(VarType p_type) const override
    {
        const Array* a = statisticArray(p_type);
        return a ? a->getNvalid() : 0;
    }
    using Variable::resize;
    bool resize(const std::map<std::string, size_t>& p_sizes, VarLocation p_location) override
    {
        bool changed = false;
        for (VarType type : getAllTypes(p_location)) {
            for (const auto& size : p_sizes) {
                const Description d(type, p_location, size.first);
                auto it = m_data.find(d);
                if (it != m_data.end() && it->second->size() != size.second) {
                    it->second->resize(size.second);
                    self().arrayChanged(d);
                    changed = true;
                }
            }
            // The concatenation no longer matches its sets.
            if (changed && p_location != eVertex) {
                const Description all(type, p_location, s_allSetName);
                auto it = m_data.find(all);
                if (it != m_data.end()) {
                    delete it->second;
                    m_data.erase(it);
                }
                self().arrayChanged(all);
            }
        }
        return changed;
    }

    const Array& getVertexValues(VarType p_type) const
    {
        return self().storedValues(Description(p_type, eVertex, s_allSetName));
    }
    Array& getVertexValues(VarType p_type)
    {
        return self().writableValues(Description(p_type, eVertex, s_allSetName));
    }
    const Array& getElementValues(const std::string& p_set, VarType p_type) const
    {
        return self().storedValues(Description(p_type, eElement, p_set));
    }
    Array& getElementValues(const std::string& p_set, VarType p_type)
    {
        return self().writableValues(Description(p_type, eElement, p_set));
    }
    const Array& getFaceValues(const std::string& p_set, VarType p_type) const
    {
        return self().storedValues(Description(p_type, eFace, p_set));
    }
    Array& getFaceValues(const std::string& p_set, VarType p_type)
    {
        return self().writableValues(Description(p_type, eFace, p_set));
    }

    size_t getNumData(VarType p_type, VarLocation p_location) const override
    {
        if (p_location == eVertex)
            return self().storedValues(Description(p_type, eVertex, s_allSetName)).size();
        if (!variableStore::isSetLocation(p_location))
            return 0;
        const std::set<std::string> sets = getDataKeysOnLocation(p_location);
        if (sets.empty())
            return 0;
        // The type is resolved once for all sets: resolving it per set scans every array each time,
        // which is quadratic in the number of sets (one per cell when cells are split by region).
        const VarType type = checkType(p_type, p_location);
        size_t n = 0;
        for (const std::string& set : sets) {
            const Array* array = find(Description(type, p_location, set));
            n += array ? array->size() : self().storedValues(Description(p_type, p_location, set)).size();
        }
        return n;
    }

protected:
    using Store = std::map<Description, Array*>;

    int getSizeImp(VarType p_type, VarLocation p_location) const override
    {
        const Array* a = find(Description(checkType(p_type, p_location), p_location, s_allSetName));
        return a ? static_cast<int>(a->size()) : 0;
    }
    // The vertex array of the resolved type for the statistics, or null. A variable without
    // any vertex data answers as for missing data instead of failing type resolution.
    const Array* statisticArray(VarType p_type) const
    {
        if (getAllTypes(eVertex).empty())
            return nullptr;
        return find(Description(checkType(p_type, eVertex), eVertex, s_allSetName));
    }
    // The type-resolving read access: resolves the type, builds the "All" concatenation of
    // elements or faces on first request, and throws when the array does not exist. The
    // failures name p_method, the last one p_lookupMethod with the message p_nonexistent.
    const Array& resolvedArray(const Description& p_desc, const char* p_method, const char* p_lookupMethod,
                               const char* p_nonexistent) const
    {
        if (p_desc.setName.empty())
            fail(p_method, SystemMsg("Empty %1 Set Name for variable '%2'")
                               .arg(getVarLocationName(p_desc.location))
                               .arg(getName()));
        const Description d(checkType(p_desc.type, p_desc.location), p_desc.location, p_desc.setName);
        auto it = m_data.find(d);
        if (it == m_data.end() && d.setName == s_allSetName && d.location != eVertex) {
            if (!hasData(d))
                fail(p_method, SystemMsg("No %1 data for variable '%2'")
                                   .arg(getVarLocationName(d.location))
                                   .arg(getName()));
            self().concatenate(d);
            it = m_data.find(d);
        }
        if (it == m_data.end())
            fail(p_lookupMethod, SystemMsg(p_nonexistent)
                                     .arg(getVarLocationName(d.location))
                                     .arg(getVarTypeName(d.type))
                                     .arg(getName()));
        return *it->second;
    }
    // The writable array at p_desc (checked by the caller), filing a new Concrete one when
    // absent; the type is not resolved. At elements and faces, "All" gives the
    // concatenation, a cache not written back to sets.
    template <class Concrete> Array& writableArray(const Description& p_desc)
    {
        if (p_desc.setName == s_allSetName && p_desc.location != eVertex) {
            // An "All" array filed directly (adopted, or made before any set) is kept.
            if (!hasData(p_desc)) {
                if (m_data.count(p_desc) == 0)
                    fileArray(p_desc, new Concrete());
            } else {
                self().concatenate(p_desc);
            }
        } else {
            if (m_data.empty())
                assignGlobalType(p_desc.type);
            if (m_data.count(p_desc) == 0)
                fileArray(p_desc, new Concrete());
        }
        return *m_data.find(p_desc)->second;
    }
    [[noreturn]] static void fail(const char* p_method, const std::string& p_message)
    {
        throw internal::error(Derived::s_className, p_method, p_message);
    }
    // Nothing is cached about an array here; see the class comment.
    void arrayChanged(const Description&) const {}
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
    const Derived& self() const { return static_cast<const Derived&>(*this); }
    Derived& self() { return static_cast<Derived&>(*this); }
    bool hasLocation(VarLocation p_location) const
    {
        for (const auto& entry : m_data)
            if (entry.first.location == p_location)
                return true;
        return false;
    }
};

} // namespace zev
