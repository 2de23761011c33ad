// Writing and reading VTK legacy files: every cell type with point and cell data survives a round trip in
// both encodings, and hand-made files (including big-endian binary built byte by byte) read as declared.
#include "tests/io/EveryCellType.h"
#include "zev/io/FormatError.h"
#include "zev/io/VtkLegacyReader.h"
#include "zev/io/VtkLegacyWriter.h"
#include "zev/io/VtkXmlWriter.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>

namespace {

using namespace zev::io;
using namespace zev::io::testing;

void expectSameArrays(std::vector<DataArray> const& a, std::vector<DataArray> const& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(a[i].name);
        EXPECT_EQ(a[i].name, b[i].name);
        EXPECT_EQ(a[i].type, b[i].type);
        EXPECT_EQ(a[i].role, b[i].role);
        EXPECT_EQ(a[i].numComponents, b[i].numComponents);
        EXPECT_EQ(a[i].values, b[i].values);
    }
}

void expectSameMesh(MeshData const& a, MeshData const& b)
{
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.title, b.title);
    EXPECT_EQ(a.pointType, b.pointType);
    EXPECT_EQ(a.points, b.points);
    EXPECT_EQ(a.cellTypes, b.cellTypes);
    EXPECT_EQ(a.offsets, b.offsets);
    EXPECT_EQ(a.connectivity, b.connectivity);
    expectSameArrays(a.pointData, b.pointData);
    expectSameArrays(a.cellData, b.cellData);
}

MeshData roundTrip(MeshData const& p_mesh, VtkLegacyWriter::Encoding p_encoding)
{
    std::ostringstream out;
    VtkLegacyWriter::write(p_mesh, out, p_encoding, "mem.vtk");
    return VtkLegacyReader::readBuffer(out.str(), "mem.vtk");
}

TEST(VtkRoundTrip, EveryCellTypeWithDataInBothEncodings)
{
    for (ValueType pointType : {ValueType::Float, ValueType::Double}) {
        MeshData const mesh = everyCellType(pointType);
        for (auto encoding : {VtkLegacyWriter::Encoding::Ascii, VtkLegacyWriter::Encoding::Binary}) {
            SCOPED_TRACE(std::string(valueTypeKeyword(pointType)) +
                         (encoding == VtkLegacyWriter::Encoding::Ascii ? " ascii" : " binary"));
            expectSameMesh(mesh, roundTrip(mesh, encoding));
        }
    }
}

TEST(VtkRoundTrip, PolyDataNumbersLinesBeforePolygons)
{
    MeshData m;
    m.kind = DatasetKind::PolyData;
    m.points = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    m.addCell(VtkCellType::Quad, {0, 1, 2, 3});
    m.addCell(VtkCellType::Line, {0, 2});
    m.addCell(VtkCellType::Triangle, {0, 1, 2});
    m.addCell(VtkCellType::PolyLine, {3, 0, 1});
    DataArray id = makeArray("id", ValueType::Int, ArrayRole::Scalars, 1, 4, 1.0);
    id.values = {10, 11, 12, 13};
    m.cellData.push_back(id);
    for (auto encoding : {VtkLegacyWriter::Encoding::Ascii, VtkLegacyWriter::Encoding::Binary}) {
        MeshData const back = roundTrip(m, encoding);
        EXPECT_EQ(back.cellTypes, (std::vector<VtkCellType>{VtkCellType::Line, VtkCellType::PolyLine,
                                                            VtkCellType::Polygon, VtkCellType::Polygon}));
        EXPECT_EQ(back.connectivity, (std::vector<int>{0, 2, 3, 0, 1, 0, 1, 2, 3, 0, 1, 2}));
        ASSERT_EQ(back.cellData.size(), 1u);
        EXPECT_EQ(back.cellData[0].values, (std::vector<double>{11, 13, 10, 12}));
    }
}

