#include "zev/io/FoamFile.h"

#include "zev/io/TextScan.h"

#include <zlib.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <limits>

namespace zev::io::foam {

namespace {

// The characters that end a word or a number: blanks and the format's punctuation.
struct DelimiterTable {
    bool is[256] = {};
    constexpr DelimiterTable()
    {
        for (char c : {' ', '\t', '\n', '\r', '\f', '\v', ';', '(', ')', '{', '}', '[', ']', '"'}) {
            is[static_cast<unsigned char>(c)] = true;
        }
    }
};
constexpr DelimiterTable s_delimiters;

inline bool isDelimiter(char c)
{
    return s_delimiters.is[static_cast<unsigned char>(c)];
}

// The type inside "List<T>", or "" for another word.
std::string_view listType(std::string_view p_word)
{
    if (p_word.size() > 6 && p_word.compare(0, 5, "List<") == 0 && p_word.back() == '>') {
        return p_word.substr(5, p_word.size() - 6);
    }
    return {};
}

constexpr int s_maxIndirections = 16;

// A decimal number of at most 19 significant digits whose value times or over a power of ten up to 10^22
// is exact in double precision (Clinger's fast path): parsed here, correctly rounded, much faster than the
// general parser. Returns the end of the number, or null for anything else (left to std::from_chars).
char const* parseShortDecimal(char const* p_first, char const* p_last, double& p_value)
{
    static constexpr double s_powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    char const* p = p_first;
    bool const negative = p < p_last && *p == '-';
    p += negative ? 1 : 0;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int exponent = 0;
    char const* const start = p;
    for (; p < p_last && *p >= '0' && *p <= '9'; ++p) {
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        digits += (mantissa != 0);
    }
    bool const whole = p > start;
    bool fraction = false;
    if (p < p_last && *p == '.') {
        char const* const dot = ++p;
        for (; p < p_last && *p >= '0' && *p <= '9'; ++p) {
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            digits += (mantissa != 0);
        }
        exponent -= static_cast<int>(p - dot);
        fraction = p > dot;
    }
    if ((!whole && !fraction) || digits > 19) {
        return nullptr;
    }
    if (p < p_last && (*p == 'e' || *p == 'E')) {
        ++p;
        bool const minus = p < p_last && *p == '-';
        p += (p < p_last && (*p == '-' || *p == '+')) ? 1 : 0;
        char const* const expStart = p;
        int e = 0;
        for (; p < p_last && *p >= '0' && *p <= '9' && p - expStart < 4; ++p) {
            e = e * 10 + (*p - '0');
        }
        if (p == expStart || (p < p_last && *p >= '0' && *p <= '9')) {
            return nullptr;
        }
        exponent += minus ? -e : e;
    }
    if (mantissa > (std::uint64_t(1) << 53) || exponent < -22 || exponent > 22) {
        return nullptr;
    }
    double const m = static_cast<double>(mantissa);
    double const v = exponent < 0 ? m / s_powers[-exponent] : m * s_powers[exponent];
    p_value = negative ? -v : v;
    return p;
}

// Skips the blanks at p_pos inline; the caller's full skip handles what else may come (comments).
inline void skipBlanks(char const* p_text, std::size_t p_size, std::size_t& p_pos)
{
    while (p_pos < p_size && (p_text[p_pos] == ' ' || p_text[p_pos] == '\n' || p_text[p_pos] == '\t' ||
                              p_text[p_pos] == '\r')) {
        ++p_pos;
    }
}

} // namespace

Entry const* Dictionary::find(std::string_view p_key) const
{
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->key == p_key) {
            return &*it;
        }
    }
    return nullptr;
}

Entry const* Dictionary::lookup(std::string_view p_key) const
{
    for (Dictionary const* d = this; d != nullptr; d = d->parent) {
        if (Entry const* e = d->find(p_key)) {
            return e;
        }
    }
    return nullptr;
}

Dictionary const* Dictionary::subDictionary(std::string_view p_key) const
{
    Entry const* e = find(p_key);
    return e != nullptr ? e->dict.get() : nullptr;
}

std::string Dictionary::word(std::string_view p_key) const
{
    Entry const* e = find(p_key);
    if (e == nullptr || e->dict || e->tokens.size() != 1) {
        return {};
    }
    Token const& t = e->tokens.front();
    return t.kind == Token::Kind::Word || t.kind == Token::Kind::String ? t.text : std::string();
}

