// OpenFOAM cases written by OpenFOAM itself (tests/io/corpus/foam, made by its regenerate.sh) give the
// figures VTK's own OpenFOAM reader gives for them (reference.json, made by reference.py): cell counts,
// volumes, zone volumes, patch areas, field integrals over the volume and over each patch, and fluxes,
// at every written time.
#include "tests/zevgeom/ToolRun.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

using namespace zevgeomtest;
using Json = nlohmann::ordered_json;

std::string const s_foam = std::string(ZEVGEOM_CORPUS_DIR) + "/../../io/corpus/foam/";

Json reference()
{
    return readJson(s_foam + "reference.json");
}

TEST(OpenFoamCases, GiveThePeerReadersFiguresAtEveryTime)
{
    Json const ref = reference();
    for (auto const& [name, foamCase] : ref["cases"].items()) {
        for (Json const& at : foamCase["times"]) {
            std::string const time = timeName(at["time"].get<double>());
            SCOPED_TRACE(name + " at " + time);
            std::string const path = s_foam + name;
            Json const& internal = at["internal"];
            Json const info = runJson({"info", path, "--time", time});
            ASSERT_FALSE(info.is_null());
            EXPECT_EQ(info["vertices"], internal["points"]);
            EXPECT_EQ(info["elements"]["total"], internal["cells"]);
            double const volume = internal["volume"].get<double>();
            expectClose(info["volume"].get<double>(), volume, volume, "volume");

            // Sets by label: the patches' areas and the cell zones' volumes.
            std::map<std::string, double> areas, volumes;
            std::map<std::string, int> faces;
            for (Json const& set : info["faces"]["sets"]) {
                areas[set["label"].get<std::string>()] += set["area"].get<double>();
                faces[set["label"].get<std::string>()] += set["count"].get<int>();
            }
            for (Json const& set : info["elements"]["sets"]) {
                if (set.contains("label")) {
                    volumes[set["label"].get<std::string>()] += set["volume"].get<double>();
                }
            }
            if (at.contains("zones") && at["zones"].contains("cellZones")) {
                for (auto const& [zone, figures] : at["zones"]["cellZones"].items()) {
                    expectClose(volumes[zone], figures["volume"].get<double>(), volume, "zone " + zone);
                }
            }

            for (auto const& [patch, figures] : at["patches"].items()) {
                double const area = figures["area"].get<double>();
                EXPECT_EQ(faces[patch], figures["faces"].get<int>()) << patch;
                expectClose(areas[patch], area, area, "area of " + patch);
            }

            // Each scalar field over the volume and over every patch in one run, one row each; each
            // vector field's flux through every patch likewise.
            for (auto const& [array, figures] : internal["cellArrays"].items()) {
                std::vector<std::string> args = {"integrate", path, "--time", time};
                for (auto const& [patch, values] : at["patches"].items()) {
                    args.insert(args.end(), {"--over", patch});
                }
                if (figures["components"] == 3 &&
                    at["patches"].begin().value()["cellArrays"][array].contains("flux")) {
                    args.insert(args.end(), {"--flux", array});
                    Json const rows = runJson(args);
                    std::size_t row = 0;
                    for (auto const& [patch, values] : at["patches"].items()) {
                        Json const& v = values["cellArrays"][array];
                        double const size =
                            std::hypot(v["areaIntegral"][0].get<double>(), v["areaIntegral"][1].get<double>(),
                                       v["areaIntegral"][2].get<double>());
                        expectClose(rows[row++]["flux"].get<double>(), v["flux"].get<double>(),
                                    size + values["area"].get<double>(),
                                    "flux of " + array + " through " + patch);
                    }
                    continue;
                }
                if (figures["components"] != 1) {
                    continue;
                }
                double const scale = std::max(std::fabs(figures["min"][0].get<double>()),
                                              std::fabs(figures["max"][0].get<double>()));
                args.insert(args.end(), {"--over", "volume", "--var", array});
                Json const rows = runJson(args);
                ASSERT_TRUE(rows.is_array());
                std::size_t row = 0;
                for (auto const& [patch, values] : at["patches"].items()) {
                    double const peer = values["cellArrays"][array]["areaIntegral"][0].get<double>();
                    double const area = values["area"].get<double>();
                    expectClose(rows[row++]["integral"].get<double>(), peer,
                                std::max(scale, std::fabs(peer) / area) * area, array + " over " + patch);
                }
                expectClose(rows[row]["integral"].get<double>(), figures["volumeIntegral"][0].get<double>(),
                            scale * volume, "volume integral of " + array);
            }
        }
    }
}