TEST(VtkRoundTrip, WriterRefusesWhatItsDataSetCannotHold)
{
    MeshData m = everyCellType(ValueType::Float);
    m.kind = DatasetKind::PolyData;
    std::ostringstream out;
    try {
        VtkLegacyWriter::write(m, out, VtkLegacyWriter::Encoding::Ascii, "out.vtk");
        FAIL() << "no error";
    } catch (FormatError const& e) {
        EXPECT_STREQ(e.what(), "out.vtk: a POLYDATA file cannot hold cell 0, a tetra");
    }
    EXPECT_TRUE(out.str().empty());

    m.kind = DatasetKind::UnstructuredGrid;
    m.cellData[1].values.pop_back();
    try {
        VtkLegacyWriter::write(m, out, VtkLegacyWriter::Encoding::Ascii, "out.vtk");
        FAIL() << "no error";
    } catch (FormatError const& e) {
        EXPECT_STREQ(e.what(), "out.vtk: cell array 'stress' holds 98 values, not 9 for each of 11 tuples");
    }

    // Points the readers refuse are not written: the largest float marks undefined data.
    m = everyCellType(ValueType::Float);
    m.points[4] = -double(FLT_MAX);
    for (int encoding = 0; encoding < 3; ++encoding) {
        std::ostringstream file;
        try {
            if (encoding < 2) {
                VtkLegacyWriter::write(m, file,
                                       encoding == 0 ? VtkLegacyWriter::Encoding::Ascii
                                                     : VtkLegacyWriter::Encoding::Binary,
                                       "out.vtk");
            } else {
                VtkXmlWriter::write(m, file, VtkXmlWriter::Options(), "out.vtk");
            }
            ADD_FAILURE() << "no error in encoding " << encoding;
        } catch (FormatError const& e) {
            EXPECT_STREQ(
                e.what(),
                "out.vtk: point 1 has a coordinate of 3.4028235e38, the value that marks undefined data");
        }
        EXPECT_TRUE(file.str().empty());
    }
}

