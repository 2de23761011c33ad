// Reads VTK XML files holding an UnstructuredGrid (.vtu) or PolyData (.vtp) into MeshData: ascii, binary
// (base64) and appended (raw or base64) data, UInt32 and UInt64 headers, zlib-compressed blocks, either
// byte order, and several pieces (joined into one mesh). Malformed input ends in a FormatError naming the
// element (and the byte offset inside its data); declared sizes are checked against the data the file
// holds before anything is allocated for them.
#pragma once

#include "zev/io/IOExport.h"
#include "zev/io/MeshData.h"

#include <string>
#include <string_view>

namespace zev::io {

class ZEV_IO_EXPORT VtkXmlReader {
public:
    static MeshData readFile(std::string const& p_path);
    // Reads a file already in memory; p_name is the file name used in messages.
    static MeshData readBuffer(std::string_view p_data, std::string const& p_name);
};

} // namespace zev::io
