#include "tools/zevgeom/Commands.h"

#include "tools/zevgeom/Analysis.h"
#include "tools/zevgeom/Generator.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/FormatError.h"
#include "zev/io/MeshConversion.h"
#include "zev/io/MeshFile.h"
#include "zev/io/VtkLegacyReader.h"
#include "zev/io/VtkLegacyWriter.h"
#include "zev/shapes/ShapeSet.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <new>
#include <ostream>
#include <sstream>

namespace zevgeom {

namespace {

char const* const s_mainHelp =
    "usage: zevgeom COMMAND [MESH] [options]\n"
    "\n"
    "Answers questions about a mesh file (VTK legacy format, ASCII or BINARY, UNSTRUCTURED_GRID or\n"
    "POLYDATA). Without MESH the built-in default mesh is used: a unit box of 6x6x6 cells in columns of\n"
    "hexahedra, wedges and pyramids, with the point fields linear, pressure and velocity and the cell\n"
    "field region.\n"
    "\n"
    "commands:\n"
    "  info       vertices, elements and faces per type, bounding box, volume, boundary area, variables\n"
    "  integrate  integral, measure and average of a variable or an expression\n"
    "  boundary   write the boundary surface with the point variables carried over\n"
    "  generate   write a built-in box mesh (hex, tet or mixed cells) with analytic fields\n"
    "  convert    convert a mesh file between the VTK legacy and XML formats\n"
    "\n"
    "Run 'zevgeom COMMAND --help' for the options of a command.\n"
    "Exit codes: 0 success, 1 usage error, 2 malformed or unwritable file, 3 internal failure.\n";

char const* const s_commonOptions =
    "  --region NAME  split the element and face sets by the integer cell array NAME\n"
    "  --json         write the report as JSON\n"
    "  -h, --help     this text\n";

std::string commandHelp(std::string const& p_command)
{
    if (p_command == "info") {
        return std::string(
                   "usage: zevgeom info [MESH] [--region NAME] [--json]\n"
                   "\n"
                   "Reports the vertices, the elements and faces per shape type and per set, the lines,\n"
                   "the bounding box, the total volume, the boundary area, and every variable with its\n"
                   "location, components and range (vectors by magnitude).\n"
                   "\n"
                   "options:\n") +
               s_commonOptions;
    }
    if (p_command == "integrate") {
        return std::string(
                   "usage: zevgeom integrate [MESH] (--var NAME | --expr EXPR) [--over volume|boundary]\n"
                   "                         [--region NAME] [--json]\n"
                   "\n"
                   "Integrates a variable, or an expression of variables and the coordinates x, y, z\n"
                   "(such as \"2*x+y\"), over the volume (default) or the boundary surface, and reports\n"
                   "the integral, the measure (volume or area where the values are defined) and the\n"
                   "average. A vector variable is integrated by its magnitude.\n"
                   "\n"
                   "options:\n"
                   "  --var NAME     the variable to integrate\n"
                   "  --expr EXPR    the expression to integrate\n"
                   "  --over WHERE   volume or boundary\n") +
               s_commonOptions;
    }
    if (p_command == "boundary") {
        return std::string(
                   "usage: zevgeom boundary [MESH] -o OUT.vtk [--binary] [--region NAME] [--json]\n"
                   "\n"
                   "Writes the boundary surface of the volume cells (the faces no two cells share) with\n"
                   "the point variables carried over. A mesh without volume cells writes its own\n"
                   "surface.\n"
                   "\n"
                   "options:\n"
                   "  -o, --output OUT  the file to write\n"
                   "  --binary          write BINARY data instead of ASCII\n") +
               s_commonOptions;
    }
    if (p_command == "convert") {
        return "usage: zevgeom convert IN OUT [--ascii|--binary] [--compress] [--json]\n"
               "\n"
               "Converts a mesh file between the VTK legacy format (.vtk) and the XML formats (.vtu for\n"
               "any cells, .vtp for lines and surfaces), keeping the points, cells and arrays exactly. The\n"
               "output format follows OUT's extension.\n"
               "\n"
               "options:\n"
               "  --ascii           write text data (the default)\n"
               "  --binary          write binary data (legacy BINARY, XML appended raw data)\n"
               "  --compress        XML only: zlib-compressed binary data\n"
               "  --json            write the report as JSON\n"
               "  -h, --help        this text\n";
    }
    return "usage: zevgeom generate (hex|tet|mixed) --n N -o OUT.vtk [--binary] [--json]\n"
           "\n"
           "Writes the unit box cut into N x N x N cells: hexahedra (hex), each hexahedron split into six\n"
           "tetrahedra (tet), or columns of hexahedra, wedges and pyramids (mixed). The box carries the\n"
           "point fields linear = 1 + 2x + 3y + 4z, pressure = 101325 - 0.6 |velocity|^2 and the swirling\n"
           "vector field velocity, and the cell field region (1 in the lower half, 2 in the upper half).\n"
           "\n"
           "options:\n"
           "  --n N             cells along each axis (1 to 1000)\n"
           "  -o, --output OUT  the file to write\n"
           "  --binary          write BINARY data instead of ASCII\n"
           "  --json            write the report as JSON\n"
           "  -h, --help        this text\n";
}

struct Options {
    std::string command;
    std::vector<std::string> positional;
    std::string region;
    std::string var;
    std::string expr;
    std::string over = "volume";
    std::string output;
    std::string n;
    bool json = false;
    bool binary = false;
    bool ascii = false;
    bool compress = false;
    bool help = false;
    bool hasVar = false;
    bool hasExpr = false;
};

// Parses the options after the command; a UsageError names what is wrong.
Options parse(std::vector<std::string> const& p_args)
{
    Options o;
    o.command = p_args.front();
    bool const integrate = o.command == "integrate";
    bool const convert = o.command == "convert";
    bool const writes = o.command == "boundary" || o.command == "generate" || convert;
    bool const reads = o.command != "generate";
    for (std::size_t i = 1; i < p_args.size(); ++i) {
        std::string arg = p_args[i];
        std::string value;
        bool inlineValue = false;
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            std::size_t const eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                inlineValue = true;
            }
        }
        auto takeValue = [&]() -> std::string {
            if (inlineValue) {
                return value;
            }
            if (i + 1 >= p_args.size()) {
                throw UsageError("option '" + arg + "' needs a value");
            }
            return p_args[++i];
        };
        auto flag = [&]() {
            if (inlineValue) {
                throw UsageError("option '" + arg + "' takes no value");
            }
        };
        if (arg == "-h" || arg == "--help") {
            flag();
            o.help = true;
        } else if (arg == "--json") {
            flag();
            o.json = true;
        } else if (arg == "--region" && reads) {
            o.region = takeValue();
            if (o.region.empty()) {
                throw UsageError("--region needs the name of a cell array");
            }
        } else if (arg == "--var" && integrate) {
            o.var = takeValue();
            o.hasVar = true;
        } else if (arg == "--expr" && integrate) {
            o.expr = takeValue();
            o.hasExpr = true;
        } else if (arg == "--over" && integrate) {
            o.over = takeValue();
            if (o.over != "volume" && o.over != "boundary") {
                throw UsageError("--over takes volume or boundary, not '" + o.over + "'");
            }
        } else if ((arg == "-o" || arg == "--output") && writes) {
            o.output = takeValue();
        } else if (arg == "--binary" && writes) {
            flag();
            o.binary = true;
        } else if (arg == "--ascii" && convert) {
            flag();
            o.ascii = true;
        } else if (arg == "--compress" && writes) {
            flag();
            o.compress = true;
        } else if (arg == "--n" && o.command == "generate") {
            o.n = takeValue();
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError("unknown option '" + arg + "' for " + o.command);
        } else {
            o.positional.push_back(arg);
        }
    }
    if (o.help) {
        return o;
    }
    if (convert) {
        if (o.positional.size() != 2) {
            throw UsageError("convert needs the input and the output file: zevgeom convert IN OUT");
        }
        if (o.ascii && (o.binary || o.compress)) {
            throw UsageError("--ascii cannot go with --binary or --compress");
        }
        o.output = o.positional[1];
        return o;
    }
    if (o.positional.size() > 1) {
        throw UsageError("unexpected argument '" + o.positional[1] + "'");
    }
    if (integrate) {
        if (o.hasVar == o.hasExpr) {
            throw UsageError("integrate needs exactly one of --var NAME and --expr EXPR");
        }
        if ((o.hasVar && o.var.empty()) || (o.hasExpr && o.expr.empty())) {
            throw UsageError(o.hasVar ? "--var needs a variable name" : "--expr needs an expression");
        }
    }
    if (writes && o.output.empty()) {
        throw UsageError(o.command + " needs -o OUT.vtk");
    }
    if (o.command == "generate") {
        if (o.positional.empty()) {
            throw UsageError("generate needs the kind of cells: hex, tet or mixed");
        }
        if (o.n.empty()) {
            throw UsageError("generate needs --n N");
        }
    }
    return o;
}

