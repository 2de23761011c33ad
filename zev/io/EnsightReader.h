// Reads an EnSight Gold case (its .case file, and the geometry and variable files it names, ASCII or
// C binary) into the tool's MeshData. Each part's nodes are its own: they follow one another in the
// point array. Its elements become cells in VTK's corner order: point elements are skipped, second-order
// elements read as the linear cells of their corners, nsided elements as polygons, and nfaced elements
// as the cells their faces make (a tetrahedron, pyramid, prism or hexahedron where they make one, a
// polyhedron otherwise). The integer cell array "PartId" holds each cell's part number; the parts'
// descriptions label them (region 3 for a part's volume cells, 2 for its surface cells). Scalar and vector
// variables per node and per element become point and cell arrays; values the files leave out (parts or
// element blocks missing, "partial" blocks) or mark undefined ("undef") hold 3.4028235e38.
#pragma once

#include "zev/io/IOExport.h"

#include "zev/io/MeshData.h"
#include "zev/io/OpenFoamReader.h"

#include <functional>
#include <map>
#include <string>

namespace zev::io {

class ZEV_IO_EXPORT EnsightReader {
public:
    static constexpr char const* s_regionArray = "PartId";

    // Which time step to read: the latest (the default), the first, or the one whose time value is value;
    // a file whose time set has no such step is read at its last step before that time.
    using TimeChoice = FoamTimeChoice;

    // Where a case's files come from: p_relative is the case file's own name for the file (relative to the
    // case file's folder unless absolute); read returns false for a missing file.
    struct Source {
        std::string caseFile; // as named by read, and in messages
        std::function<bool(std::string const& p_relative, std::string& p_bytes)> read;
        // The name of a file in messages.
        std::function<std::string(std::string const& p_relative)> nameOf;
    };

    static MeshData readCase(std::string const& p_path, TimeChoice const& p_time = TimeChoice());
    static MeshData readSource(Source const& p_source, TimeChoice const& p_time = TimeChoice());
    // A case held in memory: the case file p_caseFile and the files it names, by name.
    static Source memorySource(std::string const& p_caseFile, std::map<std::string, std::string> p_files);
};

} // namespace zev::io
