// The iso operation.
#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Measures.h"
#include "zev/geometry/Geometry.h"
#include "zev/variables/ScalarVariable.h"

namespace zev::analysis {

MadeCut makeIso(Request const& p_request, LoadedMesh& p_mesh)
{
    std::vector<double> value;
    parseNumbers(p_request.values.at("--value").front(), 1, value);
    bool const isExpression = p_request.values.at("--iso-var").empty();
    std::string const& field =
        (isExpression ? p_request.values.at("--iso-expr") : p_request.values.at("--iso-var")).front();
    if (fileQuantity(p_mesh, field, isExpression) != zev::eVertex) {
        throw UsageError("'" + field +
                         "' does not live at the vertices; an isosurface needs vertex values (--point-data "
                         "averages cell values to the vertices)");
    }
    fileCarriedQuantity(p_mesh, p_request);
    auto const* scalar =
        dynamic_cast<zev::ScalarVariable const*>(p_mesh.geo().findVariable(field, zev::eVertex));
    if (scalar == nullptr) {
        throw UsageError("'" + field + "' is not a scalar; an isosurface needs one value per vertex");
    }
    std::set<zev::VarType> const types = scalar->getAllTypes(zev::eVertex);
    if (types.empty()) {
        throw UsageError("'" + field + "' has no vertex values");
    }
    MadeCut cut;
    cut.surface = isoSurface(p_mesh.geo(), "domain", *scalar, *types.begin(), static_cast<float>(value[0]));
    cut.whatJson[isExpression ? "expression" : "variable"] = field;
    cut.whatJson["value"] = value[0];
    cut.what = {"iso", terminalSafe(field) + " = " + number(value[0])};
    return cut;
}

} // namespace zev::analysis
