// What every reader's fuzz target checks: any input either reads or fails with a FormatError, and whatever
// reads writes and reads back to the same mesh.
#pragma once

#include "zev/io/FormatError.h"
#include "zev/io/MeshData.h"
#include "zev/io/VtkXmlReader.h"
#include "zev/io/VtkXmlWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <string_view>

namespace zevfuzz {

// Reads the fuzzer's input with p_read (which takes the bytes as text); false when it is malformed.
template <typename Read>
bool readInput(std::uint8_t const* p_data, std::size_t p_size, Read&& p_read, zev::io::MeshData& p_mesh)
{
    try {
        p_mesh = p_read(std::string_view(reinterpret_cast<char const*>(p_data), p_size));
    } catch (zev::io::FormatError const&) {
        return false;
    }
    return true;
}

// Stops the run unless p_again has p_mesh's points and cells (and, with p_arrays, as many arrays).
inline void expectSame(zev::io::MeshData const& p_mesh, zev::io::MeshData const& p_again, bool p_arrays)
{
    bool const same = p_again.numPoints() == p_mesh.numPoints() && p_again.cellTypes == p_mesh.cellTypes &&
                      p_again.connectivity.size() == p_mesh.connectivity.size();
    bool const arrays = p_again.pointData.size() == p_mesh.pointData.size() &&
                        p_again.cellData.size() == p_mesh.cellData.size();
    if (!same || (p_arrays && !arrays)) {
        std::abort();
    }
}

// Writes p_mesh as XML with compressed appended data and reads it back.
inline zev::io::MeshData throughXml(zev::io::MeshData const& p_mesh)
{
    zev::io::VtkXmlWriter::Options options;
    options.compress = true;
    std::ostringstream out;
    zev::io::VtkXmlWriter::write(p_mesh, out, options, "fuzz-out.vtu");
    return zev::io::VtkXmlReader::readBuffer(out.str(), "fuzz-out.vtu");
}

// A case of several files in one input: each file introduced by a line "@@ PATH", its contents the
// lines up to the next such line.
inline std::map<std::string, std::string> splitFiles(std::string_view p_text)
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
        std::size_t const end = next == std::string_view::npos ? p_text.size() : next + 1;
        files[std::string(p_text.substr(nameStart, nameEnd - nameStart))] =
            std::string(p_text.substr(nameEnd + 1, end - nameEnd - 1));
        at = next;
    }
    return files;
}

// Whatever a reader of another format read writes as XML and reads back to the same cells; a mesh the
// writer cannot represent (a coordinate beyond single precision) is refused, not lost.
inline void expectXmlRoundTrip(zev::io::MeshData const& p_mesh)
{
    try {
        expectSame(p_mesh, throughXml(p_mesh), false);
    } catch (zev::io::FormatError const&) {
    }
}

} // namespace zevfuzz
