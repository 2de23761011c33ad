// The sample operation: points spread over the boundary surface of a mesh (or a surface mesh's own
// surface) by one of the sampler's methods, with a vertex variable or expression carried onto them
// through the sampler's interpolation records; and its report as a table or JSON, and its file.
#pragma once

#include "zev/analysis/Report.h"
#include "zev/analysis/Request.h"
#include "zev/derived/SamplePointsGeometry.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace zev::analysis {

// The method of a name the tool and the Python module take ("random", "grid", "vertices",
// "face-centres", "free-edges", "equal-area", "equal-area-random"), or InvalidMethod.
zev::SamplePointsGeometry::Method sampleMethod(std::string const& p_name);
// Whether the method places one point per item of the surface (vertices, face centres, free-edge
// midpoints) rather than a wanted number of points.
bool isItemMethod(zev::SamplePointsGeometry::Method p_method);

// What a sampling asks for (the options --method, --count, --seed and --accuracy).
struct SampleOptions {
    std::string methodName; // as the request names it
    zev::SamplePointsGeometry::Method method = zev::SamplePointsGeometry::InvalidMethod;
    // The number of points wanted; for the item methods the most kept, evenly thinned (0: all).
    int count = 0;
    int seed = 1;                  // of the random methods; a negative seed takes the clock
    std::string accuracy = "High"; // of the equal-area refinement: "High", "Medium" or "Low"
};
// The request's sampling options, checked: a UsageError names what is wrong.
SampleOptions sampleOptions(Request const& p_request);

struct SampleResult {
    std::string source;
    SampleOptions options;
    std::string quantity; // the variable or expression carried onto the points, empty for none
    bool isExpression = false;
    // The sample points: the vertices of a SamplePointsGeometry, whose interpolant holds each point's
    // record over the surface's vertices.
    GeometryPtr points;
    std::size_t count = 0;
    double area = 0; // of the sampled surface
    // The quantity at each point (the undefined value where it has none); empty without a quantity.
    std::vector<float> values;
};

// Samples the boundary surface of p_mesh (a surface mesh: its faces). With p_quantity non-empty, the
// vertex variable (or, with p_isExpression, the expression) is carried onto the points; unknown names
// and quantities that do not live at the vertices are UsageErrors.
SampleResult sample(LoadedMesh& p_mesh, SampleOptions const& p_options, std::string const& p_quantity = "",
                    bool p_isExpression = false);
// The same with the options, the variable (--var) or the expression (--expr) of a request.
SampleResult sample(LoadedMesh& p_mesh, Request const& p_request);

// Writes the points to the request's output: a .csv file (x,y,z[,value]) or a mesh file of points.
void writeSample(Request const& p_request, SampleResult const& p_result);
// The report: a table of the figures and the points, or with --json a JSON document.
void printSample(Request const& p_request, SampleResult const& p_result, std::ostream& p_out);

} // namespace zev::analysis
