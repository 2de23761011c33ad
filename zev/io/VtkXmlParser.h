// Internal to the VTK XML reader: the parser of one file, split by job over VtkXmlReader.cpp (the document
// and its failures), VtkXmlArrays.cpp (DataArray decoding: ascii, base64, raw, compressed) and
// VtkXmlPieces.cpp (pieces: points, cells and their data). Not part of the API: it includes pugixml.
#pragma once

#include "zev/io/Base64.h"
#include "zev/io/FormatError.h"
#include "zev/io/MeshData.h"
#include "zev/io/VtkCellOrder.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zev::io::xml {

// What reading a single file and reading the index of a parallel file share.
// Reads an XML file whole; one that does not start with a tag (after a byte order mark and white space)
// is refused before the rest is loaded.
std::string readXmlFile(std::string const& p_path);
// Parses p_text into p_doc and returns its VTKFile element; malformed XML or a document without that
// element is a FormatError of the file p_name.
pugi::xml_node loadVtkFile(pugi::xml_document& p_doc, std::string_view p_text, std::string const& p_name);
// The kind of data set the type p_type names: UnstructuredGrid or PolyData after p_prefix ("P" in a
// parallel index); false for any other type.
bool datasetKindOf(std::string_view p_type, std::string_view p_prefix, DatasetKind& p_kind);

bool isFloat(ValueType p_type);
bool isUnsignedType(ValueType p_type);

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

    MeshData parse();

private:
    [[noreturn]] void fail(std::string const& p_path, std::string const& p_message,
                           std::size_t p_offset = FormatError::s_noOffset) const;
    [[noreturn]] void failDoc(std::string const& p_message,
                              std::size_t p_offset = FormatError::s_noOffset) const;

    // Parses the XML part of the file and returns its VTKFile element. Raw appended data is binary and no
    // XML: the document is cut at its '_' marker and closed, and the bytes after the marker are kept aside.
    pugi::xml_node loadDocument();

    // A count attribute: a whole number from 0 to INT_MAX; missing is p_default (or an error when -1).
    std::size_t countAttribute(pugi::xml_node p_node, char const* p_name, std::string const& p_path,
                               long long p_default);
    static std::string arrayPath(std::string const& p_parent, pugi::xml_node p_array);
    std::uint64_t headerWord(std::string const& p_bytes, std::size_t p_index) const;

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
                           bool p_known);

    // Reads one DataArray. p_tuples is the tuple count the piece declares for it (or -1 when the array's
    // own size decides, as for connectivity); p_components the required component count (or 0).
    RawArray readArray(pugi::xml_node p_node, std::string const& p_path, long long p_tuples,
                       int p_components);
    std::size_t countOffset(pugi::xml_node p_node, std::string const& p_path);
    void readAscii(std::string_view p_text, RawArray& p_out, std::string const& p_path);

    // The value at p_index of a binary array, in the file's byte order.
    double binaryValue(RawArray const& p_array, std::size_t p_index) const;

    // Index values (connectivity, offsets, types, faces) as 64-bit integers; a fraction or a value
    // outside int64 is refused.
    std::int64_t indexValue(RawArray const& p_array, std::size_t p_i, std::string const& p_path) const;

    // The array's values; an ascii array hands its values over, a binary one frees its bytes.
    std::vector<double> values(RawArray& p_array) const;
    pugi::xml_node findArray(pugi::xml_node p_parent, char const* p_name);
    std::vector<std::int64_t> indexArray(pugi::xml_node p_parent, char const* p_name,
                                         std::string const& p_path, long long p_count);

    // Appends the cells of one cell section (connectivity and end offsets), checking every index.
    void readCells(pugi::xml_node p_section, std::string const& p_path, std::size_t p_cells,
                   std::size_t p_points, std::vector<std::int64_t>& p_offsets,
                   std::vector<std::int64_t>& p_ids);
    void addCell(VtkCellType p_type, std::int64_t const* p_ids, std::size_t p_count, std::size_t p_base);
    void readPiece(pugi::xml_node p_piece, std::string const& p_path);

    // Reads the arrays of a PointData or CellData element and appends them to the arrays of earlier
    // pieces, matched by name; every piece must carry the same arrays.
    void readData(pugi::xml_node p_node, std::string const& p_path, std::size_t p_tuples, std::size_t p_first,
                  std::vector<DataArray>& p_arrays, std::map<std::string, std::size_t>& p_names);

    std::string_view m_data;
    std::string m_name;
    pugi::xml_document m_doc;
    std::string_view m_appended;
    std::size_t m_appendedStart = 0;
    // The stretch of appended data each array read took, by start offset. Arrays never share data: one
    // block named by many arrays would be decoded once for each of them.
    std::map<std::size_t, std::size_t> m_appendedUsed;
    bool m_appendedBase64 = false;
    bool m_bigEndian = false;
    bool m_compressed = false;
    int m_headerSize = 4;
    int m_pieces = 0;
    std::map<std::string, std::size_t> m_pointNames, m_cellNames;
    MeshData m_mesh;
};

} // namespace zev::io::xml
