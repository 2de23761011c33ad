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
}

} // namespace
