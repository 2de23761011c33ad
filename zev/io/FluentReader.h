// Reads a Fluent case file (.cas, or a Fluent .msh; ASCII or binary sections, plain or .gz) and its data
// file into the tool's MeshData. The cells are built from the faces: a cell whose faces make a tetrahedron,
// pyramid, prism or hexahedron becomes that cell, any other cell a polyhedron; the faces of each face zone
// that lie on the boundary (one side has no cell) follow as surface cells, oriented out of the domain.
// The integer cell array "RegionId" holds each cell's zone number: cell zones for the volume cells, face
// zones for the surface cells, each labelled with the zone's name.
// The data file's fields on cell zones and face zones become cell arrays named as VTK names them
// ("PRESSURE", "MOMENTUM", ...); a face zone the data file gives no values of takes, on each face, the
// value of the cell beside it.
#pragma once

#include "zev/io/IOExport.h"

#include "zev/io/MeshData.h"

#include <string>
#include <string_view>

namespace zev::io {

class ZEV_IO_EXPORT FluentReader {
public:
    static constexpr char const* s_regionArray = "RegionId";

    // Reads a case file and the data file p_data: "" for the one beside the case with the same stem
    // (case.cas -> case.dat or case.dat.gz, case.cas.gz -> case.dat.gz or case.dat), when there is one.
    static MeshData readFile(std::string const& p_case, std::string const& p_data = "");
    // The same from memory; p_caseName and p_dataName are used in messages, and an empty p_data text with
    // an empty p_dataName reads no data.
    static MeshData readText(std::string const& p_caseName, std::string_view p_case,
                             std::string const& p_dataName = "", std::string_view p_data = {});

    // The data file read beside a case by default, or "" when there is none.
    static std::string defaultDataFile(std::string const& p_case);
    // Whether a file's first bytes are a Fluent file's: '(' after blanks (gzip data counts, since a
    // gzipped gmsh .msh is not read).
    static bool looksLikeCase(std::string_view p_start);
};

} // namespace zev::io
