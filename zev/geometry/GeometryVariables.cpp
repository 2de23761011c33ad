// Geometry: the variables a geometry serves (held, geometric, host-provided, interpolated
// from parent domains, or evaluated from expressions).
#include "zev/geometry/Geometry.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/ExpressionEvaluator.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/StringUtilities.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/GeometryInfoInterface.h"
#include "zev/geometry/GeometryVariableProviderIF.h"
#include "zev/geometry/VariableDescription.h"
#include "zev/geometry/VariableLocationProviderIF.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <iostream>
#include <memory>

namespace zev {

namespace {

const char* const kClass = "Geometry";

// The component (0, 1, 2) a coordinate spelling names, or -1.
int coordinateComponent(const std::string& p_name)
{
    if (p_name == "x" || p_name == "X" || p_name == "X Coordinate")
        return 0;
    if (p_name == "y" || p_name == "Y" || p_name == "Y Coordinate")
        return 1;
    if (p_name == "z" || p_name == "Z" || p_name == "Z Coordinate")
        return 2;
    return -1;
}

const char* const kLetters[3] = {"X", "Y", "Z"};

} // namespace

// ------------------------------------------------------------------ the request

Variable* Geometry::getVariable(const std::string& p_name, bool p_mustExist, const VarLocation& p_location)
{
    if (p_name.empty())
        return nullptr;
    if (Variable* held = findVariable(p_name, p_location))
        return held;

    internal::VariableDescription d;
    const bool known = s_geometryInfo != nullptr && d.query(*s_geometryInfo, p_name);
    if (known) {
        const int component = coordinateComponent(p_name);
        if (component >= 0)
            return makeXYZVariable(kLetters[component], p_location);
        if (p_name == "Length") {
            // Filed at Vertex whatever the request: a repeated request finds it there.
            if (Variable* held = findVariable("Length", eVertex))
                return held;
            return makeSystemVariable("Length", getVertexLengths(), eVertex);
        }
        if (p_name == "Area")
            return makeSystemVariable("Area", p_location == eFace ? getFaceAreas() : getVertexAreas(),
                                      p_location);
        if (p_name == "Volume")
            return makeSystemVariable(
                "Volume", p_location == eElement ? getElementVolumes() : getVertexVolumes(), p_location);
        if (p_name == "Normal")
            return makeSystemVariable("Normal", p_location == eFace ? getFaceNormals() : getVertexNormals(),
                                      p_location);
        if (p_name == "Normal X" || p_name == "Normal Y" || p_name == "Normal Z")
            return makeComponentVariable("Normal", p_name, p_name.back() - 'X', p_location);
        if (m_variableProvider)
            if (Variable* provided = m_variableProvider->getVariable(this, p_name, p_location))
                return provided;
        if (!d.isExpression) {
            if (d.needsCalculation && calculateVariable(p_name))
                return findVariable(p_name, eVertex);
            return makeFundamentalVariable(p_name, p_location);
        }
        if (Variable* held = findVariable(p_name, p_location))
            return held;
        Variable* v = nullptr;
        const UserMsg empty("Attempt to evaluate user variable with empty expression.");
        if (d.numComponents == 1) {
            if (d.expressions.empty() || d.expressions[0].empty())
                throw expressions::eval(kClass, "getVariable", empty);
            v = getExpression(d.expressions[0], p_location);
        } else {
            if (d.expressions.size() < 3 || d.expressions[0].empty() || d.expressions[1].empty() ||
                d.expressions[2].empty())
                throw expressions::eval(kClass, "getVariable", empty);
            v = getExpression(d.expressions[0], d.expressions[1], d.expressions[2], p_location);
        }
        if (v) {
            v->setName(p_name);
            fileOrDelete(v, p_location);
        }
        return v;
    }

    if (p_mustExist)
        throw data::notFound(kClass, "getVariable",
                             "Variable '" + p_name + "' does not exist on '" + getBaseName() + "'.");
    if (!d.isExpression)
        return nullptr;
    if (Variable* held = findVariable(p_name, p_location))
        return held;
    Variable* v = getExpression(p_name, p_location);
    if (v)
        fileOrDelete(v, p_location);
    return v;
}

Variable* Geometry::fileOrDelete(Variable* p_variable, VarLocation p_location)
{
    try {
        addVariable(p_variable, p_location);
    } catch (...) {
        delete p_variable;
        throw;
    }
    return p_variable;
}

// ------------------------------------------------------------------ the store

Variable* Geometry::findVariable(const std::string& p_name, VarLocation p_location)
{
    auto it = m_variables.find(VarKey(p_name, p_location));
    return it == m_variables.end() ? nullptr : it->second;
}

bool Geometry::hasVariable(const std::string& p_name, VarLocation p_location) const
{
    return m_variables.count(VarKey(p_name, p_location)) != 0;
}

void Geometry::addVariable(Variable* p_variable, VarLocation p_location)
{
    if (p_variable == nullptr)
        throw internal::badParam(kClass, "addVariable", SystemMsg("Invalid Variable - NULL pointer."));
    if (p_variable->getName().empty())
        throw data::invalid(kClass, "addVariable", SystemMsg("Invalid Variable - No name defined."));
    const VarLocation location = p_location == eLocationUnknown ? p_variable->getLocation() : p_location;
    if (!m_variables.emplace(VarKey(p_variable->getName(), location), p_variable).second)
        throw data::duplicate(kClass, "addVariable",
                              SystemMsg("Variable '%1' already exists.").arg(p_variable->getName()));
}

void Geometry::deleteComponentsOf(const Variable* p_vector)
{
    if (dynamic_cast<const VectorVariable*>(p_vector) == nullptr)
        return;
    for (auto it = m_variables.begin(); it != m_variables.end();) {
        const auto* component = dynamic_cast<const ScalarVariable*>(it->second);
        if (component && component->getComponentSource() == p_vector) {
            dispose(it->second);
            it = m_variables.erase(it);
        } else {
            ++it;
        }
    }
}

void Geometry::deleteVariable(const std::string& p_name, VarLocation p_location)
{
    auto it = m_variables.find(VarKey(p_name, p_location));
    if (it == m_variables.end())
        return;
    // A component variable views its vector's arrays: it goes first.
    deleteComponentsOf(it->second);
    dispose(it->second);
    m_variables.erase(it);
}

void Geometry::deleteVariable(const std::string& p_name)
{
    deleteVariable(p_name, eVertex);
    deleteVariable(p_name, eFace);
    deleteVariable(p_name, eElement);
}

void Geometry::deleteAllVariables()
{
    for (auto& entry : m_variables)
        dispose(entry.second);
    m_variables.clear();
}

void Geometry::deleteAllExpressions()
{
    if (s_geometryInfo == nullptr)
        return;
    // The flag is preset once: a query that leaves it alone keeps the previous answer.
    internal::VariableDescription d;
    for (auto it = m_variables.begin(); it != m_variables.end();) {
        d.query(*s_geometryInfo, it->first.name);
        if (!d.isExpression) {
            ++it;
            continue;
        }
        const VarKey key = it->first;
        deleteComponentsOf(it->second);
        it = m_variables.find(key);
        dispose(it->second);
        it = m_variables.erase(it);
    }
}

std::vector<std::string> Geometry::getVariableNames() const
{
    std::vector<std::string> names;
    names.reserve(m_variables.size());
    for (const auto& entry : m_variables)
        names.push_back(entry.first.name);
    return names;
}

void Geometry::dbprintVariables() const
{
    for (const auto& entry : m_variables)
        std::cout << "INDEX=" << entry.first.name << " NAME=" << (entry.second ? entry.second->getName() : "")
                  << " DOMAIN=" << (entry.second ? entry.second->getDomain() : "") << std::endl;
}

bool Geometry::isGeometricVariable(const std::string& p_name) const
{
    return coordinateComponent(p_name) >= 0;
}

// ------------------------------------------------------------------ made variables

ScalarVariable* Geometry::makeXYZVariable(const TripletZEVVector& p_source, int p_component,
                                          VarLocation p_location)
{
    auto v = std::make_unique<ScalarVariable>(eUnknown, eVertex);
    auto* array = dynamic_cast<FloatZEVVectorConcrete*>(
        &v->getFloatValues(Variable::Description(eLocal, p_location, "All")));
    if (array == nullptr)
        throw internal::bad_cast(kClass, "makeXYZVariable",
                                 SystemMsg("Bad cast of %1 '%2' to %3.")
                                     .arg("array")
                                     .arg(kLetters[p_component])
                                     .arg("FloatZEVVectorConcrete"));
    const std::size_t n = p_source.size();
    array->resize(n);
    float* out = array->data();
    for (std::size_t i = 0; i < n; ++i)
        out[i] = p_source[i][p_component];
    return v.release();
}

Variable* Geometry::makeXYZVariable(const std::string& p_name, VarLocation p_location)
{
    int component = -1;
    for (int c = 0; c < 3; ++c)
        if (p_name == kLetters[c])
            component = c;
    if (component < 0)
        return nullptr;
    // A coordinate asked for under another spelling was filed under its letter before.
    if (Variable* held = findVariable(p_name, p_location))
        return held;
    const TripletZEVVector* source = nullptr;
    if (p_location == eVertex)
        source = &m_vertices;
    else if (p_location == eFace)
        source = &getFaceCenters();
    else if (p_location == eElement)
        source = &getElementCenters();
    else
        return nullptr;
    ScalarVariable* v = makeXYZVariable(*source, component, p_location);
    v->setLocation(p_location);
    v->setName(p_name);
    v->setGlobalType(eLocal);
    fileOrDelete(v, eLocationUnknown);
    return v;
}

Variable* Geometry::getFundamentalVariable(const std::string& p_name)
{
    if (Variable* held = findVariable(p_name, eVertex))
        return held;
    return makeFundamentalVariable(p_name, eVertex);
}

bool Geometry::calculateVariable(const std::string& p_name)
{
    if (s_geometryInfo == nullptr)
        throw internal::nullPointer(kClass, "calculateVariable",
                                    SystemMsg("Null pointer to %1.").arg("s_geometryInfo"));
    return s_geometryInfo->calculateVariableOnGeometry(p_name, this);
}

Variable* Geometry::makeFundamentalVariable(const std::string& p_name, VarLocation p_location)
{
    const char* const method = "makeFundamentalVariable";
    if (m_interpolants.empty())
        throw internal::error(kClass, method, SystemMsg("Geometry does not have interpolant."));
    Variable* fallback = nullptr;
    for (Interpolant* interpolant : m_interpolants) {
        if (interpolant == nullptr || interpolant->getDestinationVarLocation() != p_location)
            continue;
        const std::vector<std::string> domains = interpolant->getDomains();
        if (s_geometryInfo == nullptr)
            throw internal::nullPointer(kClass, method,
                                        SystemMsg("Null pointer to %1.").arg("s_geometryInfo"));
        std::vector<Variable*> parents;
        s_geometryInfo->getParentVariables(p_name, domains, parents);
        if (parents.empty() || parents.front() == nullptr)
            continue;
        const VarType type = parents.front()->getGlobalType();
        bool anyDefined = false;
        for (const Variable* p : parents)
            if (p && !p->isUndef(type))
                anyDefined = true;
        if (!anyDefined) {
            if (fallback == nullptr)
                fallback = parents.front();
            continue;
        }
        Variable* result = nullptr;
        try {
            result = interpolant->interpolate(parents);
        } catch (const Error&) {
            continue; // this interpolant cannot carry the variable: try the next
        }
        if (result == nullptr)
            continue;
        result->setLocation(p_location);
        result->setGlobalType(type);
        result->setName(p_name);
        result->setDomain(m_domain);
        return fileOrDelete(result, p_location);
    }
    if (fallback == nullptr)
        return nullptr;
    // Every parent is undefined: an unfiled placeholder, all undefined, owned by the caller.
    std::unique_ptr<Variable> placeholder;
    if (dynamic_cast<const VectorVariable*>(fallback))
        placeholder = std::make_unique<VectorVariable>(eUnknown, eVertex);
    else
        placeholder = std::make_unique<ScalarVariable>(eUnknown, eVertex);
    const VarType type = fallback->getGlobalType();
    placeholder->setGlobalType(type);
    placeholder->makeUndef(type, p_location == eFace ? getNumFaces() : getNumVertices());
    return placeholder.release();
}

// ------------------------------------------------------------------ expressions

namespace {

// The evaluator's conversation: supply each input it names, p_count values from p_supply, until
// it has written its result.
template <class Supply>
void answerInputs(ExpressionEvaluator& p_evaluator, std::string p_next, int p_count, Supply p_supply)
{
    std::vector<float> values;
    while (!p_next.empty()) {
        values.assign(static_cast<std::size_t>(p_count), 0.0f);
        p_supply(p_next, values);
        p_next = p_evaluator.continueEvaluatingVariable(values, p_next);
    }
}

// A user vector variable at p_location whose entry i is (x[i], y[i], z[i]), named p_name.
std::unique_ptr<VectorVariable> vectorOf(const std::vector<float>& p_x, const std::vector<float>& p_y,
                                         const std::vector<float>& p_z, VarLocation p_location,
                                         const std::string& p_name)
{
    auto v = std::make_unique<VectorVariable>(eUser, p_location);
    TripletZEVVector& t = v->getTripletValues(Variable::Description(eUser, p_location, "All"));
    t.resize(p_x.size());
    for (std::size_t i = 0; i < p_x.size(); ++i)
        t[i] = Triplet(p_x[i], p_y[i], p_z[i]);
    v->setName(p_name);
    return v;
}

} // namespace

void Geometry::evaluateExpression(const std::string& p_expression, float* p_out, int p_count,
                                  VarLocation p_location)
{
    ExpressionEvaluator evaluator;
    std::string needed;
    answerInputs(evaluator,
                 evaluator.evaluateVariable(p_expression, p_out, p_count, needed,
                                            Variable::getVarLocationName(p_location)),
                 p_count, [&](const std::string& p_name, std::vector<float>& p_values) {
                     processSubExpression(p_name, p_values, p_location);
                 });
}

void Geometry::evaluateExpressionWithTransformation(const std::string& p_expression, float* p_out,
                                                    int p_count,
                                                    const ExpressionTransformationInterface* p_transform)
{
    ExpressionEvaluator evaluator;
    std::string needed;
    answerInputs(evaluator,
                 evaluator.evaluateVariable(p_expression, p_out, p_count, needed,
                                            Variable::getVarLocationName(eVertex), p_transform),
                 p_count, [&](const std::string& p_name, std::vector<float>& p_values) {
                     processSubExpression(p_name, p_values, eVertex);
                 });
}

void Geometry::processSubExpression(const std::string& p_subName, std::vector<float>& p_values,
                                    VarLocation p_location)
{
    const int component = coordinateComponent(p_subName);
    if (s_geometryInfo == nullptr && component >= 0) {
        // Vertex coordinates; entries beyond the vertex array (more faces or elements than
        // vertices) are undefined rather than read past the array.
        const std::size_t n = p_values.size();
        const std::size_t available = std::min(n, m_vertices.size());
        for (std::size_t i = 0; i < available; ++i)
            p_values[i] = m_vertices[i][component];
        for (std::size_t i = available; i < n; ++i)
            p_values[i] = ZEV_UNDEF;
        return;
    }
    const Variable* v = getVariable(p_subName, true, p_location);
    if (v == nullptr)
        throw data::invalid(kClass, "getExpression",
                            SystemMsg("Variable %1 is invalid in the domain").arg("p_expr"));
    const FloatZEVVector& values = v->getFloatValues(Variable::Description(eUnknown, p_location, "All"));
    if (values.size() != p_values.size())
        throw internal::error(
            kClass, "getExpression",
            SystemMsg("Number of values in retrieved variable does not match number of vertices."));
    if (const auto* concrete = dynamic_cast<const FloatZEVVectorConcrete*>(&values)) {
        std::copy(concrete->data(), concrete->data() + concrete->size(), p_values.begin());
    } else {
        for (std::size_t i = 0; i < p_values.size(); ++i)
            p_values[i] = values[i];
    }
}

Variable* Geometry::getExpression(const std::string& p_expression, VarLocation p_location)
{
    const int n = static_cast<int>(getSize(p_location));
    std::vector<float> values(static_cast<std::size_t>(n), 0.0f);
    try {
        evaluateExpression(p_expression, values.data(), n, p_location);
    } catch (const Error&) {
        return nullptr;
    }
    auto* v = new ScalarVariable(values.data(), n, eUser, p_location);
    v->setName(p_expression);
    return v;
}

Variable* Geometry::getExpression(const std::string& p_xExpression, const std::string& p_yExpression,
                                  const std::string& p_zExpression, VarLocation p_location)
{
    const int n = static_cast<int>(getSize(p_location));
    std::vector<float> x(static_cast<std::size_t>(n)), y(x.size()), z(x.size());
    try {
        evaluateExpression(p_xExpression, x.data(), n, p_location);
        evaluateExpression(p_yExpression, y.data(), n, p_location);
        evaluateExpression(p_zExpression, z.data(), n, p_location);
    } catch (const Error&) {
        return nullptr;
    }
    return vectorOf(x, y, z, p_location, p_xExpression).release();
}

Variable* Geometry::getTransformedExpression(const std::string& p_expression,
                                             const ExpressionTransformationInterface* p_transform)
{
    const int n = getNumVertices();
    std::vector<float> values(static_cast<std::size_t>(n), 0.0f);
    evaluateExpressionWithTransformation(p_expression, values.data(), n, p_transform);
    auto* v = new ScalarVariable(values.data(), n, eUser, eVertex);
    v->setName(p_expression);
    return fileOrDelete(v, eLocationUnknown);
}

VectorVariable* Geometry::getTransformedVector(const std::string& p_name, const std::string& p_xExpression,
                                               const std::string& p_yExpression,
                                               const std::string& p_zExpression,
                                               const ExpressionTransformationInterface* p_transform)
{
    const int n = getNumVertices();
    std::vector<float> x(static_cast<std::size_t>(n)), y(x.size()), z(x.size());
    evaluateExpressionWithTransformation(p_xExpression, x.data(), n, p_transform);
    evaluateExpressionWithTransformation(p_yExpression, y.data(), n, p_transform);
    evaluateExpressionWithTransformation(p_zExpression, z.data(), n, p_transform);
    VectorVariable* raw = vectorOf(x, y, z, eVertex, p_name).release();
    fileOrDelete(raw, eLocationUnknown);
    return raw;
}

} // namespace zev
