#include "zev/variables/VectorVariable.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>

namespace zev {

namespace {

using variableStore::isSetLocation;

void writeComponent(std::ostream& p_os, float p_value)
{
    if (p_value == ZEV_UNDEF)
        p_os << "UNDEF";
    else
        p_os << p_value;
}

} // namespace

VectorVariable::VectorVariable(VarType p_type, VarLocation p_location) : StoredVariable(p_type, p_location) {}

VectorVariable::VectorVariable(TripletZEVVector* p_values, VarType p_type, VarLocation p_location)
    : StoredVariable(p_type, p_location)
{
    std::unique_ptr<TripletZEVVector> owned(p_values);
    if (p_type == eUnknown)
        fail("VectorVariable", SystemMsg("Unknown data type."));
    if (owned)
        m_data.emplace(Description(p_type, eVertex, s_allSetName), owned.release());
}

// The arrays go with the shared store.
VectorVariable::~VectorVariable()
{
    clearMagnitudes();
}

void VectorVariable::dropMagnitudes(const Description& p_desc) const
{
    std::lock_guard<std::mutex> lock(m_magnitudesMutex);
    auto it = m_magnitudes.find(p_desc);
    if (it != m_magnitudes.end()) {
        delete it->second;
        m_magnitudes.erase(it);
    }
}

void VectorVariable::clearMagnitudes() const
{
    std::lock_guard<std::mutex> lock(m_magnitudesMutex);
    for (auto& entry : m_magnitudes)
        delete entry.second;
    m_magnitudes.clear();
}

float VectorVariable::getSum(VarType p_type) const
{
    const TripletZEVVector* a = statisticArray(p_type);
    return a ? a->getSum() : ZEV_UNDEF;
}

const TripletZEVVector& VectorVariable::getTripletValues(const Description& p_desc) const
{
    return resolvedArray(p_desc, "getTripletValues(const)", "getTripletValues const",
                         "Request for nonexistent %1 data of type %2 for variable '%3'");
}

TripletZEVVector& VectorVariable::getTripletValues(const Description& p_desc)
{
    if (p_desc.type == eUnknown)
        fail("getTripletValues", SystemMsg("Unknown data type for variable '%1'.").arg(getName()));
    if (p_desc.setName.empty())
        fail("getTripletValues", SystemMsg("Empty %1 Set Name for variable '%2'")
                                     .arg(getVarLocationName(p_desc.location))
                                     .arg(getName()));

    TripletZEVVector& values = writableArray<TripletZEVVector>(p_desc);
    // The caller may change the triplets.
    clearMagnitudes();
    return values;
}

const TripletZEVVector& VectorVariable::getTripletValues(VarType p_type) const
{
    return getTripletValues(Description(p_type, eVertex, s_allSetName));
}

TripletZEVVector& VectorVariable::getTripletValues(VarType p_type)
{
    return getTripletValues(Description(p_type, eVertex, s_allSetName));
}

void VectorVariable::populateTripletValues(const Description& p_desc) const
{
    if (!isSetLocation(p_desc.location))
        fail("populateTripletValues",
             SystemMsg("Invalid location name '%1'").arg(getVarLocationName(p_desc.location)));
    if (m_data.count(p_desc) != 0)
        return;
    // Throws, before anything is filed, when a set lacks data of this type: a
    // concatenation with a set left out would misnumber every later item.
    const size_t n = getNumData(p_desc.type, p_desc.location);
    if (n == 0) {
        fileArray(p_desc, new TripletZEVVector());
        fail("populateTripletValues", SystemMsg("No %1 data present for variable '%2'")
                                          .arg(p_desc.location == eElement ? "element" : "face")
                                          .arg(getName()));
    }
    auto all = std::make_unique<TripletZEVVector>();
    all->reserve(n);
    for (const std::string& set : getDataKeysOnLocation(p_desc.location))
        for (const Triplet& t : *m_data.find(Description(p_desc.type, p_desc.location, set))->second)
            all->push_back(t);
    fileArray(p_desc, all.release());
}

void VectorVariable::populateFloatValues(const Description& p_desc) const
{
    if (m_magnitudes.count(p_desc) != 0)
        return;
    if (m_data.count(p_desc) == 0)
        populateTripletValues(p_desc);
    const TripletZEVVector* triplets = find(p_desc);
    if (triplets == nullptr)
        fail("getFloatValues const",
             SystemMsg("VectorVariable::getFloatValues - request for nonexistent data of type %1.")
                 .arg(getVarTypeName(p_desc.type)));
    auto lengths = std::make_unique<FloatZEVVectorConcrete>(triplets->size());
    float* out = lengths->data();
    for (const Triplet& t : *triplets) {
        const bool undefined =
            FloatUtilities::isUndef(t[0]) || FloatUtilities::isUndef(t[1]) || FloatUtilities::isUndef(t[2]);
        *out++ = undefined ? ZEV_UNDEF : std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
    }
    m_magnitudes.emplace(p_desc, lengths.get());
    lengths.release();
}

const FloatZEVVector& VectorVariable::magnitudes(const Description& p_desc, const char* p_method) const
{
    const Description d(checkType(p_desc.type, p_desc.location), p_desc.location, p_desc.setName);
    // The array found stays in place until a change to the variable drops it.
    std::lock_guard<std::mutex> lock(m_magnitudesMutex);
    if (d.setName == s_allSetName)
        populateFloatValues(d);
    auto it = m_magnitudes.find(d);
    if (it == m_magnitudes.end())
        fail(p_method, SystemMsg("No %1 data available for variable '%2'")
                           .arg(getVarLocationName(d.location))
                           .arg(getName()));
    return *it->second;
}

const FloatZEVVector& VectorVariable::getFloatValues(const Description& p_desc) const
{
    return magnitudes(p_desc, "getFloatValues(const)");
}

FloatZEVVector& VectorVariable::getFloatValues(const Description& p_desc)
{
    // The cache is owned by this (non-const) object.
    return const_cast<FloatZEVVector&>(magnitudes(p_desc, "getFloatValues"));
}

void VectorVariable::makeUndef(VarType p_type, int p_count)
{
    if (p_count < 0 && hasType(Description(p_type, eVertex, s_allSetName)))
        p_count = getSize(p_type, eVertex);
    TripletZEVVector& values = getTripletValues(Description(p_type, eVertex, s_allSetName));
    setUndef(p_type);
    values.clear();
    if (p_count > 0)
        values.resize(static_cast<size_t>(p_count), Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF));
}

