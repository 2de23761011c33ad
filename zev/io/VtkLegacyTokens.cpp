#include "zev/io/VtkLegacyParser.h"

#include "zev/io/FormatError.h"
#include "zev/io/ValueRange.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace zev::io::legacy {

std::string upper(std::string_view p_text)
{
    std::string out(p_text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Array names encode spaces and other special characters as %XX.
std::string decodeName(std::string_view p_token)
{
    std::string out;
    out.reserve(p_token.size());
    for (std::size_t i = 0; i < p_token.size(); ++i) {
        if (p_token[i] == '%' && i + 2 < p_token.size()) {
            int const hi = hexDigit(p_token[i + 1]);
            int const lo = hexDigit(p_token[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += p_token[i];
    }
    return out;
}

void Parser::fail(Location p_loc, std::string const& p_message) const
{
    throw FormatError(m_name, p_loc.line, p_loc.offset, p_message);
}

void Parser::skipSpace()
{
    while (m_pos < m_data.size() && isSpace(m_data[m_pos])) {
        if (m_data[m_pos] == '\n') {
            ++m_line;
        }
        ++m_pos;
    }
}

std::string Parser::prefix(std::string const& p_section) const
{
    return p_section.empty() ? "" : p_section + ": ";
}

std::string_view Parser::token(std::string const& p_section)
{
    skipSpace();
    m_tokenLoc = here();
    if (m_pos >= m_data.size()) {
        fail(m_tokenLoc, prefix(p_section) + "unexpected end of file");
    }
    std::size_t const start = m_pos;
    while (m_pos < m_data.size() && !isSpace(m_data[m_pos])) {
        ++m_pos;
    }
    return m_data.substr(start, m_pos - start);
}

std::string_view Parser::peekToken()
{
    std::size_t const pos = m_pos;
    std::size_t const line = m_line;
    skipSpace();
    std::size_t end = m_pos;
    while (end < m_data.size() && !isSpace(m_data[end])) {
        ++end;
    }
    std::string_view const tok = m_data.substr(m_pos, end - m_pos);
    m_pos = pos;
    m_line = line;
    return tok;
}

std::string_view Parser::peekTokenOnLine() const
{
    std::size_t pos = m_pos;
    while (pos < m_data.size() && (m_data[pos] == ' ' || m_data[pos] == '\t' || m_data[pos] == '\r')) {
        ++pos;
    }
    std::size_t end = pos;
    while (end < m_data.size() && !isSpace(m_data[end])) {
        ++end;
    }
    return m_data.substr(pos, end - pos);
}

std::string_view Parser::restOfLine()
{
    std::size_t const start = m_pos;
    while (m_pos < m_data.size() && m_data[m_pos] != '\n') {
        ++m_pos;
    }
    std::size_t end = m_pos;
    if (m_pos < m_data.size()) {
        ++m_pos;
        ++m_line;
    }
    if (end > start && m_data[end - 1] == '\r') {
        --end;
    }
    return m_data.substr(start, end - start);
}

std::int64_t Parser::readInt(std::string const& p_section)
{
    std::string_view tok = token(p_section);
    std::string_view digits = tok;
    if (!digits.empty() && digits[0] == '+') {
        digits.remove_prefix(1);
    }
    std::int64_t value = 0;
    auto const res = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || res.ec != std::errc() || res.ptr != digits.data() + digits.size()) {
        fail(m_tokenLoc, prefix(p_section) + "expected an integer, found '" + printable(tok) + "'");
    }
    return value;
}

double Parser::readReal(std::string const& p_section)
{
    std::string_view tok = token(p_section);
    std::string_view digits = tok;
    if (!digits.empty() && digits[0] == '+') {
        digits.remove_prefix(1);
    }
    double value = 0;
    auto const res = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    // A number too large or too small for a double: take the overflowed or underflowed value, which the
    // coordinate checks refuse and data arrays keep.
    if (res.ec == std::errc::result_out_of_range && res.ptr == digits.data() + digits.size()) {
        return std::strtod(std::string(digits).c_str(), nullptr);
    }
    if (digits.empty() || res.ec != std::errc() || res.ptr != digits.data() + digits.size()) {
        fail(m_tokenLoc, prefix(p_section) + "expected a number, found '" + printable(tok) + "'");
    }
    return value;
}

std::int64_t Parser::readCount(std::string const& p_section, std::string const& p_label)
{
    std::int64_t const n = readInt(p_section);
    if (n < 0) {
        fail(m_tokenLoc, prefix(p_section) + p_label + " " + std::to_string(n) + " is negative");
    }
    if (n > INT_MAX) {
        fail(m_tokenLoc, prefix(p_section) + p_label + " " + std::to_string(n) + " is too large");
    }
    return n;
}

void Parser::checkRoom(Location p_loc, std::string const& p_section, std::int64_t p_count,
                       std::string const& p_noun, std::uint64_t p_valuesPerItem, int p_valueSize) const
{
    std::uint64_t const remaining = m_data.size() - m_pos;
    std::uint64_t const count = static_cast<std::uint64_t>(p_count);
    bool fits = true;
    if (p_valuesPerItem != 0 && count > (std::uint64_t(1) << 40) / p_valuesPerItem) {
        fits = false;
    } else {
        std::uint64_t const values = count * p_valuesPerItem;
        std::uint64_t const needed =
            m_binary ? values * static_cast<std::uint64_t>(p_valueSize) : (values == 0 ? 0 : 2 * values - 1);
        fits = needed <= remaining;
    }
    if (!fits) {
        fail(p_loc, prefix(p_section) + std::to_string(p_count) + " " + p_noun +
                        " cannot fit in the rest of the file");
    }
}

void Parser::beginBinary(std::string const& p_section)
{
    while (m_pos < m_data.size() &&
           (m_data[m_pos] == ' ' || m_data[m_pos] == '\t' || m_data[m_pos] == '\r')) {
        ++m_pos;
    }
    if (m_pos >= m_data.size()) {
        fail(here(), prefix(p_section) + "unexpected end of file");
    }
    if (m_data[m_pos] != '\n') {
        fail(here(), prefix(p_section) + "unexpected text before the binary data");
    }
    ++m_pos;
    ++m_line;
    // Line ends inside binary data are not lines: from here on places are byte offsets.
    m_linesValid = false;
}

int Parser::widthOf(ValueType p_type)
{
    switch (p_type) {
    case ValueType::UnsignedChar:
    case ValueType::Char:
        return 1;
    case ValueType::UnsignedShort:
    case ValueType::Short:
        return 2;
    case ValueType::UnsignedInt:
    case ValueType::Int:
    case ValueType::IdType:
    case ValueType::Float:
        return 4;
    default:
        return 8;
    }
}

double Parser::decode(ValueType p_type, std::size_t p_at) const
{
    int const size = widthOf(p_type);
    std::uint64_t raw = 0;
    for (int b = 0; b < size; ++b) {
        raw = (raw << 8) | static_cast<unsigned char>(m_data[p_at + b]);
    }
    return valueFromBits(p_type, raw);
}

void Parser::readValues(std::string const& p_section, ValueType p_type, std::size_t p_count,
                        std::vector<double>& p_out, bool p_coordinates)
{
    p_out.reserve(p_out.size() + p_count);
    bool const integer = p_type != ValueType::Float && p_type != ValueType::Double;
    auto check = [&](double v, std::size_t i, Location loc) {
        if (!p_coordinates) {
            return;
        }
        if (char const* fault = coordinateFault(v)) {
            fail(loc, prefix(p_section) + "point " + std::to_string(i / 3) + " " + fault);
        }
    };
    if (m_binary) {
        beginBinary(p_section);
        std::size_t const size = static_cast<std::size_t>(valueTypeSize(p_type));
        if (p_count > (m_data.size() - m_pos) / size) {
            fail(here(), prefix(p_section) + "the binary data ends early");
        }
        bool const wide = p_type == ValueType::UInt64 || p_type == ValueType::UnsignedLong;
        for (std::size_t i = 0; i < p_count; ++i) {
            std::size_t const at = m_pos + i * size;
            // Unsigned 64-bit values beyond the signed range are refused, as in text.
            if (wide && static_cast<unsigned char>(m_data[at]) >= 0x80) {
                fail(Location{0, at},
                     prefix(p_section) + "value " + std::to_string(i) + " is beyond the signed 64-bit range");
            }
            double const v = decode(p_type, at);
            check(v, i, Location{0, at});
            p_out.push_back(v);
        }
        m_pos += p_count * size;
        return;
    }
    for (std::size_t i = 0; i < p_count; ++i) {
        double v = integer ? static_cast<double>(readInt(p_section)) : readReal(p_section);
        check(v, i, m_tokenLoc);
        if (integer && !fitsValueType(p_type, v)) {
            fail(m_tokenLoc, prefix(p_section) + "value " + std::to_string(static_cast<std::int64_t>(v)) +
                                 " is outside the range of " + valueTypeKeyword(p_type));
        }
        // A float array holds floats: the text's nearest float, not its nearest double.
        if (p_type == ValueType::Float) {
            v = std::fabs(v) <= FLT_MAX || std::isnan(v) ? static_cast<double>(static_cast<float>(v))
                                                         : std::copysign(HUGE_VAL, v);
        }
        p_out.push_back(v);
    }
}

ValueType Parser::readType(std::string const& p_section)
{
    std::string_view const tok = token(p_section);
    ValueType type;
    if (!parseValueType(std::string(tok), type)) {
        fail(m_tokenLoc, prefix(p_section) + "unsupported data type '" + printable(tok) + "'");
    }
    return type;
}

} // namespace zev::io::legacy
