// libFuzzer entry point for the XML reader: any input must either read or fail with a FormatError, and
// whatever reads must write (appended, compressed) and read back to the same mesh.
#include "tools/zevgeom/fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* p_data, std::size_t p_size)
{
    zev::io::MeshData mesh;
    auto const read = [](std::string_view p_text) {
        return zev::io::VtkXmlReader::readBuffer(p_text, "fuzz.vtu");
    };
    if (zevfuzz::readInput(p_data, p_size, read, mesh)) {
        zevfuzz::expectSame(mesh, zevfuzz::throughXml(mesh), true);
    }
    return 0;
}
