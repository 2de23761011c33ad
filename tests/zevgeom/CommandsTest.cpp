// The zevgeom command line end to end: reports on the built-in mesh, files written and read back, usage
// errors with exit code 1 and malformed files with exit code 2 and their diagnostic.
#include "tools/zevgeom/Commands.h"
#include "tests/zevgeom/ToolRun.h"
#include "zev/io/VtkLegacyReader.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace zev::io;
using namespace zevgeom;

using zevgeomtest::Outcome;
using zevgeomtest::run;

// The number after "KEY": in a JSON report.
double jsonValue(std::string const& p_json, std::string const& p_key)
{
    std::size_t const at = p_json.find("\"" + p_key + "\": ");
    if (at == std::string::npos) {
        ADD_FAILURE() << "no key " << p_key << " in " << p_json;
        return 0;
    }
    return std::strtod(p_json.c_str() + at + p_key.size() + 4, nullptr);
}

std::string scratchFile(std::string const& p_name)
{
    return ::testing::TempDir() + "zevgeom-" + std::to_string(getpid()) + "-" + p_name;
}

TEST(ZevgeomCommands, ReportOnTheBuiltInMesh)
{
    Outcome const info = run({"info", "--json"});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("\"mesh\": \"default mesh (mixed box 6x6x6)\""), std::string::npos);
    EXPECT_EQ(jsonValue(info.out, "vertices"), 7 * 7 * 7 + 72);
    nlohmann::ordered_json const doc = nlohmann::ordered_json::parse(info.out);
    // Shape types in the library's order, sets and variables in the order the mesh holds them.
    EXPECT_EQ(doc["elements"]["types"].dump(), R"({"Wedge":144,"Hex":72,"Pyramid":432})");
    EXPECT_NEAR(doc["volume"].get<double>(), 1.0, 1e-5);
    EXPECT_NEAR(jsonValue(info.out, "boundaryArea"), 6.0, 1e-5);
    EXPECT_EQ(doc["invertedElements"], 0);
    nlohmann::ordered_json const& variables = doc["variables"];
    ASSERT_EQ(variables.size(), 4u);
    EXPECT_EQ(variables[2]["name"], "velocity");
    EXPECT_EQ(variables[2]["location"], "vertex");
    EXPECT_EQ(variables[2]["components"], 3);
    EXPECT_EQ(
        variables[3].dump(),
        R"({"name":"region","location":"element","components":1,"min":1.0,"max":2.0,"defined":648,"values":648})");

    Outcome const table = run({"info"});
    ASSERT_EQ(table.code, 0);
    EXPECT_EQ(table.out.rfind("mesh           default mesh (mixed box 6x6x6)\nvertices       415\n", 0), 0u)
        << table.out;

    Outcome const average = run({"integrate", "--var", "linear", "--json"});
    ASSERT_EQ(average.code, 0) << average.err;
    EXPECT_NEAR(jsonValue(average.out, "average"), 5.5, 1e-5);
    EXPECT_NEAR(jsonValue(average.out, "volume"), 1.0, 1e-5);

    Outcome const expression = run({"integrate", "--expr=2*x+y", "--over", "boundary", "--json"});
    ASSERT_EQ(expression.code, 0) << expression.err;
    EXPECT_NEAR(jsonValue(expression.out, "area"), 6.0, 1e-5);
    EXPECT_NEAR(jsonValue(expression.out, "integral"), 9.0, 1e-5);
}

TEST(ZevgeomCommands, GeneratedAndBoundaryFilesReadBack)
{
    std::string const box = scratchFile("box.vtk"), surface = scratchFile("surface.vtk");
    Outcome const generated = run({"generate", "hex", "--n", "2", "-o", box, "--binary"});
    ASSERT_EQ(generated.code, 0) << generated.err;
    MeshData const mesh = VtkLegacyReader::readFile(box);
    EXPECT_EQ(mesh.numPoints(), 27u);
    EXPECT_EQ(mesh.numCells(), 8u);

    Outcome const boundary = run({"boundary", box, "--output", surface, "--json"});
    ASSERT_EQ(boundary.code, 0) << boundary.err;
    EXPECT_NEAR(jsonValue(boundary.out, "area"), 6.0, 1e-5);
    EXPECT_EQ(jsonValue(boundary.out, "faces"), 24);
    MeshData const skin = VtkLegacyReader::readFile(surface);
    EXPECT_EQ(skin.numPoints(), 26u); // every lattice point but the centre
    EXPECT_EQ(skin.numCells(), 24u);
    EXPECT_NE(skin.findPointArray("velocity"), nullptr);

    Outcome const area = run({"info", surface, "--json"});
    ASSERT_EQ(area.code, 0) << area.err;
    EXPECT_NEAR(jsonValue(area.out, "boundaryArea"), 6.0, 1e-5);
    std::remove(box.c_str());
    std::remove(surface.c_str());
}

