// Reads VTK legacy files (ASCII and big-endian BINARY) holding an UNSTRUCTURED_GRID or POLYDATA data set
// into the tool's MeshData. Malformed input of any kind ends in a FormatError naming the line (or, in
// binary data, the byte offset) and what is wrong; declared sizes are checked against what the rest of
// the file can hold before anything is allocated for them.
#pragma once

#include "zev/io/IOExport.h"

#include "zev/io/MeshData.h"

#include <string>
#include <string_view>

namespace zev::io {

class ZEV_IO_EXPORT VtkLegacyReader {
public:
    // Reads the whole file; a file that cannot be opened is a FormatError without a line.
    static MeshData readFile(std::string const& p_path);
    // Reads a file already in memory; p_name is the file name used in messages.
    static MeshData readBuffer(std::string_view p_data, std::string const& p_name);
};

} // namespace zev::io
