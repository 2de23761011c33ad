#pragma once
// A variable with one triplet per vertex, element or face. It keeps one triplet array per
// data type, location and set name, and serves the Euclidean lengths of the "All" arrays
// as its float values, computed on first request and cached. The length cache is filled
// under a lock: reads of the lengths may run from several threads at once.

#include "zev/ZEVExport.h"
#include "zev/contracts/FloatZEVVector.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/variables/StoredVariable.h"

#include <cstddef>
#include <iosfwd>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace zev {

class ZEV_EXPORT VectorVariable : public StoredVariable<VectorVariable, TripletZEVVector> {
public:
    explicit VectorVariable(VarType p_type = eUnknown, VarLocation p_location = eVertex);
    // Takes ownership of p_values and files it under (type, Vertex, "All") whatever the
    // location (which is still recorded as the variable's location). A null pointer
    // leaves the store empty. Throws for the Unknown type, deleting p_values.
    VectorVariable(TripletZEVVector* p_values, VarType p_type, VarLocation p_location);
    VectorVariable(const VectorVariable&) = delete;
    VectorVariable& operator=(const VectorVariable&) = delete;
    ~VectorVariable() override;

    // Statistics over every defined component of the vertex triplets.
    float getSum(VarType p_type) const override;
    // The magnitudes of the "All" array of the resolved type (never of a single set).
    const FloatZEVVector& getFloatValues(const Description& p_desc) const override;
    FloatZEVVector& getFloatValues(const Description& p_desc) override;
    bool isVector() const override { return true; }
    void makeUndef(VarType p_type, int p_count) override;
    Variable* clone(const std::string& p_name) const override;
    // Writes the header lines, then each array as "<type> Values" and one line per entry
    // p_from to p_to, "i:(x, y, z)" with "UNDEF" for undefined components, followed by
    // the magnitude when one is cached.
    void write(std::ostream& p_os, int p_from, int p_to) const override;

    // Read access: resolves the type, builds the "All" concatenation of elements or faces
    // on first request, and throws when the array does not exist.
    const TripletZEVVector& getTripletValues(const Description& p_desc) const;
    // Writable access: creates the array when absent (the type is not resolved) and drops
    // every cached magnitude, since the caller may change the triplets.
    TripletZEVVector& getTripletValues(const Description& p_desc);
    const TripletZEVVector& getTripletValues(VarType p_type) const;
    TripletZEVVector& getTripletValues(VarType p_type);

    // Replaces the vertex array of type p_to by a copy of that of type p_from.
    TripletZEVVector& getCopyOfValues(VarType p_from, VarType p_to);

private:
    friend class StoredVariable<VectorVariable, TripletZEVVector>;
    static constexpr const char* s_className = "VectorVariable";
    void concatenate(const Description& p_desc) const { populateTripletValues(p_desc); }
    // The type-resolving read access the shared store queries use.
    const TripletZEVVector& storedValues(const Description& p_desc) const { return getTripletValues(p_desc); }
    TripletZEVVector& writableValues(const Description& p_desc) { return getTripletValues(p_desc); }
    // Cached lengths of a resized or removed array would no longer match it.
    void arrayChanged(const Description& p_desc) const { dropMagnitudes(p_desc); }
    using MagnitudeStore = std::map<Description, FloatZEVVector*>;

    // Builds and files the "All" concatenation of p_desc's type and location.
    void populateTripletValues(const Description& p_desc) const;
    // Builds and caches the magnitudes of the "All" array p_desc; the caller holds
    // m_magnitudesMutex.
    void populateFloatValues(const Description& p_desc) const;
    const FloatZEVVector& magnitudes(const Description& p_desc, const char* p_method) const;
    void dropMagnitudes(const Description& p_desc) const;
    void clearMagnitudes() const;

    // Owned cache of the lengths of the triplet arrays, filled by const reads; the mutex
    // guards it so that threads may read the lengths of one variable at once.
    mutable MagnitudeStore m_magnitudes;
    mutable std::mutex m_magnitudesMutex;
};

} // namespace zev
