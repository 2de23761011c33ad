// VTK XML files: every encoding keeps a mesh with every cell type bit for bit, legacy -> XML -> legacy
// included; hand-made files (pieces, big-endian, headers encoded with or apart from their data) read as
// declared; every file of the malformed corpus fails with its exact diagnostic; and a gmsh file's cell
// array on volume and surface cells goes through the library and back as one array.
#include "tests/io/EveryCellType.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/Base64.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"
#include "zev/io/MeshFile.h"
#include "zev/io/ParallelVtkFile.h"
#include "zev/io/VtkLegacyReader.h"
#include "zev/io/VtkLegacyWriter.h"
#include "zev/io/VtkXmlReader.h"
#include "zev/io/VtkXmlWriter.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/VectorVariable.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

using namespace zev::io;
using namespace zev::io::testing;

std::string const s_corpus = ZEV_IO_CORPUS_DIR;

// Exact equality of everything a file holds; doubles compared bit for bit.
void expectSameMesh(MeshData const& a, MeshData const& b, std::string const& p_what)
{
    ASSERT_EQ(a.points.size(), b.points.size()) << p_what;
    EXPECT_EQ(0, std::memcmp(a.points.data(), b.points.data(), a.points.size() * sizeof(double))) << p_what;
    EXPECT_EQ(a.cellTypes, b.cellTypes) << p_what;
    EXPECT_EQ(a.offsets, b.offsets) << p_what;
    EXPECT_EQ(a.connectivity, b.connectivity) << p_what;
    for (auto lists :
         {std::make_pair(&a.pointData, &b.pointData), std::make_pair(&a.cellData, &b.cellData)}) {
        ASSERT_EQ(lists.first->size(), lists.second->size()) << p_what;
        for (std::size_t i = 0; i < lists.first->size(); ++i) {
            DataArray const& x = (*lists.first)[i];
            DataArray const& y = (*lists.second)[i];
            EXPECT_EQ(x.name, y.name) << p_what;
            EXPECT_EQ(x.numComponents, y.numComponents) << p_what << " " << x.name;
            ASSERT_EQ(x.values.size(), y.values.size()) << p_what << " " << x.name;
            EXPECT_EQ(0, std::memcmp(x.values.data(), y.values.data(), x.values.size() * sizeof(double)))
                << p_what << " " << x.name;
        }
    }
}

std::string toXml(MeshData const& p_mesh, VtkXmlWriter::Options const& p_options)
{
    std::ostringstream out;
    VtkXmlWriter::write(p_mesh, out, p_options, "mem.vtu");
    return out.str();
}

TEST(VtkXml, EveryEncodingRoundTripsEveryCellType)
{
    using E = VtkXmlWriter::Encoding;
    for (ValueType pointType : {ValueType::Float, ValueType::Double}) {
        MeshData const mesh = everyCellType(pointType);
        for (E encoding : {E::Ascii, E::Binary, E::Appended, E::AppendedBase64}) {
            for (bool compress : {false, true}) {
                for (bool header64 : {false, true}) {
                    VtkXmlWriter::Options options;
                    options.encoding = encoding;
                    options.compress = compress;
                    options.header64 = header64;
                    options.blockSize = 100; // several blocks per array
                    std::string const what = "encoding " + std::to_string(int(encoding)) +
                                             (compress ? " zlib" : "") + (header64 ? " UInt64" : " UInt32");
                    expectSameMesh(mesh, VtkXmlReader::readBuffer(toXml(mesh, options), "mem.vtu"), what);
                }
            }
        }
    }
}

