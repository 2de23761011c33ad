#include "zev/io/ParallelVtkFile.h"
#include "zev/contracts/Error.h"
#include "zev/io/FormatError.h"
#include "zev/parallel/Partition.h"

#include "tests/parallel/PieceMeshes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

using namespace zev::io;
using zev::test::BoxCells;

namespace {

class ParallelVtkFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = ::testing::TempDir() + "zev-pieces-" + std::to_string(getpid()) + "/";
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string path(std::string const& p_name) const { return m_dir + p_name; }

    void write(std::string const& p_name, std::string const& p_text) const
    {
        std::ofstream(path(p_name), std::ios::binary) << p_text;
    }

    std::string m_dir;
};

std::vector<MeshData> split(MeshData const& p_mesh, int p_parts)
{
    std::vector<int> const parts = zev::parallel::partitionCells(p_mesh, p_parts);
    std::vector<MeshData> pieces;
    for (int p = 0; p < p_parts; ++p) {
        pieces.push_back(zev::parallel::extractPiece(p_mesh, parts, p));
    }
    return pieces;
}

// Every merged point sits where its global id says, and every merged cell has the points of its original.
void expectSameMesh(MeshData const& p_merged, MeshData const& p_original)
{
    ASSERT_EQ(p_merged.numPoints(), p_original.numPoints());
    ASSERT_EQ(p_merged.numCells(), p_original.numCells());
    DataArray const* nodeIds = p_merged.findPointArray("GlobalNodeIds");
    DataArray const* cellIds = p_merged.findCellArray("GlobalCellIds");
    ASSERT_NE(nodeIds, nullptr);
    ASSERT_NE(cellIds, nullptr);
    DataArray const* x = p_merged.findPointArray("x");
    DataArray const* cell = p_merged.findCellArray("cell");
    ASSERT_NE(x, nullptr);
    ASSERT_NE(cell, nullptr);
    std::vector<int> seen(p_original.numPoints(), 0);
    for (std::size_t i = 0; i < p_merged.numPoints(); ++i) {
        std::size_t const g = std::size_t(nodeIds->values[i]);
        ASSERT_LT(g, p_original.numPoints());
        ++seen[g];
        for (int d = 0; d < 3; ++d) {
            EXPECT_EQ(p_merged.points[i * 3 + d], p_original.points[g * 3 + d]);
        }
        EXPECT_EQ(x->values[i], p_original.points[g * 3]);
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), long(p_original.numPoints()));
    for (std::size_t c = 0; c < p_merged.numCells(); ++c) {
        std::size_t const g = std::size_t(cellIds->values[c]);
        ASSERT_LT(g, p_original.numCells());
        EXPECT_EQ(cell->values[c], double(g));
        if (p_original.kind == DatasetKind::UnstructuredGrid) {
            // PolyData files keep polygons, not their kinds.
            ASSERT_EQ(p_merged.cellTypes[c], p_original.cellTypes[g]);
        }
        ASSERT_EQ(p_merged.cellSize(c), p_original.cellSize(g));
        for (int k = 0; k < p_merged.cellSize(c); ++k) {
            EXPECT_EQ(nodeIds->values[std::size_t(p_merged.cellPoints(c)[k])], p_original.cellPoints(g)[k]);
        }
    }
}

// The pieces of a whole mesh read back as that mesh, point for point and cell for cell.
void expectIdentical(MeshData const& p_read, MeshData const& p_original)
{
    EXPECT_EQ(p_read.points, p_original.points);
    EXPECT_EQ(p_read.connectivity, p_original.connectivity);
    EXPECT_EQ(p_read.offsets, p_original.offsets);
    if (p_original.kind == DatasetKind::UnstructuredGrid) {
        EXPECT_EQ(p_read.cellTypes, p_original.cellTypes);
    }
    ASSERT_EQ(p_read.pointData.size(), p_original.pointData.size());
    ASSERT_EQ(p_read.cellData.size(), p_original.cellData.size());
    for (std::size_t a = 0; a < p_read.pointData.size(); ++a) {
        EXPECT_EQ(p_read.pointData[a].name, p_original.pointData[a].name);
        EXPECT_EQ(p_read.pointData[a].values, p_original.pointData[a].values);
    }
    for (std::size_t a = 0; a < p_read.cellData.size(); ++a) {
        EXPECT_EQ(p_read.cellData[a].name, p_original.cellData[a].name);
        EXPECT_EQ(p_read.cellData[a].values, p_original.cellData[a].values);
    }
}

} // namespace