TEST(ZevgeomCommands, UsageErrorsExitWithOne)
{
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
    };
    std::vector<Case> const cases{
        {{"frobnicate"}, "zevgeom: unknown command 'frobnicate'"},
        {{"fo\x1b[2Jo"}, "zevgeom: unknown command 'fo\\x1b[2Jo'"},
        {{"info", "--bogus"}, "zevgeom: unknown option '--bogus' for info"},
        {{"info", "a.vtk", "b.vtk"}, "zevgeom: unexpected argument 'b.vtk'"},
        {{"integrate"}, "zevgeom: integrate needs exactly one of --var NAME, --expr EXPR and --flux VECTOR"},
        {{"integrate", "--var", "linear", "--expr", "x"},
         "zevgeom: integrate needs exactly one of --var NAME, --expr EXPR and --flux VECTOR"},
        {{"integrate", "--var"}, "zevgeom: option '--var' needs a value"},
        {{"integrate", "--var", "linear", "--over", "surface"},
         "zevgeom: no face or element set 'surface' (sets: ES1, ES2, ES3)"},
        {{"integrate", "--var", "nope"},
         "zevgeom: no variable 'nope' in default mesh (mixed box 6x6x6) (variables: linear, pressure, "
         "velocity, region)"},
        {{"integrate", "--var", "region", "--over", "boundary"},
         "zevgeom: 'region' lives on elements; integrate it with --over volume"},
        {{"integrate", "--expr", "linear+region"},
         "zevgeom: cannot evaluate 'linear+region': it must combine numbers, x, y, z and variables of one "
         "location"},
        {{"boundary"}, "zevgeom: boundary needs -o OUT.vtk"},
        {{"generate", "cube", "--n", "2", "-o", "x.vtk"},
         "zevgeom: unknown cell kind 'cube'; use hex, tet or mixed"},
        {{"generate", "hex", "--n", "0", "-o", "x.vtk"},
         "zevgeom: --n takes a whole number from 1 to 1000, not '0'"},
        {{"generate", "hex", "--n", "2x", "-o", "x.vtk"},
         "zevgeom: --n takes a whole number from 1 to 1000, not '2x'"},
        {{"info", "--json=yes"}, "zevgeom: option '--json' takes no value"},
        {{"convert", "a.vtk"},
         "zevgeom: convert needs the input and the output file: zevgeom convert IN OUT"},
        {{"convert", "a.vtk", "b.vtu", "--ascii", "--compress"},
         "zevgeom: --ascii cannot go with --binary or --compress"},
        // Expressions: the parser's place and diagnosis; no assignments, no lists, no echo of a long text.
        {{"integrate", "--expr", "x=3"},
         "zevgeom: cannot evaluate 'x=3' at position 2: '=' assigns; compare with '=='"},
        {{"integrate", "--expr", "x,y"},
         "zevgeom: cannot evaluate 'x,y' at position 2: a list of expressions gives several results; "
         "integrate one"},
        {{"integrate", "--expr", "sin(x"},
         "zevgeom: cannot evaluate 'sin(x' at position 5: Missing parenthesis"},
        {{"integrate", "--expr", std::string(60, '(') + "x"},
         "zevgeom: cannot evaluate '" + std::string(40, '(') + "...' at position 61: Missing parenthesis"},
        {{"info", "--region", "nothing"},
         "zevgeom: no cell array 'nothing' in default mesh (mixed box 6x6x6) to take regions from"},
        // Outputs: a format by extension, and compression only where the format has it.
        {{"convert", "a.vtk", "y.msh"},
         "zevgeom: cannot write 'y.msh': the formats are .vtk, .vtu, .vtp, .pvtu, .pvtp and .cgns, by "
         "extension"},
        {{"generate", "hex", "--n", "1", "-o", "box.dat"},
         "zevgeom: cannot write 'box.dat': the formats are .vtk, .vtu, .vtp, .pvtu, .pvtp and .cgns, by "
         "extension"},
        {{"slice", "--plane", "0,0,0.5,0,0,1", "-o", "s.vtk", "--compress"},
         "zevgeom: --compress applies to the XML formats (.vtu, .vtp, .pvtu, .pvtp), not to 's.vtk'"},
        {{"convert", "a.vtk", "b.cgns", "--compress"},
         "zevgeom: --compress applies to the XML formats (.vtu, .vtp, .pvtu, .pvtp), not to 'b.cgns'"},
    };
    for (Case const& c : cases) {
        Outcome const r = run(c.args);
        EXPECT_EQ(r.code, s_exitUsage) << c.firstLine;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.firstLine);
        EXPECT_TRUE(r.out.empty()) << c.firstLine;
    }
    EXPECT_EQ(run({}).code, s_exitUsage);
}