TEST(VtkXml, LegacyToXmlToLegacyKeepsEverything)
{
    // The legacy file as read is the reference: XML in between must not change one bit of it.
    std::ostringstream legacy;
    VtkLegacyWriter::write(everyCellType(ValueType::Float), legacy, VtkLegacyWriter::Encoding::Binary,
                           "a.vtk");
    MeshData const first = VtkLegacyReader::readBuffer(legacy.str(), "a.vtk");
    VtkXmlWriter::Options options;
    options.compress = true;
    MeshData const viaXml = VtkXmlReader::readBuffer(toXml(first, options), "b.vtu");
    std::ostringstream again;
    VtkLegacyWriter::write(viaXml, again, VtkLegacyWriter::Encoding::Binary, "c.vtk");
    expectSameMesh(first, VtkLegacyReader::readBuffer(again.str(), "c.vtk"), "legacy-xml-legacy");

    // Surfaces and lines go through PolyData: cell data follows the lines-then-polygons order, and
    // surface cells come back as polygons, as in a legacy POLYDATA file.
    MeshData surface;
    surface.kind = DatasetKind::PolyData;
    surface.points = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    surface.addCell(VtkCellType::Triangle, {0, 1, 2});
    surface.addCell(VtkCellType::Line, {0, 2});
    surface.addCell(VtkCellType::Quad, {0, 1, 2, 3});
    surface.cellData.push_back(makeArray("id", ValueType::Int, ArrayRole::Scalars, 1, 3, 1.0));
    MeshData const back = VtkXmlReader::readBuffer(toXml(surface, {}), "s.vtp");
    ASSERT_EQ(back.kind, DatasetKind::PolyData);
    EXPECT_EQ(back.cellTypes,
              (std::vector<VtkCellType>{VtkCellType::Line, VtkCellType::Polygon, VtkCellType::Polygon}));
    EXPECT_EQ(back.cellData[0].values,
              (std::vector<double>{surface.cellData[0].values[1], surface.cellData[0].values[0],
                                   surface.cellData[0].values[2]}));
}

