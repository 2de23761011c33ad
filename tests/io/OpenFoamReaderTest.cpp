// The OpenFOAM case reader on small cases held in memory: the layouts OpenFOAM writes (ASCII and binary,
// face lists and compact face lists, padded neighbour lists, compressed files), how boundary values
// follow their patch types, how a time is chosen, and malformed cases refused with the file and line.
#include "zev/io/OpenFoamReader.h"
#include "zev/io/FormatError.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace zev::io;
using Files = std::map<std::string, std::string>;

std::string header(std::string const& p_class, std::string const& p_object, bool p_binary = false)
{
    return "FoamFile\n{\n    version 2.0;\n    format " + std::string(p_binary ? "binary" : "ascii") +
           ";\n    arch \"LSB;label=32;scalar=64\";\n    class " + p_class + ";\n    object " + p_object +
           ";\n}\n// a comment\n/* and a\n   block comment */\n";
}

// Two unit cubes side by side along x: points i + 3j + 6k at (i, j, k); face 0 is the internal face
// (owner 0, neighbour 1), then the patches left (x = 0), right (x = 2) and walls (8 faces, group wall).
std::vector<std::vector<int>> const s_faces = {{1, 4, 10, 7}, {0, 6, 9, 3},  {2, 5, 11, 8},  {0, 1, 7, 6},
                                               {1, 2, 8, 7},  {3, 9, 10, 4}, {4, 10, 11, 5}, {0, 3, 4, 1},
                                               {1, 4, 5, 2},  {6, 7, 10, 9}, {7, 8, 11, 10}};
std::vector<int> const s_owner = {0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};

std::string asciiPoints()
{
    std::string out = "12\n(\n";
    for (int k = 0; k < 2; ++k) {
        for (int j = 0; j < 2; ++j) {
            for (int i = 0; i < 3; ++i) {
                out += "(" + std::to_string(i) + " " + std::to_string(j) + " " + std::to_string(k) + ")\n";
            }
        }
    }
    return out + ")\n";
}

std::string labels(std::vector<int> const& p_values)
{
    std::string out = std::to_string(p_values.size()) + "\n(\n";
    for (int v : p_values) {
        out += std::to_string(v) + "\n";
    }
    return out + ")\n";
}

// A binary list of p_components values per item.
template <typename T> std::string binaryList(std::vector<T> const& p_values, std::size_t p_components = 1)
{
    std::string out = std::to_string(p_values.size() / p_components) + "\n(";
    out.append(reinterpret_cast<char const*>(p_values.data()), p_values.size() * sizeof(T));
    return out + ")\n";
}

std::string boundary()
{
    return header("polyBoundaryMesh", "boundary") +
           "3\n(\n    left\n    {\n        type patch;\n        nFaces 1;\n        startFace 1;\n    }\n"
           "    right { type patch; nFaces 1; startFace 2; }\n"
           "    walls { type wall; inGroups List<word> 1(wall); nFaces 8; startFace 3; }\n)\n";
}

// A compact face list of the faces: their offsets, then their corners.
std::string compactFaces(std::vector<std::vector<int>> const& p_faces, bool p_binary = false)
{
    std::vector<int> starts{0}, corners;
    for (auto const& f : p_faces) {
        corners.insert(corners.end(), f.begin(), f.end());
        starts.push_back(static_cast<int>(corners.size()));
    }
    return header("faceCompactList", "faces", p_binary) +
           (p_binary ? binaryList(starts) + binaryList(corners) : labels(starts) + labels(corners));
}