TEST(ZevgeomCommands, ProgressAndTimingsGoToStandardError)
{
    // --timings, anywhere on the line, adds a table of phases after the report; the report is unchanged.
    Outcome const plain = run({"slice", "--plane", "0,0,0.5,0,0,1"});
    Outcome const timed = run({"--timings", "slice", "--plane", "0,0,0.5,0,0,1"});
    ASSERT_EQ(timed.code, 0) << timed.err;
    EXPECT_EQ(timed.out, plain.out);
    EXPECT_EQ(timed.err.substr(0, timed.err.find('\n')), "phase    seconds");
    EXPECT_NE(timed.err.find("\nreading  "), std::string::npos) << timed.err;
    EXPECT_NE(timed.err.find("\nslice    "), std::string::npos) << timed.err;
    EXPECT_NE(timed.err.find("\ntotal    "), std::string::npos) << timed.err;

    // On a terminal a bar names the phases and is wiped before the report; --quiet draws none.
    std::ostringstream out, err, quietOut, quietErr;
    ASSERT_EQ(zevgeom::runZevgeom({"info"}, out, err, true), 0);
    EXPECT_NE(err.str().find("\rreading      ["), std::string::npos);
    EXPECT_EQ(err.str().back(), '\r');
    ASSERT_EQ(zevgeom::runZevgeom({"info", "--quiet"}, quietOut, quietErr, true), 0);
    EXPECT_EQ(quietErr.str(), "");
    EXPECT_EQ(quietOut.str(), out.str());
}

TEST(ZevgeomCommands, EveryCommandHasHelp)
{
    for (std::string const command : {"info", "integrate", "boundary", "generate", "convert"}) {
        Outcome const r = run({command, "--help"});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out.rfind("usage: zevgeom " + command + " ", 0), 0u) << r.out;
    }
    Outcome const main = run({"--help"});
    EXPECT_EQ(main.code, 0);
    EXPECT_EQ(main.out.rfind("usage: zevgeom COMMAND [MESH] [options]\n", 0), 0u);
}

TEST(ZevgeomCommands, MalformedFilesExitWithTwoAndTheirDiagnostic)
{
    std::string const corpus = ZEVGEOM_CORPUS_DIR;
    Outcome const nan = run({"info", corpus + "/nan-coordinate.vtk"});
    EXPECT_EQ(nan.code, s_exitFile);
    EXPECT_EQ(nan.err,
              "zevgeom: " + corpus +
                  "/nan-coordinate.vtk:6: POINTS: point 2 has a coordinate that is not a finite number\n");
    EXPECT_TRUE(nan.out.empty());
    EXPECT_EQ(run({"integrate", corpus + "/unknown-cell-type.vtk", "--var", "p"}).code, s_exitFile);

    // The executable itself, with its streams: the same line and code from a real process.
    std::string const err = scratchFile("stderr.txt");
    std::string const command = std::string(ZEVGEOM_EXECUTABLE) + " boundary " + corpus +
                                "/index-out-of-range.vtk -o /dev/null 2>" + err;
    int const status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), s_exitFile);
    std::ifstream in(err);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "zevgeom: " + corpus +
                        "/index-out-of-range.vtk:8: CELLS: cell 0 uses point 9, but there are 4 points");
    std::remove(err.c_str());
}

