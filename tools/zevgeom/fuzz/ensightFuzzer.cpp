// libFuzzer entry point for the EnSight Gold reader. The input is a whole case: files one after the other,
// each introduced by a line "@@ NAME" (the newline before it belongs to no file); the case file is c.case.
// Any input must either read or fail with a FormatError (a SelectionError for a time it lacks cannot
// arise: the latest time is read), and whatever reads must write as XML and read back to the same mesh.
#include "tools/zevgeom/fuzz/FuzzTarget.h"
#include "zev/io/EnsightReader.h"

#include <map>
#include <string>

namespace {

std::map<std::string, std::string> splitCase(std::string_view p_text)
{
    std::map<std::string, std::string> files;
    std::string_view const mark = "@@ ";
    std::size_t at = p_text.compare(0, mark.size(), mark) == 0 ? 0 : p_text.find("\n@@ ");
    while (at != std::string_view::npos) {
        std::size_t const nameStart = at + (p_text[at] == '\n' ? 1 : 0) + mark.size();
        std::size_t const nameEnd = p_text.find('\n', nameStart);
        if (nameEnd == std::string_view::npos) {
            break;
        }
        std::size_t const next = p_text.find("\n@@ ", nameEnd);
        std::size_t const end = next == std::string_view::npos ? p_text.size() : next;
        files[std::string(p_text.substr(nameStart, nameEnd - nameStart))] =
            std::string(p_text.substr(nameEnd + 1, end - nameEnd - 1));
        at = next;
    }
    return files;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* p_data, std::size_t p_size)
{
    zev::io::MeshData mesh;
    auto const read = [](std::string_view p_text) {
        return zev::io::EnsightReader::readSource(
            zev::io::EnsightReader::memorySource("c.case", splitCase(p_text)));
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
