// Writes MeshData as a VTK XML file: UnstructuredGrid (.vtu) for any cells, PolyData (.vtp) for lines and
// surface cells. Data is written as ascii text, inline base64, or appended (raw bytes or base64), with
// UInt64 (or UInt32) size headers and optionally zlib-compressed blocks.
#pragma once

#include "zev/io/IOExport.h"
#include "zev/io/MeshData.h"

#include <cstddef>
#include <ostream>
#include <string>

namespace zev::io {

class ZEV_IO_EXPORT VtkXmlWriter {
public:
    enum class Encoding { Ascii, Binary, Appended, AppendedBase64 };

    struct Options {
        Encoding encoding = Encoding::Appended;
        bool compress = false;
        bool header64 = true;
        std::size_t blockSize = 1 << 15; // bytes per compressed block
    };

    // Writes PolyData when p_mesh.kind is PolyData (volume cells are then a FormatError), otherwise
    // UnstructuredGrid. Arrays that do not match the points and cells, and two point or two cell arrays
    // of one name, and a coordinate its readers refuse (not finite, or of magnitude 3.4028235e38 or more),
    // are a FormatError; nothing is written then.
    static void write(MeshData const& p_mesh, std::ostream& p_out, Options const& p_options,
                      std::string const& p_name);
    static void writeFile(MeshData const& p_mesh, std::string const& p_path, Options const& p_options);
};

} // namespace zev::io
