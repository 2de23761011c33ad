// The EnSight Gold reader on small cases held in memory, each written as ASCII, as C binary and as C binary
// of the other byte order: every element type with its corners in VTK's order (no cell inverted), the
// variables per node and per element with the values left out or undefined, time sets choosing each file's
// step, and malformed cases refused with the file and line or byte.
#include "zev/io/EnsightReader.h"
#include "zev/analysis/Measures.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/FormatError.h"
#include "zev/io/MeshConversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace zev::io;
using Files = std::map<std::string, std::string>;

constexpr double s_undefined = 3.4028235e38;

enum class Form { Ascii, Binary, Swapped };
char const* const s_formNames[] = {"ascii", "binary", "swapped"};

// Writes a geometry or variable file in one of the three forms.
class Writer {
public:
    explicit Writer(Form p_form) : m_form(p_form) {}

    Writer& text(std::string const& p_text)
    {
        if (m_form == Form::Ascii) {
            out += p_text + "\n";
        } else {
            std::string field = p_text;
            field.resize(80, '\0');
            out += field;
        }
        return *this;
    }
    Writer& ints(std::vector<int> const& p_values)
    {
        for (int v : p_values) {
            if (m_form == Form::Ascii) {
                out += std::to_string(v) + " ";
            } else {
                std::uint32_t bits;
                std::memcpy(&bits, &v, 4);
                word(bits);
            }
        }
        if (m_form == Form::Ascii) {
            out += "\n";
        }
        return *this;
    }
    Writer& reals(std::vector<double> const& p_values)
    {
        for (double v : p_values) {
            if (m_form == Form::Ascii) {
                char text[32];
                std::snprintf(text, sizeof text, "%12.5e\n", v);
                out += text;
            } else {
                float const f = static_cast<float>(v);
                std::uint32_t bits;
                std::memcpy(&bits, &f, 4);
                word(bits);
            }
        }
        return *this;
    }

    std::string out;

private:
    void word(std::uint32_t p_bits)
    {
        if (m_form == Form::Swapped) {
            p_bits =
                (p_bits >> 24) | ((p_bits >> 8) & 0xff00u) | ((p_bits << 8) & 0xff0000u) | (p_bits << 24);
        }
        out.append(reinterpret_cast<char const*>(&p_bits), 4);
    }
    Form m_form;
};

Writer geometryHeader(Form p_form, std::string const& p_ids = "off")
{
    Writer w(p_form);
    if (p_form != Form::Ascii) {
        w.text("C Binary");
    }
    return std::move(
        w.text("a geometry").text("made by hand").text("node id " + p_ids).text("element id " + p_ids));
}

// A part's header and nodes given as x, y, z per node, with node ids when p_ids.
void part(Writer& p_w, int p_number, std::string const& p_name,
          std::vector<std::vector<double>> const& p_nodes, bool p_ids = false)
{
    p_w.text("part")
        .ints({p_number})
        .text(p_name)
        .text("coordinates")
        .ints({static_cast<int>(p_nodes.size())});
    if (p_ids) {
        std::vector<int> ids;
        for (std::size_t i = 0; i < p_nodes.size(); ++i) {
            ids.push_back(static_cast<int>(100 + i));
        }
        p_w.ints(ids);
    }
    for (std::size_t c = 0; c < 3; ++c) {
        std::vector<double> values;
        for (auto const& n : p_nodes) {
            values.push_back(n[c]);
        }
        p_w.reals(values);
    }
}

std::string const s_case = "FORMAT\ntype: ensight gold\nGEOMETRY\nmodel: geo\n";

MeshData readCase(Files p_files, FoamTimeChoice const& p_time = FoamTimeChoice())
{
    return EnsightReader::readSource(EnsightReader::memorySource("c.case", std::move(p_files)), p_time);
}

// The unit cell of each volume type in the order the format numbers its corners (the base counter-
// clockwise seen from the apex or the top), second-order types with their mid-side nodes after.
struct VolumeCase {
    char const* type;
    std::vector<std::vector<double>> nodes;
    VtkCellType expected;
    double volume;
};

