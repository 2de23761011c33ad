// The integrate operation.
#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Measures.h"
#include "zev/analysis/Report.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include <cmath>
#include <limits>
#include <ostream>

namespace zev::analysis {

void printIntegral(Request const& p_request, std::string const& p_source, Integral const& p_result,
                   std::ostream& p_out)
{
    Integral const& r = p_result;
    char const* const measure = r.domain == Domain::Volume ? "volume" : "area";
    // An average over nothing is undefined, not zero.
    bool const averageDefined =
        r.valid && r.measure != 0 && r.average != double(zev::ZEV_UNDEF) && std::isfinite(r.average);
    if (p_request.json) {
        Json doc;
        doc["mesh"] = p_source;
        doc[p_request.hasVar ? "variable" : "expression"] = r.quantity;
        doc["location"] = r.location;
        doc["over"] = p_request.over;
        doc["integral"] = r.valid ? jsonNumber(r.integral) : Json(nullptr);
        doc[measure] = jsonNumber(r.measure);
        doc["average"] = averageDefined ? jsonNumber(r.average) : Json(nullptr);
        printJson(p_out, doc);
        return;
    }
    Table t;
    t.row("mesh", terminalSafe(p_source));
    t.row(p_request.hasVar ? "variable" : "expression", terminalSafe(r.quantity) + " (" + r.location + ")");
    t.row("over", p_request.over);
    t.row("integral", r.valid ? number(r.integral, 9) : "undefined");
    t.row(measure, number(r.measure, 9));
    t.row("average", averageDefined ? number(r.average, 9) : "undefined");
    t.print(p_out);
}

double averageOf(bool p_valid, double p_numerator, double p_denominator)
{
    // As the integration visitors define it: undefined without values or measure, and where the quotient
    // would underflow a float.
    double const undefined = static_cast<double>(zev::ZEV_UNDEF);
    if (!p_valid) {
        return undefined;
    }
    if (p_numerator == 0.0) {
        return 0.0;
    }
    if (p_denominator == 0.0) {
        return undefined;
    }
    if (!(std::fabs(p_denominator) > std::fabs(p_numerator)) &&
        std::fabs(p_denominator / p_numerator) < static_cast<double>(std::numeric_limits<float>::min())) {
        return undefined;
    }
    return p_numerator / p_denominator;
}

} // namespace zev::analysis
