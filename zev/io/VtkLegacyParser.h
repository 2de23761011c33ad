// Internal to the legacy VTK reader: the parser of one file, split by job over VtkLegacyTokens.cpp (tokens,
// numbers and binary values), VtkLegacyCells.cpp (points and cell sections), VtkLegacyData.cpp (point and
// cell data) and VtkLegacyReader.cpp (the file's layout and the checks once it is read). Not part of the API.
#pragma once

#include "zev/contracts/ProgressTracker.h"
#include "zev/io/MeshData.h"
#include "zev/io/TextScan.h"
#include "zev/io/VtkCellOrder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zev::io::legacy {

// A place in the file for messages.
struct Location {
    std::size_t line;   // 0 when the place is given by the offset
    std::size_t offset; // byte offset from the start of the file
};

// Where an array was declared and the section heading of its messages.
struct ArrayPlace {
    Location where;
    std::string section;
};

// Cells of one section as read, before they are checked against their types and the points.
struct CellBlock {
    bool present = false;
    std::vector<std::size_t> offsets{0};
    std::vector<int> connectivity;
    // The byte offset of each cell's record; its line is counted only when a message needs it.
    std::vector<std::size_t> where;
    bool textLines = true; // whether the records were read where line numbers are valid
    std::size_t count() const { return offsets.size() - 1; }
};

std::string upper(std::string_view p_text);
// Array names encode spaces and other special characters as %XX.
std::string decodeName(std::string_view p_token);

// Reads one file into MeshData; every fault is a FormatError naming the line (or byte offset) and section.
class Parser {
public:
    Parser(std::string_view p_data, std::string const& p_name) : m_data(p_data), m_name(p_name) {}

    MeshData parse();

private:
    // ------------------------------------------------------------ low level
    Location here() const { return Location{m_linesValid ? m_line : 0, m_pos}; }

    [[noreturn]] void fail(Location p_loc, std::string const& p_message) const;
    void skipSpace();
    std::string prefix(std::string const& p_section) const;
    std::string_view token(std::string const& p_section);

    // The next token without consuming it; empty at the end of the file.
    std::string_view peekToken();

    // The next token if it is on the current line; empty otherwise. Consumes nothing.
    std::string_view peekTokenOnLine() const;

    // The rest of the current line, without its line end; moves to the start of the next line.
    std::string_view restOfLine();
    std::int64_t readInt(std::string const& p_section);
    double readReal(std::string const& p_section);

    // A count as declared in a section header: not negative and within the library's int indices.
    std::int64_t readCount(std::string const& p_section, std::string const& p_label);

    // Refuses a declaration whose data cannot fit in the rest of the file, before anything is allocated
    // for it: binary data takes its full width, each ASCII value at least one character and a separator.
    void checkRoom(Location p_loc, std::string const& p_section, std::int64_t p_count,
                   std::string const& p_noun, std::uint64_t p_valuesPerItem, int p_valueSize) const;

    // Binary data starts on the line after its section header.
    void beginBinary(std::string const& p_section);

    // The binary width of a type, without the table lookup of valueTypeSize (this runs per value).
    static int widthOf(ValueType p_type);
    double decode(ValueType p_type, std::size_t p_at) const;

    // Reads p_count values of a type, ASCII or binary; with p_coordinates every value must be a finite
    // number within the single-precision range the library stores coordinates in.
    void readValues(std::string const& p_section, ValueType p_type, std::size_t p_count,
                    std::vector<double>& p_out, bool p_coordinates);

    // Files an array of the current data section; a second array of one name is refused at its line.
    void addArray(DataArray&& p_array, Location p_loc, std::string const& p_section);
    ValueType readType(std::string const& p_section);

    // ------------------------------------------------------------ sections
    void readHeader();
    void readPoints(Location p_loc);

    // Reads p_count records "k id id ..." holding p_size values in all.
    void readCellRecords(std::string const& p_section, Location p_loc, std::int64_t p_count,
                         std::int64_t p_size, int p_minPoints, CellBlock& p_block);
    void readCells(Location p_loc);

    // The layout with separate offset and connectivity arrays: "CELLS <offsets> <connectivity>".
    void readOffsetCells(Location p_loc, std::int64_t p_numOffsets, std::int64_t p_size);
    void requireInteger(ValueType p_type, std::string const& p_section) const;
    void readCellTypes(Location p_loc);
    void addType(double p_type, Location p_loc, std::size_t p_cell);
    void readPolyCells(Location p_loc, std::string const& p_key);
    std::size_t numCells() const;
    void startData(Location p_loc, std::string const& p_key);
    void readAttribute(Location p_loc, std::string const& p_key);
    void readField(Location p_loc);

    // A colour table of its own: "LOOKUP_TABLE name size", then size RGBA entries.
    void skipLookupTable(Location p_loc);

    // Array metadata ("METADATA", then lines up to an empty line) carries nothing the tool uses.
    void skipMetadata();

    // ------------------------------------------------------------ checks across sections
    // The place of a stored byte offset: its line counted from the start when lines were valid there.
    Location locate(std::size_t p_offset, bool p_textLines) const;
    void checkCells(CellBlock const& p_block, std::string const& p_section,
                    std::vector<VtkCellType> const* p_types);
    void checkIndex(int p_id, std::size_t p_numPoints, std::string const& p_section, std::size_t p_cell,
                    std::size_t p_offset, bool p_textLines) const;
    void appendBlock(CellBlock& p_block, bool p_lines);
    void finish();
    void checkTuples(std::vector<DataArray> const& p_arrays, std::vector<ArrayPlace> const& p_where,
                     std::size_t p_count, char const* p_noun) const;
    std::string_view m_data;
    std::string m_name;
    ProgressTracker m_progress;
    std::size_t m_pos = 0;
    std::size_t m_line = 1;
    bool m_binary = false;
    bool m_linesValid = true;
    Location m_tokenLoc{1, 0};

    MeshData m_mesh;
    bool m_havePoints = false;
    CellBlock m_cells;
    bool m_haveTypes = false;
    bool m_offsetLayout = false;
    std::vector<VtkCellType> m_types;
    std::vector<std::size_t> m_typeWhere; // byte offsets, as CellBlock::where
    bool m_typesTextLines = true;
    CellBlock m_lines;
    CellBlock m_polys;
    bool m_seenPointData = false;
    bool m_seenCellData = false;
    std::vector<DataArray>* m_context = nullptr; // not owned: an array list of m_mesh
    // Where each point and cell array was declared, for the checks once the whole file is read.
    std::vector<ArrayPlace> m_pointWhere, m_cellWhere;
    std::string m_contextKey;
    std::size_t m_contextTuples = 0;
};

} // namespace zev::io::legacy