std::vector<VolumeCase> volumeCases()
{
    std::vector<std::vector<double>> const tet = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    std::vector<std::vector<double>> const pyramid = {
        {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {.5, .5, 1}};
    std::vector<std::vector<double>> const prism = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0},
                                                    {0, 0, 1}, {1, 0, 1}, {0, 1, 1}};
    std::vector<std::vector<double>> const hex = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                                  {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    auto withMidNodes = [](std::vector<std::vector<double>> p_nodes, std::size_t p_total) {
        while (p_nodes.size() < p_total) {
            p_nodes.push_back({0.25, 0.25, 0.25});
        }
        return p_nodes;
    };
    return {{"tetra4", tet, VtkCellType::Tetra, 1.0 / 6},
            {"tetra10", withMidNodes(tet, 10), VtkCellType::Tetra, 1.0 / 6},
            {"pyramid5", pyramid, VtkCellType::Pyramid, 1.0 / 3},
            {"pyramid13", withMidNodes(pyramid, 13), VtkCellType::Pyramid, 1.0 / 3},
            {"penta6", prism, VtkCellType::Wedge, 0.5},
            {"penta15", withMidNodes(prism, 15), VtkCellType::Wedge, 0.5},
            {"hexa8", hex, VtkCellType::Hexahedron, 1},
            {"hexa20", withMidNodes(hex, 20), VtkCellType::Hexahedron, 1}};
}

std::vector<int> oneToN(std::size_t p_n)
{
    std::vector<int> out;
    for (std::size_t i = 1; i <= p_n; ++i) {
        out.push_back(static_cast<int>(i));
    }
    return out;
}

TEST(EnsightReader, ReadsEveryElementTypeInVtkOrderWithNoCellInverted)
{
    for (Form form : {Form::Ascii, Form::Binary, Form::Swapped}) {
        SCOPED_TRACE(s_formNames[static_cast<int>(form)]);
        // A part per volume type, then a cube of six outward faces, then a part of every other type; with
        // node and element ids except in native binary.
        bool const ids = form != Form::Binary;
        Writer w = geometryHeader(form, ids ? "given" : "assign");
        auto block = [&w, ids](std::string const& p_type, std::vector<int> const& p_nodes) {
            w.text(p_type).ints({1});
            if (ids) {
                w.ints({7});
            }
            w.ints(p_nodes);
        };
        int number = 1;
        for (VolumeCase const& c : volumeCases()) {
            part(w, number++, c.type, c.nodes, ids);
            block(c.type, oneToN(c.nodes.size()));
        }
        part(w, number++, "cube", volumeCases()[6].nodes, ids);
        block("nfaced", {6});
        w.ints({4, 4, 4, 4, 4, 4});
        w.ints({1, 4, 3, 2}).ints({5, 6, 7, 8}).ints({1, 2, 6, 5}).ints({2, 3, 7, 6}).ints({3, 4, 8, 7});
        w.ints({4, 1, 5, 8});
        part(w, number++, "surfaces",
             {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {.5, 0, 0}, {1, .5, 0}, {.5, 1, 0}, {0, .5, 0}},
             ids);
        block("point", {1});
        block("bar2", {1, 2});
        block("bar3", {1, 2, 5});
        block("tria3", {1, 2, 3});
        block("tria6", {1, 2, 3, 5, 6, 4});
        block("quad4", {1, 2, 3, 4});
        block("quad8", {1, 2, 3, 4, 5, 6, 7, 8});
        block("nsided", {5});
        w.ints({1, 5, 2, 3, 4});
        MeshData const mesh = readCase({{"c.case", s_case}, {"geo", w.out}});

        std::vector<VolumeCase> const cases = volumeCases();
        ASSERT_EQ(mesh.numCells(), cases.size() + 1 + 6 + 1);
        for (std::size_t i = 0; i < cases.size(); ++i) {
            EXPECT_EQ(mesh.cellTypes[i], cases[i].expected) << cases[i].type;
        }
        EXPECT_EQ(mesh.cellTypes[cases.size()], VtkCellType::Hexahedron)
            << "the cube's faces make a hexahedron";
        std::vector<VtkCellType> const rest(
            mesh.cellTypes.begin() + static_cast<std::ptrdiff_t>(cases.size()) + 1, mesh.cellTypes.end());
        EXPECT_EQ(rest, (std::vector<VtkCellType>{VtkCellType::Line, VtkCellType::Line, VtkCellType::Triangle,
                                                  VtkCellType::Triangle, VtkCellType::Quad, VtkCellType::Quad,
                                                  VtkCellType::Polygon}));
        EXPECT_EQ(mesh.readChanges.vertices, 1u);
        EXPECT_EQ(mesh.readChanges.secondOrder, 7u);
        EXPECT_EQ(mesh.numPoints(), 4 + 10 + 5 + 13 + 6 + 15 + 8 + 20 + 8 + 8u);
        // Each part's nodes follow the last part's: the second part's first cell starts at node 4.
        EXPECT_EQ(mesh.cellPoints(1)[0], 4);

        LoadedMesh loaded = toLibrary(mesh, "c.case", EnsightReader::s_regionArray);
        zev::analysis::VolumeMeasures const volumes = zev::analysis::volumeMeasures(loaded.geo());
        EXPECT_EQ(volumes.inverted, 0u);
        double expected = 1; // the cube
        for (VolumeCase const& c : cases) {
            expected += c.volume;
        }
        EXPECT_NEAR(volumes.total, expected, 1e-6);
        EXPECT_EQ(mesh.regionLabels.at({3, 1}), "tetra4");
        EXPECT_EQ(mesh.regionLabels.at({2, 10}), "surfaces");
        EXPECT_EQ(mesh.regionLabels.count({3, 10}), 0u);
    }
    // A first part of no nodes and no elements.
    Writer empty = geometryHeader(Form::Binary);
    part(empty, 1, "nothing", {});
    part(empty, 2, "line", {{0, 0, 0}, {1, 0, 0}});
    empty.text("bar2").ints({1}).ints({1, 2});
    MeshData const mesh = readCase({{"c.case", s_case}, {"geo", empty.out}});
    EXPECT_EQ(mesh.numPoints(), 2u);
    EXPECT_EQ(mesh.cellTypes, std::vector<VtkCellType>{VtkCellType::Line});
}