std::string writeText(std::string const& p_name, std::string const& p_text)
{
    std::string const path = scratchFile(p_name);
    std::ofstream(path, std::ios::binary) << p_text;
    return path;
}

TEST(ZevgeomCommands, HostileFilesAndOutputs)
{
    // Not a regular file: exit 2 naming it, without reading a device.
    Outcome const dir = run({"info", "/tmp"});
    EXPECT_EQ(dir.code, s_exitFile);
    EXPECT_EQ(dir.err, "zevgeom: /tmp: is a directory, not a mesh file\n");
    Outcome const device = run({"info", "/dev/zero"});
    EXPECT_EQ(device.code, s_exitFile);
    EXPECT_EQ(device.err,
              "zevgeom: /dev/zero: is not a regular file (a device, pipe or socket); give a mesh file\n");

    // A file array named x keeps x the coordinate, and the tool says where the array went.
    std::string const head =
        "# vtk DataFile Version 3.0\nt\nASCII\nDATASET UNSTRUCTURED_GRID\nPOINTS 4 float\n"
        "0 0 0 1 0 0 0 1 0 0 0 1\nCELLS 1 5\n";
    std::string const tail = "CELL_TYPES 1\n10\nPOINT_DATA 4\nSCALARS x float 1\nLOOKUP_TABLE default\n"
                             "5 5 5 5\nSCALARS e%1B[2Jvil float 1\nLOOKUP_TABLE default\n1 1 1 1\n";
    std::string const tet = writeText("x.vtk", head + "4 0 1 2 3\n" + tail);
    Outcome const x = run({"integrate", tet, "--expr", "x", "--json"});
    ASSERT_EQ(x.code, 0) << x.err;
    EXPECT_NEAR(jsonValue(x.out, "average"), 0.25, 1e-6); // the centroid's x, not the array's 5
    EXPECT_EQ(x.err, "zevgeom: note: the array 'x' is filed as 'x_array'; x, y and z name the coordinates\n");
    EXPECT_NEAR(jsonValue(run({"integrate", tet, "--var", "x_array", "--json"}).out, "average"), 5.0, 1e-6);
    // An array name with escape codes cannot draw on the terminal.
    EXPECT_NE(run({"info", tet}).out.find("\ne\\x1b[2Jvil  vertex"), std::string::npos);

    // Names from a file in a message cannot forge a line either: a piece path with a line end.
    std::string const forged = writeText(
        "forged.pvtu", "<VTKFile type=\"PUnstructuredGrid\" version=\"1.0\"><PUnstructuredGrid>"
                       "<PPoints><PDataArray type=\"Float32\" NumberOfComponents=\"3\"/></PPoints>"
                       "<Piece Source=\"a&#10;zevgeom: forged&#27;[2J.vtu\"/></PUnstructuredGrid></VTKFile>");
    Outcome const piece = run({"info", forged});
    EXPECT_EQ(piece.code, s_exitFile);
    EXPECT_EQ(piece.err, "zevgeom: " + ::testing::TempDir() +
                             "a\\x0azevgeom: forged\\x1b[2J.vtu: cannot open the file\n");

    // An inverted element is counted, with a warning.
    std::string const inverted = writeText("inverted.vtk", head + "4 0 2 1 3\n" + tail);
    Outcome const inv = run({"info", inverted, "--json"});
    EXPECT_EQ(jsonValue(inv.out, "invertedElements"), 1);
    EXPECT_NEAR(jsonValue(inv.out, "volume"), -1.0 / 6, 1e-6);
    EXPECT_NE(inv.err.find("zevgeom: warning: 1 inverted element (negative volume) is counted as it is\n"),
              std::string::npos);

    // An average over no measure is undefined, not 0.
    std::string const flat =
        writeText("flat.vtk", "# vtk DataFile Version 3.0\nt\nASCII\nDATASET UNSTRUCTURED_GRID\n"
                              "POINTS 4 float\n0 0 0 1 0 0 2 0 0 3 0 0\nCELLS 1 5\n4 0 1 2 3\n"
                              "CELL_TYPES 1\n10\nPOINT_DATA 4\nSCALARS p float 1\n"
                              "LOOKUP_TABLE default\n5 5 5 5\n");
    Outcome const zero = run({"integrate", flat, "--var", "p", "--json"});
    EXPECT_NE(zero.out.find("\"average\": null"), std::string::npos) << zero.out;
    EXPECT_NE(run({"integrate", flat, "--var", "p"}).out.find("average   undefined\n"), std::string::npos);

    // Region numbers beyond int are a malformed file.
    std::string const regions =
        writeText("regions.vtk", head + "4 0 1 2 3\nCELL_TYPES 1\n10\nCELL_DATA 1\n"
                                        "SCALARS zone vtktypeint64 1\nLOOKUP_TABLE default\n"
                                        "99999999999\n");
    Outcome const region = run({"info", regions, "--region", "zone"});
    EXPECT_EQ(region.code, s_exitFile);
    EXPECT_EQ(region.err,
              "zevgeom: " + regions +
                  ": the region array 'zone' holds 99999999999.000000 at cell 0, outside the int range\n");

    // Writing where no file can be: the reason, and nothing left behind.
    Outcome const missing = run({"generate", "hex", "--n", "1", "-o", "/nonexistent-folder/a.vtk"});
    EXPECT_EQ(missing.code, s_exitFile);
    EXPECT_EQ(missing.err,
              "zevgeom: /nonexistent-folder/a.vtk: cannot create the file: its folder does not exist\n");
    Outcome const folder = run({"generate", "hex", "--n", "1", "-o", "/tmp"});
    EXPECT_EQ(folder.err, "zevgeom: /tmp: cannot create the file: it is a directory\n");

    // The rename that commits a file replaces only a regular file: a pipe, also behind a link (as
    // /proc/self/fd/1 may be), stays what it is. A link to a mesh is written through, and stays a link.
    std::string const fifo = scratchFile("out-fifo"), toFifo = scratchFile("fifo-link.vtk");
    std::string const mesh = writeText("target.vtk", "old"), toMesh = scratchFile("link.vtk");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(fifo.c_str(), toFifo.c_str()), 0);
    ASSERT_EQ(::symlink(mesh.c_str(), toMesh.c_str()), 0);
    for (std::string const& out : {fifo, toFifo}) {
        struct stat before, after;
        ASSERT_EQ(::stat(out.c_str(), &before), 0);
        Outcome const refused = run({"generate", "hex", "--n", "1", "-o", out});
        EXPECT_EQ(refused.code, s_exitFile) << out;
        EXPECT_EQ(refused.err,
                  "zevgeom: " + out +
                      ": is not a regular file (a device, pipe or socket); give a file to write\n");
        ASSERT_EQ(::stat(out.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << out;
        EXPECT_EQ(after.st_mode, before.st_mode) << out;
    }
    ASSERT_EQ(run({"generate", "hex", "--n", "1", "-o", toMesh}).code, 0);
    struct stat link;
    ASSERT_EQ(::lstat(toMesh.c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ(VtkLegacyReader::readFile(mesh).numCells(), 1u);

    // A report that cannot be written says so (a real process writing to a full device).
    std::string const err = scratchFile("full.txt");
    int const status = std::system((std::string(ZEVGEOM_EXECUTABLE) + " info >/dev/full 2>" + err).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), s_exitFile);
    std::ifstream in(err);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "zevgeom: cannot write the report to standard output");
    for (std::string const& path : {tet, inverted, flat, regions, err, fifo, toFifo, mesh, toMesh, forged}) {
        std::remove(path.c_str());
    }
}

TEST(ZevgeomCommands, OneVolumePerCellInEveryCommand)
{
    // A unit cube with one corner raised by 0.6 (trilinear volume 1 + 0.6 / 4, where six tetrahedra about
    // the diagonal give 1.2), and a tetrahedron and a cube numbered inside out: info, integrate and select
    // report the same signed volume, and warn of the inverted cells alike.
    std::string const cube =
        "# vtk DataFile Version 3.0\nt\nASCII\nDATASET UNSTRUCTURED_GRID\nPOINTS 8 float\n"
        "0 0 0 1 0 0 1 1 0 0 1 0 0 0 1 1 0 1 1 1 ZTOP 0 1 1\nCELLS 1 9\n";
    auto const withTop = [&](char const* p_z) {
        std::string text = cube;
        return text.replace(text.find("ZTOP"), 4, p_z);
    };
    struct Case {
        std::string name, text;
        double volume;
        std::size_t inverted;
    };
    Case const cases[] = {
        {"warped.vtk", withTop("1.6") + "8 0 1 2 3 4 5 6 7\nCELL_TYPES 1\n12\n", 1.15, 0},
        {"inverted-hex.vtk", withTop("1") + "8 4 5 6 7 0 1 2 3\nCELL_TYPES 1\n12\n", -1.0, 1},
        {"inverted-tet.vtk",
         "# vtk DataFile Version 3.0\nt\nASCII\nDATASET UNSTRUCTURED_GRID\nPOINTS 4 float\n"
         "0 0 0 1 0 0 0 1 0 0 0 1\nCELLS 1 5\n4 0 2 1 3\nCELL_TYPES 1\n10\n",
         -1.0 / 6, 1},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string const path = writeText(c.name, c.text);
        Outcome const info = run({"info", path, "--json"});
        Outcome const integral = run({"integrate", path, "--expr", "1", "--json"});
        Outcome const selection = run({"select", path, "--sphere", "0,0,0,10", "--side", "inside", "--json"});
        for (Outcome const* o : {&info, &integral, &selection}) {
            ASSERT_EQ(o->code, 0) << o->err;
            EXPECT_NEAR(jsonValue(o->out, "volume"), c.volume, 1e-5) << o->out;
            EXPECT_EQ(o->err.find("inverted") != std::string::npos, c.inverted > 0) << o->err;
        }
        EXPECT_EQ(info.err.find("single precision"), std::string::npos) << info.err;
        EXPECT_NEAR(jsonValue(integral.out, "integral"), c.volume, 1e-5);
        EXPECT_EQ(jsonValue(info.out, "invertedElements"), double(c.inverted));
        std::remove(path.c_str());
    }
}

TEST(ZevgeomCommands, FarCoordinatesAreWarnedOf)
{
    std::string const far = writeText(
        "far.vtk",
        "# vtk DataFile Version 3.0\nt\nASCII\nDATASET UNSTRUCTURED_GRID\nPOINTS 4 double\n"
        "10000000 0 0 10000001 0 0 10000000 1 0 10000000 0 1\nCELLS 1 5\n4 0 1 2 3\nCELL_TYPES 1\n10\n");
    std::string const warning =
        "zevgeom: warning: coordinates reach 1e+07, where single precision steps by 1 "
        "against a mesh 1 across; its figures may be off (move the mesh nearer the origin)\n";
    for (std::vector<std::string> const& args :
         std::vector<std::vector<std::string>>{{"info", far},
                                               {"integrate", far, "--expr", "x"},
                                               {"slice", far, "--plane", "10000000,0,0.5,0,0,1"}}) {
        Outcome const o = run(args);
        EXPECT_EQ(o.code, 0) << o.err;
        EXPECT_NE(o.err.find(warning), std::string::npos) << args[0] << ": " << o.err;
    }
    std::remove(far.c_str());
}

TEST(ZevgeomCommands, ConvertRoundTripsTheValidFiles)
{
    // Every valid file, through each XML encoding and back to legacy, reads as the original.
    std::string const corpus = ZEVGEOM_CORPUS_DIR;
    for (std::string const name : {"tet-ascii.vtk", "tet-binary.vtk"}) {
        MeshData const original = VtkLegacyReader::readFile(corpus + "/valid/" + name);
        for (std::vector<std::string> const& options :
             {std::vector<std::string>{}, {"--binary"}, {"--binary", "--compress"}}) {
            std::string const xml = scratchFile("c.vtu"), back = scratchFile("c.vtk");
            std::vector<std::string> args{"convert", corpus + "/valid/" + name, xml};
            args.insert(args.end(), options.begin(), options.end());
            ASSERT_EQ(run(args).code, 0);
            Outcome const r = run({"convert", xml, back, "--binary", "--json"});
            ASSERT_EQ(r.code, 0) << r.err;
            EXPECT_EQ(jsonValue(r.out, "points"), 4);
            MeshData const again = VtkLegacyReader::readFile(back);
            EXPECT_EQ(again.points, original.points) << name;
            EXPECT_EQ(again.connectivity, original.connectivity) << name;
            EXPECT_EQ(again.cellTypes, original.cellTypes) << name;
            ASSERT_EQ(again.pointData.size(), original.pointData.size()) << name;
            EXPECT_EQ(again.pointData[0].values, original.pointData[0].values) << name;
            std::remove(xml.c_str());
            std::remove(back.c_str());
        }
    }
}

} // namespace