// ---------------------------------------------------------------- output helpers

std::string number(double p_value, int p_digits = 6)
{
    if (!std::isfinite(p_value)) {
        return "undefined";
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", p_digits, p_value);
    return buffer;
}

std::string jsonNumber(double p_value)
{
    if (!std::isfinite(p_value) || p_value == double(zev::ZEV_UNDEF)) {
        return "null";
    }
    return number(p_value, 9);
}

std::string jsonString(std::string const& p_text)
{
    std::string out = "\"";
    for (char c : p_text) {
        unsigned char const u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A two-column table of labels and values, labels padded to the widest.
class Table {
public:
    void row(std::string p_label, std::string p_value)
    {
        m_rows.emplace_back(std::move(p_label), std::move(p_value));
    }
    void print(std::ostream& p_out) const
    {
        std::size_t width = 0;
        for (auto const& r : m_rows) {
            width = std::max(width, r.first.size());
        }
        for (auto const& r : m_rows) {
            p_out << r.first << std::string(width + 2 - r.first.size(), ' ') << r.second << '\n';
        }
    }

private:
    std::vector<std::pair<std::string, std::string>> m_rows;
};

// Columns of text, each padded to its widest cell.
void printColumns(std::ostream& p_out, std::vector<std::vector<std::string>> const& p_rows)
{
    std::vector<std::size_t> width;
    for (auto const& r : p_rows) {
        width.resize(std::max(width.size(), r.size()), 0);
        for (std::size_t c = 0; c < r.size(); ++c) {
            width[c] = std::max(width[c], r[c].size());
        }
    }
    for (auto const& r : p_rows) {
        std::string line;
        for (std::size_t c = 0; c < r.size(); ++c) {
            line += r[c];
            if (c + 1 < r.size()) {
                line += std::string(width[c] + 2 - r[c].size(), ' ');
            }
        }
        p_out << line << '\n';
    }
}

char const* shapeName(int p_type)
{
    switch (p_type) {
    case zev::TRI:
        return "Tri";
    case zev::QUAD:
        return "Quad";
    case zev::TET:
        return "Tet";
    case zev::WEDGE:
        return "Wedge";
    case zev::HEX:
        return "Hex";
    case zev::PYRAMID:
        return "Pyramid";
    case zev::PENTAGON:
        return "Pentagon";
    case zev::HEXAGON:
        return "Hexagon";
    case zev::POLYGON:
        return "Polygon";
    case zev::POLYHEDRON:
        return "Polyhedron";
    default:
        return "Unknown";
    }
}

char const* locationName(zev::VarLocation p_location)
{
    return p_location == zev::eVertex ? "vertex" : p_location == zev::eElement ? "element" : "face";
}

// ---------------------------------------------------------------- loading

WriteOptions writeOptions(Options const& p_options)
{
    WriteOptions out;
    out.binary = p_options.binary;
    out.compress = p_options.compress;
    return out;
}

LoadedMesh load(Options const& p_options)
{
    if (p_options.positional.empty()) {
        return toLibrary(generateBox(BoxKind::Mixed, s_defaultMeshCells), defaultMeshDescription(),
                         p_options.region);
    }
    std::string const& path = p_options.positional.front();
    return toLibrary(readMeshFile(path), path, p_options.region);
}

struct SetRow {
    std::string name;
    int type;
    std::size_t count;
};

std::vector<SetRow> setRows(zev::Geometry const& p_geometry, bool p_elements)
{
    std::vector<SetRow> rows;
    for (std::string const& name :
         p_elements ? p_geometry.getElementSetNames() : p_geometry.getFaceSetNames()) {
        zev::ShapeSet const* set = p_elements ? p_geometry.getElementSet(name) : p_geometry.getFaceSet(name);
        if (set) {
            rows.push_back({name, static_cast<int>(set->getType()), set->size()});
        }
    }
    return rows;
}

std::map<int, std::size_t> perType(std::vector<SetRow> const& p_rows)
{
    std::map<int, std::size_t> counts;
    for (SetRow const& r : p_rows) {
        counts[r.type] += r.count;
    }
    return counts;
}

// ---------------------------------------------------------------- commands

int info(Options const& p_options, std::ostream& p_out)
{
    LoadedMesh mesh = load(p_options);
    zev::Geometry& g = mesh.geo();
    std::vector<SetRow> const elementSets = setRows(g, true), faceSets = setRows(g, false);
    std::size_t const numElements = static_cast<std::size_t>(g.getNumElements());
    std::size_t const numFaces = static_cast<std::size_t>(g.getNumFaces());
    std::size_t const numLines = g.getLines().size() / 2;

    auto const& vertices = g.getVertices();
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        for (int a = 0; a < 3; ++a) {
            double const v = vertices[i][a];
            lo[a] = i == 0 ? v : std::min(lo[a], v);
            hi[a] = i == 0 ? v : std::max(hi[a], v);
        }
    }
    double const volume = volumeMeasures(g).total;
    double const area = areaMeasures(g, buildBoundary(g)).total;

    if (p_options.json) {
        auto counts = [](std::map<int, std::size_t> const& p_counts) {
            std::string s = "{";
            for (auto const& c : p_counts) {
                s += (s.size() > 1 ? ", " : "") + jsonString(shapeName(c.first)) + ": " +
                     std::to_string(c.second);
            }
            return s + "}";
        };
        auto sets = [](std::vector<SetRow> const& p_rows) {
            std::string s = "[";
            for (SetRow const& r : p_rows) {
                s += (s.size() > 1 ? ", " : "") + std::string("{\"name\": ") + jsonString(r.name) +
                     ", \"type\": " + jsonString(shapeName(r.type)) +
                     ", \"count\": " + std::to_string(r.count) + "}";
            }
            return s + "]";
        };
        auto triple = [](double const* p) {
            return "[" + jsonNumber(p[0]) + ", " + jsonNumber(p[1]) + ", " + jsonNumber(p[2]) + "]";
        };
        p_out << "{\n  \"mesh\": " << jsonString(mesh.source) << ",\n  \"vertices\": " << vertices.size()
              << ",\n  \"elements\": {\"total\": " << numElements
              << ", \"types\": " << counts(perType(elementSets)) << ", \"sets\": " << sets(elementSets)
              << "},\n  \"faces\": {\"total\": " << numFaces << ", \"types\": " << counts(perType(faceSets))
              << ", \"sets\": " << sets(faceSets) << "},\n  \"lines\": " << numLines
              << ",\n  \"boundingBox\": {\"min\": " << triple(lo) << ", \"max\": " << triple(hi)
              << "},\n  \"volume\": " << jsonNumber(volume) << ",\n  \"boundaryArea\": " << jsonNumber(area)
              << ",\n  \"variables\": [";
        bool first = true;
        for (MeshVariable const& mv : mesh.variables) {
            ValueRange const r = valueRange(mv);
            p_out << (first ? "\n" : ",\n") << "    {\"name\": " << jsonString(mv.name)
                  << ", \"location\": " << jsonString(locationName(mv.location))
                  << ", \"components\": " << mv.numComponents
                  << ", \"min\": " << (r.count ? jsonNumber(r.min) : "null")
                  << ", \"max\": " << (r.count ? jsonNumber(r.max) : "null") << ", \"defined\": " << r.count
                  << ", \"values\": " << r.size << "}";
            first = false;
        }
        p_out << (first ? "]\n}\n" : "\n  ]\n}\n");
        return s_exitOk;
    }

    Table t;
    t.row("mesh", mesh.source);
    t.row("vertices", std::to_string(vertices.size()));
    t.row("elements", std::to_string(numElements));
    for (auto const& c : perType(elementSets)) {
        t.row("  " + std::string(shapeName(c.first)), std::to_string(c.second));
    }
    t.row("faces", std::to_string(numFaces));
    for (auto const& c : perType(faceSets)) {
        t.row("  " + std::string(shapeName(c.first)), std::to_string(c.second));
    }
    t.row("lines", std::to_string(numLines));
    t.row("bounding box", "(" + number(lo[0]) + ", " + number(lo[1]) + ", " + number(lo[2]) + ") - (" +
                              number(hi[0]) + ", " + number(hi[1]) + ", " + number(hi[2]) + ")");
    t.row("volume", number(volume));
    t.row("boundary area", number(area));
    t.print(p_out);

    if (!elementSets.empty() || !faceSets.empty()) {
        std::vector<std::vector<std::string>> rows{{"set", "kind", "type", "count"}};
        for (SetRow const& r : elementSets) {
            rows.push_back({r.name, "element", shapeName(r.type), std::to_string(r.count)});
        }
        for (SetRow const& r : faceSets) {
            rows.push_back({r.name, "face", shapeName(r.type), std::to_string(r.count)});
        }
        p_out << '\n';
        printColumns(p_out, rows);
    }
    if (!mesh.variables.empty()) {
        std::vector<std::vector<std::string>> rows{{"variable", "location", "components", "min", "max"}};
        for (MeshVariable const& mv : mesh.variables) {
            ValueRange const r = valueRange(mv);
            std::string const range = r.count ? "" : "undefined";
            rows.push_back({mv.name, locationName(mv.location), std::to_string(mv.numComponents),
                            r.count ? number(r.min) : range, r.count ? number(r.max) : range});
        }
        p_out << '\n';
        printColumns(p_out, rows);
    }
    return s_exitOk;
}

int integrateCommand(Options const& p_options, std::ostream& p_out)
{
    LoadedMesh mesh = load(p_options);
    Domain const domain = p_options.over == "boundary" ? Domain::Boundary : Domain::Volume;
    Integral const r =
        integrate(mesh, p_options.hasVar ? p_options.var : p_options.expr, p_options.hasExpr, domain);
    char const* const measure = domain == Domain::Volume ? "volume" : "area";
    if (p_options.json) {
        p_out << "{\n  \"mesh\": " << jsonString(mesh.source) << ",\n  \""
              << (p_options.hasVar ? "variable" : "expression") << "\": " << jsonString(r.quantity)
              << ",\n  \"location\": " << jsonString(r.location)
              << ",\n  \"over\": " << jsonString(p_options.over)
              << ",\n  \"integral\": " << (r.valid ? jsonNumber(r.integral) : "null") << ",\n  \"" << measure
              << "\": " << jsonNumber(r.measure) << ",\n  \"average\": " << jsonNumber(r.average) << "\n}\n";
        return s_exitOk;
    }
    Table t;
    t.row("mesh", mesh.source);
    t.row(p_options.hasVar ? "variable" : "expression", r.quantity + " (" + r.location + ")");
    t.row("over", p_options.over);
    t.row("integral", r.valid ? number(r.integral, 9) : "undefined");
    t.row(measure, number(r.measure, 9));
    t.row("average", r.average == double(zev::ZEV_UNDEF) ? "undefined" : number(r.average, 9));
    t.print(p_out);
    return s_exitOk;
}

int boundaryCommand(Options const& p_options, std::ostream& p_out)
{
    LoadedMesh mesh = load(p_options);
    zev::Geometry& g = mesh.geo();
    std::vector<std::string> const sets = buildBoundary(g);
    ExportSelection selection;
    selection.elements = false;
    selection.lines = false;
    selection.allFaceSets = false;
    selection.faceSets = sets;
    selection.compactVertices = true;
    // Only the point variables follow the boundary: element data has no value on a face.
    std::vector<MeshVariable> pointVariables;
    for (MeshVariable& mv : mesh.variables) {
        if (mv.location == zev::eVertex) {
            pointVariables.push_back(std::move(mv));
        }
    }
    MeshData const surface = fromLibrary(g, pointVariables, selection);
    writeMeshFile(surface, p_options.output, writeOptions(p_options));
    double const area = areaMeasures(g, sets).total;
    std::vector<SetRow> rows;
    for (std::string const& name : sets) {
        if (zev::ShapeSet const* set = g.getFaceSet(name)) {
            rows.push_back({name, static_cast<int>(set->getType()), set->size()});
        }
    }
    if (p_options.json) {
        p_out << "{\n  \"mesh\": " << jsonString(mesh.source)
              << ",\n  \"output\": " << jsonString(p_options.output)
              << ",\n  \"vertices\": " << surface.numPoints() << ",\n  \"faces\": " << surface.numCells()
              << ",\n  \"sets\": [";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            p_out << (i ? ", " : "") << "{\"name\": " << jsonString(rows[i].name)
                  << ", \"type\": " << jsonString(shapeName(rows[i].type)) << ", \"count\": " << rows[i].count
                  << "}";
        }
        p_out << "],\n  \"area\": " << jsonNumber(area)
              << ",\n  \"pointArrays\": " << surface.pointData.size() << "\n}\n";
        return s_exitOk;
    }
    Table t;
    t.row("mesh", mesh.source);
    t.row("boundary", p_options.output);
    t.row("vertices", std::to_string(surface.numPoints()));
    t.row("faces", std::to_string(surface.numCells()));
    for (SetRow const& r : rows) {
        t.row("  " + r.name, std::to_string(r.count) + " " + shapeName(r.type));
    }
    t.row("area", number(area));
    std::string names;
    for (DataArray const& a : surface.pointData) {
        names += (names.empty() ? "" : ", ") + a.name;
    }
    t.row("point arrays", names.empty() ? "none" : names);
    t.print(p_out);
    return s_exitOk;
}

int convertCommand(Options const& p_options, std::ostream& p_out)
{
    std::string const& in = p_options.positional[0];
    MeshData const mesh = readMeshFile(in);
    writeMeshFile(mesh, p_options.output, writeOptions(p_options));
    if (p_options.json) {
        p_out << "{\n  \"input\": " << jsonString(in) << ",\n  \"output\": " << jsonString(p_options.output)
              << ",\n  \"points\": " << mesh.numPoints() << ",\n  \"cells\": " << mesh.numCells()
              << ",\n  \"pointArrays\": " << mesh.pointData.size()
              << ",\n  \"cellArrays\": " << mesh.cellData.size() << "\n}\n";
        return s_exitOk;
    }
    Table t;
    t.row("read", in);
    t.row("wrote", p_options.output);
    t.row("points", std::to_string(mesh.numPoints()));
    t.row("cells", std::to_string(mesh.numCells()));
    t.row("point arrays", std::to_string(mesh.pointData.size()));
    t.row("cell arrays", std::to_string(mesh.cellData.size()));
    t.print(p_out);
    return s_exitOk;
}

int generateCommand(Options const& p_options, std::ostream& p_out)
{
    BoxKind kind;
    if (!parseBoxKind(p_options.positional.front(), kind)) {
        throw UsageError("unknown cell kind '" + p_options.positional.front() + "'; use hex, tet or mixed");
    }
    std::string const& text = p_options.n;
    bool digits = !text.empty() && text.size() <= 9;
    for (char c : text) {
        digits = digits && c >= '0' && c <= '9';
    }
    int const n = digits ? std::stoi(text) : -1;
    if (n < 1 || n > s_maxBoxCells) {
        throw UsageError("--n takes a whole number from 1 to " + std::to_string(s_maxBoxCells) + ", not '" +
                         text + "'");
    }
    MeshData const mesh = generateBox(kind, n);
    writeMeshFile(mesh, p_options.output, writeOptions(p_options));
    if (p_options.json) {
        p_out << "{\n  \"output\": " << jsonString(p_options.output)
              << ",\n  \"kind\": " << jsonString(boxKindName(kind)) << ",\n  \"n\": " << n
              << ",\n  \"points\": " << mesh.numPoints() << ",\n  \"cells\": " << mesh.numCells() << "\n}\n";
        return s_exitOk;
    }
    Table t;
    t.row("wrote", p_options.output);
    t.row("mesh", std::string(boxKindName(kind)) + " box " + text + "x" + text + "x" + text);
    t.row("points", std::to_string(mesh.numPoints()));
    t.row("cells", std::to_string(mesh.numCells()));
    t.row("point arrays", "linear, pressure, velocity");
    t.row("cell arrays", "region");
    t.print(p_out);
    return s_exitOk;
}

class ProgressBar : public zev::ProgressListener {
public:
    explicit ProgressBar(std::ostream& p_err) : m_err(p_err) {}
    void progress(std::string const& p_stage, double p_fraction) override
    {
        int const percent = static_cast<int>(std::lround(std::min(std::max(p_fraction, 0.0), 1.0) * 100));
        if (percent == m_percent && p_stage == m_stage) {
            return;
        }
        m_percent = percent;
        m_stage = p_stage;
        int const filled = percent * s_width / 100;
        std::string stage = p_stage.substr(0, 24);
        stage.resize(24, ' ');
        m_err << '\r' << stage << " [" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(s_width - filled), ' ') << "] "
              << (percent < 10    ? "  "
                  : percent < 100 ? " "
                                  : "")
              << percent << '%' << std::flush;
        m_drawn = true;
    }
    void finished() override
    {
        if (m_drawn) {
            m_err << '\r' << std::string(24 + s_width + 9, ' ') << '\r' << std::flush;
        }
        m_drawn = false;
        m_percent = -1;
        m_stage.clear();
    }

private:
    static constexpr int s_width = 30;
    std::ostream& m_err;
    std::string m_stage;
    int m_percent = -1;
    bool m_drawn = false;
};

} // namespace

