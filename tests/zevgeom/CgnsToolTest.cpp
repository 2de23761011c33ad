// zevgeom with CGNS files: a generated box converted to CGNS answers info and integrate as its VTK file
// does and converts back cell for cell; the same box written through the CGNS library with sections named
// by cell type answers every command as the VTK file does; --zone chooses a zone; bad choices and bad
// files exit with 2 and the node named, CGNS options on other files with 1.
#include "tests/zevgeom/ToolRun.h"
#include "tools/zevgeom/Commands.h"
#include "zev/io/MeshFile.h"

#include <cgnslib.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using namespace zevgeom;

using zevgeomtest::Outcome;
using zevgeomtest::run;

struct CgnsType {
    zev::io::VtkCellType vtk;
    CGNS_ENUMT(ElementType_t) cgns;
    char const* section;
};
CgnsType const s_types[] = {{zev::io::VtkCellType::Tetra, CGNS_ENUMV(TETRA_4), "Tets"},
                            {zev::io::VtkCellType::Pyramid, CGNS_ENUMV(PYRA_5), "Pyramids"},
                            {zev::io::VtkCellType::Wedge, CGNS_ENUMV(PENTA_6), "Prisms"},
                            {zev::io::VtkCellType::Hexahedron, CGNS_ENUMV(HEXA_8), "Hexes"}};

// Writes the volume cells and point and cell arrays of p_mesh through the CGNS library's own calls: one
// section per cell type in the order the types first come, named after the type, cells in file order.
// A wedge's corners go in the standard's order (its first triangle turned round from VTK's), or as VTK
// has them with p_vtkWedges.
void writeThroughCgns(zev::io::MeshData const& p_mesh, std::string const& p_path, bool p_vtkWedges = false)
{
    auto ok = [](int p_status) { ASSERT_EQ(p_status, CG_OK) << cg_get_error(); };
    std::vector<CgnsType const*> order;
    std::map<zev::io::VtkCellType, std::vector<std::size_t>> cells;
    for (std::size_t c = 0; c < p_mesh.numCells(); ++c) {
        auto const type = std::find_if(std::begin(s_types), std::end(s_types),
                                       [&](CgnsType const& t) { return t.vtk == p_mesh.cellTypes[c]; });
        ASSERT_NE(type, std::end(s_types));
        if (cells[type->vtk].empty()) {
            order.push_back(type);
        }
        cells[type->vtk].push_back(c);
    }
    int fn = 0, base = 0, zone = 0, index = 0;
    ok(cg_open(p_path.c_str(), CG_MODE_WRITE, &fn));
    ok(cg_base_write(fn, "Base", 3, 3, &base));
    cgsize_t size[3] = {static_cast<cgsize_t>(p_mesh.numPoints()), static_cast<cgsize_t>(p_mesh.numCells()),
                        0};
    ok(cg_zone_write(fn, base, "Box", size, CGNS_ENUMV(Unstructured), &zone));
    char const* const axes[3] = {"CoordinateX", "CoordinateY", "CoordinateZ"};
    for (int a = 0; a < 3; ++a) {
        std::vector<double> c;
        for (std::size_t i = 0; i < p_mesh.numPoints(); ++i) {
            c.push_back(p_mesh.points[3 * i + a]);
        }
        ok(cg_coord_write(fn, base, zone, CGNS_ENUMV(RealDouble), axes[a], c.data(), &index));
    }
    std::vector<std::size_t> byElement; // the file's cell of each CGNS element
    for (CgnsType const* type : order) {
        std::vector<cgsize_t> conn;
        for (std::size_t c : cells[type->vtk]) {
            std::vector<int> ids(p_mesh.cellPoints(c), p_mesh.cellPoints(c) + p_mesh.cellSize(c));
            if (type->vtk == zev::io::VtkCellType::Wedge && !p_vtkWedges) {
                ids = {ids[0], ids[2], ids[1], ids[3], ids[5], ids[4]};
            }
            for (int id : ids) {
                conn.push_back(id + 1);
            }
            byElement.push_back(c);
        }
        cgsize_t const first = static_cast<cgsize_t>(byElement.size() - cells[type->vtk].size() + 1);
        ok(cg_section_write(fn, base, zone, type->section, type->cgns, first,
                            static_cast<cgsize_t>(byElement.size()), 0, conn.data(), &index));
    }
    for (bool const cell : {false, true}) {
        int sol = 0;
        ok(cg_sol_write(fn, base, zone, cell ? "FlowSolutionCC" : "FlowSolution",
                        cell ? CGNS_ENUMV(CellCenter) : CGNS_ENUMV(Vertex), &sol));
        for (zev::io::DataArray const& array : cell ? p_mesh.cellData : p_mesh.pointData) {
            for (int k = 0; k < array.numComponents; ++k) {
                std::vector<double> values;
                for (std::size_t i = 0; i < array.numTuples(); ++i) {
                    std::size_t const tuple = cell ? byElement[i] : i;
                    values.push_back(array.values[tuple * static_cast<std::size_t>(array.numComponents) +
                                                  static_cast<std::size_t>(k)]);
                }
                std::string const name = array.numComponents == 3 ? array.name + "XYZ"[k] : array.name;
                ok(cg_field_write(fn, base, zone, sol, CGNS_ENUMV(RealDouble), name.c_str(), values.data(),
                                  &index));
            }
        }
    }
    ok(cg_close(fn));
}

