#include "zev/io/VtkXmlReader.h"

#include "zev/contracts/ProgressTracker.h"
#include "zev/io/Base64.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FormatError.h"
#include "zev/io/VtkCellOrder.h"

#include <pugixml.hpp>
#include <zlib.h>

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>

namespace zev::io {

namespace {

// zlib cannot expand data by more than about 1032 to 1: a declared size beyond that is a lie.
constexpr std::uint64_t s_maxInflation = 1032;

std::string printable(std::string_view p_text)
{
    constexpr std::size_t maxLength = 40;
    std::string out;
    for (std::size_t i = 0; i < p_text.size() && i < maxLength; ++i) {
        unsigned char const c = static_cast<unsigned char>(p_text[i]);
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    if (p_text.size() > maxLength) {
        out += "...";
    }
    return out;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

struct XmlType {
    char const* name;
    ValueType type;
};
XmlType const s_types[] = {{"Int8", ValueType::Char},     {"UInt8", ValueType::UnsignedChar},
                           {"Int16", ValueType::Short},   {"UInt16", ValueType::UnsignedShort},
                           {"Int32", ValueType::Int},     {"UInt32", ValueType::UnsignedInt},
                           {"Int64", ValueType::Int64},   {"UInt64", ValueType::UInt64},
                           {"Float32", ValueType::Float}, {"Float64", ValueType::Double}};

bool isFloat(ValueType p_type)
{
    return p_type == ValueType::Float || p_type == ValueType::Double;
}

bool isUnsignedType(ValueType p_type)
{
    return p_type == ValueType::UnsignedChar || p_type == ValueType::UnsignedShort ||
           p_type == ValueType::UnsignedInt || p_type == ValueType::UInt64;
}

// One array as read: its values, widened to double (index arrays are read as int64 separately).
struct RawArray {
    ValueType type = ValueType::Float;
    int width = 4; // bytes per value
    int components = 1;
    std::string bytes;         // decoded binary data, host order not yet applied
    std::vector<double> ascii; // values of an ascii array
    bool isAscii = false;
    std::size_t count() const
    {
        return isAscii ? ascii.size() : bytes.size() / static_cast<std::size_t>(width);
    }
};

class Parser {
public:
    Parser(std::string_view p_data, std::string const& p_name) : m_data(p_data), m_name(p_name) {}

    MeshData parse()
    {
        loadDocument();
        pugi::xml_node const root = m_doc.child("VTKFile");
        if (!root) {
            failDoc("not a VTK XML file: there is no VTKFile element");
        }
        std::string const type = root.attribute("type").value();
        if (type == "UnstructuredGrid") {
            m_mesh.kind = DatasetKind::UnstructuredGrid;
        } else if (type == "PolyData") {
            m_mesh.kind = DatasetKind::PolyData;
        } else {
            fail("VTKFile", "unsupported data set type '" + printable(type) +
                                "'; UnstructuredGrid and PolyData are read");
        }
        std::string const order = root.attribute("byte_order").as_string("LittleEndian");
        if (order != "LittleEndian" && order != "BigEndian") {
            fail("VTKFile", "unknown byte_order '" + printable(order) + "'");
        }
        m_bigEndian = order == "BigEndian";
        std::string const header = root.attribute("header_type").as_string("UInt32");
        if (header != "UInt32" && header != "UInt64") {
            fail("VTKFile", "header_type must be UInt32 or UInt64, not '" + printable(header) + "'");
        }
        m_headerSize = header == "UInt64" ? 8 : 4;
        std::string const compressor = root.attribute("compressor").value();
        if (!compressor.empty() && compressor != "vtkZLibDataCompressor") {
            fail("VTKFile", "unsupported compressor '" + printable(compressor) + "'; only zlib is read");
        }
        m_compressed = !compressor.empty();
        if (pugi::xml_node const appended = root.child("AppendedData")) {
            std::string const encoding = appended.attribute("encoding").as_string("raw");
            if (encoding != "raw" && encoding != "base64") {
                fail("VTKFile/AppendedData",
                     "encoding must be raw or base64, not '" + printable(encoding) + "'");
            }
            m_appendedBase64 = encoding == "base64";
        }
        pugi::xml_node const dataset = root.child(type.c_str());
        if (!dataset) {
            fail("VTKFile", "there is no " + type + " element");
        }
        std::string const datasetPath = "VTKFile/" + type;
        int index = 0;
        for (pugi::xml_node piece = dataset.child("Piece"); piece; piece = piece.next_sibling("Piece")) {
            readPiece(piece, datasetPath + "/Piece[" + std::to_string(index) + "]");
            ++index;
        }
        return std::move(m_mesh);
    }

private:
    [[noreturn]] void fail(std::string const& p_path, std::string const& p_message,
                           std::size_t p_offset = FormatError::s_noOffset) const
    {
        throw FormatError(m_name, p_path, p_offset, p_message);
    }
    [[noreturn]] void failDoc(std::string const& p_message,
                              std::size_t p_offset = FormatError::s_noOffset) const
    {
        throw FormatError(m_name, 0, p_offset, p_message);
    }

    // Parses the XML part of the file. Raw appended data is binary and no XML: the document is cut at its
    // '_' marker and closed, and the bytes after the marker are kept aside.
    void loadDocument()
    {
        std::string_view text = m_data;
        std::string patched;
        std::size_t const tag = m_data.find("<AppendedData");
        if (tag != std::string_view::npos) {
            std::size_t const close = m_data.find('>', tag);
            if (close == std::string_view::npos) {
                failDoc("malformed XML: the AppendedData tag is not closed", tag);
            }
            std::size_t mark = close + 1;
            while (mark < m_data.size() && isSpace(m_data[mark])) {
                ++mark;
            }
            if (m_data.substr(close - 1, 1) != "/") {
                if (mark >= m_data.size() || m_data[mark] != '_') {
                    failDoc("AppendedData must start with '_'", mark);
                }
                m_appended = m_data.substr(mark + 1);
                m_appendedStart = mark + 1;
                patched.reserve(close + 40);
                patched.append(m_data.substr(0, close + 1));
                patched.append("</AppendedData></VTKFile>");
                text = patched;
            }
        }
        pugi::xml_parse_result const result =
            m_doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
        if (!result) {
            failDoc(std::string("malformed XML: ") + result.description(),
                    static_cast<std::size_t>(result.offset));
        }
    }

    // A count attribute: a whole number from 0 to INT_MAX; missing is p_default (or an error when -1).
    std::size_t countAttribute(pugi::xml_node p_node, char const* p_name, std::string const& p_path,
                               long long p_default)
    {
        pugi::xml_attribute const a = p_node.attribute(p_name);
        if (!a) {
            if (p_default < 0) {
                fail(p_path, std::string("the attribute ") + p_name + " is missing");
            }
            return static_cast<std::size_t>(p_default);
        }
        std::string_view const text = a.value();
        long long value = 0;
        auto const res = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || res.ec != std::errc() || res.ptr != text.data() + text.size()) {
            fail(p_path, std::string(p_name) + " must be a whole number, not '" + printable(text) + "'");
        }
        if (value < 0 || value > INT_MAX) {
            fail(p_path, std::string(p_name) + " " + std::to_string(value) + " is outside 0.." +
                             std::to_string(INT_MAX));
        }
        return static_cast<std::size_t>(value);
    }

    static std::string arrayPath(std::string const& p_parent, pugi::xml_node p_array)
    {
        std::string const name = p_array.attribute("Name").value();
        return p_parent + "/DataArray" + (name.empty() ? std::string() : "[@Name='" + printable(name) + "']");
    }

    std::uint64_t headerWord(std::string const& p_bytes, std::size_t p_index) const
    {
        std::uint64_t v = 0;
        for (int b = 0; b < m_headerSize; ++b) {
            std::size_t const at = p_index * static_cast<std::size_t>(m_headerSize) +
                                   static_cast<std::size_t>(m_bigEndian ? b : m_headerSize - 1 - b);
            v = (v << 8) | static_cast<unsigned char>(p_bytes[at]);
        }
        return v;
    }

    // Takes bytes from the array's binary source: raw appended bytes or a base64 stream.
    struct Source {
        bool raw = false;
        std::string_view rawData;
        std::size_t rawPos = 0;
        Base64Stream* stream = nullptr;
        bool take(std::size_t p_count, std::string& p_out)
        {
            if (raw) {
                if (p_count > rawData.size() - rawPos) {
                    return false;
                }
                p_out.append(rawData.substr(rawPos, p_count));
                rawPos += p_count;
                return true;
            }
            return stream->take(p_count, p_out);
        }
        std::size_t remaining() const { return raw ? rawData.size() - rawPos : stream->remainingBound(); }
    };

    // Reads the header and the (possibly compressed) bytes of one binary array. p_expected is the byte
    // count the element's attributes imply, or 0 when unknown (connectivity).
    std::string readBinary(Source& p_source, std::string const& p_path, std::uint64_t p_expectedBytes,
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
                fail(p_path,
                     "the data declares " + std::to_string(size) + " bytes, more than the file holds");
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
        if (!p_source.take(static_cast<std::size_t>(blocks) * static_cast<std::size_t>(m_headerSize),
                           header)) {
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
            int const rc =
                uncompress(reinterpret_cast<Bytef*>(out.data() + at), &length,
                           reinterpret_cast<Bytef const*>(block.data()), static_cast<uLong>(packed));
            if (rc != Z_OK || length != plain) {
                fail(p_path, "compressed block " + std::to_string(b) + " is corrupt");
            }
            at += static_cast<std::size_t>(plain);
        }
        return out;
    }

    // Reads one DataArray. p_tuples is the tuple count the piece declares for it (or -1 when the array's
    // own size decides, as for connectivity); p_components the required component count (or 0).
    RawArray readArray(pugi::xml_node p_node, std::string const& p_path, long long p_tuples, int p_components)
    {
        RawArray out;
        std::string const typeName = p_node.attribute("type").value();
        bool known = false;
        for (XmlType const& t : s_types) {
            if (typeName == t.name) {
                out.type = t.type;
                known = true;
            }
        }
        if (!known) {
            fail(p_path, "unsupported data type '" + printable(typeName) + "'");
        }
        long long const comps =
            static_cast<long long>(countAttribute(p_node, "NumberOfComponents", p_path, 1));
        if (comps < 1) {
            fail(p_path, "NumberOfComponents must be at least 1");
        }
        if (p_components > 0 && comps != p_components) {
            fail(p_path, "NumberOfComponents must be " + std::to_string(p_components) + ", not " +
                             std::to_string(comps));
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

    std::size_t countOffset(pugi::xml_node p_node, std::string const& p_path)
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

    void readAscii(std::string_view p_text, RawArray& p_out, std::string const& p_path)
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
                if (ok && !inRange(p_out.type, value)) {
                    fail(p_path, "value " + std::to_string(p_out.ascii.size()) + " (" + printable(tok) +
                                     ") is outside the range of " + typeNameOf(p_out.type));
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

    static char const* typeNameOf(ValueType p_type)
    {
        for (XmlType const& t : s_types) {
            if (t.type == p_type) {
                return t.name;
            }
        }
        return "?";
    }

    static bool inRange(ValueType p_type, double p_value)
    {
        switch (p_type) {
        case ValueType::Char:
            return p_value >= -128 && p_value <= 127;
        case ValueType::UnsignedChar:
            return p_value >= 0 && p_value <= 255;
        case ValueType::Short:
            return p_value >= -32768 && p_value <= 32767;
        case ValueType::UnsignedShort:
            return p_value >= 0 && p_value <= 65535;
        case ValueType::Int:
            return p_value >= INT_MIN && p_value <= INT_MAX;
        case ValueType::UnsignedInt:
            return p_value >= 0 && p_value <= 4294967295.0;
        case ValueType::UInt64:
            return p_value >= 0;
        default:
            return true;
        }
    }

    // The value at p_index of a binary array, in the file's byte order.
    double binaryValue(RawArray const& p_array, std::size_t p_index) const
    {
        int const size = p_array.width;
        char const* at = p_array.bytes.data() + p_index * static_cast<std::size_t>(size);
        std::uint64_t raw = 0;
        for (int b = 0; b < size; ++b) {
            raw = (raw << 8) | static_cast<unsigned char>(at[m_bigEndian ? b : size - 1 - b]);
        }
        return valueFromBits(p_array.type, raw);
    }

    // Index values (connectivity, offsets, types, faces) as 64-bit integers; a fraction or a value
    // outside int64 is refused.
    std::int64_t indexValue(RawArray const& p_array, std::size_t p_i, std::string const& p_path) const
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

    // The array's values; an ascii array hands its values over, a binary one frees its bytes.
    std::vector<double> values(RawArray& p_array) const
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

    pugi::xml_node findArray(pugi::xml_node p_parent, char const* p_name)
    {
        for (pugi::xml_node a = p_parent.child("DataArray"); a; a = a.next_sibling("DataArray")) {
            if (std::strcmp(a.attribute("Name").value(), p_name) == 0) {
                return a;
            }
        }
        return pugi::xml_node();
    }

    std::vector<std::int64_t> indexArray(pugi::xml_node p_parent, char const* p_name,
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

    // Appends the cells of one cell section (connectivity and end offsets), checking every index.
    void readCells(pugi::xml_node p_section, std::string const& p_path, std::size_t p_cells,
                   std::size_t p_points, std::vector<std::int64_t>& p_offsets,
                   std::vector<std::int64_t>& p_ids)
    {
        p_offsets = indexArray(p_section, "offsets", p_path, static_cast<long long>(p_cells));
        p_ids = indexArray(p_section, "connectivity", p_path, -1);
        std::int64_t previous = 0;
        for (std::size_t c = 0; c < p_cells; ++c) {
            if (p_offsets[c] < previous || p_offsets[c] > static_cast<std::int64_t>(p_ids.size())) {
                fail(p_path + "/DataArray[@Name='offsets']",
                     "cell " + std::to_string(c) + " ends at " + std::to_string(p_offsets[c]) + ", outside " +
                         std::to_string(previous) + ".." + std::to_string(p_ids.size()));
            }
            previous = p_offsets[c];
        }
        if (static_cast<std::size_t>(previous) != p_ids.size()) {
            fail(p_path + "/DataArray[@Name='offsets']", "the offsets end at " + std::to_string(previous) +
                                                             " but connectivity holds " +
                                                             std::to_string(p_ids.size()) + " values");
        }
        for (std::size_t i = 0; i < p_ids.size(); ++i) {
            if (p_ids[i] < 0 || static_cast<std::size_t>(p_ids[i]) >= p_points) {
                fail(p_path + "/DataArray[@Name='connectivity']",
                     "value " + std::to_string(i) + " uses point " + std::to_string(p_ids[i]) +
                         ", but the piece has " + std::to_string(p_points) + " points");
            }
        }
    }

    void addCell(VtkCellType p_type, std::int64_t const* p_ids, std::size_t p_count, std::size_t p_base)
    {
        for (std::size_t k = 0; k < p_count; ++k) {
            m_mesh.connectivity.push_back(static_cast<int>(p_ids[k] + static_cast<std::int64_t>(p_base)));
        }
        m_mesh.cellTypes.push_back(p_type);
        m_mesh.offsets.push_back(m_mesh.connectivity.size());
    }

    void readPiece(pugi::xml_node p_piece, std::string const& p_path)
    {
        bool const ug = m_mesh.kind == DatasetKind::UnstructuredGrid;
        std::size_t const points = countAttribute(p_piece, "NumberOfPoints", p_path, -1);
        std::size_t const base = m_mesh.numPoints();
        if (base + points > static_cast<std::size_t>(INT_MAX)) {
            fail(p_path, "the pieces hold more than " + std::to_string(INT_MAX) + " points");
        }
        std::size_t cells = 0;
        std::size_t lines = 0, polys = 0;
        if (ug) {
            cells = countAttribute(p_piece, "NumberOfCells", p_path, -1);
        } else {
            for (char const* unsupported : {"NumberOfVerts", "NumberOfStrips"}) {
                if (countAttribute(p_piece, unsupported, p_path, 0) != 0) {
                    fail(p_path,
                         std::string(unsupported + 8) + " are not supported; Lines and Polys are read");
                }
            }
            lines = countAttribute(p_piece, "NumberOfLines", p_path, 0);
            polys = countAttribute(p_piece, "NumberOfPolys", p_path, 0);
            cells = lines + polys;
        }
        ProgressTracker progress;
        progress.setProgress(0.0, true);

        // Points.
        if (points > 0 || p_piece.child("Points")) {
            pugi::xml_node const pts = p_piece.child("Points");
            pugi::xml_node const node = pts.child("DataArray");
            std::string const path = p_path + "/Points";
            if (!node) {
                fail(path, "there is no Points DataArray");
            }
            RawArray raw = readArray(node, arrayPath(path, node), static_cast<long long>(points), 3);
            if (!isFloat(raw.type)) {
                fail(arrayPath(path, node), "point coordinates must be Float32 or Float64");
            }
            if (raw.type == ValueType::Double) {
                m_mesh.pointType = ValueType::Double;
            }
            std::vector<double> xyz = values(raw);
            for (std::size_t i = 0; i < xyz.size(); ++i) {
                if (!std::isfinite(xyz[i])) {
                    fail(arrayPath(path, node),
                         "point " + std::to_string(i / 3) + " has a coordinate that is not a finite number",
                         raw.isAscii ? FormatError::s_noOffset
                                     : i * static_cast<std::size_t>(valueTypeSize(raw.type)));
                }
                if (std::fabs(xyz[i]) > FLT_MAX) {
                    fail(arrayPath(path, node),
                         "point " + std::to_string(i / 3) +
                             " has a coordinate outside the single-precision range",
                         raw.isAscii ? FormatError::s_noOffset
                                     : i * static_cast<std::size_t>(valueTypeSize(raw.type)));
                }
            }
            if (m_mesh.points.empty()) {
                m_mesh.points = std::move(xyz);
            } else {
                m_mesh.points.insert(m_mesh.points.end(), xyz.begin(), xyz.end());
            }
        }
        progress.setProgress(0.3, false);

        // Cells.
        std::size_t const firstCell = m_mesh.numCells();
        if (m_mesh.connectivity.size() > static_cast<std::size_t>(INT_MAX)) {
            fail(p_path, "the pieces hold too many cells");
        }
        std::vector<std::int64_t> offsets, ids;
        if (ug && cells > 0) {
            pugi::xml_node const section = p_piece.child("Cells");
            std::string const path = p_path + "/Cells";
            if (!section) {
                fail(p_path, "there is no Cells element");
            }
            readCells(section, path, cells, points, offsets, ids);
            std::vector<std::int64_t> const types =
                indexArray(section, "types", path, static_cast<long long>(cells));
            std::vector<std::int64_t> faces, faceOffsets;
            bool const hasFaces = static_cast<bool>(findArray(section, "faces"));
            if (hasFaces) {
                faces = indexArray(section, "faces", path, -1);
                faceOffsets = indexArray(section, "faceoffsets", path, static_cast<long long>(cells));
            }
            std::string const typesPath = path + "/DataArray[@Name='types']";
            std::int64_t start = 0;
            std::int64_t faceStart = 0;
            std::vector<int> stream;
            PolyhedronTopology topology;
            for (std::size_t c = 0; c < cells; ++c) {
                std::int64_t const t = types[c];
                if (t < INT_MIN || t > INT_MAX || !isKnownCellType(static_cast<int>(t))) {
                    fail(typesPath,
                         "cell " + std::to_string(c) + " has the unknown type " + std::to_string(t));
                }
                VtkCellType const type = static_cast<VtkCellType>(static_cast<int>(t));
                std::size_t const k = static_cast<std::size_t>(offsets[c] - start);
                std::string const cell = "cell " + std::to_string(c) + " is a " + cellTypeName(type);
                int const fixed = fixedPointCount(type);
                if (fixed > 0 && k != static_cast<std::size_t>(fixed)) {
                    fail(typesPath, cell + ", which has " + std::to_string(fixed) +
                                        " points, but connectivity gives it " + std::to_string(k));
                }
                if (type == VtkCellType::Polygon && k < 3) {
                    fail(typesPath, cell + " with " + std::to_string(k) + " points; it needs at least 3");
                }
                if (type == VtkCellType::PolyLine && k < 2) {
                    fail(typesPath, cell + " with " + std::to_string(k) + " points; it needs at least 2");
                }
                if (type == VtkCellType::Polyhedron) {
                    std::string const facesPath = path + "/DataArray[@Name='faces']";
                    if (!hasFaces) {
                        fail(typesPath, cell + " but the cells have no faces array");
                    }
                    std::int64_t const end = faceOffsets[c];
                    if (end < faceStart || end > static_cast<std::int64_t>(faces.size()) ||
                        end - faceStart > INT_MAX) {
                        fail(path + "/DataArray[@Name='faceoffsets']",
                             "cell " + std::to_string(c) + " ends at " + std::to_string(end) + ", outside " +
                                 std::to_string(faceStart) + ".." + std::to_string(faces.size()));
                    }
                    stream.clear();
                    for (std::int64_t i = faceStart; i < end; ++i) {
                        std::int64_t const v = faces[static_cast<std::size_t>(i)];
                        if (v < 0 || v > INT_MAX) {
                            fail(facesPath, "value " + std::to_string(i) + " is out of range");
                        }
                        stream.push_back(static_cast<int>(v));
                    }
                    std::string const problem =
                        decodeFaceStream(stream.data(), static_cast<int>(stream.size()), topology);
                    if (!problem.empty()) {
                        fail(facesPath, "cell " + std::to_string(c) + ": " + problem);
                    }
                    for (int id : topology.vertices) {
                        if (static_cast<std::size_t>(id) >= points) {
                            fail(facesPath, "cell " + std::to_string(c) + " uses point " +
                                                std::to_string(id) + ", but the piece has " +
                                                std::to_string(points) + " points");
                        }
                    }
                    std::vector<std::int64_t> const wide(stream.begin(), stream.end());
                    // The face stream holds point ids at every position but the counts; offset them by
                    // walking it again.
                    std::vector<std::int64_t> shifted = wide;
                    std::size_t pos = 1;
                    for (std::int64_t f = 0; f < wide[0]; ++f) {
                        std::size_t const n = static_cast<std::size_t>(wide[pos]);
                        for (std::size_t j = 1; j <= n; ++j) {
                            shifted[pos + j] += static_cast<std::int64_t>(base);
                        }
                        pos += n + 1;
                    }
                    for (std::int64_t v : shifted) {
                        m_mesh.connectivity.push_back(static_cast<int>(v));
                    }
                    m_mesh.cellTypes.push_back(type);
                    m_mesh.offsets.push_back(m_mesh.connectivity.size());
                    faceStart = end;
                } else {
                    if (hasFaces && faceOffsets[c] >= 0) {
                        faceStart = std::max(faceStart, faceOffsets[c]);
                    }
                    addCell(type, ids.data() + start, k, base);
                }
                start = offsets[c];
            }
        } else if (!ug) {
            struct Section {
                char const* name;
                std::size_t count;
                bool lines;
            };
            for (Section const& s : {Section{"Lines", lines, true}, Section{"Polys", polys, false}}) {
                if (s.count == 0) {
                    continue;
                }
                pugi::xml_node const section = p_piece.child(s.name);
                std::string const path = p_path + "/" + s.name;
                if (!section) {
                    fail(p_path, std::string("there is no ") + s.name + " element");
                }
                readCells(section, path, s.count, points, offsets, ids);
                std::int64_t start = 0;
                for (std::size_t c = 0; c < s.count; ++c) {
                    std::size_t const k = static_cast<std::size_t>(offsets[c] - start);
                    if (k < (s.lines ? 2u : 3u)) {
                        fail(path, std::string(s.lines ? "line " : "polygon ") + std::to_string(c) + " has " +
                                       std::to_string(k) + " points; it needs at least " +
                                       (s.lines ? "2" : "3"));
                    }
                    VtkCellType const type =
                        s.lines ? (k == 2 ? VtkCellType::Line : VtkCellType::PolyLine) : VtkCellType::Polygon;
                    addCell(type, ids.data() + start, k, base);
                    start = offsets[c];
                }
            }
        }
        if (m_mesh.connectivity.size() > static_cast<std::size_t>(INT_MAX)) {
            fail(p_path, "the pieces hold too many cells");
        }
        progress.setProgress(0.8, false);
        readData(p_piece.child("PointData"), p_path + "/PointData", points, base, m_mesh.pointData,
                 m_pointNames);
        readData(p_piece.child("CellData"), p_path + "/CellData", cells, firstCell, m_mesh.cellData,
                 m_cellNames);
        ++m_pieces;
        progress.stop();
    }

    // Reads the arrays of a PointData or CellData element and appends them to the arrays of earlier
    // pieces, matched by name; every piece must carry the same arrays.
    void readData(pugi::xml_node p_node, std::string const& p_path, std::size_t p_tuples, std::size_t p_first,
                  std::vector<DataArray>& p_arrays, std::map<std::string, std::size_t>& p_names)
    {
        std::map<std::string, ArrayRole> roles;
        for (auto [attr, role] :
             {std::pair{"Scalars", ArrayRole::Scalars}, std::pair{"Vectors", ArrayRole::Vectors},
              std::pair{"Normals", ArrayRole::Normals}, std::pair{"Tensors", ArrayRole::Tensors}}) {
            if (pugi::xml_attribute const a = p_node.attribute(attr)) {
                roles.emplace(a.value(), role);
            }
        }
        std::size_t seen = 0;
        for (pugi::xml_node a = p_node.child("DataArray"); a; a = a.next_sibling("DataArray")) {
            std::string const name = a.attribute("Name").value();
            std::string const path = arrayPath(p_path, a);
            if (name.empty()) {
                fail(path, "a data array needs a Name");
            }
            RawArray raw = readArray(a, path, static_cast<long long>(p_tuples), 0);
            auto const found = p_names.find(name);
            if (m_pieces == 0) {
                if (found != p_names.end()) {
                    fail(path, "a second array named '" + printable(name) + "'");
                }
                DataArray array;
                array.name = name;
                array.type = raw.type;
                array.numComponents = raw.components;
                auto const r = roles.find(name);
                // Without a role attribute, one component reads as scalars and three as vectors, as most
                // files mean them.
                array.role = r != roles.end()      ? r->second
                             : raw.components == 1 ? ArrayRole::Scalars
                             : raw.components == 3 ? ArrayRole::Vectors
                                                   : ArrayRole::Field;
                if (array.role == ArrayRole::Tensors && array.numComponents != 9) {
                    array.role = ArrayRole::Field;
                }
                if ((array.role == ArrayRole::Vectors || array.role == ArrayRole::Normals) &&
                    array.numComponents != 3) {
                    array.role = ArrayRole::Field;
                }
                if (array.role == ArrayRole::Scalars && array.numComponents > 4) {
                    array.role = ArrayRole::Field;
                }
                array.values = values(raw);
                p_names.emplace(name, p_arrays.size());
                p_arrays.push_back(std::move(array));
            } else {
                if (found == p_names.end()) {
                    fail(path, "the array '" + printable(name) + "' is not in the first piece");
                }
                DataArray& array = p_arrays[found->second];
                if (array.numComponents != raw.components) {
                    fail(path, "the array '" + printable(name) + "' has " + std::to_string(raw.components) +
                                   " components here and " + std::to_string(array.numComponents) +
                                   " in the first piece");
                }
                if (array.values.size() / static_cast<std::size_t>(array.numComponents) != p_first) {
                    fail(path, "a second array named '" + printable(name) + "'");
                }
                std::vector<double> const more = values(raw);
                array.values.insert(array.values.end(), more.begin(), more.end());
            }
            ++seen;
        }
        if (m_pieces > 0 && seen != p_arrays.size()) {
            fail(p_path, "the piece carries " + std::to_string(seen) + " arrays but the first piece " +
                             std::to_string(p_arrays.size()));
        }
    }

    std::string_view m_data;
    std::string m_name;
    pugi::xml_document m_doc;
    std::string_view m_appended;
    std::size_t m_appendedStart = 0;
    bool m_appendedBase64 = false;
    bool m_bigEndian = false;
    bool m_compressed = false;
    int m_headerSize = 4;
    int m_pieces = 0;
    std::map<std::string, std::size_t> m_pointNames, m_cellNames;
    MeshData m_mesh;
};

} // namespace

MeshData VtkXmlReader::readFile(std::string const& p_path)
{
    std::string const data = readRegularFile(p_path, [&](std::string_view p_start) {
        // A file that is not XML is refused before the rest is loaded.
        std::size_t i = 0;
        if (p_start.substr(0, 3) == "\xEF\xBB\xBF") {
            i = 3;
        }
        while (i < p_start.size() && isSpace(p_start[i])) {
            ++i;
        }
        if (i >= p_start.size() || p_start[i] != '<') {
            throw FormatError(p_path, 0, i, "not a VTK XML file: it does not start with an XML tag");
        }
    });
    return readBuffer(data, p_path);
}

MeshData VtkXmlReader::readBuffer(std::string_view p_data, std::string const& p_name)
{
    return Parser(p_data, p_name).parse();
}

} // namespace zev::io
