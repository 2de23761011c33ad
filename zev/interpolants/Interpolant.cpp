#include "zev/interpolants/Interpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <memory>
#include <set>

namespace zev {

Interpolant::~Interpolant() = default;

void Interpolant::interpolate(const TripletZEVVector&, TripletZEVVector&) const {}

void Interpolant::interpolateFromMap(std::map<std::size_t, TripletBase<float>>&, TripletZEVVector&) const {}

void Interpolant::interpolateFromMap(std::map<std::size_t, float>&, FloatZEVVector&) const {}

int Interpolant::getInternalData(int, HybridInterpolantData&, std::string&) const
{
    return -1;
}

namespace {

// The data types of the first parent's values the interpolant reads, after checking that there is a
// first parent with data: its vertex data for a vertex interpolant, its element and face data for one
// that carries cell values onto faces or elements (whose vertex types would leave it nothing to carry).
std::set<VarType> parentTypes(const std::vector<Variable*>& p_parents, VarLocation p_destination)
{
    const char* const cls = "Interpolant";
    const char* const method = "interpolate";
    if (p_parents.empty() || p_parents.front() == nullptr)
        throw internal::error(cls, method, SystemMsg("Cannot interpolate a variable with no data."));
    const Variable* first = p_parents.front();
    std::set<VarType> types = first->getAllTypes(eVertex);
    if (p_destination != eVertex) {
        types = first->getAllTypes(eElement);
        const std::set<VarType> faceTypes = first->getAllTypes(eFace);
        types.insert(faceTypes.begin(), faceTypes.end());
    }
    if (types.empty())
        throw internal::error(cls, method,
                              SystemMsg("Variable %1 has no internal data.").arg(first->getName()));
    return types;
}

// The parents as variables of class V; null when the first is not one, an error when a later
// one is not.
template <class V> std::unique_ptr<std::vector<const V*>> parentsAs(const std::vector<Variable*>& p_parents)
{
    if (dynamic_cast<const V*>(p_parents.front()) == nullptr)
        return nullptr;
    auto parents = std::make_unique<std::vector<const V*>>();
    parents->reserve(p_parents.size());
    for (const Variable* p : p_parents) {
        const auto* v = dynamic_cast<const V*>(p);
        if (v == nullptr)
            throw internal::error("Interpolant", "interpolate",
                                  SystemMsg("Mixed Vector and Scalar variables cannot be interpolated."));
        parents->push_back(v);
    }
    return parents;
}

} // namespace

Variable* Interpolant::interpolate(const std::vector<Variable*>& p_parents) const
{
    parentTypes(p_parents, getDestinationVarLocation());
    std::unique_ptr<Variable> result;
    if (dynamic_cast<const VectorVariable*>(p_parents.front()))
        result = std::make_unique<VectorVariable>(eUnknown, eVertex);
    else if (dynamic_cast<const ScalarVariable*>(p_parents.front()))
        result = std::make_unique<ScalarVariable>(eUnknown, eVertex);
    else
        throw internal::error("Interpolant", "interpolate",
                              SystemMsg("Variables are neither Scalar nor Vector"));
    interpolate(p_parents, *result);
    return result.release();
}

namespace {

// The writable array of a result variable.
FloatZEVVector& resultArray(ScalarVariable& p_result, const Variable::Description& p_desc)
{
    return p_result.getFloatValues(p_desc);
}

TripletZEVVector& resultArray(VectorVariable& p_result, const Variable::Description& p_desc)
{
    return p_result.getTripletValues(p_desc);
}

// Interpolates every type into p_result when the parents are variables of class V: false when
// the first is not one, an error when a later one or the result is not.
template <class V>
bool interpolateAs(const Interpolant& p_interpolant, const std::vector<Variable*>& p_parents,
                   const std::set<VarType>& p_types, Variable& p_result)
{
    const auto parents = parentsAs<V>(p_parents);
    if (!parents)
        return false;
    auto* result = dynamic_cast<V*>(&p_result);
    if (result == nullptr)
        throw internal::error(
            "Interpolant", "interpolate",
            SystemMsg("Result variable %1 is not of the parents' kind.").arg(p_result.getName()));
    const VarLocation destination = p_interpolant.getDestinationVarLocation();
    for (VarType t : p_types)
        p_interpolant.interpolate(*parents, t,
                                  resultArray(*result, Variable::Description(t, destination, "All")));
    return true;
}

} // namespace

void Interpolant::interpolate(const std::vector<Variable*>& p_parents, Variable& p_result) const
{
    const std::set<VarType> types = parentTypes(p_parents, getDestinationVarLocation());
    if (!interpolateAs<VectorVariable>(*this, p_parents, types, p_result) &&
        !interpolateAs<ScalarVariable>(*this, p_parents, types, p_result))
        throw internal::error("Interpolant", "interpolate",
                              SystemMsg("Variables are neither Scalar nor Vector"));
}

} // namespace zev
