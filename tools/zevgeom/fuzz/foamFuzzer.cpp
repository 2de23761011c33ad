// libFuzzer entry point for the OpenFOAM case reader. The input is a whole case: files one after the other,
// each introduced by a line "@@ PATH" (PATH relative to the case, e.g. constant/polyMesh/points). Any input
// must either read or fail with a FormatError (a SelectionError for a time it lacks cannot arise: the
// latest time is read), and whatever reads must write as XML and read back to the same mesh.
#include "tools/zevgeom/fuzz/FuzzTarget.h"
#include "zev/io/OpenFoamReader.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* p_data, std::size_t p_size)
{
    zev::io::MeshData mesh;
    auto const read = [](std::string_view p_text) {
        return zev::io::OpenFoamReader::readSource(
            zev::io::OpenFoamReader::memorySource("fuzz", zevfuzz::splitFiles(p_text)));
    };
    if (!zevfuzz::readInput(p_data, p_size, read, mesh)) {
        return 0;
    }
    zevfuzz::expectXmlRoundTrip(mesh);
    return 0;
}
