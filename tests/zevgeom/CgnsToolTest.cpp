// zevgeom with CGNS files: a generated box converted to CGNS answers info and integrate as its VTK file
// does and converts back cell for cell; --zone chooses a zone; bad choices and bad files exit with 2 and
// the node named, CGNS options on other files with 1.
#include "tests/zevgeom/ToolRun.h"
#include "tools/zevgeom/Commands.h"
#include "zev/io/MeshFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using namespace zevgeom;

using zevgeomtest::Outcome;
using zevgeomtest::run;

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

} // namespace
