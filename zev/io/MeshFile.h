// Mesh files by name: the format follows the extension (.vtk legacy, .vtu and .vtp XML, .pvtu and .pvtp
// pieces, .cgns, gmsh's or Fluent's .msh and Fluent's .cas, read only) unless given, and a whole file becomes
// a geometry with its variables filed on it, or a geometry's sets and variables become a file.
#pragma once

#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/io/CgnsReader.h"
#include "zev/io/IOExport.h"
#include "zev/io/MeshConversion.h"
#include "zev/io/MeshData.h"

#include <string>
#include <vector>

namespace zev::io {

// The parallel formats are an index file (.pvtu, .pvtp) naming one XML file per piece.
enum class FileFormat {
    Auto,
    Legacy,
    XmlUnstructured,
    XmlPolyData,
    Cgns,
    ParallelUnstructured,
    ParallelPolyData,
    Gmsh,
    OpenFoam,
    EnsightGold,
    Fluent
};

// The format a path's extension names (case-insensitive; ".foam" and ".OpenFOAM" name an OpenFOAM case,
// ".case" an EnSight Gold case, ".cas", ".cas.gz", ".msh.gz" and ".h5" a Fluent case);
// Auto for an unknown extension.
ZEV_IO_EXPORT FileFormat formatOfPath(std::string const& p_path);

struct ZEV_IO_EXPORT WriteOptions {
    FileFormat format = FileFormat::Auto; // Auto: from the extension, legacy when it names none
    bool binary = false;                  // legacy BINARY, or XML appended raw data
    bool compress = false;                // XML only: zlib-compressed blocks (implies binary)
};

// Reads a mesh file. With Auto an OpenFOAM case (its folder, a .foam file or its system/controlDict) is
// read as one, and an unknown extension as XML when the file starts with '<' and as legacy otherwise.
// p_time chooses the written time of an OpenFOAM case or the time step of an EnSight Gold case: "latest"
// (also ""), "first", or a time's name or value; other formats refuse a time other than "" (SelectionError).
// Malformed input is a FormatError. A CGNS file (every zone of its first base, the first solutions) comes
// through the library's geometry, its sets becoming cells. A .pvtu/.pvtp index is read with every piece it
// names, the pieces merged into one mesh by their "GlobalNodeIds". A .msh file is gmsh's when it starts with
// "$MeshFormat" and Fluent's when it starts with '('; a Fluent case is read with the data file beside it (see
// FluentReader).
ZEV_IO_EXPORT MeshData readMeshFile(std::string const& p_path, FileFormat p_format = FileFormat::Auto,
                                    std::string const& p_time = "");

// Writes a mesh file; a PolyData destination turns an unstructured mesh without volume cells into
// PolyData, and refuses one with volume cells (FormatError). A failed write leaves no file behind. A
// .pvtu/.pvtp destination gets the mesh as its one piece.
ZEV_IO_EXPORT void writeMeshFile(MeshData const& p_mesh, std::string const& p_path,
                                 WriteOptions const& p_options = WriteOptions());

// Reads a mesh file into a new geometry: element sets per shape type (and region, when p_regionArray
// names an integer cell array), face sets, lines, and the point and cell arrays filed as vertex, element
// and face variables.
ZEV_IO_EXPORT GeometryAutoPtr readGeometry(std::string const& p_path, std::string const& p_regionArray = "",
                                           FileFormat p_format = FileFormat::Auto,
                                           std::string const& p_time = "");

// Reads the selected zones of a CGNS file into one geometry with its variables filed (see CgnsReader).
ZEV_IO_EXPORT GeometryAutoPtr readCgnsGeometry(std::string const& p_path, CgnsSelection const& p_selection);

// Writes the selected sets of a geometry with the named variables (any location; an unknown name is a
// SelectionError).
ZEV_IO_EXPORT void writeGeometry(zev::Geometry const& p_geometry, std::string const& p_path,
                                 ExportSelection const& p_selection,
                                 std::vector<std::string> const& p_variables,
                                 WriteOptions const& p_options = WriteOptions());

} // namespace zev::io
