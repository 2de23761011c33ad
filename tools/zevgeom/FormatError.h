// The failure of reading or writing a mesh file: where in the file (a line of text, or a byte offset in
// binary data) and what is wrong. The tool prints it as "zevgeom: FILE:LINE: what is wrong" and exits 2.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace zevgeom {

class FormatError : public std::runtime_error {
public:
    static constexpr std::size_t s_noOffset = static_cast<std::size_t>(-1);

    // p_line 0 and p_offset s_noOffset when the failure has no place in the file (e.g. it cannot be
    // opened); a line wins over an offset when both are given.
    FormatError(std::string const& p_file, std::size_t p_line, std::size_t p_offset,
                std::string const& p_message);

    std::string const& file() const { return m_file; }
    std::size_t line() const { return m_line; }
    std::size_t byteOffset() const { return m_offset; }
    std::string const& message() const { return m_message; }

    // "zevgeom: " followed by what(): the line the tool prints on standard error.
    std::string diagnostic() const;

    // The exit code of a malformed or unreadable input file.
    static constexpr int s_exitCode = 2;

private:
    std::string m_file;
    std::size_t m_line;
    std::size_t m_offset;
    std::string m_message;
};

} // namespace zevgeom