// A report without what names the mesh file and without the sets' labels.
nlohmann::ordered_json withoutSourceNames(nlohmann::ordered_json p_doc)
{
    p_doc.erase("mesh");
    for (char const* kind : {"elements", "faces"}) {
        if (p_doc.contains(kind) && p_doc[kind].is_object() && p_doc[kind].contains("sets")) {
            for (auto& set : p_doc[kind]["sets"]) {
                set.erase("label");
            }
        }
    }
    return p_doc;
}

// The report without its first row, which names the mesh file.
std::string withoutMeshRow(std::string const& p_report)
{
    return p_report.substr(p_report.find('\n') + 1);
}

TEST(ZevgeomCgns, ConvertedBoxAnswersAsItsVtkFile)
{
    std::string const stem = "/tmp/zevgeom_cgns_" + std::to_string(::getpid());
    std::string const vtk = stem + ".vtk", cgns = stem + ".cgns", back = stem + "_back.vtk";
    ASSERT_EQ(run({"generate", "mixed", "--n", "3", "-o", vtk}).code, 0);
    Outcome const converted = run({"convert", vtk, cgns});
    ASSERT_EQ(converted.code, 0) << converted.err;

    for (std::vector<std::string> question : {std::vector<std::string>{"info"},
                                              {"integrate", "--var", "pressure"},
                                              {"integrate", "--var", "velocity", "--over", "boundary"},
                                              {"integrate", "--var", "region"}}) {
        std::vector<std::string> a = question, b = question;
        a.insert(a.begin() + 1, vtk);
        b.insert(b.begin() + 1, cgns);
        Outcome const fromVtk = run(a), fromCgns = run(b);
        ASSERT_EQ(fromCgns.code, 0) << fromCgns.err;
        EXPECT_EQ(withoutMeshRow(fromVtk.out), withoutMeshRow(fromCgns.out)) << question[0];
    }
    Outcome const zone = run({"info", cgns, "--zone", "1", "--base", "Base", "--json"});
    EXPECT_EQ(zone.code, 0) << zone.err;

    ASSERT_EQ(run({"convert", cgns, back}).code, 0);
    zev::io::MeshData const original = zev::io::readMeshFile(vtk);
    zev::io::MeshData const again = zev::io::readMeshFile(back);
    EXPECT_EQ(original.points, again.points);
    EXPECT_EQ(original.numCells(), again.numCells());

    Outcome const missing = run({"info", cgns, "--zone", "Nozzle"});
    EXPECT_EQ(missing.code, s_exitFile);
    EXPECT_EQ(missing.err, "zevgeom: " + cgns + ": /Base: no zone 'Nozzle' (the base has 1 zone)\n");
    Outcome const step = run({"integrate", cgns, "--var", "pressure", "--solution", "7"});
    EXPECT_EQ(step.code, s_exitFile);
    EXPECT_EQ(step.err, "zevgeom: " + cgns + ": /Base/Zone: no solution '7' (the zone has 2 solutions)\n");
    Outcome const notCgns = run({"info", vtk, "--zone", "1"});
    EXPECT_EQ(notCgns.code, s_exitUsage);
    EXPECT_NE(notCgns.err.find("--base, --zone and --solution choose within a CGNS file"), std::string::npos);

    std::ofstream(cgns) << "not a CGNS file at all\n";
    Outcome const bad = run({"info", cgns});
    EXPECT_EQ(bad.code, s_exitFile);
    EXPECT_EQ(bad.err, "zevgeom: " + cgns + ": not a CGNS file\n");
    for (std::string const& path : {vtk, cgns, back}) {
        std::remove(path.c_str());
    }
}