// A unit cube as part 1 "solid", and as part 2 "wall" two quadrilaterals, a point element and a ghost
// quadrilateral.
std::string twoParts(Form p_form)
{
    Writer w = geometryHeader(p_form);
    part(w, 1, "solid", volumeCases()[6].nodes);
    w.text("hexa8").ints({1}).ints(oneToN(8));
    part(w, 2, "wall", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}});
    w.text("quad4").ints({2}).ints({1, 2, 5, 4}).ints({2, 3, 6, 5});
    w.text("point").ints({1}).ints({3});
    w.text("g_quad4").ints({1}).ints({1, 2, 5, 4});
    return w.out;
}

std::string const s_variables = "VARIABLE\nscalar per node: T T.node\nvector per node: U U.node\n"
                                "scalar per element: p p.elem\nvector per element: V V.elem\n";

TEST(EnsightReader, VariablesFillTheirPartsAndLeaveTheRestUndefined)
{
    double const u = s_undefined;
    for (Form form : {Form::Ascii, Form::Binary, Form::Swapped}) {
        SCOPED_TRACE(s_formNames[static_cast<int>(form)]);
        Writer t(form), v(form), p(form), e(form);
        t.text("T").text("part").ints({1}).text("coordinates").reals({1, 2, 3, 4, 5, 6, 7, 8});
        t.text("part").ints({2}).text("coordinates undef").reals({-99}).reals({10, -99, 12, 13, 14, 15});
        // Part 1 left out; its nodes stay undefined.
        v.text("U").text("part").ints({2}).text("coordinates");
        v.reals({1, 2, 3, 4, 5, 6}).reals({0, 0, 0, 0, 0, 0}).reals({-1, -2, -3, -4, -5, -6});
        // Blocks in another order than the geometry's; only the second quadrilateral given.
        p.text("p").text("part").ints({2}).text("point").reals({3}).text("quad4 partial").ints({1}).ints({2});
        p.reals({7}).text("g_quad4").reals({9}).text("part").ints({1}).text("hexa8").reals({5});
        e.text("V").text("part").ints({1}).text("hexa8").reals({1}).reals({2}).reals({3});
        e.text("part").ints({2}).text("quad4 undef").reals({-1}).reals({-1, 4}).reals({5, 6}).reals({7, 8});
        MeshData const mesh = readCase({{"c.case", s_case + s_variables},
                                        {"geo", twoParts(form)},
                                        {"T.node", t.out},
                                        {"U.node", v.out},
                                        {"p.elem", p.out},
                                        {"V.elem", e.out}});
        ASSERT_EQ(mesh.numCells(), 3u);
        ASSERT_EQ(mesh.pointData.size(), 2u);
        EXPECT_EQ(mesh.pointData[0].values,
                  (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 10, u, 12, 13, 14, 15}));
        std::vector<double> expectedU(24, u);
        for (int i = 0; i < 6; ++i) {
            expectedU.insert(expectedU.end(), {i + 1.0, 0.0, -(i + 1.0)});
        }
        EXPECT_EQ(mesh.pointData[1].name, "U");
        EXPECT_EQ(mesh.pointData[1].numComponents, 3);
        EXPECT_EQ(mesh.pointData[1].values, expectedU);
        ASSERT_EQ(mesh.cellData.size(), 3u);
        EXPECT_EQ(mesh.cellData[0].values, (std::vector<double>{5, u, 7}));
        EXPECT_EQ(mesh.cellData[1].values, (std::vector<double>{1, 2, 3, u, 5, 7, 4, 6, 8}));
        EXPECT_EQ(mesh.cellData[2].name, EnsightReader::s_regionArray);
        EXPECT_EQ(mesh.cellData[2].values, (std::vector<double>{1, 2, 2}));
        EXPECT_EQ(mesh.regionArray, EnsightReader::s_regionArray);
        EXPECT_EQ(mesh.regionLabels,
                  (std::map<std::pair<int, long long>, std::string>{{{3, 1}, "solid"}, {{2, 2}, "wall"}}));
        EXPECT_EQ(readerNotes(mesh), (std::vector<std::string>{"note: 1 vertex cell was skipped",
                                                               "note: 1 ghost element skipped"}));
    }
}

