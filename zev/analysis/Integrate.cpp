// The integrate operation.
#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/analysis/Flux.h"
#include "zev/analysis/Measures.h"
#include "zev/analysis/Report.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include <cmath>
#include <limits>
#include <ostream>

namespace zev::analysis {

namespace {

// An average over nothing is undefined, not zero.
bool averageDefined(Integral const& p_result)
{
    Integral const& r = p_result;
    return r.valid && r.measure != 0 && r.average != double(zev::ZEV_UNDEF) && std::isfinite(r.average);
}

Json integralDocument(Request const& p_request, std::string const& p_source, Integral const& p_result)
{
    Integral const& r = p_result;
    Json doc;
    doc["mesh"] = p_source;
    doc[p_request.hasVar ? "variable" : "expression"] = r.quantity;
    doc["location"] = r.location;
    doc["over"] = r.over.empty() ? p_request.over : r.over;
    doc["integral"] = r.valid ? jsonNumber(r.integral) : Json(nullptr);
    doc[r.domain == Domain::Volume ? "volume" : "area"] = jsonNumber(r.measure);
    doc["average"] = averageDefined(r) ? jsonNumber(r.average) : Json(nullptr);
    return doc;
}

} // namespace

void printIntegral(Request const& p_request, std::string const& p_source, Integral const& p_result,
                   std::ostream& p_out)
{
    Integral const& r = p_result;
    char const* const measure = r.domain == Domain::Volume ? "volume" : "area";
    if (p_request.json) {
        printJson(p_out, integralDocument(p_request, p_source, r));
        return;
    }
    Table t;
    t.row("mesh", terminalSafe(p_source));
    t.row(p_request.hasVar ? "variable" : "expression", terminalSafe(r.quantity) + " (" + r.location + ")");
    t.row("over", terminalSafe(r.over.empty() ? p_request.over : r.over));
    t.row("integral", r.valid ? number(r.integral, 9) : "undefined");
    t.row(measure, number(r.measure, 9));
    t.row("average", averageDefined(r) ? number(r.average, 9) : "undefined");
    t.print(p_out);
}

void printIntegrals(Request const& p_request, std::string const& p_source,
                    std::vector<Integral> const& p_results, std::ostream& p_out)
{
    if (p_results.size() == 1) {
        printIntegral(p_request, p_source, p_results.front(), p_out);
        return;
    }
    if (p_request.json) {
        // One document per --over, each as a single --over prints it.
        Json docs = Json::array();
        for (Integral const& r : p_results) {
            docs.push_back(integralDocument(p_request, p_source, r));
        }
        printJson(p_out, docs);
        return;
    }
    Table t;
    t.row("mesh", terminalSafe(p_source));
    if (!p_results.empty()) {
        t.row(p_request.hasVar ? "variable" : "expression", terminalSafe(p_results.front().quantity));
    }
    t.print(p_out);
    // A cell array of a file with volume and surface cells lives on the elements and on the faces, and
    // each set reads its own: the location is the row's.
    std::vector<std::vector<std::string>> rows{{"over", "location", "integral", "volume", "area", "average"}};
    for (Integral const& r : p_results) {
        bool const volume = r.domain == Domain::Volume;
        rows.push_back({terminalSafe(r.over), r.location, r.valid ? number(r.integral, 9) : "undefined",
                        volume ? number(r.measure, 9) : "-", volume ? "-" : number(r.measure, 9),
                        averageDefined(r) ? number(r.average, 9) : "undefined"});
    }
    p_out << '\n';
    printColumns(p_out, rows);
}

void printFluxes(Request const& p_request, std::string const& p_source, std::vector<Flux> const& p_results,
                 std::ostream& p_out)
{
    if (p_request.json) {
        Json docs = Json::array();
        for (Flux const& r : p_results) {
            Json doc;
            doc["mesh"] = p_source;
            doc["vector"] = r.vector;
            doc["location"] = r.location;
            doc["over"] = r.over;
            doc["flux"] = r.valid ? jsonNumber(r.flux) : Json(nullptr);
            doc["area"] = jsonNumber(r.area);
            docs.push_back(doc);
        }
        printJson(p_out, docs.size() == 1 ? docs.front() : docs);
        return;
    }
    Table t;
    t.row("mesh", terminalSafe(p_source));
    if (p_results.size() == 1) {
        Flux const& r = p_results.front();
        t.row("vector", terminalSafe(r.vector) + " (" + r.location + ")");
        t.row("over", terminalSafe(r.over));
        t.row("flux", r.valid ? number(r.flux, 9) : "undefined");
        t.row("area", number(r.area, 9));
        t.print(p_out);
        return;
    }
    if (!p_results.empty()) {
        t.row("vector", terminalSafe(p_results.front().vector) + " (" + p_results.front().location + ")");
    }
    t.print(p_out);
    std::vector<std::vector<std::string>> rows{{"over", "flux", "area"}};
    for (Flux const& r : p_results) {
        rows.push_back({terminalSafe(r.over), r.valid ? number(r.flux, 9) : "undefined", number(r.area, 9)});
    }
    p_out << '\n';
    printColumns(p_out, rows);
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
