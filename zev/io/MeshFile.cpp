#include "zev/io/MeshFile.h"

#include "zev/geometry/Geometry.h"
#include "zev/io/CgnsWriter.h"
#include "zev/io/EnsightReader.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FluentReader.h"
#include "zev/io/FormatError.h"
#include "zev/io/GmshReader.h"
#include "zev/io/OpenFoamReader.h"
#include "zev/io/ParallelVtkFile.h"
#include "zev/io/VtkLegacyReader.h"
#include "zev/io/VtkLegacyWriter.h"
#include "zev/io/VtkXmlReader.h"
#include "zev/io/VtkXmlWriter.h"
#include "zev/variables/Variable.h"

#include <fstream>

namespace zev::io {

FileFormat formatOfPath(std::string const& p_path)
{
    std::size_t const dot = p_path.rfind('.');
    std::size_t const slash = p_path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return FileFormat::Auto;
    }
    std::string ext = p_path.substr(dot + 1);
    for (char& c : ext) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    // Fluent files come gzipped (case.cas.gz, case.msh.gz) or as HDF5 (case.cas.h5), which its reader
    // refuses by name.
    if (ext == "h5") {
        return FileFormat::Fluent;
    }
    if (ext == "gz") {
        std::string const inner = p_path.substr(0, dot);
        FileFormat const format = formatOfPath(inner);
        return format == FileFormat::Fluent || format == FileFormat::Gmsh ? FileFormat::Fluent
                                                                          : FileFormat::Auto;
    }
    struct Extension {
        char const* name;
        FileFormat format;
    };
    static constexpr Extension s_extensions[] = {{"vtk", FileFormat::Legacy},
                                                 {"vtu", FileFormat::XmlUnstructured},
                                                 {"vtp", FileFormat::XmlPolyData},
                                                 {"cgns", FileFormat::Cgns},
                                                 {"pvtu", FileFormat::ParallelUnstructured},
                                                 {"pvtp", FileFormat::ParallelPolyData},
                                                 {"msh", FileFormat::Gmsh},
                                                 {"foam", FileFormat::OpenFoam},
                                                 {"openfoam", FileFormat::OpenFoam},
                                                 {"case", FileFormat::EnsightGold},
                                                 {"cas", FileFormat::Fluent}};
    for (Extension const& e : s_extensions) {
        if (ext == e.name) {
            return e.format;
        }
    }
    return FileFormat::Auto;
}

MeshData readMeshFile(std::string const& p_path, FileFormat p_format, std::string const& p_time)
{
    FileFormat format = p_format == FileFormat::Auto ? formatOfPath(p_path) : p_format;
    if (format == FileFormat::Auto && OpenFoamReader::isCase(p_path)) {
        format = FileFormat::OpenFoam;
    }
    if (format == FileFormat::OpenFoam || format == FileFormat::EnsightGold) {
        OpenFoamReader::TimeChoice time;
        if (p_time == "first") {
            time.kind = OpenFoamReader::TimeChoice::Kind::First;
        } else if (!p_time.empty() && p_time != "latest") {
            time.kind = OpenFoamReader::TimeChoice::Kind::Value;
            time.value = p_time;
        }
        return format == FileFormat::EnsightGold ? EnsightReader::readCase(p_path, time)
                                                 : OpenFoamReader::readCase(p_path, time);
    }
    if (!p_time.empty()) {
        throw SelectionError("a time is chosen in an OpenFOAM case; " + p_path + " holds one mesh");
    }
    if (format == FileFormat::Auto) {
        // CGNS files are HDF5 or ADF files, known by their first bytes.
        char magic[8] = {0};
        std::ifstream(p_path, std::ios::binary).read(magic, sizeof magic);
        if (std::string(magic, 4) == "\x89HDF" || std::string(magic, 4) == "@(#)") {
            format = FileFormat::Cgns;
        }
    }
    if (format == FileFormat::Auto) {
        std::ifstream in(p_path, std::ios::binary);
        char first = 0;
        while (in.get(first) && (first == ' ' || first == '\n' || first == '\r' || first == '\t')) {
        }
        format = in && first == '<' ? FileFormat::XmlUnstructured : FileFormat::Legacy;
    }
    if (format == FileFormat::Legacy) {
        return VtkLegacyReader::readFile(p_path);
    }
    if (format == FileFormat::Gmsh) {
        // Fluent writes meshes as .msh too: gmsh files start with "$MeshFormat", Fluent's with '('.
        char start[64] = {0};
        std::ifstream file(p_path, std::ios::binary);
        file.read(start, sizeof start);
        if (FluentReader::looksLikeCase(std::string_view(start, static_cast<std::size_t>(file.gcount())))) {
            return FluentReader::readFile(p_path);
        }
        return GmshReader::readFile(p_path);
    }
    if (format == FileFormat::Fluent) {
        return FluentReader::readFile(p_path);
    }
    if (format == FileFormat::Cgns) {
        LoadedMesh mesh = CgnsReader::readMesh(p_path, CgnsSelection());
        return fromLibrary(mesh.geo(), mesh.variables, ExportSelection());
    }
    if (format == FileFormat::ParallelUnstructured || format == FileFormat::ParallelPolyData) {
        return readParallelFile(p_path);
    }
    return VtkXmlReader::readFile(p_path);
}

