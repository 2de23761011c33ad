// The Fluent case reader on small cases held in memory: ASCII, binary and gzipped sections, both ways of
// writing a face's sides, the data file's fields on cell and face zones, and malformed files refused with
// the file and line (or byte).
#include "zev/io/FluentReader.h"
#include "zev/io/FormatError.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace zev::io;

// Two unit cubes side by side along x: node i + 3j + 6k (from 0) at (i, j, k). Each face is listed with
// its corners' right-hand normal pointing out of cell `from` (0 or 1) towards `to` (-1: outside).
struct Face {
    std::array<int, 4> nodes;
    int from;
    int to;
};
std::vector<Face> const s_faces = {
    {{1, 4, 10, 7}, 0, 1},                                                   // zone 7: interior
    {{0, 6, 9, 3}, 0, -1},   {{2, 5, 11, 8}, 1, -1},                         // zone 8: ends
    {{0, 1, 7, 6}, 0, -1},   {{1, 2, 8, 7}, 1, -1},  {{3, 9, 10, 4}, 0, -1}, // zone 9: walls
    {{4, 10, 11, 5}, 1, -1}, {{0, 3, 4, 1}, 0, -1},  {{1, 4, 5, 2}, 1, -1},
    {{6, 7, 10, 9}, 0, -1},  {{7, 8, 11, 10}, 1, -1}};

enum class Sides { CellFirst, NoneFirst };

std::string hex(long long p_value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llx", p_value);
    return text;
}

// A face's line "[n] a b c d c0 c1": the normal points towards c0. CellFirst writes boundary faces
// c0 = cell, c1 = 0 (reversed to point into the cell), NoneFirst c0 = 0, c1 = cell (as they are).
std::vector<long long> faceValues(Face const& p_face, Sides p_sides, bool p_count)
{
    std::vector<long long> out;
    if (p_count) {
        out.push_back(4);
    }
    bool const reverse = p_sides == Sides::CellFirst;
    std::array<int, 4> n = p_face.nodes;
    if (reverse) {
        std::swap(n[1], n[3]);
    }
    for (int v : n) {
        out.push_back(v + 1);
    }
    long long const a = p_face.from + 1, b = p_face.to + 1;
    out.push_back(reverse ? a : b);
    out.push_back(reverse ? b : a);
    return out;
}

template <typename T> std::string bytes(std::vector<T> const& p_values)
{
    std::string out(p_values.size() * sizeof(T), '\0');
    std::memcpy(out.data(), p_values.data(), out.size());
    return out;
}

// The case: nodes, one hexahedral cell zone, and the face zones 7 (interior), 8 (ends, quadrilateral
// faces) and 9 (walls, mixed faces).
std::string twoCubes(Sides p_sides, bool p_binary)
{
    std::vector<double> xyz;
    for (int k = 0; k < 2; ++k) {
        for (int j = 0; j < 2; ++j) {
            for (int i = 0; i < 3; ++i) {
                xyz.insert(xyz.end(), {double(i), double(j), double(k)});
            }
        }
    }
    std::string out =
        "(0 \"two cubes\")\n(0 \"a (comment) with \\\"quoted)\\\" parentheses\")\n(2 3)\n(10 (0 1 c 0 3))\n"
        "(12 (0 1 2 0 0))\n(13 (0 1 b 0 0))\n";
    if (p_binary) {
        out += "(3010 (1 1 c 1 3)\n(" + bytes(xyz) + ")\nEnd of Binary Section 3010)\n";
    } else {
        out += "(10 (1 1 c 1 3)(\n";
        for (std::size_t i = 0; i < xyz.size(); i += 3) {
            out += std::to_string(xyz[i]) + " " + std::to_string(xyz[i + 1]) + " " +
                   std::to_string(xyz[i + 2]) + "\n";
        }
        out += "))\n";
    }
    out += "(12 (5 1 2 1 4))\n";
    struct Zone {
        int id, first, last, bc, type;
    };
    for (Zone const z : {Zone{7, 1, 1, 2, 4}, Zone{8, 2, 3, 3, 4}, Zone{9, 4, 11, 3, 0}}) {
        std::string const head = std::to_string(z.id) + " " + hex(z.first) + " " + hex(z.last) + " " +
                                 std::to_string(z.bc) + " " + std::to_string(z.type);
        std::vector<long long> values;
        for (int f = z.first; f <= z.last; ++f) {
            std::vector<long long> const v =
                faceValues(s_faces[static_cast<std::size_t>(f - 1)], p_sides, z.type == 0);
            values.insert(values.end(), v.begin(), v.end());
        }
        if (p_binary) {
            out += "(2013 (" + head + ")\n(" +
                   bytes(std::vector<std::int32_t>(values.begin(), values.end())) +
                   ")\nEnd of Binary Section 2013)\n";
        } else {
            out += "(13 (" + head + ")(\n";
            for (long long v : values) {
                out += hex(v) + " ";
            }
            out += "\n))\n";
        }
    }
    out +=
        "(18 (1 2 3 4))\n(45 (5 fluid box)())\n(45 (7 interior inside)())\n(45 (8 velocity-inlet ends)())\n"
        "(39 (9 wall walls)())\n";
    return out;
}