// A unit cube moved p_shift along x: the whole geometry, or its coordinates only.
std::string cube(double p_shift, bool p_coordinatesOnly)
{
    Writer w = geometryHeader(Form::Ascii);
    std::vector<std::vector<double>> nodes = volumeCases()[6].nodes;
    for (auto& n : nodes) {
        n[0] += p_shift;
    }
    part(w, 1, "solid", nodes);
    if (!p_coordinatesOnly) {
        w.text("hexa8").ints({1}).ints(oneToN(8));
    }
    return w.out;
}

std::string cellValue(double p_value)
{
    return Writer(Form::Ascii).text("x").text("part").ints({1}).text("hexa8").reals({p_value}).out;
}

TEST(EnsightReader, TimeSetsChooseEachFilesStep)
{
    // The geometry and a in time set 1 (0, 1, 2 as files 0, 5, 10), b in time set 2 (0.5, 1.5 as files 1, 2);
    // only the geometry's first step holds the connectivity.
    Files const files = {
        {"c.case",
         "FORMAT\ntype: ensight gold\n\nGEOMETRY\nmodel: 1 geo.*** change_coords_only\n\nVARIABLE\n"
         "scalar per element: 1 a a.***\nscalar per element: 2 b b*\n# a comment\nTIME\ntime set: 1\n"
         "number of steps: 3\nfilename numbers: 0 5\n10\ntime values: 0 1 2\ntime set: 2 the other\n"
         "number of steps: 2\nfilename start number: 1\nfilename increment: 1\ntime values:\n0.5\n1.5\n"},
        {"geo.000", cube(0, false)},
        {"geo.005", cube(1, true)},
        {"geo.010", cube(2, true)},
        {"a.000", cellValue(0)},
        {"a.005", cellValue(5)},
        {"a.010", cellValue(10)},
        {"b1", cellValue(1)},
        {"b2", cellValue(2)}};
    using Kind = FoamTimeChoice::Kind;
    struct Case {
        FoamTimeChoice time;
        double shift, a, b;
    };
    Case const cases[] = {{{Kind::Latest, ""}, 2, 10, 2},
                          {{Kind::First, ""}, 0, 0, 1},
                          {{Kind::Value, "1"}, 1, 5, 1},
                          {{Kind::Value, "1.5e0"}, 1, 5, 2}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.time.value);
        MeshData const mesh = readCase(files, c.time);
        EXPECT_EQ(mesh.points[0], c.shift);
        EXPECT_EQ(mesh.cellData[0].values, std::vector<double>{c.a});
        EXPECT_EQ(mesh.cellData[1].values, std::vector<double>{c.b});
    }
    EXPECT_EQ(readCase(files).notes,
              std::vector<std::string>{"note: read the time 2 of the 5 time values 0 to 2"});
    try {
        readCase(files, {Kind::Value, "3"});
        ADD_FAILURE() << "no time 3";
    } catch (SelectionError const& e) {
        EXPECT_STREQ(e.what(), "no time '3' in c.case (times: 0, 0.5, 1, 1.5, 2)");
    }
}

