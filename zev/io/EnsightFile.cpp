#include "zev/io/EnsightFile.h"

#include "zev/io/FormatError.h"
#include "zev/io/TextScan.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace zev::io {

namespace {

constexpr std::size_t s_stringSize = 80;

std::uint32_t swapBytes(std::uint32_t p_value)
{
    return (p_value >> 24) | ((p_value >> 8) & 0xff00u) | ((p_value << 8) & 0xff0000u) | (p_value << 24);
}

} // namespace

EnsightFile::EnsightFile(std::string p_name, std::string p_bytes, Encoding p_encoding, int p_swap)
    : m_name(std::move(p_name)), m_bytes(std::move(p_bytes)), m_swap(p_swap)
{
    if (p_encoding == Encoding::Detect) {
        if (m_bytes.size() >= 18 && m_bytes.compare(4, 14, "Fortran Binary") == 0) {
            throw FormatError(m_name, 0, FormatError::s_noOffset,
                              "Fortran binary files are not read; write the case as C binary or ASCII");
        }
        std::size_t start = 0;
        while (start < m_bytes.size() && isSpace(m_bytes[start])) {
            ++start;
        }
        if (m_bytes.compare(start, 8, "C Binary") == 0) {
            m_binary = true;
            m_pos = 0;
            line("the file's format");
        }
    } else {
        m_binary = p_encoding == Encoding::Binary;
    }
}

void EnsightFile::fail(std::string const& p_message) const
{
    if (m_binary) {
        throw FormatError(m_name, 0, m_pos, p_message);
    }
    throw FormatError(m_name, m_line, FormatError::s_noOffset, p_message);
}

std::string EnsightFile::line(char const* p_what)
{
    if (m_binary) {
        if (m_bytes.size() - m_pos < s_stringSize) {
            fail(std::string("the file ends before ") + p_what);
        }
        char const* start = m_bytes.data() + m_pos;
        std::size_t length = 0;
        while (length < s_stringSize && start[length] != '\0') {
            ++length;
        }
        m_pos += s_stringSize;
        std::string text(start, length);
        while (!text.empty() && isSpace(text.back())) {
            text.pop_back();
        }
        return text;
    }
    if (m_midLine) {
        // The rest of the line holding the last numbers read.
        while (m_pos < m_bytes.size() && m_bytes[m_pos] != '\n') {
            ++m_pos;
        }
        if (m_pos < m_bytes.size()) {
            ++m_pos;
            ++m_line;
        }
        m_midLine = false;
    }
    if (m_pos >= m_bytes.size()) {
        fail(std::string("the file ends before ") + p_what);
    }
    std::size_t end = m_bytes.find('\n', m_pos);
    if (end == std::string::npos) {
        end = m_bytes.size();
    }
    std::string text = m_bytes.substr(m_pos, end - m_pos);
    while (!text.empty() && isSpace(text.back())) {
        text.pop_back();
    }
    m_pos = end;
    m_midLine = true; // the next line starts after this one's newline
    return text;
}

std::string EnsightFile::keyword()
{
    while (!atEnd()) {
        std::string text = line("a keyword");
        std::size_t start = 0;
        while (start < text.size() && isSpace(text[start])) {
            ++start;
        }
        text.erase(0, start);
        for (char& c : text) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        if (!text.empty()) {
            return text;
        }
    }
    return {};
}

bool EnsightFile::atEnd()
{
    if (m_binary) {
        return m_pos >= m_bytes.size();
    }
    skipSpace();
    return m_pos >= m_bytes.size();
}

void EnsightFile::skipSpace()
{
    while (m_pos < m_bytes.size() && isSpace(m_bytes[m_pos])) {
        if (m_bytes[m_pos] == '\n') {
            ++m_line;
            m_midLine = false;
        }
        ++m_pos;
    }
}

std::uint32_t EnsightFile::word(char const* p_what)
{
    if (m_bytes.size() - m_pos < 4) {
        fail(std::string("the file ends before ") + p_what);
    }
    std::uint32_t value;
    std::memcpy(&value, m_bytes.data() + m_pos, 4);
    if (m_swap < 0) {
        // The first integer of a file is a part number, a small positive number: its byte order is the
        // one that reads it smaller.
        m_swap = swapBytes(value) < value ? 1 : 0;
    }
    m_pos += 4;
    return m_swap == 1 ? swapBytes(value) : value;
}

long long EnsightFile::integer(char const* p_what)
{
    if (m_binary) {
        return static_cast<std::int32_t>(word(p_what));
    }
    skipSpace();
    if (m_pos >= m_bytes.size()) {
        fail(std::string("the file ends before ") + p_what);
    }
    long long value = 0;
    char const* begin = m_bytes.data() + m_pos;
    auto const result = std::from_chars(begin, m_bytes.data() + m_bytes.size(), value);
    if (result.ec != std::errc()) {
        std::size_t length = 0;
        while (m_pos + length < m_bytes.size() && !isSpace(m_bytes[m_pos + length])) {
            ++length;
        }
        fail(std::string(p_what) + " is '" + printable(std::string_view(begin, length)) +
             "', not an integer");
    }
    m_pos += static_cast<std::size_t>(result.ptr - begin);
    m_midLine = true;
    return value;
}

double EnsightFile::real(char const* p_what)
{
    if (m_binary) {
        std::uint32_t const bits = word(p_what);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    skipSpace();
    if (m_pos >= m_bytes.size()) {
        fail(std::string("the file ends before ") + p_what);
    }
    double value = 0;
    char const* begin = m_bytes.data() + m_pos;
    auto const result = std::from_chars(begin, m_bytes.data() + m_bytes.size(), value);
    if (result.ec != std::errc() || !std::isfinite(value)) {
        std::size_t length = 0;
        while (m_pos + length < m_bytes.size() && !isSpace(m_bytes[m_pos + length])) {
            ++length;
        }
        fail(std::string(p_what) + " is '" + printable(std::string_view(begin, length)) + "', not a number");
    }
    m_pos += static_cast<std::size_t>(result.ptr - begin);
    m_midLine = true;
    return value;
}

void EnsightFile::checkCount(long long p_count, std::size_t p_perItem, char const* p_what)
{
    if (p_count < 0) {
        fail(std::string("the count of ") + p_what + " is " + std::to_string(p_count));
    }
    std::size_t const left = m_bytes.size() - m_pos;
    std::size_t const each = m_binary ? 4 * p_perItem : p_perItem;
    if (static_cast<unsigned long long>(p_count) > left / (each == 0 ? 1 : each)) {
        fail(std::to_string(p_count) + " " + p_what + " do not fit in the " + std::to_string(left) +
             " bytes left");
    }
}

void EnsightFile::integers(std::size_t p_count, std::vector<int>& p_out, char const* p_what)
{
    checkCount(static_cast<long long>(p_count), 1, p_what);
    p_out.reserve(p_out.size() + p_count);
    for (std::size_t i = 0; i < p_count; ++i) {
        long long const v = integer(p_what);
        if (v < -2147483647LL || v > 2147483647LL) {
            fail(std::string(p_what) + " " + std::to_string(v) + " is out of range");
        }
        p_out.push_back(static_cast<int>(v));
    }
}

void EnsightFile::floats(std::size_t p_count, double* p_out, std::size_t p_stride, char const* p_what)
{
    checkCount(static_cast<long long>(p_count), 1, p_what);
    for (std::size_t i = 0; i < p_count; ++i) {
        p_out[i * p_stride] = real(p_what);
    }
}

} // namespace zev::io