int componentsOf(std::string_view p_type)
{
    if (p_type == "scalar" || p_type == "label" || p_type == "sphericalTensor") {
        return 1;
    }
    if (p_type == "vector") {
        return 3;
    }
    if (p_type == "symmTensor") {
        return 6;
    }
    if (p_type == "tensor") {
        return 9;
    }
    return 0;
}

FoamBytes decompressIfNeeded(FoamBytes p_bytes, std::string const& p_name)
{
    std::string_view const p_data = p_bytes.text;
    if (p_data.size() < 2 || static_cast<unsigned char>(p_data[0]) != 0x1f ||
        static_cast<unsigned char>(p_data[1]) != 0x8b) {
        return p_bytes;
    }
    // zlib cannot expand data by much more than 1032 to 1: more output than that is not a real file.
    std::size_t const limit = p_data.size() * 1032 + (1u << 20);
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 16) != Z_OK) {
        throw FormatError(p_name, 0, FormatError::s_noOffset, "cannot start gzip decompression");
    }
    std::string out;
    out.resize(std::min(limit, std::max<std::size_t>(p_data.size() * 4, 1 << 16)));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(p_data.data()));
    stream.avail_in = static_cast<uInt>(p_data.size());
    std::size_t produced = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (produced == out.size()) {
            if (out.size() >= limit) {
                inflateEnd(&stream);
                throw FormatError(p_name, 0, FormatError::s_noOffset,
                                  "gzip data expands beyond what compression can give");
            }
            out.resize(std::min(limit, out.size() * 2));
        }
        std::size_t const room = std::min<std::size_t>(out.size() - produced, 1u << 30);
        stream.next_out = reinterpret_cast<Bytef*>(&out[produced]);
        stream.avail_out = static_cast<uInt>(room);
        status = inflate(&stream, Z_NO_FLUSH);
        produced += room - stream.avail_out;
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&stream);
            throw FormatError(p_name, 0, stream.total_in,
                              "gzip data is corrupt or cut short" +
                                  std::string(status == Z_BUF_ERROR ? " (it ends early)" : ""));
        }
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) {
            inflateEnd(&stream);
            throw FormatError(p_name, 0, FormatError::s_noOffset, "gzip data ends early");
        }
    }
    inflateEnd(&stream);
    out.resize(produced);
    auto text = std::make_shared<std::string const>(std::move(out));
    FoamBytes result;
    result.text = *text;
    result.owner = std::move(text);
    return result;
}

File::File(std::string p_name, FoamBytes p_bytes)
    : m_name(std::move(p_name)), m_owner(std::move(p_bytes.owner)), m_text(p_bytes.text)
{
    std::size_t pos = 0;
    Token const first = next(pos);
    if (!first.isWord("FoamFile")) {
        fail(first.offset, "the file does not start with a FoamFile header");
    }
    expect(pos, '{', "the FoamFile header");
    std::unique_ptr<Dictionary> header = readDictionary(pos, nullptr, true);
    skipSpace(pos);
    m_bodyStart = pos;
    std::string const format = header->word("format");
    if (format == "binary") {
        m_binary = true;
    } else if (!format.empty() && format != "ascii") {
        fail(0, "unknown format '" + printable(format) + "' in the header (ascii or binary)");
    }
    m_class = header->word("class");
    m_note = header->word("note");
    std::string const arch = header->word("arch");
    if (arch.find("MSB") != std::string::npos) {
        fail(0, "big-endian binary files (arch \"" + printable(arch) + "\") are not read");
    }
    auto size = [&](char const* p_key, int& p_bytes) {
        std::size_t const at = arch.find(p_key);
        if (at == std::string::npos) {
            return;
        }
        int const bits = std::atoi(arch.c_str() + at + std::strlen(p_key));
        if (bits != 32 && bits != 64) {
            fail(0, std::string("unsupported ") + p_key + " size in arch \"" + printable(arch) + "\"");
        }
        p_bytes = bits / 8;
    };
    size("label=", m_labelBytes);
    size("scalar=", m_scalarBytes);
}

std::size_t File::lineOf(std::size_t p_offset) const
{
    p_offset = std::min(p_offset, m_text.size());
    return 1 + static_cast<std::size_t>(std::count(m_text.begin(), m_text.begin() + p_offset, '\n'));
}

