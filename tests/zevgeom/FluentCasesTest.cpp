// Fluent cases written by OpenFOAM's converters (tests/io/corpus/fluent, made by its regenerate.sh, the
// binary one by binary.py) give the figures VTK's Fluent reader gives for them (reference.json, made by
// reference.py): cells by type, volume, the fields' volume integrals and ranges; and the face zones the
// areas and face-value integrals VTK's OpenFOAM reader gives the patches they were converted from.
#include "tests/zevgeom/ToolRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

using namespace zevgeomtest;
using Json = nlohmann::ordered_json;

std::string const s_fluent = std::string(ZEVGEOM_CORPUS_DIR) + "/../../io/corpus/fluent/";

Json reference()
{
    return readJson(s_fluent + "reference.json");
}

TEST(FluentCases, GiveThePeerReadersFigures)
{
    Json const ref = reference();
    std::map<std::string, std::string> const files = {{"cavity", "cavity.cas"},
                                                      {"cavity-binary", "cavity.cas"},
                                                      {"cavity-gz.cas.gz", "cavity.cas"},
                                                      {"mixed", "mixed.cas"}};
    for (auto const& [name, figuresOf] : files) {
        std::string const path = s_fluent + (name.find('.') == std::string::npos ? name + ".cas" : name);
        Json const& figures = ref["cases"][figuresOf.substr(0, figuresOf.size() - 4)];
        SCOPED_TRACE(path);
        Json const info = runJson({"info", path});
        ASSERT_FALSE(info.is_null());
        EXPECT_EQ(info["elements"]["total"], figures["cells"]);
        // The peer turns the mixed case's prisms inside-out: the solver's own cell volumes hold.
        double const volume = figures.contains("solverVolume") ? figures["solverVolume"].get<double>()
                                                               : figures["volume"].get<double>();
        expectClose(info["volume"].get<double>(), volume, volume, "volume");

        std::map<std::string, double> areas;
        std::map<std::string, int> faces;
        for (Json const& set : info["faces"]["sets"]) {
            areas[set["label"].get<std::string>()] += set["area"].get<double>();
            faces[set["label"].get<std::string>()] += set["count"].get<int>();
        }
        for (auto const& [patch, values] : figures["patches"].items()) {
            EXPECT_EQ(faces[patch], values["faces"].get<int>()) << patch;
            double const area = values["area"].get<double>();
            expectClose(areas[patch], area, area, "area of " + patch);
        }

        // Each scalar field over the volume and over every face zone, one run each.
        for (auto const& [array, values] : figures["cellArrays"].items()) {
            if (values["components"] != 1) {
                continue;
            }
            std::vector<std::string> args = {"integrate", path};
            for (auto const& [patch, patchValues] : figures["patches"].items()) {
                args.insert(args.end(), {"--over", patch});
            }
            args.insert(args.end(), {"--over", "volume", "--var", array});
            Json const rows = runJson(args);
            ASSERT_TRUE(rows.is_array());
            double const scale = std::max(std::fabs(values["min"][0].get<double>()),
                                          std::fabs(values["max"][0].get<double>()));
            std::size_t row = 0;
            for (auto const& [patch, patchValues] : figures["patches"].items()) {
                double const area = patchValues["area"].get<double>();
                if (patchValues["areaIntegrals"].contains(array)) {
                    double const peer = patchValues["areaIntegrals"][array].get<double>();
                    expectClose(rows[row]["integral"].get<double>(), peer,
                                std::max(scale, std::fabs(peer) / area) * area, array + " over " + patch);
                }
                ++row;
            }
            if (!figures.contains("solverVolume")) {
                expectClose(rows[row]["integral"].get<double>(), values["volumeIntegral"][0].get<double>(),
                            scale * volume, "volume integral of " + array);
            }
        }
        // Ranges do not depend on the volumes: every field's, component by component for vectors.
        for (Json const& v : info["variables"]) {
            if (v["location"] != "element" || !figures["cellArrays"].contains(v["name"].get<std::string>())) {
                continue;
            }
            Json const& values = figures["cellArrays"][v["name"].get<std::string>()];
            if (values["components"] == 1) {
                expectClose(v["min"].get<double>(), values["min"][0].get<double>(), 0,
                            v["name"].get<std::string>());
                expectClose(v["max"].get<double>(), values["max"][0].get<double>(), 0,
                            v["name"].get<std::string>());
            }
        }
    }
}

TEST(FluentCases, MshFilesDataFilesAndRefusals)
{
    namespace fs = std::filesystem;
    fs::path const dir = fs::temp_directory_path() /
                         ("zev-fluent-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(dir);
    // A Fluent .msh is told from a gmsh one by its first bytes; without a data file beside it there are
    // no fields, and --data names one.
    fs::copy_file(s_fluent + "cavity.cas", dir / "cavity.msh", fs::copy_options::overwrite_existing);
    Outcome const bare = run({"info", (dir / "cavity.msh").string()});
    EXPECT_EQ(bare.code, 0) << bare.err;
    EXPECT_EQ(bare.out.find("PRESSURE"), std::string::npos);
    Json const withData = runJson({"integrate", (dir / "cavity.msh").string(), "--data",
                                   s_fluent + "cavity-binary.dat", "--var", "PRESSURE"});
    Json const beside = runJson({"integrate", s_fluent + "cavity.cas", "--var", "PRESSURE"});
    ASSERT_FALSE(withData.is_null());
    EXPECT_EQ(withData["integral"], beside["integral"]);

    Outcome const notFluent =
        run({"info", std::string(ZEVGEOM_CORPUS_DIR) + "/../../io/corpus/gmsh/box.vtk", "--data", "x.dat"});
    EXPECT_EQ(notFluent.code, 1);
    EXPECT_NE(notFluent.err.find("--data names the data file of a Fluent case"), std::string::npos)
        << notFluent.err;
    std::ofstream(dir / "case.cas.h5") << "\x89HDF\r\n";
    Outcome const h5 = run({"info", (dir / "case.cas.h5").string()});
    EXPECT_EQ(h5.code, 2);
    EXPECT_NE(h5.err.find("HDF5-based Fluent files (.cas.h5, .dat.h5) are not read"), std::string::npos)
        << h5.err;
    fs::remove_all(dir);
}

} // namespace
