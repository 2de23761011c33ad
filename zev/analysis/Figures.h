// The figures the reporting commands print, apart from how they were found: one process measures its whole
// mesh, a distributed run adds up the measures of its pieces; both print through the same functions.
#pragma once

#include "zev/analysis/Report.h"
#include "zev/analysis/Request.h"

#include "zev/contracts/Undefined.h"

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

namespace zev::analysis {

struct VariableRow {
    std::string name;
    std::string location;
    int components = 1;
    ValueRange range;
};

struct InfoFigures {
    std::string source;
    std::size_t vertices = 0;
    std::vector<SetRow> elementSets, faceSets;
    std::size_t elements = 0, faces = 0, lines = 0;
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    double volume = 0;
    std::size_t inverted = 0;
    double boundaryArea = 0;
    std::vector<VariableRow> variables;
    // The volume of each element set and the area of each face set, in the order of the rows above; empty
    // where they were not measured (the set listing then shows none).
    std::vector<double> elementSetVolumes, faceSetAreas;
};
// The volume of every element set and the area of every face set of p_geometry into the rows' measure
// (the rows of setRows, in their order; p_volumes of the same geometry).
void measureSets(zev::Geometry const& p_geometry, VolumeMeasures const& p_volumes,
                 std::vector<SetRow>& p_elementSets, std::vector<SetRow>& p_faceSets);
// The figures of a loaded mesh; warnings about inverted elements go to p_err when it is not null.
InfoFigures infoFigures(LoadedMesh& p_mesh, std::ostream* p_err);
void printInfo(Request const& p_request, InfoFigures const& p_figures, std::ostream& p_out);

void printIntegral(Request const& p_request, std::string const& p_source, Integral const& p_result,
                   std::ostream& p_out);
// Several integrals of one quantity, one per --over in the order given: one alone prints as above.
void printIntegrals(Request const& p_request, std::string const& p_source,
                    std::vector<Integral> const& p_results, std::ostream& p_out);

// What an integration visitor reports as the average of p_numerator over p_denominator.
double averageOf(bool p_valid, double p_numerator, double p_denominator);

// A cut surface (slice, isosurface) or a selection of elements: its size, measure and integral.
struct CutFigures {
    std::size_t vertices = 0;
    std::size_t count = 0; // faces of a cut, elements of a selection
    std::vector<SetRow> sets;
    double measure = 0; // area of a cut, volume of a selection
    std::size_t inverted = 0;
    bool valid = false; // an integral over a non-empty cut or selection
    double integral = 0;
    double denominator = 0;
    char const* location = "vertex"; // where the quantity lives in the mesh
    // The flux of --flux VECTOR through the cut, when asked.
    bool hasFlux = false;
    bool fluxValid = false;
    double flux = 0;
};
// The parts the cut and selection reports share: the list of sets, and the quantity's name, integral
// and average after the measure.
Json setList(std::vector<SetRow> const& p_sets);
void addSetRows(Table& p_table, std::vector<SetRow> const& p_sets);
void addQuantity(Request const& p_request, CutFigures const& p_figures, Json& p_doc);
void addQuantity(Request const& p_request, CutFigures const& p_figures, Table& p_table);
// What the reports of cuts and selections start with: the mesh, what was cut or selected (p_what in
// JSON, p_text in the table, under p_label) and the output file when there is one.
Document cutReportHead(Request const& p_request, std::string const& p_source, std::string const& p_label,
                       Json const& p_what, std::string const& p_text);
// And what they end with: the sets, the measure (p_measure "area" or "volume") and the quantity.
void addCutFigures(Request const& p_request, CutFigures const& p_figures, Document& p_doc,
                   char const* p_measure, std::string const& p_measureText);
void printCut(Request const& p_request, std::string const& p_source,
              std::pair<std::string, std::string> const& p_what, Json const& p_whatJson,
              CutFigures const& p_figures, std::ostream& p_out);
void printSelection(Request const& p_request, std::string const& p_source, std::string const& p_label,
                    std::string const& p_text, Json const& p_what, CutFigures const& p_figures,
                    std::ostream& p_out);

// A point as the user gave it; the search works in the library's single precision.
using Point = std::array<double, 3>;

// One probed point: where it is and the value there.
struct Probe {
    Point point;
    std::string set; // empty when no element holds the point
    int element = -1;
    double value = zev::ZEV_UNDEF;
};

// Reads "X,Y,Z" (spaces allowed round the numbers) as a point of finite coordinates.
bool parsePoint(std::string const& p_text, Point& p_point);
// The points of --points FILE, then of --at.
std::vector<Point> probePoints(Request const& p_request);
// The element of p_geometry holding each point and the quantity's value there.
std::vector<Probe> probeGeometry(zev::Geometry& p_geometry, std::vector<Point> const& p_points,
                                 std::string const& p_quantity, zev::VarLocation p_location);
// The values of a vertex quantity at p_count points (x, y, z each), p_components per point, as the
// library interpolates them: undefined where a point lies in no element, is not finite, or meets an
// undefined value. p_values holds p_components values per vertex, p_vertices vertices.
std::vector<float> probeVertexValues(zev::Geometry& p_geometry, double const* p_points, std::size_t p_count,
                                     float const* p_values, std::size_t p_vertices, int p_components);
void printProbes(Request const& p_request, std::string const& p_source, std::string const& p_location,
                 std::vector<Probe> const& p_probes, std::ostream& p_out);

} // namespace zev::analysis