void File::fail(std::size_t p_offset, std::string const& p_message) const
{
    throw FormatError(m_name, lineOf(p_offset), FormatError::s_noOffset, p_message);
}

void File::skipSpace(std::size_t& p_pos) const
{
    std::size_t const n = m_text.size();
    char const* const text = m_text.data();
    while (p_pos < n) {
        char const c = text[p_pos];
        // Blanks first, inline: long lists are mostly numbers and blanks.
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            ++p_pos;
        } else if (c == '/' && p_pos + 1 < n && text[p_pos + 1] == '/') {
            std::size_t const end = m_text.find('\n', p_pos);
            p_pos = end == std::string_view::npos ? n : end + 1;
        } else if (c == '/' && p_pos + 1 < n && text[p_pos + 1] == '*') {
            std::size_t const end = m_text.find("*/", p_pos + 2);
            if (end == std::string_view::npos) {
                fail(p_pos, "a comment is never closed");
            }
            p_pos = end + 2;
        } else if (c == '\f' || c == '\v') {
            ++p_pos;
        } else {
            return;
        }
    }
}

bool File::atEnd(std::size_t p_pos) const
{
    skipSpace(p_pos);
    return p_pos >= m_text.size();
}

Token File::next(std::size_t& p_pos) const
{
    skipSpace(p_pos);
    Token t;
    t.offset = p_pos;
    if (p_pos >= m_text.size()) {
        return t; // Punct 0: the end
    }
    char const c = m_text[p_pos];
    if (c == '"') {
        std::size_t i = p_pos + 1;
        while (i < m_text.size() && m_text[i] != '"') {
            i += m_text[i] == '\\' ? 2 : 1;
        }
        if (i >= m_text.size()) {
            fail(p_pos, "a string is never closed");
        }
        t.kind = Token::Kind::String;
        t.text = std::string(m_text.substr(p_pos + 1, i - p_pos - 1));
        p_pos = i + 1;
        return t;
    }
    if (isDelimiter(c)) {
        t.punct = c;
        ++p_pos;
        return t;
    }
    std::size_t end = p_pos;
    while (end < m_text.size() && !isDelimiter(m_text[end])) {
        ++end;
    }
    char const* first = m_text.data() + p_pos;
    char const* last = m_text.data() + end;
    if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') {
        double value = 0.0;
        char const* from = c == '+' ? first + 1 : first;
        auto const result = std::from_chars(from, last, value);
        if (result.ec == std::errc() && result.ptr == last) {
            t.kind = Token::Kind::Number;
            t.number = value;
            p_pos = end;
            return t;
        }
    }
    t.kind = Token::Kind::Word;
    t.text.assign(first, last);
    p_pos = end;
    return t;
}

void File::expect(std::size_t& p_pos, char p_punct, char const* p_what) const
{
    skipBlanks(m_text.data(), m_text.size(), p_pos);
    if (p_pos < m_text.size() && m_text[p_pos] == p_punct) {
        ++p_pos;
        return;
    }
    skipSpace(p_pos);
    if (p_pos < m_text.size() && m_text[p_pos] == p_punct) {
        ++p_pos;
        return;
    }
    Token const t = next(p_pos);
    fail(t.offset, std::string("expected '") + p_punct + "' in " + p_what +
                       (t.kind == Token::Kind::Punct && t.punct == 0 ? ", found the end of the file" : ""));
}

std::int64_t File::readLabel(std::size_t& p_pos, char const* p_what) const
{
    return static_cast<std::int64_t>(readNumber(p_pos, true, p_what));
}

double File::readNumber(std::size_t& p_pos, bool p_label, char const* p_what) const
{
    skipBlanks(m_text.data(), m_text.size(), p_pos);
    if (p_pos < m_text.size() && m_text[p_pos] == '/') {
        skipSpace(p_pos);
    }
    char const* first = m_text.data() + p_pos;
    char const* last = m_text.data() + m_text.size();
    if (first < last && *first == '+') {
        ++first;
    }
    if (p_label) {
        std::int64_t value = 0;
        auto const result = std::from_chars(first, last, value);
        if (result.ec != std::errc() || (result.ptr < last && !isDelimiter(*result.ptr))) {
            fail(p_pos, std::string("expected an integer in ") + p_what + ", found '" +
                            printable(m_text.substr(p_pos, 20)) + "'");
        }
        p_pos = static_cast<std::size_t>(result.ptr - m_text.data());
        return static_cast<double>(value);
    }
    double value = 0.0;
    char const* const quick = parseShortDecimal(first, last, value);
    if (quick != nullptr && (quick == last || isDelimiter(*quick))) {
        p_pos = static_cast<std::size_t>(quick - m_text.data());
        return value;
    }
    auto const result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || (result.ptr < last && !isDelimiter(*result.ptr))) {
        fail(p_pos, std::string("expected a number in ") + p_what + ", found '" +
                        printable(m_text.substr(p_pos, 20)) + "'");
    }
    p_pos = static_cast<std::size_t>(result.ptr - m_text.data());
    return value;
}

