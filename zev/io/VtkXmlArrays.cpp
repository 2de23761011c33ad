#include "zev/io/VtkXmlParser.h"

#include "zev/io/TextScan.h"
#include "zev/io/ValueRange.h"
#include "zev/io/VtkTypeTables.h"

#include <zlib.h>

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace zev::io::xml {

namespace {

// zlib cannot expand data by more than about 1032 to 1: a declared size beyond that is a lie.
constexpr std::uint64_t s_maxInflation = 1032;

} // namespace

bool isFloat(ValueType p_type)
{
    return p_type == ValueType::Float || p_type == ValueType::Double;
}

bool isUnsignedType(ValueType p_type)
{
    return p_type == ValueType::UnsignedChar || p_type == ValueType::UnsignedShort ||
           p_type == ValueType::UnsignedInt || p_type == ValueType::UInt64;
}

std::uint64_t Parser::headerWord(std::string const& p_bytes, std::size_t p_index) const
{
    std::uint64_t v = 0;
    for (int b = 0; b < m_headerSize; ++b) {
        std::size_t const at = p_index * static_cast<std::size_t>(m_headerSize) +
                               static_cast<std::size_t>(m_bigEndian ? b : m_headerSize - 1 - b);
        v = (v << 8) | static_cast<unsigned char>(p_bytes[at]);
    }
    return v;
}

std::string Parser::readBinary(Source& p_source, std::string const& p_path, std::uint64_t p_expectedBytes,
                               bool p_known)
{
    std::string header;
    auto ends = [&](char const* p_what) {
        if (p_source.stream != nullptr && p_source.stream->failed()) {
            fail(p_path, "the base64 data holds a character outside the base64 alphabet");
        }
        fail(p_path, std::string("the data ends inside ") + p_what);
    };
    std::string out;
    if (!m_compressed) {
        if (!p_source.take(static_cast<std::size_t>(m_headerSize), header)) {
            ends("the size header");
        }
        std::uint64_t const size = headerWord(header, 0);
        if (p_known && size != p_expectedBytes) {
            fail(p_path, "the data holds " + std::to_string(size) + " bytes but " +
                             std::to_string(p_expectedBytes) + " are expected");
        }
        if (size > p_source.remaining()) {
            fail(p_path, "the data declares " + std::to_string(size) + " bytes, more than the file holds");
        }
        out.reserve(static_cast<std::size_t>(size));
        if (!p_source.take(static_cast<std::size_t>(size), out)) {
            ends("the data");
        }
        return out;
    }
    if (!p_source.take(3 * static_cast<std::size_t>(m_headerSize), header)) {
        ends("the compression header");
    }
    std::uint64_t const blocks = headerWord(header, 0);
    std::uint64_t const blockSize = headerWord(header, 1);
    std::uint64_t const lastSize = headerWord(header, 2);
    if (blocks > p_source.remaining() / static_cast<std::uint64_t>(m_headerSize)) {
        fail(p_path, "the compression header declares " + std::to_string(blocks) +
                         " blocks, more than the file holds");
    }
    if (blocks > 0 && (blockSize == 0 || lastSize > blockSize)) {
        fail(p_path, "the compression header's block sizes are inconsistent");
    }
    if (!p_source.take(static_cast<std::size_t>(blocks) * static_cast<std::size_t>(m_headerSize), header)) {
        ends("the compression header");
    }
    std::uint64_t total = 0;
    std::uint64_t compressedTotal = 0;
    if (blocks > 0) {
        if (blockSize > (std::uint64_t(1) << 40) / blocks) {
            fail(p_path, "the compressed data declares more than 1 TiB");
        }
        total = (blocks - 1) * blockSize + (lastSize == 0 ? blockSize : lastSize);
    }
    for (std::uint64_t b = 0; b < blocks; ++b) {
        compressedTotal += headerWord(header, static_cast<std::size_t>(3 + b));
        if (compressedTotal > p_source.remaining()) {
            fail(p_path, "the compressed blocks are larger than the rest of the file");
        }
    }
    if (p_known && total != p_expectedBytes) {
        fail(p_path, "the data holds " + std::to_string(total) + " bytes but " +
                         std::to_string(p_expectedBytes) + " are expected");
    }
    if (total > compressedTotal * s_maxInflation + 64) {
        fail(p_path,
             "the compressed blocks cannot expand to the " + std::to_string(total) + " bytes declared");
    }
    out.resize(static_cast<std::size_t>(total));
    std::string block;
    std::size_t at = 0;
    for (std::uint64_t b = 0; b < blocks; ++b) {
        std::uint64_t const packed = headerWord(header, static_cast<std::size_t>(3 + b));
        std::uint64_t const plain = b + 1 == blocks && lastSize != 0 ? lastSize : blockSize;
        block.clear();
        if (!p_source.take(static_cast<std::size_t>(packed), block)) {
            ends("the compressed data");
        }
        uLongf length = static_cast<uLongf>(plain);
        int const rc = uncompress(reinterpret_cast<Bytef*>(out.data() + at), &length,
                                  reinterpret_cast<Bytef const*>(block.data()), static_cast<uLong>(packed));
        if (rc != Z_OK || length != plain) {
            fail(p_path, "compressed block " + std::to_string(b) + " is corrupt");
        }
        at += static_cast<std::size_t>(plain);
    }
    return out;
}

RawArray Parser::readArray(pugi::xml_node p_node, std::string const& p_path, long long p_tuples,
                           int p_components)
{
    RawArray out;
    std::string const typeName = p_node.attribute("type").value();
    if (!parseXmlType(typeName, out.type)) {
        fail(p_path, "unsupported data type '" + printable(typeName) + "'");
    }
    long long const comps = static_cast<long long>(countAttribute(p_node, "NumberOfComponents", p_path, 1));
    if (comps < 1) {
        fail(p_path, "NumberOfComponents must be at least 1");
    }
    if (p_components > 0 && comps != p_components) {
        fail(p_path,
             "NumberOfComponents must be " + std::to_string(p_components) + ", not " + std::to_string(comps));
    }
    out.components = static_cast<int>(comps);
    int const width = valueTypeSize(out.type);
    out.width = width;
    bool const knownSize = p_tuples >= 0;
    std::uint64_t const expectedValues = knownSize ? std::uint64_t(p_tuples) * std::uint64_t(comps) : 0;
    std::string const format = p_node.attribute("format").as_string("ascii");
    if (format == "ascii") {
        out.isAscii = true;
        std::string_view const text = p_node.child_value();
        if (knownSize && expectedValues > (text.size() + 1) / 2) {
            fail(p_path, std::to_string(p_tuples) + " tuples cannot fit in the element's text");
        }
        readAscii(text, out, p_path);
        if (knownSize && out.ascii.size() != expectedValues) {
            fail(p_path, "holds " + std::to_string(out.ascii.size()) + " values but " +
                             std::to_string(expectedValues) + " are expected");
        }
    } else if (format == "binary" || format == "appended") {
        Source source;
        Base64Stream inlineStream(p_node.child_value());
        Base64Stream appendedStream("");
        if (format == "binary") {
            source.stream = &inlineStream;
        } else {
            if (m_appended.data() == nullptr) {
                fail(p_path, "the array is appended but the file has no AppendedData");
            }
            std::size_t const offset = countOffset(p_node, p_path);
            if (offset > m_appended.size()) {
                fail(p_path, "offset " + std::to_string(offset) + " is beyond the appended data");
            }
            auto const before = m_appendedUsed.upper_bound(offset);
            if (before != m_appendedUsed.begin() && std::prev(before)->second > offset) {
                fail(p_path, "offset " + std::to_string(offset) +
                                 " lies in the data of the array at offset " +
                                 std::to_string(std::prev(before)->first));
            }
            if (m_appendedBase64) {
                appendedStream = Base64Stream(m_appended.substr(offset));
                source.stream = &appendedStream;
            } else {
                source.raw = true;
                source.rawData = m_appended.substr(offset);
            }
        }
        std::uint64_t const expectedBytes = expectedValues * static_cast<std::uint64_t>(width);
        out.bytes = readBinary(source, p_path, expectedBytes, knownSize);
        if (format == "appended") {
            std::size_t const offset = countOffset(p_node, p_path);
            std::size_t const end = offset + (source.raw ? source.rawPos : appendedStream.position());
            auto const next = m_appendedUsed.upper_bound(offset);
            if (next != m_appendedUsed.end() && next->first < end) {
                fail(p_path, "the data at offset " + std::to_string(offset) +
                                 " runs into the data of the array at offset " + std::to_string(next->first));
            }
            m_appendedUsed.emplace(offset, end);
        }
        if (source.stream != nullptr && source.stream->failed()) {
            fail(p_path, "the base64 data holds a character outside the base64 alphabet");
        }
        if (out.bytes.size() % static_cast<std::size_t>(width * comps) != 0) {
            fail(p_path, "the data's " + std::to_string(out.bytes.size()) +
                             " bytes are not a whole number of tuples");
        }
    } else {
        fail(p_path, "format must be ascii, binary or appended, not '" + printable(format) + "'");
    }
    return out;
}

std::size_t Parser::countOffset(pugi::xml_node p_node, std::string const& p_path)
{
    pugi::xml_attribute const a = p_node.attribute("offset");
    if (!a) {
        fail(p_path, "an appended array needs an offset");
    }
    std::string_view const text = a.value();
    unsigned long long value = 0;
    auto const res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || res.ec != std::errc() || res.ptr != text.data() + text.size()) {
        fail(p_path, "offset must be a whole number, not '" + printable(text) + "'");
    }
    return static_cast<std::size_t>(value);
}

