#include "zev/interpolants/Interpolant.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <memory>

namespace zev {

namespace {

// The parents as variables of one kind; a parent of the other kind is refused.
template <class Kind> std::vector<const Kind*> parentsAs(const std::vector<Variable*>& p_parents)
{
    std::vector<const Kind*> parents;
    parents.reserve(p_parents.size());
    for (const Variable* p : p_parents) {
        const auto* kind = dynamic_cast<const Kind*>(p);
        if (kind == nullptr)
            throw internal::error("Interpolant", "interpolate",
                                  SystemMsg("Mixed Vector and Scalar variables cannot be interpolated."));
        parents.push_back(kind);
    }
    return parents;
}

} // namespace

Interpolant::~Interpolant() = default;

void Interpolant::interpolate(const TripletZEVVector&, TripletZEVVector&) const {}

void Interpolant::interpolateFromMap(std::map<std::size_t, TripletBase<float>>&, TripletZEVVector&) const {}

void Interpolant::interpolateFromMap(std::map<std::size_t, float>&, FloatZEVVector&) const {}

int Interpolant::getInternalData(int, HybridInterpolantData&, std::string&) const
{
    return -1;
}

Variable* Interpolant::interpolate(const std::vector<Variable*>& p_parents) const
{
    const char* const cls = "Interpolant";
    const char* const method = "interpolate";
    if (p_parents.empty() || p_parents.front() == nullptr)
        throw internal::error(cls, method, SystemMsg("Cannot interpolate a variable with no data."));
    const Variable* first = p_parents.front();
    const std::set<VarType> types = first->getAllTypes(eVertex);
    if (types.empty())
        throw internal::error(cls, method,
                              SystemMsg("Variable %1 has no internal data.").arg(first->getName()));

    const VarLocation destination = getDestinationVarLocation();
    if (dynamic_cast<const VectorVariable*>(first)) {
        const std::vector<const VectorVariable*> parents = parentsAs<VectorVariable>(p_parents);
        auto result = std::make_unique<VectorVariable>(eUnknown, eVertex);
        for (VarType t : types)
            interpolate(parents, t, result->getTripletValues(Variable::Description(t, destination, "All")));
        return result.release();
    }
    if (dynamic_cast<const ScalarVariable*>(first)) {
        const std::vector<const ScalarVariable*> parents = parentsAs<ScalarVariable>(p_parents);
        auto result = std::make_unique<ScalarVariable>(eUnknown, eVertex);
        for (VarType t : types)
            interpolate(parents, t, result->getFloatValues(Variable::Description(t, destination, "All")));
        return result.release();
    }
    throw internal::error(cls, method, SystemMsg("Variables are neither Scalar nor Vector"));
}

} // namespace zev