void File::readBinary(std::size_t& p_pos, std::size_t p_count, bool p_labels, double* p_out,
                      char const* p_what) const
{
    int const width = p_labels ? m_labelBytes : m_scalarBytes;
    if (p_count > (m_text.size() - p_pos) / static_cast<std::size_t>(width)) {
        fail(p_pos, std::string("the binary data of ") + p_what + " is cut short");
    }
    char const* src = m_text.data() + p_pos;
    for (std::size_t i = 0; i < p_count; ++i, src += width) {
        if (p_labels && width == 4) {
            std::int32_t v;
            std::memcpy(&v, src, 4);
            p_out[i] = v;
        } else if (p_labels) {
            std::int64_t v;
            std::memcpy(&v, src, 8);
            p_out[i] = static_cast<double>(v);
        } else if (width == 4) {
            float v;
            std::memcpy(&v, src, 4);
            p_out[i] = v;
        } else {
            std::memcpy(&p_out[i], src, 8);
        }
    }
    p_pos += p_count * static_cast<std::size_t>(width);
}

NumberList File::readList(std::size_t& p_pos, int p_components, bool p_labels, char const* p_what) const
{
    std::size_t const start = p_pos;
    std::int64_t const count = readLabel(p_pos, p_what);
    std::size_t const remaining = m_text.size() - std::min(p_pos, m_text.size());
    NumberList list;
    list.components = p_components;
    skipSpace(p_pos);
    std::size_t const comps = static_cast<std::size_t>(p_components);
    if (p_pos < m_text.size() && m_text[p_pos] == '{') {
        // "N{v}": N copies of one value; N is bounded so that a short file cannot claim huge memory.
        ++p_pos;
        if (count < 0 ||
            static_cast<std::uint64_t>(count) > std::max<std::size_t>(1u << 20, 64 * m_text.size())) {
            fail(start, std::string("implausible item count ") + std::to_string(count) + " in " + p_what);
        }
        std::vector<double> item(comps);
        if (m_binary) {
            readBinary(p_pos, comps, p_labels, item.data(), p_what);
        } else if (comps == 1) {
            item[0] = readNumber(p_pos, p_labels, p_what);
        } else {
            expect(p_pos, '(', p_what);
            for (double& v : item) {
                v = readNumber(p_pos, p_labels, p_what);
            }
            expect(p_pos, ')', p_what);
        }
        expect(p_pos, '}', p_what);
        list.values.resize(static_cast<std::size_t>(count) * comps);
        for (std::size_t i = 0; i < list.values.size(); ++i) {
            list.values[i] = item[i % comps];
        }
        return list;
    }
    // Every value takes at least one byte (ASCII digit or binary byte): a larger count is a lie.
    if (count < 0 || static_cast<std::uint64_t>(count) > remaining / comps) {
        fail(start, std::string("the item count ") + std::to_string(count) + " of " + p_what +
                        " does not fit the file");
    }
    expect(p_pos, '(', p_what);
    std::size_t const n = static_cast<std::size_t>(count);
    list.values.resize(n * comps);
    if (m_binary && n > 0) {
        readBinary(p_pos, n * comps, p_labels, list.values.data(), p_what);
    } else if (comps == 1) {
        for (std::size_t i = 0; i < n; ++i) {
            list.values[i] = readNumber(p_pos, p_labels, p_what);
        }
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            expect(p_pos, '(', p_what);
            for (std::size_t k = 0; k < comps; ++k) {
                list.values[i * comps + k] = readNumber(p_pos, p_labels, p_what);
            }
            expect(p_pos, ')', p_what);
        }
    }
    expect(p_pos, ')', p_what);
    return list;
}

std::vector<int> File::readLabels(std::size_t& p_pos, std::int64_t p_min, std::int64_t p_max,
                                  char const* p_what) const
{
    std::vector<int> out;
    appendLabels(p_pos, p_min, p_max, p_what, out);
    return out;
}

