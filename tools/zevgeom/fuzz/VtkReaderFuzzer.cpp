// libFuzzer entry point: any input must either read or fail with a FormatError, and whatever reads must
// write and read back to the same mesh.
#include "tools/zevgeom/FormatError.h"
#include "tools/zevgeom/VtkReader.h"
#include "tools/zevgeom/VtkWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* p_data, std::size_t p_size)
{
    using namespace zevgeom;
    MeshData mesh;
    try {
        mesh = VtkReader::readBuffer(std::string_view(reinterpret_cast<char const*>(p_data), p_size),
                                     "fuzz.vtk");
    } catch (FormatError const&) {
        return 0;
    }
    for (auto encoding : {VtkWriter::Encoding::Ascii, VtkWriter::Encoding::Binary}) {
        std::ostringstream out;
        VtkWriter::write(mesh, out, encoding, "fuzz-out.vtk");
        MeshData const again = VtkReader::readBuffer(out.str(), "fuzz-out.vtk");
        if (again.numPoints() != mesh.numPoints() || again.cellTypes != mesh.cellTypes ||
            again.connectivity.size() != mesh.connectivity.size() ||
            again.pointData.size() != mesh.pointData.size() ||
            again.cellData.size() != mesh.cellData.size()) {
            std::abort();
        }
    }
    return 0;
}