TEST(VtkRoundTrip, ReadsTheFormatsOptionalParts)
{
    // Lower-case keywords, CRLF line ends, data-set field data, SCALARS without a component count or
    // lookup table, a named colour table, array metadata, %-encoded names and the offsets layout.
    std::string const text = "# vtk DataFile Version 5.1\r\n"
                             "optional parts\r\n"
                             "ascii\r\n"
                             "DATASET UNSTRUCTURED_GRID\r\n"
                             "FIELD FieldData 1\r\n"
                             "TIME 1 1 double\r\n"
                             "2.5\r\n"
                             "points 4 double\r\n"
                             "0 0 0  1 0 0  0 1 0  0 0 1\r\n"
                             "CELLS 2 4\r\n"
                             "OFFSETS vtktypeint64\r\n"
                             "0 4\r\n"
                             "CONNECTIVITY vtktypeint64\r\n"
                             "0 1 2 3\r\n"
                             "CELL_TYPES 1\r\n"
                             "10\r\n"
                             "CELL_DATA 1\r\n"
                             "scalars zone%20id int\r\n"
                             "7\r\n"
                             "METADATA\r\n"
                             "INFORMATION 0\r\n"
                             "\r\n"
                             "POINT_DATA 4\r\n"
                             "SCALARS T float 1\r\n"
                             "LOOKUP_TABLE my_table\r\n"
                             "1 2 3 +4e0\r\n"
                             "LOOKUP_TABLE my_table 1\r\n"
                             "0 0 0 1\r\n"
                             "VECTORS U float\r\n"
                             "1 0 0 0 1 0 0 0 1 -1 -1 -1\r\n";
    MeshData const m = VtkLegacyReader::readBuffer(text, "opt.vtk");
    EXPECT_EQ(m.title, "optional parts");
    EXPECT_EQ(m.pointType, ValueType::Double);
    EXPECT_EQ(m.points, (std::vector<double>{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(m.cellTypes, std::vector<VtkCellType>{VtkCellType::Tetra});
    EXPECT_EQ(m.connectivity, (std::vector<int>{0, 1, 2, 3}));
    ASSERT_EQ(m.cellData.size(), 1u);
    EXPECT_EQ(m.cellData[0].name, "zone id");
    EXPECT_TRUE(m.cellData[0].isInteger());
    EXPECT_EQ(m.cellData[0].values, std::vector<double>{7});
    ASSERT_NE(m.findPointArray("U"), nullptr);
    EXPECT_EQ(m.findPointArray("U")->numComponents, 3);
    EXPECT_EQ(m.findPointArray("T")->values, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(m.findPointArray("TIME"), nullptr);
}

void putBE(std::string& p_out, std::uint64_t p_bits, int p_size)
{
    for (int b = p_size - 1; b >= 0; --b) {
        p_out += static_cast<char>((p_bits >> (8 * b)) & 0xff);
    }
}

void putFloat(std::string& p_out, float p_value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &p_value, 4);
    putBE(p_out, bits, 4);
}

TEST(VtkRoundTrip, BinaryIsBigEndian)
{
    std::string f = "# vtk DataFile Version 3.0\nbig-endian\nBINARY\nDATASET POLYDATA\nPOINTS 3 float\n";
    for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 2.5f, 0.f}) {
        putFloat(f, v);
    }
    f += "\nPOLYGONS 1 4\n";
    for (int v : {3, 0, 1, 2}) {
        putBE(f, static_cast<std::uint32_t>(v), 4);
    }
    f += "\nCELL_DATA 1\nSCALARS s short\nLOOKUP_TABLE default\n";
    putBE(f, 0xfffe, 2); // -2
    f += "\nPOINT_DATA 3\nFIELD FieldData 1\nd 1 3 double\n";
    for (double v : {-1.0, 0.125, 1e300}) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        putBE(f, bits, 8);
    }
    f += "\n";
    MeshData const m = VtkLegacyReader::readBuffer(f, "be.vtk");
    EXPECT_EQ(m.kind, DatasetKind::PolyData);
    EXPECT_EQ(m.points, (std::vector<double>{0, 0, 0, 1, 0, 0, 0, 2.5, 0}));
    EXPECT_EQ(m.connectivity, (std::vector<int>{0, 1, 2}));
    ASSERT_EQ(m.cellData.size(), 1u);
    EXPECT_EQ(m.cellData[0].type, ValueType::Short);
    EXPECT_EQ(m.cellData[0].values, std::vector<double>{-2});
    ASSERT_EQ(m.pointData.size(), 1u);
    EXPECT_EQ(m.pointData[0].values, (std::vector<double>{-1.0, 0.125, 1e300}));

    // The writer produces the same bytes for the same points.
    std::ostringstream out;
    VtkLegacyWriter::write(m, out, VtkLegacyWriter::Encoding::Binary, "be.vtk");
    std::string const written = out.str();
    std::string const points = f.substr(f.find("POINTS 3 float\n") + 15, 36);
    EXPECT_NE(written.find("POINTS 3 float\n" + points + "\n"), std::string::npos);
}

TEST(VtkRoundTrip, FilesOnDisk)
{
    MeshData const mesh = everyCellType(ValueType::Float);
    std::string const path = ::testing::TempDir() + "zevgeom-roundtrip.vtk";
    VtkLegacyWriter::writeFile(mesh, path, VtkLegacyWriter::Encoding::Binary);
    expectSameMesh(mesh, VtkLegacyReader::readFile(path));
    std::remove(path.c_str());
    try {
        VtkLegacyReader::readFile(path);
        FAIL() << "no error";
    } catch (FormatError const& e) {
        EXPECT_EQ(("zevgeom: " + std::string(e.what())), "zevgeom: " + path + ": cannot open the file");
        EXPECT_EQ(e.line(), 0u);
    }
}

} // namespace