std::size_t File::appendLabels(std::size_t& p_pos, std::int64_t p_min, std::int64_t p_max, char const* p_what,
                               std::vector<int>& p_out) const
{
    std::size_t const start = p_pos;
    std::int64_t const count = readLabel(p_pos, p_what);
    skipSpace(p_pos);
    bool const uniform = p_pos < m_text.size() && m_text[p_pos] == '{';
    std::size_t const remaining = m_text.size() - std::min(p_pos, m_text.size());
    std::uint64_t const bound = uniform ? std::max<std::size_t>(1u << 20, 64 * m_text.size()) : remaining;
    if (count < 0 || static_cast<std::uint64_t>(count) > bound) {
        fail(start, std::string("the item count ") + std::to_string(count) + " of " + p_what +
                        " does not fit the file");
    }
    std::size_t const n = static_cast<std::size_t>(count);
    auto check = [&](std::int64_t p_value, std::size_t p_at) {
        if (p_value < p_min || p_value > p_max) {
            fail(p_at, std::string("the value ") + std::to_string(p_value) + " in " + p_what +
                           " is outside [" + std::to_string(p_min) + ", " + std::to_string(p_max) + "]");
        }
        return static_cast<int>(p_value);
    };
    std::size_t const first = p_out.size();
    if (uniform) {
        ++p_pos;
        std::size_t const at = p_pos;
        double v = 0;
        if (m_binary) {
            readBinary(p_pos, 1, true, &v, p_what);
        } else {
            v = readNumber(p_pos, true, p_what);
        }
        p_out.resize(first + n, check(static_cast<std::int64_t>(v), at));
        expect(p_pos, '}', p_what);
        return n;
    }
    expect(p_pos, '(', p_what);
    p_out.resize(first + n);
    int* const out = p_out.data() + first;
    if (m_binary && n > 0) {
        std::size_t const width = static_cast<std::size_t>(m_labelBytes);
        if (n > (m_text.size() - p_pos) / width) {
            fail(p_pos, std::string("the binary data of ") + p_what + " is cut short");
        }
        char const* src = m_text.data() + p_pos;
        for (std::size_t i = 0; i < n; ++i, src += width) {
            std::int64_t v;
            if (width == 4) {
                std::int32_t v32;
                std::memcpy(&v32, src, 4);
                v = v32;
            } else {
                std::memcpy(&v, src, 8);
            }
            out[i] = check(v, p_pos + i * width);
        }
        p_pos += n * width;
    } else {
        char const* const base = m_text.data();
        std::size_t const size = m_text.size();
        for (std::size_t i = 0; i < n; ++i) {
            skipBlanks(base, size, p_pos);
            if (p_pos < size && base[p_pos] == '/') {
                skipSpace(p_pos);
            }
            // Plain digits, parsed inline: label lists are the bulk of a mesh's text.
            std::size_t end = p_pos;
            std::int64_t v = 0;
            while (end < size && end - p_pos < 18 && base[end] >= '0' && base[end] <= '9') {
                v = v * 10 + (base[end++] - '0');
            }
            if (end == p_pos || (end < size && !isDelimiter(base[end]))) {
                // A sign, a long number or a malformed one: the general parser decides.
                std::size_t at = p_pos;
                v = readLabel(at, p_what);
                end = at;
            }
            out[i] = check(v, p_pos);
            p_pos = end;
        }
    }
    expect(p_pos, ')', p_what);
    return n;
}