TEST(VtkXml, HandMadeFilesReadAsDeclared)
{
    // Two pieces joined into one mesh, the second's indices shifted by the first's points; big-endian
    // inline binary with the header and data in one base64 stream.
    std::string const bigEndianPoints = [] {
        unsigned char bytes[4 + 3 * 4] = {0, 0, 0, 12};
        float const xyz[3] = {1.5f, -2.0f, 3.25f};
        for (int v = 0; v < 3; ++v) {
            std::uint32_t bits;
            std::memcpy(&bits, &xyz[v], 4);
            for (int b = 0; b < 4; ++b) {
                bytes[4 + 4 * v + b] = static_cast<unsigned char>(bits >> (24 - 8 * b));
            }
        }
        std::string text;
        base64Encode(bytes, sizeof bytes, text);
        return text;
    }();
    std::string const file =
        "<VTKFile type='UnstructuredGrid' byte_order='BigEndian'><UnstructuredGrid>"
        "<Piece NumberOfPoints='2' NumberOfCells='1'><PointData><DataArray type='Int16' Name='n' "
        "format='ascii'>"
        "-3 7</DataArray></PointData><Points><DataArray type='Float64' NumberOfComponents='3' format='ascii'>"
        "0 0 0 1 1 1</DataArray></Points><Cells><DataArray type='Int32' Name='connectivity' format='ascii'>0 "
        "1"
        "</DataArray><DataArray type='Int32' Name='offsets' format='ascii'>2</DataArray>"
        "<DataArray type='UInt8' Name='types' format='ascii'>3</DataArray></Cells></Piece>"
        "<Piece NumberOfPoints='1' NumberOfCells='0'><PointData><DataArray type='Int16' Name='n' "
        "format='ascii'>"
        "9</DataArray></PointData><Points><DataArray type='Float32' NumberOfComponents='3' format='binary'>" +
        bigEndianPoints + "</DataArray></Points></Piece></UnstructuredGrid></VTKFile>";
    MeshData const m = VtkXmlReader::readBuffer(file, "two.vtu");
    EXPECT_EQ(m.points, (std::vector<double>{0, 0, 0, 1, 1, 1, 1.5, -2.0, 3.25}));
    EXPECT_EQ(m.pointType, ValueType::Double);
    EXPECT_EQ(m.cellTypes, std::vector<VtkCellType>{VtkCellType::Line});
    ASSERT_EQ(m.pointData.size(), 1u);
    EXPECT_EQ(m.pointData[0].values, (std::vector<double>{-3, 7, 9}));

    // A second piece's cells point at its own points.
    std::string const piece = "<Piece NumberOfPoints='3' NumberOfPolys='1'><Points><DataArray type='Float32' "
                              "NumberOfComponents='3'>0 0 0 1 0 0 0 1 0</DataArray></Points><Polys>"
                              "<DataArray type='Int64' Name='connectivity'>0 1 2</DataArray>"
                              "<DataArray type='Int64' Name='offsets'>3</DataArray></Polys></Piece>";
    MeshData const p = VtkXmlReader::readBuffer(
        "<VTKFile type='PolyData'><PolyData>" + piece + piece + "</PolyData></VTKFile>", "two.vtp");
    EXPECT_EQ(p.connectivity, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST(VtkXml, CorpusGivesExactDiagnostics)
{
    std::ifstream list(s_corpus + "/expected.txt");
    ASSERT_TRUE(list) << "missing " << s_corpus << "/expected.txt";
    std::set<std::string> listed;
    std::string line;
    while (std::getline(list, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::size_t const tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        std::string const name = line.substr(0, tab);
        std::string expected = line.substr(tab + 1);
        std::string const path = s_corpus + "/" + name;
        for (auto [word, text] : {std::pair{"FILE", path}, std::pair{"DIR", s_corpus}}) {
            for (std::size_t at = expected.find(word); at != std::string::npos;
                 at = expected.find(word, at)) {
                expected.replace(at, std::strlen(word), text);
                at += text.size();
            }
        }
        listed.insert(name);
        try {
            readMeshFile(path);
            ADD_FAILURE() << name << " was read without an error";
        } catch (FormatError const& e) {
            EXPECT_EQ("zevgeom: " + std::string(e.what()), expected) << name;
        }
    }
    EXPECT_GE(listed.size(), 25u);
    if (DIR* d = opendir(s_corpus.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string const name = e->d_name;
            if (name.size() > 4 &&
                (name.substr(name.size() - 3) == "vtu" || name.substr(name.size() - 3) == "vtp")) {
                EXPECT_EQ(listed.count(name), 1u) << name << " has no expected diagnostic";
            }
        }
        closedir(d);
    }
    // The valid twin of the corpus reads.
    EXPECT_EQ(readMeshFile(s_corpus + "/valid/tet.vtu").numCells(), 1u);
    // A comment quoting the appended data's tag is no data section.
    MeshData const commented = readMeshFile(s_corpus + "/valid/appended-comment.vtu");
    ASSERT_EQ(commented.pointData.size(), 1u);
    EXPECT_EQ(commented.pointData[0].values, (std::vector<double>{1, 2, 3, 4}));
}

TEST(VtkXml, TruncationsAndByteFlipsAreReported)
{
    MeshData const mesh = everyCellType(ValueType::Float);
    VtkXmlWriter::Options options;
    options.compress = true;
    std::string const file = toXml(mesh, options);
    for (std::size_t cut = 0; cut < file.size(); cut += 97) {
        try {
            VtkXmlReader::readBuffer(file.substr(0, cut), "cut.vtu");
        } catch (FormatError const&) {
        }
    }
    for (std::size_t at = 0; at < file.size(); at += 13) {
        std::string flipped = file;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x5a);
        try {
            VtkXmlReader::readBuffer(flipped, "flip.vtu");
        } catch (FormatError const&) {
        }
    }
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zevio-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { (void)std::system(("rm -rf '" + m_dir + "'").c_str()); }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> out;
        if (DIR* d = opendir(m_dir.c_str())) {
            while (dirent* e = readdir(d)) {
                if (e->d_name[0] != '.' || std::strlen(e->d_name) > 2) {
                    out.push_back(e->d_name);
                }
            }
            closedir(d);
        }
        return out;
    }
    std::string m_dir;
};

TEST_F(TempDir, LegacyIntegerAliasesTravelAsTheirFixedWidthTypes)
{
    // A legacy file's vtkIdType, long and unsigned_long arrays have no XML name of their own: a .vtu and a
    // parallel index declare them as Int32, Int64 and UInt64, and they read back as those types.
    MeshData mesh = everyCellType(ValueType::Float);
    std::size_t const np = mesh.numPoints();
    mesh.pointData = {makeArray("ids", ValueType::IdType, ArrayRole::Scalars, 1, np, 1.0),
                      makeArray("wide", ValueType::Long, ArrayRole::Scalars, 1, np, 1.0),
                      makeArray("count", ValueType::UnsignedLong, ArrayRole::Scalars, 1, np, 1.0),
                      makeArray("flag", ValueType::Char, ArrayRole::Scalars, 1, np, 1.0)};
    std::vector<ValueType> const expected{ValueType::Int, ValueType::Int64, ValueType::UInt64,
                                          ValueType::Char};
    using E = VtkXmlWriter::Encoding;
    for (E encoding : {E::Ascii, E::Appended}) {
        VtkXmlWriter::Options options;
        options.encoding = encoding;
        std::string const xml = toXml(mesh, options);
        EXPECT_NE(xml.find("type=\"Int32\" Name=\"ids\""), std::string::npos);
        EXPECT_NE(xml.find("type=\"UInt64\" Name=\"count\""), std::string::npos);
        MeshData const back = VtkXmlReader::readBuffer(xml, "mem.vtu");
        ASSERT_EQ(back.pointData.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(back.pointData[i].type, expected[i]) << back.pointData[i].name;
            EXPECT_EQ(back.pointData[i].values, mesh.pointData[i].values) << back.pointData[i].name;
        }
    }
    std::string const index = m_dir + "/aliases.pvtu";
    writeParallelFileIndex(index, {"aliases_0.vtu"}, mesh);
    ParallelFileIndex const declared = readParallelFileIndex(index);
    ASSERT_EQ(declared.pointArrays.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(declared.pointArrays[i].type, expected[i]) << declared.pointArrays[i].name;
    }
}

TEST_F(TempDir, FailedWritesLeaveTheOldFileAndNoTemporary)
{
    std::string const path = m_dir + "/mesh.vtk";
    std::ofstream(path) << "old content\n";
    try {
        writeFileSafely(path, [](std::ostream& p_out) {
            p_out << "half a file";
            throw FormatError("mesh.vtk", 0, FormatError::s_noOffset, "writer gave up");
        });
        FAIL() << "the failure must reach the caller";
    } catch (FormatError const& e) {
        EXPECT_STREQ(e.what(), "mesh.vtk: writer gave up");
    }
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "old content");
    EXPECT_EQ(entries(), std::vector<std::string>{"mesh.vtk"});

    auto message = [](std::string const& p_path) {
        try {
            writeFileSafely(p_path, [](std::ostream&) {});
        } catch (FormatError const& e) {
            return std::string(e.what());
        }
        return std::string("written");
    };
    EXPECT_EQ(message(m_dir + "/missing/x.vtk"),
              m_dir + "/missing/x.vtk: cannot create the file: its folder does not exist");
    EXPECT_EQ(message(m_dir), m_dir + ": cannot create the file: it is a directory");
}