TEST(OpenFoamCases, AreNamedByFolderFoamFileOrControlDict)
{
    Json const byFolder = runJson({"info", s_foam + "cavity"});
    for (std::string const& path : {s_foam + "cavity/cavity.foam", s_foam + "cavity/system/controlDict"}) {
        SCOPED_TRACE(path);
        Json info = runJson({"info", path});
        ASSERT_FALSE(info.is_null());
        info["mesh"] = byFolder["mesh"];
        EXPECT_EQ(info, byFolder);
    }
    // The default time is the latest; first and a value choose others, and a missing time is named.
    Outcome const latest = run({"integrate", s_foam + "cavity", "--var", "p", "--json"});
    Outcome const byValue = run({"integrate", s_foam + "cavity", "--var", "p", "--json", "--time", "0.50"});
    EXPECT_EQ(latest.out, byValue.out);
    EXPECT_EQ(latest.err, "zevgeom: note: read the time 0.5 of the 3 written times 0 to 0.5\n");
    Json const first = runJson({"integrate", s_foam + "cavity", "--var", "p", "--time", "first"});
    EXPECT_EQ(first["integral"], 0.0);
    Outcome const missing = run({"info", s_foam + "cavity", "--time", "0.3"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("no time '0.3' in "), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("(times: 0, 0.25, 0.5)"), std::string::npos) << missing.err;
    Outcome const notFoam =
        run({"info", std::string(ZEVGEOM_CORPUS_DIR) + "/../../io/corpus/gmsh/box.vtk", "--time", "1"});
    EXPECT_EQ(notFoam.code, 1);
    EXPECT_NE(notFoam.err.find("--time chooses a written time of an OpenFOAM case"), std::string::npos);
}

TEST(OpenFoamCases, PointDataAveragesTheCellsAroundEachVertex)
{
    // Cx is the cell centres' x: on the uniform cavity grid the mean of the cells around a vertex is the
    // vertex's own x inside, and a quarter cell width inwards on the walls.
    Json const info = runJson({"info", s_foam + "cavity", "--point-data"});
    bool found = false;
    for (Json const& v : info["variables"]) {
        if (v["name"] == "Cx" && v["location"] == "vertex") {
            found = true;
            EXPECT_NEAR(v["min"].get<double>(), 0.0025, 1e-8);
            EXPECT_NEAR(v["max"].get<double>(), 0.0975, 1e-8);
        }
    }
    EXPECT_TRUE(found) << info.dump();
    // A slice through the first column of cell centres: the cells there hold 0.0025, the vertex values
    // (0.0025 on the wall, 0.005 a cell further) meet halfway.
    for (bool pointData : {false, true}) {
        std::vector<std::string> args = {"slice", s_foam + "cavity", "--plane", "0.0025,0,0,1,0,0", "--var",
                                         "Cx"};
        if (pointData) {
            args.push_back("--point-data");
        }
        Json const slice = runJson(args);
        ASSERT_FALSE(slice.is_null());
        EXPECT_NEAR(slice["average"].get<double>(), pointData ? 0.00375 : 0.0025, 1e-8) << slice.dump();
    }
}

} // namespace

namespace {

TEST(OpenFoamCases, AFifoInACaseIsRefusedWithoutWaiting)
{
    char folder[] = "/tmp/zev-foam-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    std::string const root = folder;
    std::string const mesh = root + "/constant/polyMesh";
    ASSERT_EQ(
        std::system(("mkdir -p " + mesh + " && cp " + s_foam + "cavity/constant/polyMesh/* " + mesh).c_str()),
        0);
    ASSERT_EQ(::unlink((mesh + "/points").c_str()), 0);
    ASSERT_EQ(::mkfifo((mesh + "/points").c_str(), 0600), 0);
    Outcome const o = run({"info", root});
    EXPECT_EQ(o.code, 2);
    EXPECT_NE(o.err.find("points: is not a regular file"), std::string::npos) << o.err;
    std::system(("rm -rf " + root).c_str());
}

} // namespace

namespace {

// A case kept only as its processor folders reads as the whole case it was split from: the same points,
// cells in the same order, the same patches and fields.
TEST(OpenFoamCases, ADecomposedCaseReadsAsTheCaseItWasSplitFrom)
{
    std::vector<std::vector<std::string>> const questions = {
        {"info"},
        {"integrate", "--var", "p", "--over", "volume", "--over", "movingWall"},
        {"integrate", "--flux", "U", "--over", "fixedWalls"},
        {"probe", "--var", "p", "--at", "0.03,0.07,0.005", "--at", "0.0999,0.001,0.001"},
        {"slice", "--plane", "0.05,0.05,0.005,1,1,0", "--var", "Cx", "--point-data"}};
    for (std::vector<std::string> const& question : questions) {
        SCOPED_TRACE(question.front());
        std::vector<std::string> whole = question, parts = question;
        whole.insert(whole.begin() + 1, s_foam + "cavity");
        parts.insert(parts.begin() + 1, s_foam + "cavity-decomposed");
        Json ofWhole = runJson(whole), ofParts = runJson(parts);
        ASSERT_FALSE(ofParts.is_null());
        for (Json* doc : {&ofWhole, &ofParts}) {
            if (doc->is_array()) {
                for (Json& row : *doc) {
                    row.erase("mesh");
                }
            } else {
                doc->erase("mesh");
            }
        }
        EXPECT_EQ(ofParts, ofWhole);
    }
    Outcome const o = run({"info", s_foam + "cavity-decomposed"});
    EXPECT_EQ(o.err.substr(0, o.err.find('\n')),
              "zevgeom: note: read the decomposed case from its 3 processor folders");

    // Parts that claim one cell twice are refused, naming the part's file.
    char folder[] = "/tmp/zev-foam-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    std::string const root = folder;
    std::string const cells = root + "/processor1/constant/polyMesh/cellProcAddressing";
    std::string const copy =
        "cp -r " + s_foam + "cavity-decomposed/. " + root + " && sed -i '0,/^6$/s//0/' " + cells;
    ASSERT_EQ(std::system(copy.c_str()), 0);
    Outcome const twice = run({"info", root});
    EXPECT_EQ(twice.code, 2);
    EXPECT_NE(twice.err.find(cells + ": the global cell 0 is not one of 0 to 399 or is claimed twice"),
              std::string::npos)
        << twice.err;
    std::system(("rm -rf " + root).c_str());
}

} // namespace
