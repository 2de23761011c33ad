// Reads an OpenFOAM case into the tool's MeshData. The case is named by its folder, a "*.foam" file in it
// or its system/controlDict. constant/polyMesh (points, faces, owner, neighbour, boundary, and cellZones
// when present; ASCII or binary, plain or .gz) becomes the mesh: a cell whose faces make a tetrahedron,
// pyramid, prism or hexahedron becomes that cell, any other cell a polyhedron; each boundary patch's faces
// follow as surface cells, oriented out of the domain. The integer cell array "RegionId" splits them: the
// patches are regions 0, 1, ... labelled with their names, the cell zones regions 0, 1, ... of the volume
// cells labelled with theirs, and cells in no zone region -1.
// The volume and point fields of one written time (scalars, vectors and tensors) become cell and point
// arrays: a volume field's internal values on the cells, and on each patch's faces its boundary values
// (fixedValue and calculated patches their "value", zeroGradient and empty patches the value of the cell
// beside the face, noSlip zero, symmetry and slip patches the cell's value without its normal part, any
// other patch its "value" or else the cell's value).
// A case without constant/polyMesh but with processor0, processor1, ... folders (decomposed, never
// reconstructed) is read part by part and merged through the parts' point, cell and face addressing into
// the whole case: its points, cells in global order, patches and fields; the faces between parts drop out.
#pragma once

#include "zev/io/IOExport.h"

#include "zev/io/MeshData.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zev::io {

// Which written time of a case to read: the latest (the default), the first, or the one whose name or
// value is value.
struct FoamTimeChoice {
    enum class Kind { Latest, First, Value };
    Kind kind = Kind::Latest;
    std::string value;
};

// The bytes of one file of a case and what keeps them alive (a mapping of the file, a string).
struct FoamBytes {
    std::shared_ptr<void const> owner;
    std::string_view text;
};

class ZEV_IO_EXPORT OpenFoamReader {
public:
    static constexpr char const* s_regionArray = "RegionId";

    using TimeChoice = FoamTimeChoice;

    // Where a case's files come from: the case folder by default; tests and the fuzzer give them from
    // memory. read returns false for a missing file; list gives the names in a folder ("" is the case).
    struct Source {
        std::string name; // the case as named in messages
        std::function<bool(std::string const& p_relative, FoamBytes& p_data)> read;
        std::function<std::vector<std::string>(std::string const& p_relative)> list;
        // Whether the relative path names a folder.
        std::function<bool(std::string const& p_relative)> isFolder;
    };

    // Whether a path names an OpenFOAM case: a folder holding constant/polyMesh or system/controlDict,
    // a file ending ".foam" or ".OpenFOAM", or a file named controlDict in a folder named system.
    static bool isCase(std::string const& p_path);
    // The case folder that a path names (see isCase).
    static std::string caseFolder(std::string const& p_path);
    // The written times of a case (folders whose names are numbers), in increasing order.
    static std::vector<std::string> times(Source const& p_source);

    static MeshData readCase(std::string const& p_path, TimeChoice const& p_time = TimeChoice());
    static MeshData readSource(Source const& p_source, TimeChoice const& p_time = TimeChoice());
    // The files of the case folder p_folder.
    static Source folderSource(std::string const& p_folder);
    // A case held in memory: file contents by path relative to the case ("constant/polyMesh/points",
    // "0/p"); the folders are those the paths name.
    static Source memorySource(std::string const& p_name, std::map<std::string, std::string> p_files);
};

} // namespace zev::io