TEST_F(ParallelVtkFile, PiecesWrittenAndReadBackMakeTheWholeMesh)
{
    MeshData mesh = zev::test::pieceBox(BoxCells::Mixed, 3);
    zev::test::addTracers(mesh);
    std::vector<MeshData> const pieces = split(mesh, 3);
    for (int encoding = 0; encoding < 3; ++encoding) {
        SCOPED_TRACE("encoding " + std::to_string(encoding));
        WriteOptions options;
        options.binary = encoding == 1;
        options.compress = encoding == 2;
        std::vector<std::string> const written = writeParallelFile(pieces, path("box.pvtu"), options);
        EXPECT_EQ(written,
                  (std::vector<std::string>{path("box_0.vtu"), path("box_1.vtu"), path("box_2.vtu")}));

        ParallelFileIndex const index = readParallelFileIndex(path("box.pvtu"));
        EXPECT_EQ(index.kind, DatasetKind::UnstructuredGrid);
        EXPECT_EQ(index.pieces, written);
        ASSERT_EQ(index.pointArrays.size(), 2u);
        EXPECT_EQ(index.pointArrays[1].name, "GlobalNodeIds");
        EXPECT_EQ(index.pointArrays[1].type, ValueType::Int64);
        EXPECT_EQ(index.pointType, ValueType::Double);

        expectIdentical(readMeshFile(path("box.pvtu")), mesh);
    }
    // Merged in memory, the points come in the order first met, the cells in piece order.
    expectSameMesh(mergePieces(pieces), mesh);
    // Pieces that are not the whole mesh keep their order and ids.
    writeParallelFile({pieces[2], pieces[0]}, path("part.pvtu"));
    MeshData const part = readMeshFile(path("part.pvtu"));
    EXPECT_EQ(part.numCells(), pieces[2].numCells() + pieces[0].numCells());
    ASSERT_NE(part.findCellArray("GlobalCellIds"), nullptr);
    EXPECT_EQ(part.findCellArray("GlobalCellIds")->values.front(),
              pieces[2].findCellArray("GlobalCellIds")->values.front());
}

TEST_F(ParallelVtkFile, IndexTextNamesArraysAndRelativePieces)
{
    MeshData mesh = zev::test::quadPatch(2);
    zev::test::addTracers(mesh);
    writeParallelFile(split(mesh, 2), path("patch.pvtp"));
    std::ifstream in(path("patch.pvtp"));
    std::string const text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "<?xml version=\"1.0\"?>\n"
                    "<VTKFile type=\"PPolyData\" version=\"1.0\" byte_order=\"LittleEndian\" "
                    "header_type=\"UInt64\">\n"
                    "  <PPolyData GhostLevel=\"0\">\n"
                    "    <PPointData>\n"
                    "      <PDataArray type=\"Float64\" Name=\"x\" NumberOfComponents=\"1\" />\n"
                    "      <PDataArray type=\"Int64\" Name=\"GlobalNodeIds\" NumberOfComponents=\"1\" />\n"
                    "    </PPointData>\n"
                    "    <PCellData>\n"
                    "      <PDataArray type=\"Int32\" Name=\"cell\" NumberOfComponents=\"1\" />\n"
                    "      <PDataArray type=\"Int64\" Name=\"GlobalCellIds\" NumberOfComponents=\"1\" />\n"
                    "    </PCellData>\n"
                    "    <PPoints>\n"
                    "      <PDataArray type=\"Float32\" NumberOfComponents=\"3\" />\n"
                    "    </PPoints>\n"
                    "    <Piece Source=\"patch_0.vtp\" />\n"
                    "    <Piece Source=\"patch_1.vtp\" />\n"
                    "  </PPolyData>\n"
                    "</VTKFile>\n");
    MeshData const merged = readMeshFile(path("patch.pvtp"));
    EXPECT_EQ(merged.kind, DatasetKind::PolyData);
    expectIdentical(merged, mesh);
}

TEST_F(ParallelVtkFile, OneMeshBecomesOnePiece)
{
    MeshData mesh = zev::test::pieceBox(BoxCells::Tet, 2);
    zev::test::addTracers(mesh);
    writeMeshFile(mesh, path("one.pvtu"));
    EXPECT_TRUE(std::filesystem::exists(path("one_0.vtu")));
    MeshData const back = readMeshFile(path("one.pvtu"));
    // Without global ids every point is kept as it was.
    EXPECT_EQ(back.points, mesh.points);
    EXPECT_EQ(back.connectivity, mesh.connectivity);
    EXPECT_EQ(back.cellTypes, mesh.cellTypes);
    ASSERT_EQ(back.cellData.size(), 1u);
    EXPECT_EQ(back.cellData[0].values, mesh.cellData[0].values);
}

