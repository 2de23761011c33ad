// libFuzzer entry point for the XML reader: any input must either read or fail with a FormatError, and
// whatever reads must write (appended, compressed) and read back to the same mesh.
#include "zev/io/FormatError.h"
#include "zev/io/VtkXmlReader.h"
#include "zev/io/VtkXmlWriter.h"

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
        mesh = VtkXmlReader::readBuffer(std::string_view(reinterpret_cast<char const*>(p_data), p_size),
                                        "fuzz.vtu");
    } catch (FormatError const&) {
        return 0;
    }
    VtkXmlWriter::Options options;
    options.compress = true;
    std::ostringstream out;
    VtkXmlWriter::write(mesh, out, options, "fuzz-out.vtu");
    MeshData const again = VtkXmlReader::readBuffer(out.str(), "fuzz-out.vtu");
    if (again.numPoints() != mesh.numPoints() || again.cellTypes != mesh.cellTypes ||
        again.connectivity.size() != mesh.connectivity.size() ||
        again.pointData.size() != mesh.pointData.size() || again.cellData.size() != mesh.cellData.size()) {
        std::abort();
    }
    return 0;
}