std::string replaced(std::string p_text, std::string const& p_from, std::string const& p_to)
{
    std::size_t const at = p_text.find(p_from);
    EXPECT_NE(at, std::string::npos) << p_from;
    return at == std::string::npos ? p_text : p_text.replace(at, p_from.size(), p_to);
}

TEST(EnsightReader, MalformedCasesNameTheFileAndLineOrByte)
{
    std::string const caseFile = s_case + "VARIABLE\nscalar per element: p p.elem\n";
    std::string const geo = twoParts(Form::Ascii);
    std::string const binary = twoParts(Form::Binary);
    std::string const p = Writer(Form::Ascii).text("p").text("part").ints({1}).text("hexa8").reals({5}).out;
    struct Case {
        char const* file; // the file changed
        std::string text; // its text
        char const* message;
    };
    Case const cases[] = {
        {"c.case", replaced(caseFile, "ensight gold", "ensight"),
         "c.case:2: the case's type is 'ensight'; only ensight gold cases are read"},
        {"c.case", replaced(caseFile, "model: geo", "measured: geo"),
         "c.case: the case file names no geometry model"},
        {"c.case", replaced(caseFile, "model: geo", "model: 1 2 geo"),
         "c.case:4: file sets (several steps in one file) are not read"},
        {"c.case", caseFile + "TIME\ntime set: 1\nnumber of steps: 2\ntime values: 0\n",
         "c.case:8: the time set 1 has 2 steps and 1 time values"},
        {"c.case", caseFile + "TIME\ntime set: 1\nnumber of steps: 1\ntime values: soon\n",
         "c.case:10: a time value is 'soon', not a number"},
        {"c.case", replaced(caseFile, "p p.elem", "3 p p.elem"), "c.case:6: the time set 3 is not defined"},
        {"geo", "", "geo: the case's file is missing"},
        {"geo", replaced(geo, "node id off", "node id sometimes"),
         "geo:3: the node id mode is 'sometimes', not off, given, assign or ignore"},
        {"geo", replaced(geo, "part\n1 \nsolid\ncoordinates", "part\n1 \nsolid\nblock"),
         "geo:8: part 1 is a structured block; only unstructured parts are read"},
        {"geo", replaced(geo, " 1.00000e+00", "one"), "geo:11: a coordinate is 'one', not a number"},
        {"geo", replaced(geo, "hexa8\n1 \n1 2", "hexa8\n1 \n9 2"),
         "geo:36: a hexa8 element of part 1 names node 9 of 8"},
        {"geo", replaced(geo, "hexa8", "hexa27"), "geo:34: part 1 has elements of the unknown type 'hexa27'"},
        {"geo", replaced(geo, "hexa8\n1 ", "hexa8\n123456789 "),
         "geo:35: 123456789 elements do not fit in the 340 bytes left"},
        {"geo", replaced(geo, "part\n2", "part\n1"), "geo:38: the part 1 comes twice"},
        {"geo", std::string(4, '\0') + "Fortran Binary",
         "geo: Fortran binary files are not read; write the case as C binary or ASCII"},
        {"geo", binary.substr(0, binary.size() - 2),
         "geo:byte 1468: 1 elements do not fit in the 14 bytes left"},
        {"geo", replaced(binary, std::string("hexa8\0", 6), "nfaced"),
         "geo:byte 832: nfaced element 1 of part 1 has 1 faces"},
        {"p.elem", replaced(p, "part\n1", "part\n3"), "p.elem:3: the geometry has no part 3"},
        {"p.elem", replaced(p, "hexa8", "tetra4"), "p.elem:4: part 1 has no tetra4 elements"},
        {"p.elem", replaced(p, "hexa8\n", "hexa8 partial\n2\n1\n1\n"),
         "p.elem:5: the partial values are 2 of 1"},
        {"p.elem", replaced(p, "hexa8\n", "hexa8 partial\n1\n4\n"),
         "p.elem:6: a partial value's index is 4, not 1 to 1"},
        {"p.elem", replaced(p, "hexa8", "hexa8 sometimes"),
         "p.elem:4: 'hexa8 sometimes' has 'sometimes', not partial or undef"},
    };
    for (Case const& c : cases) {
        Files files = {{"c.case", caseFile}, {"geo", geo}, {"p.elem", p}};
        files[c.file] = c.text;
        if (c.text.empty()) {
            files.erase(c.file);
        }
        try {
            readCase(files);
            ADD_FAILURE() << "no failure: " << c.message;
        } catch (FormatError const& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

} // namespace