void File::readFaces(std::size_t& p_pos, int p_numPoints, std::vector<int>& p_offsets,
                     std::vector<int>& p_labels) const
{
    std::size_t const start = p_pos;
    std::int64_t const count = readLabel(p_pos, "the face list");
    if (count < 0 || static_cast<std::uint64_t>(count) > (m_text.size() - p_pos) / 4) {
        fail(start, "the face count " + std::to_string(count) + " does not fit the file");
    }
    expect(p_pos, '(', "the face list");
    std::size_t const n = static_cast<std::size_t>(count);
    p_offsets.assign(1, 0);
    p_offsets.reserve(n + 1);
    p_labels.clear();
    p_labels.reserve(4 * n);
    char const* const text = m_text.data();
    std::size_t const size = m_text.size();
    auto cornerTotal = [this](std::size_t p_total, std::size_t p_at) {
        if (p_total > static_cast<std::size_t>(INT_MAX)) {
            fail(p_at, "the faces have more corners than the reader can number");
        }
        return static_cast<int>(p_total);
    };
    for (std::size_t f = 0; f < n; ++f) {
        skipSpace(p_pos);
        std::size_t const at = p_pos;
        // The common form "k(a b c ...)" of plain numbers is parsed inline; anything else (and every error)
        // goes through the general list reader, which names what is wrong.
        std::size_t q = p_pos;
        int k = 0;
        while (q < size && q - p_pos < 4 && text[q] >= '0' && text[q] <= '9') {
            k = k * 10 + (text[q++] - '0');
        }
        if (q > p_pos && q < size && text[q] == '(' && k >= 3) {
            ++q;
            std::size_t const first = p_labels.size();
            bool plain = true;
            for (int j = 0; j < k && plain; ++j) {
                skipBlanks(text, size, q);
                std::size_t const digits = q;
                long long v = 0;
                while (q < size && q - digits < 10 && text[q] >= '0' && text[q] <= '9') {
                    v = v * 10 + (text[q++] - '0');
                }
                plain = q > digits && v < p_numPoints && q < size && isDelimiter(text[q]);
                p_labels.push_back(static_cast<int>(v));
            }
            skipBlanks(text, size, q);
            if (plain && q < size && text[q] == ')') {
                p_pos = q + 1;
                p_offsets.push_back(cornerTotal(p_labels.size(), at));
                continue;
            }
            p_labels.resize(first);
        }
        std::size_t const corners = appendLabels(p_pos, 0, p_numPoints - 1, "a face", p_labels);
        if (corners < 3) {
            fail(at, "face " + std::to_string(f) + " has " + std::to_string(corners) +
                         " corners (at least 3 are needed)");
        }
        p_offsets.push_back(cornerTotal(p_labels.size(), at));
    }
    expect(p_pos, ')', "the face list");
}

std::unique_ptr<Dictionary> File::readDictionary(std::size_t& p_pos, Dictionary const* p_parent,
                                                 bool p_nested) const
{
    auto dict = std::make_unique<Dictionary>();
    dict->parent = p_parent;
    for (;;) {
        Token key = next(p_pos);
        if (key.kind == Token::Kind::Punct && key.punct == 0) {
            if (p_nested) {
                fail(key.offset, "a dictionary is never closed with '}'");
            }
            return dict;
        }
        if (key.is('}')) {
            if (!p_nested) {
                fail(key.offset, "'}' without a dictionary to close");
            }
            return dict;
        }
        if (key.kind == Token::Kind::Word && !key.text.empty() && key.text[0] == '#') {
            // Directives (#include, #inputMode, ...) are not followed: the rest of their line is skipped.
            std::size_t const end = m_text.find('\n', p_pos);
            p_pos = end == std::string_view::npos ? m_text.size() : end;
            continue;
        }
        if (key.kind != Token::Kind::Word && key.kind != Token::Kind::String) {
            fail(key.offset, "expected a keyword, found '" + printable(m_text.substr(key.offset, 20)) + "'");
        }
        Entry entry;
        entry.key = key.text;
        entry.offset = key.offset;
        std::size_t look = p_pos;
        if (next(look).is('{')) {
            p_pos = look;
            entry.dict = readDictionary(p_pos, dict.get(), true);
        } else {
            readEntryTokens(p_pos, entry, dict.get());
        }
        dict->entries.push_back(std::move(entry));
    }
}

