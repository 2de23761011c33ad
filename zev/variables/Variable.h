#pragma once
// A named field of result values on one geometry domain. The base class holds the name,
// domain, timestep, main data type and location; the concrete classes (scalar and vector)
// hold one array per data type, location and set name, and serve them through the
// operations below. Variables are owned by their geometry.
//
// Threads: const reads of vertex arrays, and of a vector variable's lengths (cached under a
// lock), may run from several threads at once. The "All" array of element or face sets is
// a concatenation built on its first read without a lock: read it once before threads
// share it. Every change needs the variable to itself.

#include "zev/ZEVExport.h"
#include "zev/contracts/FloatZEVVector.h"
#include "zev/variables/VarType.h"

#include <cstddef>
#include <iosfwd>
#include <map>
#include <set>
#include <string>

namespace zev {

class ZEV_EXPORT Variable {
public:
    // The set name that stands for the vertex array, and at elements and faces for the
    // concatenation of the arrays of every set in ascending set-name order.
    static constexpr const char* s_allSetName = "All";

    // Names one data array: its type, location and the element or face set it belongs to.
    struct ZEV_EXPORT Description {
        Description() = default;
        Description(VarType p_type, VarLocation p_location, std::string p_setName = s_allSetName);

        // Ordered by type, then location (both as signed integers), then set name.
        bool operator<(const Description& p_other) const;
        bool operator==(const Description& p_other) const;
        bool operator!=(const Description& p_other) const { return !(*this == p_other); }

        VarType type = eUnknown;
        VarLocation location = eVertex;
        std::string setName = s_allSetName;
    };

    explicit Variable(VarType p_type = eUnknown, VarLocation p_location = eVertex);
    // The concrete classes own arrays through raw pointers; copying is done with clone().
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;

    virtual ~Variable();
    // The types of every array at the location, the "All" arrays included.
    virtual std::set<VarType> getAllTypes(VarLocation p_location) const = 0;
    // Whether exactly this array is stored.
    virtual bool hasType(const Description& p_desc) const = 0;
    // Whether any array of the description's type and location is stored; at elements and
    // faces the "All" arrays do not count. The set name is not consulted.
    virtual bool hasData(const Description& p_desc) const = 0;
    // Statistics of the vertex array of the (resolved) type, skipping undefined entries.
    virtual float getMin(VarType p_type) const = 0;
    virtual float getMax(VarType p_type) const = 0;
    virtual float getSum(VarType p_type) const = 0;
    virtual int getNvalid(VarType p_type) const = 0;
    // Resizes the stored arrays of the location named in p_sizes (set name -> count);
    // returns whether any array changed size.
    virtual bool resize(const std::map<std::string, size_t>& p_sizes, VarLocation p_location) = 0;
    virtual const FloatZEVVector& getFloatValues(const Description& p_desc) const = 0;
    virtual FloatZEVVector& getFloatValues(const Description& p_desc) = 0;
    virtual bool isVector() const = 0;
    // Replaces the vertex array of the type by p_count undefined values (a negative count
    // keeps the current size) and marks the type undefined.
    virtual void makeUndef(VarType p_type, int p_count) = 0;
    // A deep copy under a new name, owned by the caller.
    virtual Variable* clone(const std::string& p_name) const = 0;
    virtual void dbprint(size_t p_from, size_t p_to) const;
    virtual void dbprint() const;
    // Writes the name, domain and timestep, one per line.
    virtual void write(std::ostream& p_os, int p_from, int p_to) const;
    virtual bool isFaceVariable() const = 0;
    virtual bool isElementVariable() const = 0;
    // The set names of the location ({"All"} at vertices; the named sets otherwise).
    virtual std::set<std::string> getDataKeysOnLocation(VarLocation p_location) const = 0;
    // The number of values of the type at the location, summed over the named sets.
    virtual size_t getNumData(VarType p_type, VarLocation p_location) const = 0;

protected:
    // Resolves a requested type against the types stored at the location: the request
    // (Unknown meaning the global type) when stored, else the only stored type, else
    // Conservative. Throws when nothing is stored at the location.
    virtual VarType checkType(VarType p_type, VarLocation p_location) const;
    // The size of the stored "All" array of the resolved type, 0 when there is none.
    virtual int getSizeImp(VarType p_type, VarLocation p_location) const = 0;

public:
    const std::string& getName() const { return m_name; }
    void setName(const std::string& p_name) { m_name = p_name; }
    const std::string& getDomain() const { return m_domain; }
    void setDomain(const std::string& p_domain) { m_domain = p_domain; }
    int getTimestep() const { return m_timestep; }
    void setTimestep(int p_timestep) { m_timestep = p_timestep; }
    VarLocation getLocation() const { return m_location; }
    void setLocation(VarLocation p_location) { m_location = p_location; }
    VarType getGlobalType() const { return m_globalType; }
    // User, Local and Mesh variables keep their type; Unknown never replaces a type.
    void setGlobalType(VarType p_type);

    static const char* getVarTypeName(VarType p_type);
    static VarType getVarType(const std::string& p_name);
    static const char* getVarLocationName(VarLocation p_location);
    static VarLocation getVarLocation(const std::string& p_name);

    int getSize(VarType p_type, VarLocation p_location) const { return getSizeImp(p_type, p_location); }
    // Resizes the vertex arrays of every type to p_count (a negative count changes nothing).
    bool resize(int p_count);

    std::set<std::string> getElementSetNames() const { return getDataKeysOnLocation(eElement); }
    std::set<std::string> getFaceSetNames() const { return getDataKeysOnLocation(eFace); }

    bool isUndef(VarType p_type) const { return m_undefTypes.count(p_type) != 0; }
    void makeDefined(VarType p_type) { m_undefTypes.erase(p_type); }

protected:
    void setUndef(VarType p_type) { m_undefTypes.insert(p_type); }
    // Sets the global type without the rules of setGlobalType (first array filed).
    void assignGlobalType(VarType p_type) { m_globalType = p_type; }

private:
    VarType m_globalType;
    VarLocation m_location;
    std::string m_name;
    std::string m_domain;
    int m_timestep = -1;
    std::set<VarType> m_undefTypes;
};

} // namespace zev