void Parser::readAscii(std::string_view p_text, RawArray& p_out, std::string const& p_path)
{
    bool const integer = !isFloat(p_out.type);
    std::size_t pos = 0;
    while (true) {
        while (pos < p_text.size() && isSpace(p_text[pos])) {
            ++pos;
        }
        if (pos >= p_text.size()) {
            break;
        }
        std::size_t end = pos;
        while (end < p_text.size() && !isSpace(p_text[end])) {
            ++end;
        }
        std::string_view tok = p_text.substr(pos, end - pos);
        std::string_view digits = tok;
        if (!digits.empty() && digits[0] == '+') {
            digits.remove_prefix(1);
        }
        double value = 0;
        bool ok = false;
        if (integer) {
            long long v = 0;
            auto const res = std::from_chars(digits.data(), digits.data() + digits.size(), v);
            ok = res.ec == std::errc() && res.ptr == digits.data() + digits.size() && !digits.empty();
            if (!ok && isUnsignedType(p_out.type)) {
                unsigned long long u = 0;
                auto const r2 = std::from_chars(digits.data(), digits.data() + digits.size(), u);
                ok = r2.ec == std::errc() && r2.ptr == digits.data() + digits.size() && !digits.empty();
                value = static_cast<double>(u);
            } else {
                value = static_cast<double>(v);
            }
            if (ok && !fitsValueType(p_out.type, value)) {
                fail(p_path, "value " + std::to_string(p_out.ascii.size()) + " (" + printable(tok) +
                                 ") is outside the range of " + xmlTypeName(p_out.type));
            }
        } else {
            auto const res = std::from_chars(digits.data(), digits.data() + digits.size(), value);
            ok = !digits.empty() && res.ptr == digits.data() + digits.size() &&
                 (res.ec == std::errc() || res.ec == std::errc::result_out_of_range);
            if (ok && res.ec == std::errc::result_out_of_range) {
                value = std::strtod(std::string(digits).c_str(), nullptr);
            }
            if (ok && p_out.type == ValueType::Float) {
                value = std::fabs(value) <= FLT_MAX || std::isnan(value)
                            ? static_cast<double>(static_cast<float>(value))
                            : std::copysign(HUGE_VAL, value);
            }
        }
        if (!ok) {
            fail(p_path, "value " + std::to_string(p_out.ascii.size()) + " is not a number: '" +
                             printable(tok) + "'");
        }
        p_out.ascii.push_back(value);
        pos = end;
    }
}

