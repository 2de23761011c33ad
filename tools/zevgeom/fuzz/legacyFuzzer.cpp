// libFuzzer entry point for the legacy reader: any input must either read or fail with a FormatError, and
// whatever reads must write and read back to the same mesh.
#include "zev/io/FormatError.h"
#include "zev/io/VtkLegacyReader.h"
#include "zev/io/VtkLegacyWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* p_data, std::size_t p_size)
{
    using namespace zev::io;
    MeshData mesh;
    try {
        mesh = VtkLegacyReader::readBuffer(std::string_view(reinterpret_cast<char const*>(p_data), p_size),
                                           "fuzz.vtk");
    } catch (FormatError const&) {
        return 0;
    }
    for (auto encoding : {VtkLegacyWriter::Encoding::Ascii, VtkLegacyWriter::Encoding::Binary}) {
        std::ostringstream out;
        VtkLegacyWriter::write(mesh, out, encoding, "fuzz-out.vtk");
        MeshData const again = VtkLegacyReader::readBuffer(out.str(), "fuzz-out.vtk");
        if (again.numPoints() != mesh.numPoints() || again.cellTypes != mesh.cellTypes ||
            again.connectivity.size() != mesh.connectivity.size() ||
            again.pointData.size() != mesh.pointData.size() ||
            again.cellData.size() != mesh.cellData.size()) {
            std::abort();
        }
    }
    return 0;
}