TEST(ZevgeomCgns, SectionsNamedByTheFileAnswerEveryCommandAsTheVtkFile)
{
    // Search, cutting and line queries walk the element sets by their index names: a CGNS file whose
    // sections carry their own names must answer as the same cells from VTK, set names included.
    std::string const stem = "/tmp/zevgeom_cgns_named_" + std::to_string(::getpid());
    std::string const vtk = stem + ".vtk", cgns = stem + ".cgns", mirrored = stem + "_mirrored.cgns";
    ASSERT_EQ(run({"generate", "mixed", "--n", "3", "-o", vtk}).code, 0);
    zev::io::MeshData const box = zev::io::readMeshFile(vtk);
    writeThroughCgns(box, cgns);
    writeThroughCgns(box, mirrored, true);

    std::vector<std::vector<std::string>> const questions{
        {"info"},
        {"integrate", "--var", "pressure"},
        {"integrate", "--var", "region"},
        {"slice", "--plane", "0.5,0.5,0.5,1,2,3", "--var", "pressure"},
        {"iso", "--iso-var", "linear", "--value", "5", "--var", "pressure"},
        {"select", "--plane", "0.4,0.4,0.4,0,0,1", "--side", "above", "--var", "pressure"},
        {"probe", "--at", "0.5,0.5,0.5", "--at", "0.1,0.9,0.2", "--at", "2,0,0", "--var", "linear"},
        {"line", "--from", "0.3,-1,0.6", "--to", "0.3,2,0.6", "--var", "linear"},
        {"sample", "--method", "random", "--count", "20", "--seed", "3", "--var", "pressure"},
    };
    for (std::vector<std::string> const& question : questions) {
        std::vector<std::string> a = question, b = question;
        a.insert(a.begin() + 1, vtk);
        b.insert(b.begin() + 1, cgns);
        EXPECT_EQ(withoutSourceNames(zevgeomtest::runJson(b)).dump(1),
                  withoutSourceNames(zevgeomtest::runJson(a)).dump(1))
            << question[0];
    }

    // info names each set with its label; a section whose wedges run VTK's way round is named once as
    // wholly inverted.
    Outcome const info = run({"info", cgns});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_EQ(info.err, "");
    std::vector<std::string> types;
    for (zev::io::VtkCellType t : box.cellTypes) {
        if (std::find(types.begin(), types.end(), zev::io::cellTypeName(t)) == types.end()) {
            types.push_back(zev::io::cellTypeName(t));
        }
    }
    std::size_t const wedgeSet =
        static_cast<std::size_t>(std::find(types.begin(), types.end(), std::string("wedge")) - types.begin());
    ASSERT_LT(wedgeSet, types.size());
    EXPECT_NE(info.out.find("\nES" + std::to_string(wedgeSet + 1) + "  Prisms "), std::string::npos)
        << info.out;
    Outcome const inverted = run({"info", mirrored});
    ASSERT_EQ(inverted.code, 0) << inverted.err;
    std::size_t const wedges = static_cast<std::size_t>(
        std::count(box.cellTypes.begin(), box.cellTypes.end(), zev::io::VtkCellType::Wedge));
    EXPECT_EQ(inverted.err, "zevgeom: warning: all " + std::to_string(wedges) + " elements of the set ES" +
                                std::to_string(wedgeSet + 1) +
                                " (Prisms) are inverted (negative volume) and counted as they are\n");
    for (std::string const& path : {vtk, cgns, mirrored}) {
        std::remove(path.c_str());
    }
}

} // namespace
