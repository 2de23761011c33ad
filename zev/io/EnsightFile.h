// Internal to the EnSight Gold reader: one geometry or variable file read in order, as text (keywords on
// lines of their own, numbers separated by white space or running together in fixed-width fields) or as
// "C Binary" (80-byte strings, 32-bit integers and floats, in either byte order). Every failure is a
// FormatError naming the file and the line (text) or the byte (binary).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zev::io {

class EnsightFile {
public:
    enum class Encoding { Detect, Ascii, Binary };

    // With Detect a file starting "C Binary" is binary (its first string is consumed) and any other file
    // text; a Fortran binary file is refused. p_swap gives the byte order a binary file's integers have
    // when it is known (from the geometry file); otherwise the first integer read decides it.
    EnsightFile(std::string p_name, std::string p_bytes, Encoding p_encoding, int p_swap = -1);

    bool binary() const { return m_binary; }
    // 1 when the binary numbers are in the other byte order than the host's, 0 when in its own, -1 unknown.
    int swapped() const { return m_swap; }
    std::string const& name() const { return m_name; }

    // The next line as it is (text: the line after the current one, less trailing white space; binary: an
    // 80-byte string up to its first zero byte). Past the end: a failure naming p_what.
    std::string line(char const* p_what);
    // The next non-blank line, lower-cased and trimmed; "" at the end of the file.
    std::string keyword();
    bool atEnd();

    long long integer(char const* p_what);
    // p_count integers or floats appended; the count is checked against the bytes left first.
    void integers(std::size_t p_count, std::vector<int>& p_out, char const* p_what);
    void floats(std::size_t p_count, double* p_out, std::size_t p_stride, char const* p_what);
    double real(char const* p_what);
    // Fails unless p_count values of at least one byte (text) or four bytes (binary) can follow.
    void checkCount(long long p_count, std::size_t p_perItem, char const* p_what);

    [[noreturn]] void fail(std::string const& p_message) const;

private:
    void skipSpace();
    std::uint32_t word(char const* p_what);

    std::string m_name;
    std::string m_bytes;
    bool m_binary = false;
    int m_swap = -1;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    bool m_midLine = false; // text: numbers were read from the current line
};

} // namespace zev::io
