#pragma once
// A variable with one float per vertex, element or face. It keeps one array per data type,
// location and set name; a component variable instead keeps views of one component of a
// vector variable's triplets and refuses writable access.

#include "zev/ZEVExport.h"
#include "zev/contracts/FloatZEVVector.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/variables/StoredVariable.h"

#include <cstddef>
#include <iosfwd>
#include <map>
#include <set>
#include <string>

namespace zev {

class VectorVariable;

class ZEV_EXPORT ScalarVariable : public StoredVariable<ScalarVariable, FloatZEVVector> {
public:
    explicit ScalarVariable(VarType p_type = eUnknown, VarLocation p_location = eVertex);
    // Takes ownership of p_values and files it under (type, location, "All"); a null
    // pointer leaves the store empty.
    ScalarVariable(FloatZEVVector* p_values, VarType p_type, VarLocation p_location);
    // Files a copy of p_count values under (type, location, "All").
    ScalarVariable(const float* p_values, int p_count, VarType p_type, VarLocation p_location);
    // A component variable of type Mesh viewing component p_component of p_triplets, which
    // must outlive it.
    ScalarVariable(TripletZEVVector& p_triplets, int p_component);
    // A component variable viewing component p_component of every array of p_vector,
    // which must outlive it.
    ScalarVariable(VectorVariable& p_vector, int p_component);
    ScalarVariable(const ScalarVariable&) = delete;
    ScalarVariable& operator=(const ScalarVariable&) = delete;
    ~ScalarVariable() override;

    float getSum(VarType p_type) const override;
    // Read access: resolves the type, builds the "All" concatenation of elements or faces
    // on first request, and throws when the array does not exist.
    const FloatZEVVector& getFloatValues(const Description& p_desc) const override;
    // Writable access: creates the array when absent (the type is not resolved). At
    // elements and faces, "All" gives the concatenation, a cache not written back to sets.
    FloatZEVVector& getFloatValues(const Description& p_desc) override;
    bool isVector() const override { return false; }
    void makeUndef(VarType p_type, int p_count) override;
    Variable* clone(const std::string& p_name) const override;
    void dbprint(size_t p_from, size_t p_to) const override;
    void dbprint() const override;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Woverloaded-virtual"
    // Writes the header lines, then each array as "<type> Values" and its entries p_from
    // to p_to inclusive (to the last entry when p_to is 0). Deliberately hides the base
    // form so that calls on a scalar variable list its values.
    virtual void write(std::ostream& p_os, size_t p_from, size_t p_to) const;
#pragma GCC diagnostic pop

    // Whether Conservative data is stored for exactly this face (element) set.
    bool hasFaceValues(const std::string& p_set) const;
    bool hasElementValues(const std::string& p_set) const;
    bool isComponent() const
    {
        return m_isComponent;
    }
    // The vector variable viewed by a component variable made from one (null otherwise); the
    // component must be discarded before that vector.
    const VectorVariable* getComponentSource() const
    {
        return m_componentSource;
    }

    // Replaces the vertex array of type p_to by a copy of that of type p_from.
    FloatZEVVector& getCopyOfValues(VarType p_from, VarType p_to);
    // Files p_values under (type, location, "All"), replacing any array there, and nulls
    // the caller's pointer. A null pointer removes the array.
    void adoptFloatVector(FloatZEVVector*& p_values, VarType p_type, VarLocation p_location);

private:
    friend class StoredVariable<ScalarVariable, FloatZEVVector>;
    static constexpr const char* s_className = "ScalarVariable";
    void concatenate(const Description& p_desc) const
    {
        populateAllValues(p_desc);
    }
    // The type-resolving read access the shared store queries use.
    const FloatZEVVector& storedValues(const Description& p_desc) const
    {
        return getFloatValues(p_desc);
    }
    FloatZEVVector& writableValues(const Description& p_desc)
    {
        return getFloatValues(p_desc);
    }

    // Builds and files the "All" concatenation of p_desc's type and location.
    void populateAllValues(const Description& p_desc) const;
    // Files a view of component p_component of the array at p_desc in p_vector, if held.
    void addComponentView(VectorVariable& p_vector, const Description& p_desc, int p_component);

    bool m_isComponent = false;
    // The vector variable whose arrays this component variable views, or null.
    const VectorVariable* m_componentSource = nullptr;
};

} // namespace zev