Files twoCells()
{
    std::string faces = "11\n(\n";
    for (auto const& f : s_faces) {
        faces += "4(" + std::to_string(f[0]) + " " + std::to_string(f[1]) + " " + std::to_string(f[2]) + " " +
                 std::to_string(f[3]) + ")\n";
    }
    faces += ")\n";
    return {{"constant/polyMesh/points", header("vectorField", "points") + asciiPoints()},
            {"constant/polyMesh/faces", header("faceList", "faces") + faces},
            {"constant/polyMesh/owner", header("labelList", "owner") + labels(s_owner)},
            {"constant/polyMesh/neighbour", header("labelList", "neighbour") + labels({1})},
            {"constant/polyMesh/boundary", boundary()},
            {"system/controlDict", header("dictionary", "controlDict")}};
}

MeshData read(Files const& p_files, FoamTimeChoice const& p_time = FoamTimeChoice())
{
    return OpenFoamReader::readSource(OpenFoamReader::memorySource("two", p_files), p_time);
}

DataArray const* cellArray(MeshData const& p_mesh, std::string const& p_name)
{
    DataArray const* array = p_mesh.findCellArray(p_name);
    EXPECT_NE(array, nullptr) << p_name;
    return array;
}

std::string gzip(std::string const& p_text)
{
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(p_text.size() + 1024, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(p_text.data()));
    stream.avail_in = static_cast<uInt>(p_text.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// The two cubes as hexahedra in VTK's corner order (base facing the top) and the ten patch faces.
void expectTwoCubes(MeshData const& p_mesh)
{
    ASSERT_EQ(p_mesh.numCells(), 12u);
    for (std::size_t c = 0; c < 2; ++c) {
        ASSERT_EQ(p_mesh.cellTypes[c], VtkCellType::Hexahedron);
        int const* ids = p_mesh.cellPoints(c);
        auto at = [&](int k, int axis) { return p_mesh.points[3 * static_cast<std::size_t>(ids[k]) + axis]; };
        // The base's normal (by the right-hand rule) points to the top's corners.
        double u[3], v[3], n[3], up[3];
        for (int a = 0; a < 3; ++a) {
            u[a] = at(1, a) - at(0, a);
            v[a] = at(3, a) - at(0, a);
            up[a] = at(4, a) - at(0, a);
        }
        n[0] = u[1] * v[2] - u[2] * v[1];
        n[1] = u[2] * v[0] - u[0] * v[2];
        n[2] = u[0] * v[1] - u[1] * v[0];
        EXPECT_GT(n[0] * up[0] + n[1] * up[1] + n[2] * up[2], 0.0) << "cell " << c;
        for (int k = 0; k < 4; ++k) {
            double const d = (at(k + 4, 0) - at(k, 0)) * n[0] + (at(k + 4, 1) - at(k, 1)) * n[1] +
                             (at(k + 4, 2) - at(k, 2)) * n[2];
            EXPECT_GT(d, 0.0) << "cell " << c << " corner " << k;
        }
    }
    for (std::size_t c = 2; c < 12; ++c) {
        EXPECT_EQ(p_mesh.cellTypes[c], VtkCellType::Quad);
    }
    DataArray const* regions = cellArray(p_mesh, OpenFoamReader::s_regionArray);
    ASSERT_NE(regions, nullptr);
    EXPECT_EQ(regions->values, (std::vector<double>{-1, -1, 0, 1, 2, 2, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(p_mesh.regionLabels.at({2, 0}), "left");
    EXPECT_EQ(p_mesh.regionLabels.at({2, 2}), "walls");
}

TEST(OpenFoamReader, ReadsTheLayoutsOpenFoamWrites)
{
    std::map<std::string, std::function<void(Files&)>> const layouts = {
        {"ascii face list", [](Files&) {}},
        {"compact face list, ascii",
         [](Files& p_files) { p_files["constant/polyMesh/faces"] = compactFaces(s_faces); }},
        {"binary, compressed",
         [](Files& p_files) {
             std::vector<double> points;
             for (int k = 0; k < 2; ++k)
                 for (int j = 0; j < 2; ++j)
                     for (int i = 0; i < 3; ++i)
                         points.insert(points.end(), {double(i), double(j), double(k)});
             p_files.erase("constant/polyMesh/faces");
             p_files["constant/polyMesh/faces.gz"] = gzip(compactFaces(s_faces, true));
             p_files["constant/polyMesh/points"] =
                 header("vectorField", "points", true) + binaryList(points, 3);
             p_files["constant/polyMesh/owner"] = header("labelList", "owner", true) + binaryList(s_owner);
             p_files["constant/polyMesh/neighbour"] =
                 header("labelList", "neighbour", true) + binaryList(std::vector<int>{1});
         }},
        {"neighbours padded with -1",
         [](Files& p_files) {
             std::vector<int> padded(11, -1);
             padded[0] = 1;
             p_files["constant/polyMesh/neighbour"] = header("labelList", "neighbour") + labels(padded);
         }},
    };
    for (auto const& [name, change] : layouts) {
        SCOPED_TRACE(name);
        Files files = twoCells();
        change(files);
        MeshData const mesh = read(files);
        ASSERT_EQ(mesh.numPoints(), 12u);
        EXPECT_EQ(mesh.points[3 * 11], 2.0);
        expectTwoCubes(mesh);
    }
}

TEST(OpenFoamReader, BoundaryValuesFollowThePatchTypes)
{
    Files files = twoCells();
    files["1/p"] = header("volScalarField", "p") +
                   "dimensions [0 2 -2 0 0 0 0];\ninternalField nonuniform List<scalar> 2(1 3);\n"
                   "boundaryField\n{\n"
                   "    left { type fixedValue; value uniform 5; }\n"
                   "    right { type zeroGradient; }\n"
                   "    wall { type calculated; value $internalFieldOnWalls; }\n"
                   "}\ninternalFieldOnWalls nonuniform List<scalar> 8{7};\n";
    files["1/U.gz"] =
        gzip(header("volVectorField", "U") + "internalField uniform (1 2 3);\nboundaryField\n{\n"
                                             "    left { type noSlip; }\n"
                                             "    right { type slip; }\n"
                                             "    \"(walls|other)\" { type empty; }\n}\n");
    files["1/phi"] = header("surfaceScalarField", "phi") + "internalField nonuniform List<scalar> 1(9);\n";
    files["1/notes"] = "not a field\n";
    files["1/uniform/time"] = header("dictionary", "time");
    files["1/pointMotion"] = header("pointScalarField", "pointMotion") +
                             "internalField nonuniform List<scalar> 12(0 1 2 3 4 5 6 7 8 9 10 11);\n"
                             "boundaryField { }\n";
    files["0/p"] = header("volScalarField", "p") + "internalField uniform 0;\nboundaryField { }\n";
    files["1e-1/p"] = files["0/p"];
    MeshData const mesh = read(files);
    ASSERT_EQ(mesh.cellData.size(), 3u); // the regions, U and p: phi and the others are no cell fields
    DataArray const* p = cellArray(mesh, "p");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->values, (std::vector<double>{1, 3, 5, 3, 7, 7, 7, 7, 7, 7, 7, 7}));
    DataArray const* u = cellArray(mesh, "U");
    ASSERT_NE(u, nullptr);
    ASSERT_EQ(u->numComponents, 3);
    // noSlip is zero; slip drops the normal part (x on the right); empty takes the cell's value.
    std::vector<double> expected = {1, 2, 3, 1, 2, 3, 0, 0, 0, 0, 2, 3};
    for (int f = 0; f < 8; ++f) {
        expected.insert(expected.end(), {1, 2, 3});
    }
    EXPECT_EQ(u->values, expected);
    ASSERT_EQ(mesh.pointData.size(), 1u);
    EXPECT_EQ(mesh.pointData[0].name, "pointMotion");
    EXPECT_EQ(mesh.pointData[0].values[11], 11.0);
    ASSERT_EQ(mesh.notes.size(), 1u);
    EXPECT_EQ(mesh.notes[0], "note: read the time 1 of the 3 written times 0 to 1");

    // The times are ordered by value: 0.1 lies between 0 and 1.
    FoamTimeChoice time;
    time.kind = FoamTimeChoice::Kind::Value;
    time.value = "0.1";
    EXPECT_EQ(cellArray(read(files, time), "p")->values[0], 0.0);
    time.value = "2";
    try {
        read(files, time);
        ADD_FAILURE() << "time 2 was found";
    } catch (SelectionError const& e) {
        EXPECT_STREQ(e.what(), "no time '2' in two (times: 0, 1e-1, 1)");
    }
}

TEST(OpenFoamReader, MalformedCasesNameTheFileAndLine)
{
    struct Case {
        char const* what;
        std::function<void(Files&)> change;
        char const* message;
    };
    auto replace = [](std::string const& p_file, std::string const& p_from, std::string const& p_to) {
        return [=](Files& p_files) {
            std::string& text = p_files[p_file];
            std::size_t const at = text.find(p_from);
            ASSERT_NE(at, std::string::npos) << p_from;
            text.replace(at, p_from.size(), p_to);
        };
    };
    std::string const field =
        header("volScalarField", "p") + "internalField nonuniform List<scalar> 2(1 3);\n";
    Case const cases[] = {
        {"a corner beyond the points", replace("constant/polyMesh/faces", "4(1 4 10 7)", "4(1 4 10 12)"),
         "two/constant/polyMesh/faces:14: the value 12 in a face is outside [0, 11]"},
        {"a face of two corners", replace("constant/polyMesh/faces", "4(1 4 10 7)", "2(1 4)"),
         "two/constant/polyMesh/faces:14: face 0 has 2 corners (at least 3 are needed)"},
        {"an owner too few", replace("constant/polyMesh/owner", "11\n(\n0\n", "10\n(\n"),
         "two/constant/polyMesh/owner:12: the mesh has 11 faces but 10 owners"},
        {"a cell on both sides", replace("constant/polyMesh/neighbour", "(\n1\n", "(\n0\n"),
         "two/constant/polyMesh/neighbour:12: face 0 has cell 0 on both sides"},
        {"a compact face of two corners",
         [](Files& p_files) {
             std::vector<std::vector<int>> faces = s_faces;
             faces[0] = {1, 4};
             p_files["constant/polyMesh/faces"] = compactFaces(faces);
         },
         "two/constant/polyMesh/faces:27: face 0 has 2 corners (at least 3 are needed)"},
        {"a list longer than its file", replace("constant/polyMesh/points", "12\n(", "1200\n("),
         "two/constant/polyMesh/points:12: the item count 1200 of the points does not fit the file"},
        {"a huge uniform list",
         replace("constant/polyMesh/owner", "11\n(\n0\n0\n1\n0\n1\n0\n1\n0\n1\n0\n1\n)", "99999999999{0}"),
         "two/constant/polyMesh/owner:12: the item count 99999999999 of the face owners does not fit the "
         "file"},
        {"a patch leaving faces out", replace("constant/polyMesh/boundary", "nFaces 8", "nFaces 7"),
         "two/constant/polyMesh/boundary:12: the patches leave the faces 10 to 11 without a patch"},
        {"overlapping patches", replace("constant/polyMesh/boundary", "startFace 2", "startFace 1"),
         "two/constant/polyMesh/boundary:12: the patch 'right' takes faces 1 to 2 where the boundary faces 2 "
         "to 11 "
         "remain"},
        {"a missing file", [](Files& p_files) { p_files.erase("constant/polyMesh/neighbour"); },
         "two/constant/polyMesh/neighbour: the case has no file constant/polyMesh/neighbour"},
        {"no header", replace("constant/polyMesh/points", "FoamFile", "FoamFiles"),
         "two/constant/polyMesh/points:1: the file does not start with a FoamFile header"},
        {"an open comment", replace("constant/polyMesh/points", "block comment */", "block comment"),
         "two/constant/polyMesh/points:10: a comment is never closed"},
        {"cut-off binary data",
         [](Files& p_files) {
             p_files["constant/polyMesh/owner"] =
                 header("labelList", "owner", true) + binaryList(s_owner).substr(0, 20);
         },
         "two/constant/polyMesh/owner:13: the binary data of the face owners is cut short"},
        {"corrupt gzip",
         [](Files& p_files) { p_files["constant/polyMesh/owner"] = gzip("FoamFile").substr(0, 12); },
         "two/constant/polyMesh/owner: gzip data ends early"},
        {"a cell beyond what the faces can bound",
         replace("constant/polyMesh/owner", "(\n0\n0\n1\n", "(\n0\n2000000000\n1\n"),
         "two/constant/polyMesh/owner:12: the faces name the cell 2000000000, but 11 faces bound at most 5 "
         "cells"},
        {"a cell of one face", replace("constant/polyMesh/owner", "(\n0\n0\n1\n", "(\n0\n2\n1\n"),
         "two/constant/polyMesh/owner: cell 2 has 1 face (a cell has at least 4)"},
        {"a field of the wrong size",
         [&](Files& p_files) {
             p_files["0/p"] =
                 header("volScalarField", "p") + "internalField nonuniform List<scalar> 3(1 2 3);\n";
         },
         "two/0/p:12: the entry 'internalField' has 3 values for 2 items"},
        {"a vector where a scalar belongs",
         [&](Files& p_files) {
             p_files["0/p"] = header("volScalarField", "p") + "internalField uniform (1 2 3);\n";
         },
         "two/0/p:12: the entry 'internalField': the uniform value has 3 components where 1 are expected"},
        {"an unknown reference",
         [&](Files& p_files) {
             p_files["0/p"] = field + "boundaryField { left { type fixedValue; value $nowhere; } }\n";
         },
         "two/0/p:13: '$nowhere' names no entry of the file"},
        {"an entry never ended",
         [&](Files& p_files) { p_files["0/p"] = field + "boundaryField { left { type"; },
         "two/0/p:13: the entry 'type' is never ended with ';'"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        Files files = twoCells();
        c.change(files);
        try {
            read(files);
            ADD_FAILURE() << "read without an error";
        } catch (FormatError const& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

} // namespace

namespace {

// Numbers are read exactly as the general parser reads them, the short ones through a faster path.
TEST(OpenFoamReader, DecimalsReadAsTheGeneralParserReadsThem)
{
    std::vector<std::string> const texts = {"0",
                                            "-0",
                                            "0.1",
                                            "1e-5",
                                            "-2.5e+3",
                                            "123456",
                                            "1.5E2",
                                            "0.30000000000000004",
                                            "9007199254740993",
                                            "1e-30",
                                            "5e22",
                                            "7e23",
                                            "4.9406564584124654e-324",
                                            "12345678901234567890",
                                            ".5",
                                            "5.",
                                            "2.2250738585072014e-308",
                                            "1e22"};
    // The two cubes' 36 coordinates taken from the list in turn: the reader checks no geometry.
    std::string body = "12\n(\n";
    std::vector<double> expected;
    for (std::size_t i = 0; i < 36; ++i) {
        std::string const& t = texts[i % texts.size()];
        body += (i % 3 == 0 ? "(" : " ") + t + (i % 3 == 2 ? ")\n" : "");
        double value = 0;
        std::from_chars(t.data(), t.data() + t.size(), value);
        expected.push_back(value);
    }
    Files files = twoCells();
    files["constant/polyMesh/points"] = header("vectorField", "points") + body + ")\n";
    MeshData const mesh = read(files);
    ASSERT_EQ(mesh.points.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(std::memcmp(&mesh.points[i], &expected[i], sizeof(double)), 0) << texts[i % texts.size()];
    }
}

} // namespace