double Parser::binaryValue(RawArray const& p_array, std::size_t p_index) const
{
    int const size = p_array.width;
    char const* at = p_array.bytes.data() + p_index * static_cast<std::size_t>(size);
    std::uint64_t raw = 0;
    for (int b = 0; b < size; ++b) {
        raw = (raw << 8) | static_cast<unsigned char>(at[m_bigEndian ? b : size - 1 - b]);
    }
    return valueFromBits(p_array.type, raw);
}

std::int64_t Parser::indexValue(RawArray const& p_array, std::size_t p_i, std::string const& p_path) const
{
    if (!p_array.isAscii && p_array.type == ValueType::UInt64) {
        std::uint64_t raw = 0;
        char const* at = p_array.bytes.data() + p_i * 8;
        for (int b = 0; b < 8; ++b) {
            raw = (raw << 8) | static_cast<unsigned char>(at[m_bigEndian ? b : 7 - b]);
        }
        if (raw > static_cast<std::uint64_t>(INT64_MAX)) {
            fail(p_path, "value " + std::to_string(p_i) + " is out of range", p_i * 8);
        }
        return static_cast<std::int64_t>(raw);
    }
    double const v = p_array.isAscii ? p_array.ascii[p_i] : binaryValue(p_array, p_i);
    if (isFloat(p_array.type)) {
        fail(p_path, "an index array must have an integer type");
    }
    if (!(v >= -9.2e18 && v <= 9.2e18)) {
        fail(p_path, "value " + std::to_string(p_i) + " is out of range");
    }
    return static_cast<std::int64_t>(v);
}

std::vector<double> Parser::values(RawArray& p_array) const
{
    if (p_array.isAscii) {
        return std::move(p_array.ascii);
    }
    std::size_t const n = p_array.count();
    std::vector<double> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = binaryValue(p_array, i);
    }
    std::string().swap(p_array.bytes);
    return out;
}

pugi::xml_node Parser::findArray(pugi::xml_node p_parent, char const* p_name)
{
    for (pugi::xml_node a = p_parent.child("DataArray"); a; a = a.next_sibling("DataArray")) {
        if (std::strcmp(a.attribute("Name").value(), p_name) == 0) {
            return a;
        }
    }
    return pugi::xml_node();
}

std::vector<std::int64_t> Parser::indexArray(pugi::xml_node p_parent, char const* p_name,
                                             std::string const& p_path, long long p_count)
{
    pugi::xml_node const node = findArray(p_parent, p_name);
    if (!node) {
        fail(p_path, std::string("there is no DataArray named ") + p_name);
    }
    std::string const path = arrayPath(p_path, node);
    RawArray const raw = readArray(node, path, p_count, 1);
    std::vector<std::int64_t> out(raw.count());
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = indexValue(raw, i, path);
    }
    return out;
}

} // namespace zev::io::xml