TEST_F(TempDir, GeometryThroughFiles)
{
    // A host reads a file into a geometry with its variables and writes a chosen variable back.
    std::string const path = m_dir + "/every.vtu";
    MeshData mesh = everyCellType(ValueType::Float);
    writeMeshFile(mesh, path, WriteOptions{FileFormat::Auto, true, true});
    zev::GeometryAutoPtr g = readGeometry(path, "region");
    EXPECT_EQ(g->getNumElements(), 6);
    EXPECT_TRUE(g->hasVariable("pressure", zev::eVertex));
    EXPECT_TRUE(g->hasVariable("region", zev::eElement));
    std::string const out = m_dir + "/pressure.vtk";
    ExportSelection selection;
    writeGeometry(*g.get(), out, selection, {"pressure"});
    MeshData const back = readMeshFile(out);
    ASSERT_EQ(back.pointData.size(), 1u);
    EXPECT_EQ(back.pointData[0].name, "pressure");
    EXPECT_THROW(writeGeometry(*g.get(), out, selection, {"nothing"}), SelectionError);
    // PolyData cannot hold volume cells.
    EXPECT_THROW(writeMeshFile(mesh, m_dir + "/every.vtp"), FormatError);
    EXPECT_EQ(entries().size(), 2u);
}

// The values of a geometry's variable over the sets of its location in name order; undefined for a set
// the variable holds nothing on.
std::vector<float> valuesOver(zev::Geometry& p_geometry, std::string const& p_name,
                              zev::VarLocation p_location)
{
    std::vector<float> out;
    zev::Variable* variable = p_geometry.findVariable(p_name, p_location);
    if (variable == nullptr) {
        return out;
    }
    bool const elements = p_location == zev::eElement;
    for (std::string const& set : elements ? p_geometry.getElementSetNames() : p_geometry.getFaceSetNames()) {
        std::size_t const n =
            elements ? p_geometry.getElementSet(set)->size() : p_geometry.getFaceSet(set)->size();
        zev::Variable::Description const desc(variable->getGlobalType(), p_location, set);
        if (!variable->hasType(desc)) {
            out.insert(out.end(), n, zev::ZEV_UNDEF);
            continue;
        }
        zev::FloatZEVVector const& data = static_cast<zev::Variable const*>(variable)->getFloatValues(desc);
        for (std::size_t i = 0; i < data.size(); ++i) {
            out.push_back(data[i]);
        }
    }
    return out;
}

