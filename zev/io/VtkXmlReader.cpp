#include "zev/io/VtkXmlReader.h"

#include "zev/contracts/ProgressTracker.h"
#include "zev/io/FileAccess.h"
#include "zev/io/TextScan.h"
#include "zev/io/VtkFileCells.h"
#include "zev/io/VtkXmlParser.h"

#include <charconv>
#include <climits>

namespace zev::io {

namespace xml {

std::string readXmlFile(std::string const& p_path)
{
    return readRegularFile(p_path, [&](std::string_view p_start) {
        std::size_t i = p_start.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
        while (i < p_start.size() && isSpace(p_start[i])) {
            ++i;
        }
        if (i >= p_start.size() || p_start[i] != '<') {
            throw FormatError(p_path, 0, i, "not a VTK XML file: it does not start with an XML tag");
        }
    });
}

pugi::xml_node loadVtkFile(pugi::xml_document& p_doc, std::string_view p_text, std::string const& p_name)
{
    pugi::xml_parse_result const result =
        p_doc.load_buffer(p_text.data(), p_text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
        throw FormatError(p_name, 0, static_cast<std::size_t>(result.offset),
                          std::string("malformed XML: ") + result.description());
    }
    pugi::xml_node const root = p_doc.child("VTKFile");
    if (!root) {
        throw FormatError(p_name, 0, FormatError::s_noOffset,
                          "not a VTK XML file: there is no VTKFile element");
    }
    return root;
}

bool datasetKindOf(std::string_view p_type, std::string_view p_prefix, DatasetKind& p_kind)
{
    if (p_type.substr(0, p_prefix.size()) != p_prefix) {
        return false;
    }
    std::string_view const name = p_type.substr(p_prefix.size());
    if (name == "UnstructuredGrid") {
        p_kind = DatasetKind::UnstructuredGrid;
    } else if (name == "PolyData") {
        p_kind = DatasetKind::PolyData;
    } else {
        return false;
    }
    return true;
}

MeshData Parser::parse()
{
    pugi::xml_node const root = loadDocument();
    std::string const type = root.attribute("type").value();
    if (!datasetKindOf(type, "", m_mesh.kind)) {
        fail("VTKFile",
             "unsupported data set type '" + printable(type) + "'; UnstructuredGrid and PolyData are read");
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
            fail("VTKFile/AppendedData", "encoding must be raw or base64, not '" + printable(encoding) + "'");
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
    reduceFileCells(m_mesh);
    return std::move(m_mesh);
}

void Parser::fail(std::string const& p_path, std::string const& p_message, std::size_t p_offset) const
{
    throw FormatError(m_name, p_path, p_offset, p_message);
}

void Parser::failDoc(std::string const& p_message, std::size_t p_offset) const
{
    throw FormatError(m_name, 0, p_offset, p_message);
}

namespace {

// Where the AppendedData start tag is, or npos. The text before it is XML, so a '<' there opens markup;
// comments, CDATA sections, processing instructions and declarations are stepped over whole, since they
// may quote the tag without being it.
std::size_t findAppendedTag(std::string_view p_text)
{
    static constexpr std::string_view s_tag = "<AppendedData";
    auto skip = [&](std::size_t p_at, std::string_view p_end) {
        std::size_t const end = p_text.find(p_end, p_at);
        return end == std::string_view::npos ? p_text.size() : end + p_end.size();
    };
    std::size_t at = p_text.find('<');
    while (at != std::string_view::npos) {
        std::string_view const rest = p_text.substr(at);
        if (rest.substr(0, 4) == "<!--") {
            at = skip(at + 4, "-->");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            at = skip(at + 9, "]]>");
        } else if (rest.substr(0, 2) == "<?") {
            at = skip(at + 2, "?>");
        } else if (rest.substr(0, 2) == "<!") {
            at = skip(at + 2, ">");
        } else if (rest.substr(0, s_tag.size()) == s_tag &&
                   (rest.size() == s_tag.size() || isSpace(rest[s_tag.size()]) || rest[s_tag.size()] == '>' ||
                    rest[s_tag.size()] == '/')) {
            return at;
        } else {
            at += 1;
        }
        at = p_text.find('<', at);
    }
    return std::string_view::npos;
}

} // namespace

pugi::xml_node Parser::loadDocument()
{
    std::string_view text = m_data;
    std::string patched;
    std::size_t const tag = findAppendedTag(m_data);
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
    return loadVtkFile(m_doc, text, m_name);
}

std::size_t Parser::countAttribute(pugi::xml_node p_node, char const* p_name, std::string const& p_path,
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
        fail(p_path,
             std::string(p_name) + " " + std::to_string(value) + " is outside 0.." + std::to_string(INT_MAX));
    }
    return static_cast<std::size_t>(value);
}

std::string Parser::arrayPath(std::string const& p_parent, pugi::xml_node p_array)
{
    std::string const name = p_array.attribute("Name").value();
    return p_parent + "/DataArray" + (name.empty() ? std::string() : "[@Name='" + printable(name) + "']");
}

} // namespace xml

MeshData VtkXmlReader::readFile(std::string const& p_path)
{
    return readBuffer(xml::readXmlFile(p_path), p_path);
}

MeshData VtkXmlReader::readBuffer(std::string_view p_data, std::string const& p_name)
{
    return xml::Parser(p_data, p_name).parse();
}

} // namespace zev::io
