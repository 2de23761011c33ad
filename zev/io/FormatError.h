// The failure of reading or writing a mesh file: where in the file (a line of legacy text, a byte offset
// in binary data, or an XML element path with an optional byte offset inside its data) and what is wrong.
// what() reads "FILE:LINE: what is wrong", "FILE:byte N: ..." or "FILE:PATH: ..." / "FILE:PATH:byte N: ...",
// or "FILE: NODE: ..." for a node of a CGNS file.
#pragma once

#include "zev/io/IOExport.h"

#include <cstddef>
#include <stdexcept>
#include <string>

namespace zev::io {

class ZEV_IO_EXPORT FormatError : public std::runtime_error {
public:
    static constexpr std::size_t s_noOffset = static_cast<std::size_t>(-1);

    // p_line 0 and p_offset s_noOffset when the failure has no place in the file (e.g. it cannot be
    // opened); a line wins over an offset when both are given.
    FormatError(std::string const& p_file, std::size_t p_line, std::size_t p_offset,
                std::string const& p_message);
    // A failure inside an XML file: p_path names the element ("VTKFile/UnstructuredGrid/Piece[1]/Points"),
    // p_offset the byte in that element's decoded data, or s_noOffset.
    FormatError(std::string const& p_file, std::string const& p_path, std::size_t p_offset,
                std::string const& p_message);

    // A failure at a node of a hierarchical file (a CGNS node path such as "/Base/Zone/Elements");
    // what() reads "FILE: NODE: what is wrong", and elementPath() gives the node path.
    static FormatError atNode(std::string const& p_file, std::string const& p_node,
                              std::string const& p_message);

    std::string const& file() const { return m_file; }
    std::size_t line() const { return m_line; }
    std::size_t byteOffset() const { return m_offset; }
    std::string const& elementPath() const { return m_path; }
    std::string const& message() const { return m_message; }

    // The exit code the tool gives a malformed or unreadable input file.
    static constexpr int s_exitCode = 2;

private:
    std::string m_file;
    std::size_t m_line = 0;
    std::size_t m_offset = s_noOffset;
    std::string m_path;
    std::string m_message;
};

// A request naming something the file does not have (a region array that is missing or not an integer
// array): the caller's mistake rather than the file's.
class ZEV_IO_EXPORT SelectionError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

} // namespace zev::io