std::string const s_data = "(0 \"data\")\n(33 (2 11 12))\n"
                           "(300 (1 5 1 0 0 1 2)(\n10\n20\n))\n"
                           "(300 (1 8 1 0 0 2 3)(\n1\n2\n))\n"
                           "(300 (2 5 3 0 0 1 2)(\n1 0 0\n0 1 0\n))\n"
                           "(300 (9999 5 1 0 0 1 2)(\n5 6\n))\n"
                           "(300 (18 7 1 0 0 1 1)(\n3\n))\n";

std::array<double, 3> point(MeshData const& p_mesh, int p_id)
{
    double const* p = p_mesh.points.data() + 3 * p_id;
    return {p[0], p[1], p[2]};
}

// The Newell normal of a surface cell.
std::array<double, 3> normal(MeshData const& p_mesh, std::size_t p_cell)
{
    std::array<double, 3> n{0, 0, 0};
    int const count = p_mesh.cellSize(p_cell);
    for (int k = 0; k < count; ++k) {
        auto const a = point(p_mesh, p_mesh.cellPoints(p_cell)[k]);
        auto const b = point(p_mesh, p_mesh.cellPoints(p_cell)[(k + 1) % count]);
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    return n;
}

TEST(FluentReader, ReadsAsciiAndBinaryCasesEitherWayOfWritingTheSides)
{
    for (bool const binary : {false, true}) {
        for (Sides const sides : {Sides::CellFirst, Sides::NoneFirst}) {
            SCOPED_TRACE(std::string(binary ? "binary" : "ASCII") +
                         (sides == Sides::CellFirst ? ", cell first" : ", none first"));
            MeshData const mesh = FluentReader::readText("case", twoCubes(sides, binary), "data", s_data);
            ASSERT_EQ(mesh.numPoints(), 12u);
            ASSERT_EQ(mesh.numCells(), 12u); // two hexahedra, then the ten boundary faces
            for (std::size_t c = 0; c < mesh.numCells(); ++c) {
                EXPECT_EQ(mesh.cellTypes[c], c < 2 ? VtkCellType::Hexahedron : VtkCellType::Quad) << c;
            }
            // A hexahedron in VTK's order has its base's normal towards its top: a positive volume.
            for (std::size_t c = 0; c < 2; ++c) {
                int const* ids = mesh.cellPoints(c);
                auto const n = normal(mesh, c);
                auto const p0 = point(mesh, ids[0]), p4 = point(mesh, ids[4]);
                double const up = n[0] * (p4[0] - p0[0]) + n[1] * (p4[1] - p0[1]) + n[2] * (p4[2] - p0[2]);
                EXPECT_GT(up, 0.0) << "VTK turns a hexahedron's base towards its top";
                double x = 0;
                for (int k = 0; k < 8; ++k) {
                    x += point(mesh, ids[k])[0] / 8;
                }
                EXPECT_DOUBLE_EQ(x, 0.5 + static_cast<double>(c)) << "cells in the file's order";
            }
            // Surface cells point out of the domain, the box [0, 2] x [0, 1] x [0, 1].
            for (std::size_t c = 2; c < mesh.numCells(); ++c) {
                auto const n = normal(mesh, c);
                double centre[3] = {0, 0, 0};
                for (int k = 0; k < 4; ++k) {
                    auto const p = point(mesh, mesh.cellPoints(c)[k]);
                    for (int d = 0; d < 3; ++d) {
                        centre[d] += p[d] / 4;
                    }
                }
                double const out =
                    n[0] * (centre[0] - 1) + n[1] * (centre[1] - 0.5) + n[2] * (centre[2] - 0.5);
                EXPECT_GT(out, 0.0) << "surface cell " << c;
            }

            DataArray const* region = mesh.findCellArray("RegionId");
            ASSERT_NE(region, nullptr);
            EXPECT_EQ(mesh.regionArray, "RegionId");
            EXPECT_EQ(region->values, (std::vector<double>{5, 5, 8, 8, 9, 9, 9, 9, 9, 9, 9, 9}));
            EXPECT_EQ(mesh.regionLabels, (std::map<std::pair<int, long long>, std::string>{
                                             {{3, 5}, "box"}, {{2, 8}, "ends"}, {{2, 9}, "walls"}}));

            // Cell values on the cells, face values on their zone, the walls given none take the cell's.
            DataArray const* pressure = mesh.findCellArray("PRESSURE");
            ASSERT_NE(pressure, nullptr);
            EXPECT_EQ(pressure->values, (std::vector<double>{10, 20, 1, 2, 10, 20, 10, 20, 10, 20, 10, 20}));
            DataArray const* momentum = mesh.findCellArray("MOMENTUM");
            ASSERT_NE(momentum, nullptr);
            ASSERT_EQ(momentum->numComponents, 3);
            EXPECT_EQ(std::vector<double>(momentum->values.begin(), momentum->values.begin() + 9),
                      (std::vector<double>{1, 0, 0, 0, 1, 0, 1, 0, 0}));
            ASSERT_NE(mesh.findCellArray("FIELD_9999"), nullptr);
            EXPECT_EQ(mesh.findCellArray("MASS_FLUX"), nullptr) << "face data alone makes no cell array";
            EXPECT_EQ(mesh.notes,
                      (std::vector<std::string>{
                          "note: sections the reader does not use were skipped (18)",
                          "note: PRESSURE is not given on walls; each face there takes the value "
                          "of the cell beside it",
                          "note: MOMENTUM is not given on ends, walls; each face there takes the "
                          "value of the cell beside it",
                          "note: FIELD_9999 is not given on ends, walls; each face there takes the "
                          "value of the cell beside it"}));
        }
    }
}

TEST(FluentReader, MalformedFilesNameTheFileAndLineOrByte)
{
    struct Case {
        char const* what;
        std::string from;
        std::string to;
        bool binary;
        char const* message;
    };
    Case const cases[] = {
        {"two-dimensional", "(2 3)", "(2 2)", false,
         "case:3: the case is 2-dimensional; only three-dimensional cases are read"},
        {"too few coordinates", "(10 (1 1 c 1 3)", "(10 (1 1 d 1 3)", false,
         "case:20: expected a coordinate"},
        {"a node out of range", "(13 (7 1 1 2 4)(\n2 ", "(13 (7 1 1 2 4)(\n1f ", false,
         "case: a face names the node 31 of 12"},
        {"a face without cells", "1 4 a 7 1 0 ", "1 4 a 7 0 0 ", false,
         "case:26: face 2 has the cells 0 and 0 (cell numbers from 1, 0 for none on one side)"},
        {"a cell beyond the count", "1 4 a 7 1 0 ", "1 4 a 7 3 0 ", false,
         "case: face 2 names the cell 3 of 2"},
        {"a face of two nodes", "(13 (9 4 b 3 0)(\n4 ", "(13 (9 4 b 3 0)(\n2 ", false,
         "case:29: face 4 has 2 nodes (a face has 3 to 4096)"},
        {"cells beyond the faces", "(12 (0 1 2 0 0))", "(12 (0 1 fffffff 0 0))", false,
         "case: the case declares 268435455 cells and has 11 faces"},
        {"a section not closed", "(45 (5 fluid box)())", "(45 (5 fluid box)()", false,
         "case:32: the section is not closed"},
        {"not a section", "(0 \"two cubes\")", "two cubes", false, "case:1: expected '(' to open a section"},
        {"binary coordinates cut short", "(3010 (1 1 c 1 3)\n(", "", true,
         "case:byte 139: the coordinates end before the 36 values the header gives"},
        {"binary nodes beyond the count", "(3010 (1 1 c 1 3)", "(3010 (1 1 1c 1 3)", true,
         "case: the case declares 12 nodes and gives 28"},
        {"binary faces read past their end", "(2013 (9 4 b 3 0)", "(2013 (9 4 1b 3 0)", true,
         "case:byte 888: face 12 has 1850018345 nodes (a face has 3 to 4096)"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = twoCubes(Sides::CellFirst, c.binary);
        std::size_t const at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        if (c.to.empty()) {
            text.resize(at + c.from.size() + 40); // the file cut short inside the section
        } else {
            text.replace(at, c.from.size(), c.to);
        }
        try {
            FluentReader::readText("case", text);
            ADD_FAILURE() << "no error";
        } catch (FormatError const& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }

    struct DataCase {
        char const* what;
        std::string data;
        char const* message;
    };
    DataCase const dataCases[] = {
        {"a value missing", "(300 (1 5 1 0 0 1 2)(\n10\n))", "data:3: expected a value"},
        {"a bad header", "(300 (1 5 0 0 0 1 2)(\n10\n))",
         "data:1: the data section's header (field 1, zone 5, size 0, items 1 to 2) is not valid"},
        {"binary values cut short", "(3300 (1 5 1 0 0 1 2)\n(\x01\x02))",
         "data:byte 23: the values end before the 2 values the header gives"},
    };
    for (DataCase const& c : dataCases) {
        SCOPED_TRACE(c.what);
        try {
            FluentReader::readText("case", twoCubes(Sides::CellFirst, false), "data", c.data);
            ADD_FAILURE() << "no error";
        } catch (FormatError const& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

} // namespace
