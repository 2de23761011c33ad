// zevgeom partition: pieces that read back as the whole mesh (the figures of info unchanged), the report,
// and the usage errors.
#ifdef ZEVGEOM_PARALLEL

#include "tests/zevgeom/ToolRun.h"
#include "tools/zevgeom/Commands.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using zevgeomtest::Outcome;
using zevgeomtest::run;
using zevgeomtest::runJson;

class ZevgeomPartition : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = ::testing::TempDir() + "zevgeom-partition-" + std::to_string(getpid()) + "/";
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string path(std::string const& p_name) const { return m_dir + p_name; }

    std::string m_dir;
};

// info's figures of the pieces read back equal the original's: counts exactly, measures to 1e-12.
void expectSameInfo(nlohmann::ordered_json const& p_pieces, nlohmann::ordered_json const& p_whole)
{
    EXPECT_EQ(p_pieces["vertices"], p_whole["vertices"]);
    EXPECT_EQ(p_pieces["elements"], p_whole["elements"]);
    EXPECT_EQ(p_pieces["faces"], p_whole["faces"]);
    EXPECT_EQ(p_pieces["boundingBox"], p_whole["boundingBox"]);
    for (char const* measure : {"volume", "boundaryArea"}) {
        double const a = p_pieces[measure].get<double>();
        double const b = p_whole[measure].get<double>();
        EXPECT_NEAR(a, b, 1e-12 * std::abs(b)) << measure;
    }
}

TEST_F(ZevgeomPartition, PiecesReadBackAsTheWholeMesh)
{
    struct Case {
        char const* kind;
        char const* parts;
        char const* encoding;
    };
    for (Case const& c :
         {Case{"mixed", "3", "--ascii"}, Case{"tet", "2", "--binary"}, Case{"hex", "4", "--compress"}}) {
        SCOPED_TRACE(std::string(c.kind) + " in " + c.parts);
        std::string const mesh = path(std::string(c.kind) + ".vtk");
        ASSERT_EQ(run({"generate", c.kind, "--n", "4", "-o", mesh}).code, 0);
        std::string const out = path(std::string(c.kind) + ".pvtu");
        nlohmann::ordered_json const report =
            runJson({"partition", mesh, "--parts", c.parts, "-o", out, c.encoding});
        ASSERT_EQ(report["pieces"].size(), std::size_t(std::stoi(c.parts)));
        std::size_t cells = 0;
        std::size_t points = 0;
        for (std::size_t p = 0; p < report["pieces"].size(); ++p) {
            std::string const file = report["pieces"][p]["file"];
            EXPECT_EQ(file, path(std::string(c.kind) + "_" + std::to_string(p) + ".vtu"));
            EXPECT_TRUE(std::filesystem::exists(file));
            EXPECT_GT(report["pieces"][p]["cells"].get<std::size_t>(), 0u);
            cells += report["pieces"][p]["cells"].get<std::size_t>();
            points += report["pieces"][p]["points"].get<std::size_t>();
        }
        EXPECT_EQ(cells, report["cells"].get<std::size_t>());
        EXPECT_GT(points, report["points"].get<std::size_t>());
        EXPECT_GT(report["interfaceFaces"].get<std::size_t>(), 0u);
        expectSameInfo(runJson({"info", out}), runJson({"info", mesh}));
    }
}

TEST_F(ZevgeomPartition, SurfacePiecesAndTheReport)
{
    std::string const surface = path("skin.vtp");
    ASSERT_EQ(run({"boundary", "-o", surface}).code, 0);
    Outcome const r = run({"partition", surface, "--parts", "2", "-o", path("skin.pvtp")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(path("skin_1.vtp")));
    EXPECT_EQ(r.out.find("read"), 0u) << r.out;
    EXPECT_NE(r.out.find("interface edges"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("piece  file"), std::string::npos) << r.out;
    expectSameInfo(runJson({"info", path("skin.pvtp")}), runJson({"info", surface}));
}

TEST_F(ZevgeomPartition, AFailedRewriteLeavesTheOldPiecesAndIndex)
{
    // Pieces and index are committed together: a third piece that cannot be written (its name is taken by
    // a folder) leaves the two old pieces and their index as they were, and no temporary file.
    std::string const mesh = path("box.vtk"), out = path("p.pvtu");
    ASSERT_EQ(run({"generate", "hex", "--n", "2", "-o", mesh}).code, 0);
    ASSERT_EQ(run({"partition", mesh, "--parts", "2", "-o", out}).code, 0);
    auto contents = [&] {
        std::vector<std::string> files;
        for (auto const& entry : std::filesystem::directory_iterator(m_dir)) {
            if (entry.is_directory()) {
                files.push_back(entry.path().filename().string() + "/");
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            files.push_back(entry.path().filename().string() + ":" +
                            std::string(std::istreambuf_iterator<char>(in), {}));
        }
        std::sort(files.begin(), files.end());
        return files;
    };
    std::filesystem::create_directory(path("p_2.vtu"));
    std::vector<std::string> const before = contents();
    Outcome const failed = run({"partition", mesh, "--parts", "3", "-o", out});
    EXPECT_EQ(failed.code, 2);
    EXPECT_EQ(failed.err, "zevgeom: " + path("p_2.vtu") + ": cannot create the file: it is a directory\n");
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(runJson({"info", out})["elements"]["total"], 8);
}

TEST_F(ZevgeomPartition, UsageErrors)
{
    std::string const mesh = path("box.vtk");
    ASSERT_EQ(run({"generate", "hex", "--n", "2", "-o", mesh}).code, 0);
    std::string const out = path("out.pvtu");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    Case const cases[] = {
        {{"partition", "--parts", "2", "-o", out},
         1,
         "partition needs the mesh file: zevgeom partition MESH --parts N -o OUT.pvtu"},
        {{"partition", mesh, "-o", out}, 1, "partition needs the number of pieces: --parts N"},
        {{"partition", mesh, "--parts", "0", "-o", out}, 1, "--parts must be at least 1, not 0"},
        {{"partition", mesh, "--parts", "2x", "-o", out}, 1, "--parts takes a whole number, not '2x'"},
        {{"partition", mesh, "--parts", "2"}, 1, "partition needs the index file to write: -o OUT.pvtu"},
        {{"partition", mesh, "--parts", "2", "-o", path("out.vtu")},
         1,
         "-o names the index of the pieces, OUT.pvtu (any cells) or OUT.pvtp (lines and surfaces), not '" +
             path("out.vtu") + "'"},
        {{"partition", mesh, "--parts", "2", "-o", out, "--ascii", "--compress"},
         1,
         "--ascii cannot go with --binary or --compress"},
        {{"partition", mesh, "--parts", "9", "-o", out},
         1,
         "--parts 9 is more than the 8 cells of '" + mesh + "'; every piece needs a cell"},
        {{"partition", mesh, "--parts", "2", "-o", path("out.pvtp")},
         1,
         "'" + mesh + "' has volume cells; its pieces are written as OUT.pvtu, not .pvtp"},
        {{"partition", path("none.vtk"), "--parts", "2", "-o", out},
         2,
         path("none.vtk") + ": cannot open the file"},
    };
    for (Case const& c : cases) {
        Outcome const r = run(c.args);
        EXPECT_EQ(r.code, c.code) << c.message;
        EXPECT_EQ(r.err.find("zevgeom: " + c.message + "\n"), 0u) << r.err;
    }
    // Nothing is written when the command is refused.
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(path("out_0.vtu")));
}

} // namespace

#endif