TripletZEVVector& VectorVariable::getCopyOfValues(VarType p_from, VarType p_to)
{
    if (p_from == eUnknown || p_to == eUnknown)
        fail(
            "getCopyOfValues",
            SystemMsg("VectorVariable::getCopyOfValues - unknown data type for variable %1.").arg(getName()));
    const TripletZEVVector* source = find(Description(p_from, eVertex, s_allSetName));
    if (source == nullptr)
        fail("getCopyOfValues",
             SystemMsg("VectorVariable::getCopyOfValues - request for nonexistent data of type %1.")
                 .arg(getVarTypeName(p_from)));
    // Copy before replacing: with p_from equal to p_to the source is the array replaced.
    auto copy = std::make_unique<TripletZEVVector>(*source);
    TripletZEVVector& result = *copy;
    const Description to(p_to, eVertex, s_allSetName);
    fileArray(to, copy.release());
    dropMagnitudes(to);
    return result;
}

Variable* VectorVariable::clone(const std::string& p_name) const
{
    auto copy = std::make_unique<VectorVariable>(eUnknown, eVertex);
    copy->setName(p_name);
    copy->setDomain(getDomain());
    copy->setGlobalType(getGlobalType());
    for (const auto& entry : m_data) {
        const Description& d = entry.first;
        // The first array filed decides the global type, unless it is a concatenation.
        if (copy->m_data.empty() && (d.location == eVertex || d.setName != s_allSetName))
            copy->assignGlobalType(d.type);
        copy->fileArray(d, new TripletZEVVector(*entry.second));
    }
    return copy.release();
}

void VectorVariable::write(std::ostream& p_os, int p_from, int p_to) const
{
    Variable::write(p_os, p_from, p_to);
    for (const auto& entry : m_data) {
        p_os << getVarTypeName(entry.first.type) << " Values" << std::endl;
        const TripletZEVVector& values = *entry.second;
        const long long n = static_cast<long long>(values.size());
        const long long last = (p_to >= 0 && p_to <= n - 1) ? p_to : n - 1;
        const FloatZEVVector* lengths = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_magnitudesMutex);
            auto mag = m_magnitudes.find(entry.first);
            lengths = mag == m_magnitudes.end() ? nullptr : mag->second;
        }
        for (long long i = std::max(p_from, 0); i <= last; ++i) {
            const Triplet& t = values[static_cast<size_t>(i)];
            p_os << i << ":(";
            writeComponent(p_os, t[0]);
            p_os << ", ";
            writeComponent(p_os, t[1]);
            p_os << ", ";
            writeComponent(p_os, t[2]);
            p_os << ")";
            if (lengths != nullptr && static_cast<size_t>(i) < lengths->size())
                p_os << " " << (*lengths)[static_cast<size_t>(i)];
            p_os << std::endl;
        }
    }
    p_os << std::endl;
}

} // namespace zev
