#include "zev/variables/ScalarVariable.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatZEVVectorComponent.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <iostream>
#include <memory>

namespace zev {

namespace {

using variableStore::isSetLocation;

// A concrete copy of any float array (views included).
std::unique_ptr<FloatZEVVectorConcrete> copyOf(const FloatZEVVector& p_source)
{
    if (const auto* concrete = dynamic_cast<const FloatZEVVectorConcrete*>(&p_source))
        return std::make_unique<FloatZEVVectorConcrete>(*concrete);
    auto copy = std::make_unique<FloatZEVVectorConcrete>(p_source.size());
    for (size_t i = 0, n = p_source.size(); i < n; ++i)
        (*copy)[i] = p_source[i];
    return copy;
}

} // namespace

ScalarVariable::ScalarVariable(VarType p_type, VarLocation p_location) : StoredVariable(p_type, p_location) {}

ScalarVariable::ScalarVariable(FloatZEVVector* p_values, VarType p_type, VarLocation p_location)
    : StoredVariable(p_type, p_location)
{
    std::unique_ptr<FloatZEVVector> owned(p_values);
    if (owned)
        m_data.emplace(Description(p_type, p_location, s_allSetName), owned.release());
}

ScalarVariable::ScalarVariable(const float* p_values, int p_count, VarType p_type, VarLocation p_location)
    : StoredVariable(p_type, p_location)
{
    auto values =
        std::make_unique<FloatZEVVectorConcrete>(p_values, p_count > 0 ? static_cast<size_t>(p_count) : 0);
    m_data.emplace(Description(p_type, p_location, s_allSetName), values.release());
}

ScalarVariable::ScalarVariable(TripletZEVVector& p_triplets, int p_component)
    : StoredVariable(eMesh, eVertex), m_isComponent(true)
{
    auto view = std::make_unique<FloatZEVVectorComponent>(p_triplets, p_component);
    m_data.emplace(Description(eMesh, eVertex, s_allSetName), view.release());
}

ScalarVariable::ScalarVariable(VectorVariable& p_vector, int p_component)
    : StoredVariable(p_vector.getGlobalType(), p_vector.getLocation()), m_isComponent(true),
      m_componentSource(&p_vector)
{
    // The destructor does not run when a constructor throws: release the views made so far.
    try {
        for (VarType type : p_vector.getAllTypes(eVertex))
            addComponentView(p_vector, Description(type, eVertex, s_allSetName), p_component);
        for (VarLocation location : {eFace, eElement}) {
            const std::set<std::string> sets = p_vector.getDataKeysOnLocation(location);
            // An "All" array held without per-set arrays (a measure filed at faces or
            // elements) is viewed too.
            for (VarType type : p_vector.getAllTypes(location)) {
                for (const std::string& set : sets)
                    addComponentView(p_vector, Description(type, location, set), p_component);
                addComponentView(p_vector, Description(type, location, s_allSetName), p_component);
            }
        }
    } catch (...) {
        for (auto& entry : m_data)
            delete entry.second;
        throw;
    }
}

void ScalarVariable::addComponentView(VectorVariable& p_vector, const Description& p_desc, int p_component)
{
    // Only arrays the vector holds are viewed: asking the vector for a writable array it
    // lacks would file an empty one in it.
    if (!p_vector.hasType(p_desc) || m_data.count(p_desc) != 0)
        return;
    auto view = std::make_unique<FloatZEVVectorComponent>(p_vector.getTripletValues(p_desc), p_component);
    m_data.emplace(p_desc, view.get());
    view.release();
}

ScalarVariable::~ScalarVariable() = default;

float ScalarVariable::getSum(VarType p_type) const
{
    const FloatZEVVector* a = statisticArray(p_type);
    return a ? a->getSum() : 0.0f;
}

const FloatZEVVector& ScalarVariable::getFloatValues(const Description& p_desc) const
{
    return resolvedArray(p_desc, "getFloatValues(const)", "getFloatValues const",
                         "Request for nonexistent %1 data of type %2 for variable '%3'.");
}

FloatZEVVector& ScalarVariable::getFloatValues(const Description& p_desc)
{
    if (p_desc.setName.empty())
        fail("getFloatValues", SystemMsg("Empty %1 Set Name").arg(getVarLocationName(p_desc.location)));
    if (p_desc.type == eUnknown)
        fail("getFloatValues", SystemMsg("Unknown data type for variable %1.").arg(getName()));
    if (m_isComponent)
        fail("getFloatValues", SystemMsg("Attempt to alter component variable %1.").arg(getName()));

    return writableArray<FloatZEVVectorConcrete>(p_desc);
}

void ScalarVariable::populateAllValues(const Description& p_desc) const
{
    if (m_data.count(p_desc) != 0)
        return;
    if (!isSetLocation(p_desc.location))
        fail("populateAllValues",
             SystemMsg("Unknown location type to fill values for variable '%1'").arg(getName()));
    // Throws, before anything is filed, when a set lacks data of this type: a
    // concatenation with a set left out would misnumber every later item.
    const size_t n = getNumData(p_desc.type, p_desc.location);
    if (n == 0)
        fail("populateAllValues", SystemMsg("No %1 data present for variable '%2'")
                                      .arg(getVarLocationName(p_desc.location))
                                      .arg(getName()));
    auto all = std::make_unique<FloatZEVVectorConcrete>(n);
    float* out = all->data();
    for (const std::string& set : getDataKeysOnLocation(p_desc.location)) {
        const FloatZEVVector& part = *m_data.find(Description(p_desc.type, p_desc.location, set))->second;
        if (const auto* concrete = dynamic_cast<const FloatZEVVectorConcrete*>(&part)) {
            out = std::copy(concrete->data(), concrete->data() + concrete->size(), out);
        } else {
            for (size_t i = 0, m = part.size(); i < m; ++i)
                *out++ = part[i];
        }
    }
    fileArray(p_desc, all.release());
}

void ScalarVariable::makeUndef(VarType p_type, int p_count)
{
    if (p_count < 0 && hasType(Description(p_type, eVertex, s_allSetName)))
        p_count = getSize(p_type, eVertex);
    FloatZEVVector& values = getFloatValues(Description(p_type, eVertex, s_allSetName));
    setUndef(p_type);
    if (p_count > 0) {
        values.resize(static_cast<size_t>(p_count));
        for (auto it = values.Begin(), end = values.End(); it != end; ++it)
            *it = ZEV_UNDEF;
    } else {
        values.resize(0);
    }
}

FloatZEVVector& ScalarVariable::getCopyOfValues(VarType p_from, VarType p_to)
{
    if (p_from == eUnknown || p_to == eUnknown)
        fail("copyInternalData", SystemMsg("Unknown data type for variable %1.").arg(getName()));
    const FloatZEVVector* source = find(Description(p_from, eVertex, s_allSetName));
    if (source == nullptr)
        fail("copyInternalData",
             SystemMsg("Request for nonexistent data of type %1.").arg(getVarTypeName(p_from)));
    const auto* concrete = dynamic_cast<const FloatZEVVectorConcrete*>(source);
    if (concrete == nullptr)
        fail("copyInternalData", SystemMsg("Bad cast of %1 '%2' to %3.")
                                     .arg(getName())
                                     .arg("FloatZEVVector")
                                     .arg("FloatZEVVectorConcrete"));
    // Copy before replacing: with p_from equal to p_to the source is the array replaced.
    auto copy = std::make_unique<FloatZEVVectorConcrete>(*concrete);
    FloatZEVVector& result = *copy;
    fileArray(Description(p_to, eVertex, s_allSetName), copy.release());
    return result;
}

void ScalarVariable::adoptFloatVector(FloatZEVVector*& p_values, VarType p_type, VarLocation p_location)
{
    std::unique_ptr<FloatZEVVector> owned(p_values);
    p_values = nullptr;
    const Description d(p_type, p_location, s_allSetName);
    if (owned) {
        fileArray(d, owned.release());
        return;
    }
    auto it = m_data.find(d);
    if (it != m_data.end()) {
        delete it->second;
        m_data.erase(it);
    }
}

Variable* ScalarVariable::clone(const std::string& p_name) const
{
    auto copy = std::make_unique<ScalarVariable>(eUnknown, eVertex);
    copy->setName(p_name);
    copy->setDomain(getDomain());
    for (const auto& entry : m_data) {
        const Description& d = entry.first;
        // The copies are filed as writable arrays, which the Unknown type never gets.
        if (d.type == eUnknown)
            fail("getFloatValues", SystemMsg("Unknown data type for variable %1.").arg(p_name));
        // The first array filed decides the global type, unless it is a concatenation.
        if (copy->m_data.empty() && (d.location == eVertex || d.setName != s_allSetName))
            copy->assignGlobalType(d.type);
        copy->fileArray(d, copyOf(*entry.second).release());
    }
    return copy.release();
}

void ScalarVariable::write(std::ostream& p_os, size_t p_from, size_t p_to) const
{
    Variable::write(p_os, static_cast<int>(p_from), static_cast<int>(p_to));
    for (const auto& entry : m_data) {
        p_os << getVarTypeName(entry.first.type) << " Values" << std::endl;
        const size_t n = entry.second->size();
        // The last entry written, inclusive; the array's write takes an exclusive end.
        const size_t last = p_to == 0 ? n - 1 : p_to;
        const size_t end = n == 0 ? 0 : (last >= n ? n : last + 1);
        entry.second->write(p_os, p_from, end);
    }
    p_os << std::endl;
}

void ScalarVariable::dbprint(size_t p_from, size_t p_to) const
{
    write(std::cout, p_from, p_to);
}

void ScalarVariable::dbprint() const
{
    write(std::cout, 0, 0);
}

bool ScalarVariable::hasFaceValues(const std::string& p_set) const
{
    return m_data.count(Description(eConservative, eFace, p_set)) != 0;
}

bool ScalarVariable::hasElementValues(const std::string& p_set) const
{
    return m_data.count(Description(eConservative, eElement, p_set)) != 0;
}

} // namespace zev