TEST_F(ParallelVtkFile, MalformedIndexesAreLocated)
{
    std::string const head = "<VTKFile type=\"PUnstructuredGrid\" version=\"1.0\"><PUnstructuredGrid>";
    std::string const tail = "</PUnstructuredGrid></VTKFile>";
    struct Case {
        std::string text;
        std::string message;
    };
    std::string const f = path("bad.pvtu");
    Case const cases[] = {
        {"solid cube", f + ":byte 0: not a VTK XML file: it does not start with an XML tag"},
        {"<VTKFile type=\"PUnstructuredGrid\"><PUnstructuredGrid>",
         f + ":byte 52: malformed XML: Start-end tags mismatch"},
        {"<Other/>", f + ": not a VTK XML file: there is no VTKFile element"},
        {"<VTKFile type=\"UnstructuredGrid\"/>", f + ":VTKFile: unsupported parallel data set type "
                                                     "'UnstructuredGrid'; PUnstructuredGrid and PPolyData "
                                                     "are read"},
        {"<VTKFile type=\"PPolyData\"/>", f + ":VTKFile: there is no PPolyData element"},
        {head + tail, f + ":VTKFile/PUnstructuredGrid: the index names no piece"},
        {head + "<Piece Source=\"a.vtu\"/><Piece/>" + tail,
         f + ":VTKFile/PUnstructuredGrid/Piece[1]: the attribute Source is missing"},
        {head + "<Piece Source=\"\"/>" + tail, f + ":VTKFile/PUnstructuredGrid/Piece[0]: Source is empty"},
        {head + "<PPointData><PDataArray type=\"Float64\"/></PPointData><Piece Source=\"a.vtu\"/>" + tail,
         f + ":VTKFile/PUnstructuredGrid/PPointData/PDataArray[0]: the attribute Name is missing"},
        {head + "<PCellData><PDataArray type=\"Real\" Name=\"p\"/></PCellData><Piece Source=\"a.vtu\"/>" +
             tail,
         f + ":VTKFile/PUnstructuredGrid/PCellData/PDataArray[0]: unknown type 'Real'"},
        {head +
             "<PCellData><PDataArray type=\"Int32\" Name=\"p\" NumberOfComponents=\"0\"/></PCellData>"
             "<Piece Source=\"a.vtu\"/>" +
             tail,
         f + ":VTKFile/PUnstructuredGrid/PCellData/PDataArray[0]: NumberOfComponents must be a whole number "
             "from 1, not '0'"},
        {head +
             "<PPoints><PDataArray type=\"Int32\" NumberOfComponents=\"3\"/></PPoints><Piece "
             "Source=\"a.vtu\"/>" +
             tail,
         f + ":VTKFile/PUnstructuredGrid/PPoints: the points must be one Float32 or Float64 array of 3 "
             "components"},
        // A missing piece is reported like any missing file, by the piece's own path.
        {head + "<Piece Source=\"gone_0.vtu\"/>" + tail, path("gone_0.vtu") + ": cannot open the file"},
    };
    for (Case const& c : cases) {
        write("bad.pvtu", c.text);
        try {
            readMeshFile(f);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (FormatError const& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.text;
        }
    }
}

TEST_F(ParallelVtkFile, PiecesMustMatchTheirIndex)
{
    MeshData mesh = zev::test::pieceBox(BoxCells::Hex, 2);
    zev::test::addTracers(mesh);
    std::vector<MeshData> pieces = split(mesh, 2);
    writeParallelFile(pieces, path("box.pvtu"));
    // A piece without an array the index declares.
    MeshData stripped = pieces[1];
    stripped.pointData.erase(stripped.pointData.begin());
    writeMeshFile(stripped, path("box_1.vtu"));
    try {
        readMeshFile(path("box.pvtu"));
        ADD_FAILURE() << "no error for a piece without 'x'";
    } catch (FormatError const& e) {
        EXPECT_EQ(std::string(e.what()), path("box_1.vtu") + ": the index declares the point array 'x' of 1 "
                                                             "components, which the piece does not hold");
    }
    // A surface piece under an unstructured index.
    std::filesystem::rename(path("box_1.vtu"), path("box_1.vtp"));
    writeMeshFile(zev::test::quadPatch(1), path("box_1.vtu"), WriteOptions{FileFormat::XmlPolyData});
    try {
        readMeshFile(path("box.pvtu"));
        ADD_FAILURE() << "no error for a PolyData piece";
    } catch (FormatError const& e) {
        EXPECT_EQ(std::string(e.what()), path("box_1.vtu") +
                                             ":VTKFile: the piece holds PolyData, but its index '" +
                                             path("box.pvtu") + "' is a PUnstructuredGrid");
    }
    // Pieces of different arrays do not merge; nor do ids that are no whole numbers.
    pieces[1].cellData.pop_back();
    EXPECT_THROW(mergePieces(pieces), zev::data::invalid);
    pieces = split(mesh, 2);
    pieces[0].pointData[1].values[0] = 0.5;
    try {
        mergePieces(pieces);
        ADD_FAILURE() << "no error for a fractional id";
    } catch (zev::data::invalid const& e) {
        EXPECT_EQ(
            e.getMessage(),
            "piece 0: its GlobalNodeIds value 0.500000 at point 0 is not a whole number from 0 to 2^53");
    }
    EXPECT_THROW(writeParallelFile(pieces, path("box.vtu")), FormatError);
    // A piece that cannot be written takes the ones before it away.
    std::vector<MeshData> const mixed{zev::test::quadPatch(1), mesh};
    EXPECT_THROW(writeParallelFile(mixed, path("skin.pvtp")), FormatError);
    EXPECT_FALSE(std::filesystem::exists(path("skin_0.vtp")));
    EXPECT_FALSE(std::filesystem::exists(path("skin.pvtp")));
}
