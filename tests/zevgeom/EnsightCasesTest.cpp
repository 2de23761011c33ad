// EnSight Gold cases written by OpenFOAM's converter (tests/io/corpus/ensight, made by its regenerate.sh)
// give the figures VTK's EnSight reader gives for them (reference.json, made by reference.py): points,
// cells, the volume, each part's cells and area, and the integrals of the scalar variables over the volume
// and over every surface part, per element and per node, at every time value.
#include "tests/zevgeom/ToolRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

using namespace zevgeomtest;
using Json = nlohmann::ordered_json;

std::string const s_ensight = std::string(ZEVGEOM_CORPUS_DIR) + "/../../io/corpus/ensight/";

Json reference()
{
    return readJson(s_ensight + "reference.json");
}

bool isVolumePart(Json const& p_part)
{
    for (auto const& [type, count] : p_part["types"].items()) {
        if (type == "vtkTetra" || type == "vtkPyramid" || type == "vtkWedge" || type == "vtkHexahedron" ||
            type == "vtkPolyhedron") {
            return true;
        }
    }
    return false;
}

TEST(EnsightCases, GiveThePeerReadersFiguresAtEveryTime)
{
    Json const ref = reference();
    ASSERT_GE(ref["cases"].size(), 8u);
    for (auto const& [name, ensightCase] : ref["cases"].items()) {
        std::string const path = s_ensight + ensightCase["case"].get<std::string>();
        for (Json const& at : ensightCase["times"]) {
            std::string const time = timeName(at["time"].get<double>());
            SCOPED_TRACE(name + " at " + time);
            Json const info = runJson({"info", path, "--time", time});
            ASSERT_FALSE(info.is_null());
            int points = 0;
            double volume = 0;
            long long cells = 0;
            std::vector<std::string> overs;
            for (auto const& [part, figures] : at["parts"].items()) {
                points += figures["points"].get<int>();
                if (isVolumePart(figures)) {
                    volume += figures["size"].get<double>();
                    cells += figures["cells"].get<long long>();
                    overs.insert(overs.begin(), {"--over", "volume"});
                } else {
                    overs.insert(overs.end(), {"--over", part});
                }
            }
            EXPECT_EQ(info["vertices"], points);
            EXPECT_EQ(info["elements"]["total"], cells);
            expectClose(info["volume"].get<double>(), volume, volume, "volume");

            std::map<std::string, double> areas;
            std::map<std::string, long long> faces;
            for (Json const& set : info["faces"]["sets"]) {
                areas[set["label"].get<std::string>()] += set["area"].get<double>();
                faces[set["label"].get<std::string>()] += set["count"].get<long long>();
            }
            for (auto const& [part, figures] : at["parts"].items()) {
                if (!isVolumePart(figures)) {
                    EXPECT_EQ(faces[part], figures["cells"].get<long long>()) << part;
                    double const area = figures["size"].get<double>();
                    expectClose(areas[part], area, area, "area of " + part);
                }
            }

            // Every scalar over the volume and each surface part in one run, a row each, in the order of
            // the parts with the volume first.
            Json const& first = at["parts"].begin().value();
            for (char const* kind : {"cellArrays", "pointArrays"}) {
                for (auto const& [array, integral] : first[kind].items()) {
                    if (integral.size() != 1) {
                        continue;
                    }
                    std::vector<std::string> args = {"integrate", path, "--time", time, "--var", array};
                    args.insert(args.end(), overs.begin(), overs.end());
                    Json const rows = runJson(args);
                    ASSERT_TRUE(rows.is_array()) << array;
                    std::size_t row = 1;
                    for (auto const& [part, figures] : at["parts"].items()) {
                        double const peer = figures[kind][array][0].get<double>();
                        double const size = figures["size"].get<double>();
                        std::size_t const r = isVolumePart(figures) ? 0 : row++;
                        // A variable's scale: its mean magnitude over the part, or the part's size.
                        expectClose(rows[r]["integral"].get<double>(), peer, std::fabs(peer) + size,
                                    std::string(kind) + " " + array + " over " + part);
                    }
                }
            }
        }
    }
}

TEST(EnsightCases, ChooseTheirTimeAndNameTheirParts)
{
    std::string const cavity = s_ensight + "cavity-ascii/cavity-ascii.case";
    Outcome const latest = run({"integrate", cavity, "--var", "p", "--json"});
    Outcome const byValue = run({"integrate", cavity, "--var", "p", "--json", "--time", "0.50"});
    EXPECT_EQ(latest.out, byValue.out);
    EXPECT_EQ(latest.err, "zevgeom: note: read the time 0.5 of the 3 time values 0 to 0.5\n");
    Json const first = runJson({"integrate", cavity, "--var", "p", "--time", "first"});
    EXPECT_EQ(first["integral"], 0.0);
    Outcome const missing = run({"info", cavity, "--time", "0.3"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("no time '0.3' in " + cavity + " (times: 0, 0.25, 0.5)"), std::string::npos)
        << missing.err;

    // The binary and ASCII forms of a case hold the same cells, none of them inverted (ASCII holds
    // coordinates to five digits, binary to single precision).
    Json const ascii = runJson({"info", s_ensight + "mixed-ascii/mixed-ascii.case"});
    Json const binary = runJson({"info", s_ensight + "mixed-binary/mixed-binary.case"});
    for (char const* what : {"elements", "faces"}) {
        EXPECT_EQ(ascii[what]["types"], binary[what]["types"]);
    }
    EXPECT_EQ(ascii["invertedElements"], 0);
    EXPECT_EQ(binary["invertedElements"], 0);
    // Each part's label names its sets: the prisms of the volume part and the triangles of a patch.
    bool wedges = false;
    for (Json const& set : ascii["elements"]["sets"]) {
        wedges = wedges || (set["label"] == "internalMesh" && set["type"] == "Wedge");
    }
    EXPECT_TRUE(wedges) << ascii["elements"].dump();
    Json const top =
        runJson({"integrate", s_ensight + "mixed-ascii/mixed-ascii.case", "--over", "top", "--var", "T"});
    EXPECT_NEAR(top["area"].get<double>(), 1.0, 1e-6);
}

} // namespace
