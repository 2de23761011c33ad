// Geometry: variables filed from the caller's arrays, component and vector views, and where
// the data of an expression lives.

#include "zev/geometry/Geometry.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/StringUtilities.h"
#include "zev/geometry/VariableLocationProviderIF.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <memory>
#include <string>
#include <vector>

namespace zev {

namespace {

const char* const kClass = "Geometry";

// A new variable named p_name, local to this process, still to be filled.
template <class V> std::unique_ptr<V> newLocalVariable(const std::string& p_name)
{
    auto v = std::make_unique<V>(eUnknown, eVertex);
    v->setName(p_name);
    v->setGlobalType(eLocal);
    return v;
}

} // namespace

// ------------------------------------------------------------------ made variables

Variable* Geometry::makeSystemVariable(const std::string& p_name, const FloatZEVVectorConcrete& p_data,
                                       VarLocation p_location)
{
    auto v = newLocalVariable<ScalarVariable>(p_name);
    FloatZEVVector& array = v->getFloatValues(Variable::Description(eLocal, p_location, "All"));
    array.resize(p_data.size());
    if (auto* concrete = dynamic_cast<FloatZEVVectorConcrete*>(&array)) {
        std::copy(p_data.data(), p_data.data() + p_data.size(), concrete->data());
    } else {
        for (std::size_t i = 0; i < p_data.size(); ++i)
            array[i] = p_data[i];
    }
    v->setLocation(p_location);
    return fileOrDelete(v.release(), p_location);
}

Variable* Geometry::makeSystemVariable(const std::string& p_name, const TripletZEVVector& p_data,
                                       VarLocation p_location)
{
    auto v = newLocalVariable<VectorVariable>(p_name);
    v->getTripletValues(Variable::Description(eLocal, p_location, "All")) = p_data;
    return fileOrDelete(v.release(), p_location);
}

ScalarVariable* Geometry::makeComponentVariable(const std::string& p_vectorName,
                                                const std::string& p_componentName, int p_component,
                                                VarLocation p_location)
{
    auto* vector = dynamic_cast<VectorVariable*>(getVariable(p_vectorName, false, p_location));
    if (vector == nullptr)
        throw internal::bad_cast(
            kClass, "makeComponentVariable",
            SystemMsg("Bad cast of %1 '%2' to %3.").arg("variable").arg(p_vectorName).arg("VectorVariable"));
    auto* c = new ScalarVariable(*vector, p_component);
    c->setName(p_componentName);
    c->setGlobalType(eLocal);
    c->setLocation(p_location);
    fileOrDelete(c, eLocationUnknown);
    return c;
}

VectorVariable* Geometry::getVectorVariable(const std::string& p_name, const std::string& p_xExpression,
                                            const std::string& p_yExpression,
                                            const std::string& p_zExpression, VarLocation p_location)
{
    if (auto* held = dynamic_cast<VectorVariable*>(findVariable(p_name, p_location)))
        return held;
    auto* v =
        static_cast<VectorVariable*>(getExpression(p_xExpression, p_yExpression, p_zExpression, p_location));
    if (v == nullptr)
        return nullptr;
    v->setName(p_name);
    fileOrDelete(v, p_location);
    return v;
}

// ------------------------------------------------------------------ locations

VarLocation Geometry::getLocationForExpression(const std::string& p_text)
{
    return getLocationForExpressions(StringUtilities::stringToVector(p_text, ','));
}

VarLocation Geometry::getLocationForExpressions(const std::vector<std::string>& p_expressions)
{
    if (m_variableLocationProvider == nullptr)
        return eVertex;
    if (!p_expressions.empty())
        return m_variableLocationProvider->getLocationForExpressions(this, p_expressions);
    if (hasFaceData())
        return eFace;
    if (hasElementData())
        return eElement;
    return eVertex;
}

VarLocation Geometry::getVariableSearchLocation()
{
    for (const Interpolant* i : m_interpolants)
        if (i && i->getDestinationVarLocation() != eVertex)
            return i->getDestinationVarLocation();
    return eVertex;
}

} // namespace zev