void writeMeshFile(MeshData const& p_mesh, std::string const& p_path, WriteOptions const& p_options)
{
    FileFormat format = p_options.format == FileFormat::Auto ? formatOfPath(p_path) : p_options.format;
    if (format == FileFormat::Gmsh || format == FileFormat::OpenFoam || format == FileFormat::EnsightGold ||
        format == FileFormat::Fluent) {
        throw FormatError(p_path, 0, FormatError::s_noOffset,
                          std::string(format == FileFormat::Gmsh          ? "gmsh files"
                                      : format == FileFormat::OpenFoam    ? "OpenFOAM cases"
                                      : format == FileFormat::EnsightGold ? "EnSight Gold cases"
                                                                          : "Fluent cases") +
                              " are read, not written");
    }
    if (format == FileFormat::Cgns) {
        LoadedMesh mesh = toLibrary(p_mesh, p_path, "");
        CgnsWriter::writeFile(mesh.geo(), mesh.variables, ExportSelection(), p_path);
        return;
    }
    if (format == FileFormat::ParallelUnstructured || format == FileFormat::ParallelPolyData) {
        WriteOptions options = p_options;
        options.format = format;
        writeParallelFile({p_mesh}, p_path, options);
        return;
    }
    if (format == FileFormat::Auto || format == FileFormat::Legacy) {
        VtkLegacyWriter::writeFile(p_mesh, p_path,
                                   p_options.binary || p_options.compress ? VtkLegacyWriter::Encoding::Binary
                                                                          : VtkLegacyWriter::Encoding::Ascii);
        return;
    }
    VtkXmlWriter::Options options;
    options.encoding = p_options.binary || p_options.compress ? VtkXmlWriter::Encoding::Appended
                                                              : VtkXmlWriter::Encoding::Ascii;
    options.compress = p_options.compress;
    bool const wantPoly = format == FileFormat::XmlPolyData;
    if (wantPoly == (p_mesh.kind == DatasetKind::PolyData)) {
        VtkXmlWriter::writeFile(p_mesh, p_path, options);
        return;
    }
    MeshData copy = p_mesh;
    copy.kind = wantPoly ? DatasetKind::PolyData : DatasetKind::UnstructuredGrid;
    VtkXmlWriter::writeFile(copy, p_path, options);
}

namespace {
GeometryAutoPtr fileVariables(LoadedMesh& mesh)
{
    zev::Geometry& g = mesh.geo();
    for (MeshVariable& mv : mesh.variables) {
        if (!mv.variable || g.hasVariable(mv.name, mv.location)) {
            continue;
        }
        zev::Variable* variable = mv.variable.release();
        variable->setLocation(mv.location);
        try {
            g.addVariable(variable, mv.location);
        } catch (...) {
            delete variable;
            throw;
        }
    }
    return GeometryAutoPtr(mesh.geometry.release());
}
} // namespace

GeometryAutoPtr readGeometry(std::string const& p_path, std::string const& p_regionArray, FileFormat p_format,
                             std::string const& p_time)
{
    FileFormat const format = p_format == FileFormat::Auto ? formatOfPath(p_path) : p_format;
    if (format == FileFormat::Cgns && p_time.empty()) {
        return readCgnsGeometry(p_path, CgnsSelection());
    }
    LoadedMesh mesh = toLibrary(readMeshFile(p_path, p_format, p_time), p_path, p_regionArray);
    return fileVariables(mesh);
}

GeometryAutoPtr readCgnsGeometry(std::string const& p_path, CgnsSelection const& p_selection)
{
    LoadedMesh mesh = CgnsReader::readMesh(p_path, p_selection);
    return fileVariables(mesh);
}

void writeGeometry(zev::Geometry const& p_geometry, std::string const& p_path,
                   ExportSelection const& p_selection, std::vector<std::string> const& p_variables,
                   WriteOptions const& p_options)
{
    std::vector<MeshVariable> variables;
    for (std::string const& name : p_variables) {
        bool found = false;
        for (zev::VarLocation location : {zev::eVertex, zev::eElement, zev::eFace}) {
            // The lookup is not const in the kernel, though it changes nothing.
            zev::Variable const* v = const_cast<zev::Geometry&>(p_geometry).findVariable(name, location);
            if (v == nullptr) {
                continue;
            }
            MeshVariable mv;
            mv.name = name;
            mv.location = location;
            mv.numComponents = v->isVector() ? 3 : 1;
            mv.variable.reset(v->clone(name));
            variables.push_back(std::move(mv));
            found = true;
        }
        if (!found) {
            throw SelectionError("the geometry has no variable '" + name + "'");
        }
    }
    FileFormat const format = p_options.format == FileFormat::Auto ? formatOfPath(p_path) : p_options.format;
    if (format == FileFormat::Cgns) {
        // A volume zone's cells are its elements: face variables have no place in it.
        if (CgnsWriter::isVolume(p_geometry, p_selection)) {
            for (std::string const& name : p_variables) {
                bool onCells = false;
                for (MeshVariable const& mv : variables) {
                    onCells = onCells || (mv.name == name && mv.location != zev::eFace);
                }
                if (!onCells) {
                    throw SelectionError(
                        "the variable '" + name +
                        "' is held on faces only; a CGNS volume zone takes vertex and element variables");
                }
            }
        }
        CgnsWriter::writeFile(p_geometry, variables, p_selection, p_path);
        return;
    }
    writeMeshFile(fromLibrary(p_geometry, variables, p_selection), p_path, p_options);
}

} // namespace zev::io
