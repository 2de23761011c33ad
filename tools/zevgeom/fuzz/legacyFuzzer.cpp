// libFuzzer entry point for the legacy reader: any input must either read or fail with a FormatError, and
// whatever reads must write (ASCII and BINARY) and read back to the same mesh.
#include "tools/zevgeom/fuzz/FuzzTarget.h"
#include "zev/io/VtkLegacyReader.h"
#include "zev/io/VtkLegacyWriter.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* p_data, std::size_t p_size)
{
    using zev::io::VtkLegacyReader;
    using zev::io::VtkLegacyWriter;
    zev::io::MeshData mesh;
    auto const read = [](std::string_view p_text) { return VtkLegacyReader::readBuffer(p_text, "fuzz.vtk"); };
    if (!zevfuzz::readInput(p_data, p_size, read, mesh)) {
        return 0;
    }
    for (auto encoding : {VtkLegacyWriter::Encoding::Ascii, VtkLegacyWriter::Encoding::Binary}) {
        std::ostringstream out;
        VtkLegacyWriter::write(mesh, out, encoding, "fuzz-out.vtk");
        zevfuzz::expectSame(mesh, VtkLegacyReader::readBuffer(out.str(), "fuzz-out.vtk"), true);
    }
    return 0;
}
