#include "zev/analysis/Request.h"

#include "zev/analysis/BoxGenerator.h"
#include "zev/analysis/Progress.h"
#include "zev/analysis/Report.h"
#include "zev/io/FluentReader.h"
#include "zev/io/OpenFoamReader.h"

#include <algorithm>
#include <ostream>

namespace zev::analysis {

namespace {

std::ostream* s_warnings = nullptr;

} // namespace

void setWarningStream(std::ostream* p_stream)
{
    s_warnings = p_stream;
}

std::ostream* warningStream()
{
    return s_warnings;
}

bool isCgnsPath(std::string const& p_path)
{
    return formatOfPath(p_path) == FileFormat::Cgns;
}

CgnsSelection cgnsSelection(Request const& p_request)
{
    CgnsSelection selection;
    selection.base = p_request.base;
    selection.zone = p_request.zone;
    selection.solution = p_request.solution;
    return selection;
}

namespace {

MeshData readNotedAt(std::string const& p_path, std::string const& p_time, std::string const& p_data = "")
{
    MeshData mesh = p_data.empty() ? readMeshFile(p_path, FileFormat::Auto, p_time)
                                   : FluentReader::readFile(p_path, p_data);
    if (s_warnings != nullptr) {
        for (std::string const& note : readerNotes(mesh)) {
            *s_warnings << "zevgeom: " << terminalSafe(note) << '\n';
        }
    }
    return mesh;
}

} // namespace

MeshData readNoted(std::string const& p_path)
{
    return readNotedAt(p_path, "");
}

MeshData readRequested(Request const& p_request)
{
    std::string const& path = p_request.positional.front();
    if (!p_request.time.empty() && formatOfPath(path) != FileFormat::OpenFoam &&
        formatOfPath(path) != FileFormat::EnsightGold && !OpenFoamReader::isCase(path)) {
        throw UsageError("--time chooses a written time of an OpenFOAM case; '" + terminalSafe(path) +
                         "' is not one");
    }
    if (!p_request.data.empty() && formatOfPath(path) != FileFormat::Fluent &&
        formatOfPath(path) != FileFormat::Gmsh) {
        throw UsageError("--data names the data file of a Fluent case; '" + terminalSafe(path) +
                         "' is not one");
    }
    MeshData mesh = readNotedAt(path, p_request.time, p_request.data);
    if (p_request.pointData) {
        averageCellDataToPoints(mesh);
    }
    return mesh;
}

LoadedMesh load(Request const& p_request)
{
    Phase const phase("reading");
    bool const cgns = !p_request.positional.empty() && isCgnsPath(p_request.positional.front());
    bool const chooses = !p_request.base.empty() || !p_request.zone.empty() || !p_request.solution.empty();
    if (chooses && !cgns) {
        throw UsageError("--base, --zone and --solution choose within a CGNS file");
    }
    if (cgns && p_request.pointData) {
        throw UsageError("--point-data averages the cell arrays of VTK, gmsh and OpenFOAM files; a CGNS "
                         "file's cell-centred solutions stay on its elements");
    }
    if (p_request.positional.empty() &&
        (p_request.pointData || !p_request.time.empty() || !p_request.data.empty())) {
        throw UsageError(std::string(p_request.pointData       ? "--point-data"
                                     : !p_request.time.empty() ? "--time"
                                                               : "--data") +
                         " applies to a mesh file; none was given");
    }
    if (cgns && !p_request.region.empty()) {
        throw UsageError("--region splits the cells of a VTK file; a CGNS file's sets are its sections");
    }
    LoadedMesh mesh =
        cgns ? CgnsReader::readMesh(p_request.positional.front(), cgnsSelection(p_request))
        : p_request.positional.empty()
            ? toLibrary(generateBox(BoxKind::Mixed, s_defaultMeshCells), defaultMeshDescription(),
                        p_request.region)
            : toLibrary(readRequested(p_request), p_request.positional.front(), p_request.region);
    renameCoordinateArrays(mesh);
    return mesh;
}

void renameCoordinateArrays(LoadedMesh& p_mesh)
{
    for (MeshVariable& mv : p_mesh.variables) {
        std::string const filed = coordinateFreeName(
            mv.name, [&](std::string const& p_name) { return p_mesh.findVariable(p_name) != nullptr; });
        if (filed == mv.name) {
            continue;
        }
        if (s_warnings != nullptr) {
            *s_warnings << "zevgeom: note: " << coordinateNote(mv.name, filed) << '\n';
        }
        mv.name = filed;
    }
}

WriteOptions writeOptions(Request const& p_request)
{
    WriteOptions out;
    out.binary = p_request.binary;
    out.compress = p_request.compress;
    return out;
}

void checkOutputPath(std::string const& p_path, bool p_binary, bool p_compress, bool p_table)
{
    std::string const& path = p_path;
    std::size_t const dot = path.rfind('.');
    bool const csv = p_table && dot != std::string::npos && path.compare(dot, std::string::npos, ".csv") == 0;
    FileFormat const format = formatOfPath(path);
    // A name without an extension is written in the legacy format, as the writers define it.
    std::size_t const slash = path.rfind('/');
    bool const extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if ((format == FileFormat::Auto || format == FileFormat::Gmsh || format == FileFormat::OpenFoam ||
         format == FileFormat::EnsightGold) &&
        extension && !csv) {
        throw UsageError("cannot write '" + terminalSafe(path) + "': the formats are " +
                         (p_table ? ".csv, " : "") +
                         ".vtk, .vtu, .vtp, .pvtu, .pvtp and .cgns, by extension");
    }
    bool const xml = format == FileFormat::XmlUnstructured || format == FileFormat::XmlPolyData ||
                     format == FileFormat::ParallelUnstructured || format == FileFormat::ParallelPolyData;
    if (p_compress && !xml) {
        throw UsageError("--compress applies to the XML formats (.vtu, .vtp, .pvtu, .pvtp), not to '" +
                         terminalSafe(path) + "'");
    }
    if (p_binary && csv) {
        throw UsageError("--binary applies to mesh files, not to '" + terminalSafe(path) + "'");
    }
}

void writeOutput(MeshData const& p_mesh, Request const& p_request)
{
    Phase const phase("writing");
    writeMeshFile(p_mesh, p_request.output, writeOptions(p_request));
}

void warnInverted(VolumeMeasures const& p_volumes, std::ostream& p_err)
{
    // A wholly inverted set of several elements is named once; the inverted elements of other sets are
    // counted together.
    std::size_t rest = p_volumes.inverted;
    for (auto const& set : p_volumes.invertedSets) {
        if (set.second > 1) {
            p_err << "zevgeom: warning: all " << set.second << " elements of the set "
                  << terminalSafe(set.first) << " are inverted (negative volume) and counted as they are\n";
            rest -= std::min(rest, set.second);
        }
    }
    warnInverted(rest, p_err);
}

void warnInverted(std::size_t p_inverted, std::ostream& p_err)
{
    if (p_inverted == 1) {
        p_err << "zevgeom: warning: 1 inverted element (negative volume) is counted as it is\n";
    } else if (p_inverted > 1) {
        p_err << "zevgeom: warning: " << p_inverted
              << " inverted elements (negative volume) are counted as they are\n";
    }
}

std::string defaultMeshDescription()
{
    std::string const n = std::to_string(s_defaultMeshCells);
    return "default mesh (mixed box " + n + "x" + n + "x" + n + ")";
}

} // namespace zev::analysis
