// libFuzzer entry point for the gmsh reader: any input must either read or fail with a FormatError, and
// whatever reads must write as XML (appended, compressed) and read back to the same mesh.
#include "tools/zevgeom/fuzz/FuzzTarget.h"
#include "zev/io/GmshReader.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* p_data, std::size_t p_size)
{
    zev::io::MeshData mesh;
    auto const read = [](std::string_view p_text) {
        return zev::io::GmshReader::readBuffer(p_text, "fuzz.msh");
    };
    if (!zevfuzz::readInput(p_data, p_size, read, mesh)) {
        return 0;
    }
    zevfuzz::expectXmlRoundTrip(mesh);
    return 0;
}