void File::readEntryTokens(std::size_t& p_pos, Entry& p_entry, Dictionary const* /*p_scope*/) const
{
    int depth = 0;
    for (;;) {
        std::size_t const before = p_pos;
        Token t = next(p_pos);
        if (t.kind == Token::Kind::Punct && t.punct == 0) {
            fail(p_entry.offset, "the entry '" + printable(p_entry.key) + "' is never ended with ';'");
        }
        if (t.is(';') && depth == 0) {
            return;
        }
        if (t.is('(') || t.is('[')) {
            ++depth;
        } else if (t.is(')') || t.is(']')) {
            if (--depth < 0) {
                fail(t.offset, "unbalanced '" + std::string(1, t.punct) + "' in the entry '" +
                                   printable(p_entry.key) + "'");
            }
        } else if (t.is('{') || t.is('}')) {
            fail(t.offset, "unexpected '" + std::string(1, t.punct) + "' in the entry '" +
                               printable(p_entry.key) + "'");
        }
        bool const wasNonuniform = !p_entry.tokens.empty() && p_entry.tokens.back().isWord("nonuniform");
        std::string_view const type = t.kind == Token::Kind::Word ? listType(t.text) : std::string_view();
        int const comps = type.empty() ? 0 : componentsOf(type);
        if (comps > 0 || (wasNonuniform && t.kind == Token::Kind::Number)) {
            // A long list: read at once, straight into numbers (binary data included).
            std::size_t at = comps > 0 ? p_pos : before;
            int components = comps;
            if (components == 0) {
                // "nonuniform N (...)" without its type: the first item tells scalars from vectors.
                std::size_t peek = p_pos;
                Token const open = next(peek);
                Token const item = next(peek);
                components = 1;
                if (t.number > 0 && open.is('(') && item.is('(')) {
                    components = 0;
                    for (Token v = next(peek); v.kind == Token::Kind::Number; v = next(peek)) {
                        ++components;
                    }
                }
                if (components == 0 || (m_binary && t.number > 0)) {
                    fail(t.offset, "a nonuniform list without its List<type> cannot be read");
                }
            }
            Token list;
            list.kind = Token::Kind::List;
            list.offset = at;
            list.list = std::make_shared<NumberList>(
                readList(at, components, type == "label", ("the list of '" + p_entry.key + "'").c_str()));
            p_pos = at;
            p_entry.tokens.push_back(std::move(list));
            continue;
        }
        p_entry.tokens.push_back(std::move(t));
    }
}

std::shared_ptr<NumberList const> File::fieldValues(Entry const& p_entry, Dictionary const& p_scope,
                                                    int p_components, std::size_t p_count) const
{
    Entry const* entry = &p_entry;
    for (int hops = 0; entry->tokens.size() == 1 && entry->tokens[0].kind == Token::Kind::Word &&
                       entry->tokens[0].text.size() > 1 && entry->tokens[0].text[0] == '$';
         ++hops) {
        std::string const name = entry->tokens[0].text.substr(1);
        Entry const* target = p_scope.lookup(name);
        if (target == nullptr || hops >= s_maxIndirections || target == entry) {
            fail(entry->offset, "'$" + printable(name) + "' names no entry of the file");
        }
        entry = target;
    }
    std::vector<Token> const& tokens = entry->tokens;
    std::string const what = "the entry '" + printable(p_entry.key) + "'";
    if (entry->dict || tokens.empty()) {
        fail(entry->offset, what + " holds no values");
    }
    NumberList out;
    out.components = p_components;
    std::size_t const comps = static_cast<std::size_t>(p_components);
    if (tokens[0].isWord("uniform")) {
        std::vector<double> item;
        if (tokens.size() == 2 && tokens[1].kind == Token::Kind::Number) {
            item.assign(1, tokens[1].number);
        } else if (tokens.size() >= 3 && tokens[1].is('(') && tokens.back().is(')')) {
            for (std::size_t i = 2; i + 1 < tokens.size(); ++i) {
                if (tokens[i].kind != Token::Kind::Number) {
                    fail(tokens[i].offset, what + ": a uniform value holds only numbers");
                }
                item.push_back(tokens[i].number);
            }
        }
        if (item.size() != comps) {
            fail(entry->offset, what + ": the uniform value has " + std::to_string(item.size()) +
                                    " components where " + std::to_string(comps) + " are expected");
        }
        out.values.resize(p_count * comps);
        for (std::size_t i = 0; i < out.values.size(); ++i) {
            out.values[i] = item[i % comps];
        }
        return std::make_shared<NumberList const>(std::move(out));
    }
    if (tokens[0].isWord("nonuniform") && tokens.size() >= 2 && tokens.back().kind == Token::Kind::List) {
        NumberList const& list = *tokens.back().list;
        if (list.components != p_components) {
            fail(entry->offset, what + ": its values have " + std::to_string(list.components) +
                                    " components where " + std::to_string(comps) + " are expected");
        }
        if (list.size() != p_count) {
            fail(entry->offset, what + " has " + std::to_string(list.size()) + " values for " +
                                    std::to_string(p_count) + " items");
        }
        return tokens.back().list;
    }
    fail(entry->offset, what + " is neither 'uniform VALUE' nor 'nonuniform List<TYPE> N (...)'");
}

} // namespace zev::io::foam
