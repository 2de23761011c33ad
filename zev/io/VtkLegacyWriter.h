// Writes the tool's MeshData as a VTK legacy file (ASCII by default, big-endian BINARY on request) in the
// classic layout every viewer reads: UNSTRUCTURED_GRID for any cells, POLYDATA for lines and surface
// cells, with the point and cell arrays declared as they were read.
#pragma once

#include "zev/io/IOExport.h"

#include "zev/io/MeshData.h"

#include <ostream>
#include <string>

namespace zev::io {

class ZEV_IO_EXPORT VtkLegacyWriter {
public:
    enum class Encoding { Ascii, Binary };

    // Writes to a stream; p_name names the destination in messages. A mesh that does not fit its data
    // set kind (volume cells in POLYDATA), whose arrays do not match its points and cells, that has two
    // point or two cell arrays of one name, or a coordinate its readers refuse (not finite, or of magnitude
    // 3.4028235e38 or more) is a FormatError, and nothing is written.
    static void write(MeshData const& p_mesh, std::ostream& p_out, Encoding p_encoding,
                      std::string const& p_name);
    // Writes a file; failing to create or write it is a FormatError without a line.
    static void writeFile(MeshData const& p_mesh, std::string const& p_path,
                          Encoding p_encoding = Encoding::Ascii);
};

} // namespace zev::io