TEST_F(TempDir, CellArrayOfVolumeAndSurfaceCellsWritesOnceAndReadsBackAsBoth)
{
    // gmsh gives the tetrahedra of box.vtk the tag 10 and its boundary triangles 21, 22 and 23 in one
    // cell array: read, it is an element and a face variable of one name; written, one array again, in
    // every encoding, or the library's readers refuse the file and VTK's XML reader crashes on it.
    zev::GeometryAutoPtr g = readGeometry(s_corpus + "/gmsh/box.vtk");
    ASSERT_EQ(g->getNumElements(), 100);
    ASSERT_EQ(g->getNumFaces(), 84);
    std::vector<float> const elementIds = valuesOver(*g.get(), "CellEntityIds", zev::eElement);
    std::vector<float> const faceIds = valuesOver(*g.get(), "CellEntityIds", zev::eFace);
    EXPECT_EQ(elementIds, std::vector<float>(100, 10.0f));
    std::map<float, int> tags;
    for (float id : faceIds) {
        ++tags[id];
    }
    EXPECT_EQ(tags, (std::map<float, int>{{21.0f, 14}, {22.0f, 14}, {23.0f, 56}}));
    // A name held at the elements only: the face cells of its array are undefined.
    g->addVariable(g->findVariable("CellEntityIds", zev::eElement)->clone("volumeOnly"), zev::eElement);

    struct Case {
        char const* file;
        WriteOptions options;
    };
    Case const cases[] = {{"ascii.vtu", {FileFormat::Auto, false, false}},
                          {"binary.vtu", {FileFormat::Auto, true, false}},
                          {"zlib.vtu", {FileFormat::Auto, true, true}},
                          {"ascii.vtk", {FileFormat::Auto, false, false}},
                          {"binary.vtk", {FileFormat::Auto, true, false}}};
    for (Case const& c : cases) {
        std::string const path = m_dir + "/" + c.file;
        writeGeometry(*g.get(), path, ExportSelection(), {"CellEntityIds", "volumeOnly"}, c.options);
        MeshData const written = readMeshFile(path);
        ASSERT_EQ(written.cellData.size(), 2u) << c.file;
        EXPECT_EQ(written.cellData[0].name, "CellEntityIds") << c.file;
        EXPECT_EQ(written.cellData[1].name, "volumeOnly") << c.file;
        zev::GeometryAutoPtr back = readGeometry(path);
        EXPECT_EQ(valuesOver(*back.get(), "CellEntityIds", zev::eElement), elementIds) << c.file;
        EXPECT_EQ(valuesOver(*back.get(), "CellEntityIds", zev::eFace), faceIds) << c.file;
        EXPECT_EQ(valuesOver(*back.get(), "volumeOnly", zev::eElement), elementIds) << c.file;
        EXPECT_EQ(valuesOver(*back.get(), "volumeOnly", zev::eFace), std::vector<float>(84, zev::ZEV_UNDEF))
            << c.file;
    }

    // A vector at the faces and a scalar at the elements fit no one array.
    auto* vector = new zev::VectorVariable(zev::eConservative, zev::eFace);
    vector->setName("volumeOnly");
    for (std::string const& set : g->getFaceSetNames()) {
        vector->getTripletValues(zev::Variable::Description(zev::eConservative, zev::eFace, set))
            .resize(g->getFaceSet(set)->size());
    }
    g->addVariable(vector, zev::eFace);
    try {
        writeGeometry(*g.get(), m_dir + "/mixed.vtu", ExportSelection(), {"volumeOnly"});
        ADD_FAILURE() << "a vector and a scalar of one name were written";
    } catch (SelectionError const& e) {
        EXPECT_STREQ(e.what(), "the variable 'volumeOnly' is a scalar at the elements and a vector at the "
                               "faces; one cell array cannot hold both");
    }

    // The writers refuse a mesh that names two arrays of a section alike, whoever made it.
    MeshData twice = readMeshFile(s_corpus + "/gmsh/box.vtk");
    twice.cellData.push_back(twice.cellData.front());
    for (bool xml : {true, false}) {
        std::ostringstream out;
        try {
            if (xml) {
                VtkXmlWriter::write(twice, out, VtkXmlWriter::Options(), "twice");
            } else {
                VtkLegacyWriter::write(twice, out, VtkLegacyWriter::Encoding::Ascii, "twice");
            }
            ADD_FAILURE() << "two cell arrays of one name were written";
        } catch (FormatError const& e) {
            EXPECT_STREQ(e.what(), "twice: a second cell array named 'CellEntityIds'");
            EXPECT_EQ(out.str(), "");
        }
    }
    EXPECT_EQ(entries().size(), sizeof cases / sizeof cases[0]); // and no mixed.vtu
}

} // namespace
