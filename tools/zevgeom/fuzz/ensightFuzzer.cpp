// libFuzzer entry point for the EnSight Gold reader. The input is a whole case: files one after the other,
// each introduced by a line "@@ NAME" (the newline before it belongs to no file); the case file is c.case.
// Any input must either read or fail with a FormatError (a SelectionError for a time it lacks cannot
// arise: the latest time is read), and whatever reads must write as XML and read back to the same mesh.
#include "tools/zevgeom/fuzz/FuzzTarget.h"
#include "zev/io/EnsightReader.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* p_data, std::size_t p_size)
{
    zev::io::MeshData mesh;
    auto const read = [](std::string_view p_text) {
        return zev::io::EnsightReader::readSource(
            zev::io::EnsightReader::memorySource("c.case", zevfuzz::splitFiles(p_text)));
    };
    if (!zevfuzz::readInput(p_data, p_size, read, mesh)) {
        return 0;
    }
    try {
        zevfuzz::expectSame(mesh, zevfuzz::throughXml(mesh), false);
    } catch (zev::io::FormatError const&) {
        // A mesh the writer cannot represent is refused, not lost.
    }
    return 0;
}