std::string defaultMeshDescription()
{
    std::string const n = std::to_string(s_defaultMeshCells);
    return "default mesh (mixed box " + n + "x" + n + "x" + n + ")";
}

zev::ProgressListener* makeProgressBar(std::ostream& p_err)
{
    return new ProgressBar(p_err);
}

int runZevgeom(std::vector<std::string> const& p_args, std::ostream& p_out, std::ostream& p_err)
{
    if (p_args.empty()) {
        p_err << s_mainHelp;
        return s_exitUsage;
    }
    std::string const& command = p_args.front();
    if (command == "-h" || command == "--help" || command == "help") {
        p_out << s_mainHelp;
        return s_exitOk;
    }
    if (command != "info" && command != "integrate" && command != "boundary" && command != "generate" &&
        command != "convert") {
        p_err << "zevgeom: unknown command '" << command << "'\nRun 'zevgeom --help' for the commands.\n";
        return s_exitUsage;
    }
    try {
        Options const options = parse(p_args);
        if (options.help) {
            p_out << commandHelp(command);
            return s_exitOk;
        }
        if (command == "info") {
            return info(options, p_out);
        }
        if (command == "integrate") {
            return integrateCommand(options, p_out);
        }
        if (command == "boundary") {
            return boundaryCommand(options, p_out);
        }
        if (command == "convert") {
            return convertCommand(options, p_out);
        }
        return generateCommand(options, p_out);
    } catch (UsageError const& e) {
        p_err << "zevgeom: " << e.what() << "\nRun 'zevgeom " << command << " --help' for its usage.\n";
        return s_exitUsage;
    } catch (SelectionError const& e) {
        p_err << "zevgeom: " << e.what() << "\nRun 'zevgeom " << command << " --help' for its usage.\n";
        return s_exitUsage;
    } catch (FormatError const& e) {
        p_err << "zevgeom: " << e.what() << '\n';
        return s_exitFile;
    } catch (zev::Error const& e) {
        p_err << "zevgeom: " << e.getClassName() << "::" << e.getMethodName() << ": " << e.what() << '\n';
        return s_exitInternal;
    } catch (std::bad_alloc const&) {
        p_err << "zevgeom: out of memory\n";
        return s_exitInternal;
    } catch (std::exception const& e) {
        p_err << "zevgeom: " << e.what() << '\n';
        return s_exitInternal;
    }
}

} // namespace zevgeom
