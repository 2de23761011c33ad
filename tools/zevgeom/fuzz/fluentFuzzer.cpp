// libFuzzer entry point for the Fluent case reader. The input is a case file, optionally followed by a line
// "@@ data" and a data file. Any input must either read or fail with a FormatError, and whatever reads must
// write as XML and read back to the same mesh.
#include "tools/zevgeom/fuzz/FuzzTarget.h"
#include "zev/io/FluentReader.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* p_data, std::size_t p_size)
{
    zev::io::MeshData mesh;
    auto const read = [](std::string_view p_text) {
        std::string_view const mark = "\n@@ data\n";
        std::size_t const at = p_text.find(mark);
        if (at == std::string_view::npos) {
            return zev::io::FluentReader::readText("fuzz.cas", p_text);
        }
        return zev::io::FluentReader::readText("fuzz.cas", p_text.substr(0, at), "fuzz.dat",
                                               p_text.substr(at + mark.size()));
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
