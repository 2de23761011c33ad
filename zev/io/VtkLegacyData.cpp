#include "zev/io/VtkLegacyParser.h"

#include "zev/io/FormatError.h"

namespace zev::io::legacy {

void Parser::addArray(DataArray&& p_array, Location p_loc, std::string const& p_section)
{
    for (DataArray const& a : *m_context) {
        if (a.name == p_array.name) {
            fail(p_loc,
                 p_section + ": a second array named '" + printable(p_array.name) + "' in " + m_contextKey);
        }
    }
    (m_context == &m_mesh.pointData ? m_pointWhere : m_cellWhere).push_back({p_loc, p_section});
    m_context->push_back(std::move(p_array));
}

void Parser::startData(Location p_loc, std::string const& p_key)
{
    bool const points = p_key == "POINT_DATA";
    bool& seen = points ? m_seenPointData : m_seenCellData;
    if (seen) {
        fail(p_loc, p_key + " appears twice");
    }
    seen = true;
    std::int64_t const n = readCount(p_key, "tuple count");
    std::size_t const expected = points ? m_mesh.numPoints() : numCells();
    if (static_cast<std::size_t>(n) != expected) {
        fail(p_loc, p_key + " declares " + std::to_string(n) + " tuples but there are " +
                        std::to_string(expected) + (points ? " points" : " cells"));
    }
    m_context = points ? &m_mesh.pointData : &m_mesh.cellData;
    m_contextKey = p_key;
    m_contextTuples = static_cast<std::size_t>(n);
}

void Parser::readAttribute(Location p_loc, std::string const& p_key)
{
    if (m_context == nullptr) {
        fail(p_loc, p_key + " outside POINT_DATA or CELL_DATA");
    }
    DataArray array;
    std::string_view const nameTok = token(p_key);
    array.name = decodeName(nameTok);
    std::string const section = p_key + " '" + printable(array.name) + "'";
    array.type = readType(section);
    if (p_key == "SCALARS") {
        array.role = ArrayRole::Scalars;
        if (!peekTokenOnLine().empty()) {
            std::int64_t const c = readInt(section);
            if (c < 1 || c > 4) {
                fail(m_tokenLoc, section + ": component count " + std::to_string(c) + " is outside 1..4");
            }
            array.numComponents = static_cast<int>(c);
        }
        if (upper(peekToken()) == "LOOKUP_TABLE") {
            token(section);
            token(section);
        }
    } else if (p_key == "TENSORS") {
        array.role = ArrayRole::Tensors;
        array.numComponents = 9;
    } else {
        array.role = p_key == "VECTORS" ? ArrayRole::Vectors : ArrayRole::Normals;
        array.numComponents = 3;
    }
    checkRoom(p_loc, section, static_cast<std::int64_t>(m_contextTuples), "tuples",
              static_cast<std::uint64_t>(array.numComponents), valueTypeSize(array.type));
    readValues(section, array.type, m_contextTuples * array.numComponents, array.values, false);
    addArray(std::move(array), p_loc, section);
}

void Parser::readField(Location p_loc)
{
    token("FIELD");
    std::int64_t const n = readCount("FIELD", "array count");
    // Each array needs at least its four-word header.
    checkRoom(p_loc, "FIELD", n, "arrays", 4, 1);
    for (std::int64_t a = 0; a < n; ++a) {
        if (upper(peekToken()) == "METADATA") {
            token("FIELD");
            skipMetadata();
        }
        std::string_view const nameTok = token("FIELD");
        Location const loc = m_tokenLoc;
        if (upper(nameTok) == "NULL_ARRAY") {
            continue;
        }
        DataArray array;
        array.role = ArrayRole::Field;
        array.name = decodeName(nameTok);
        std::string const section = "FIELD '" + printable(array.name) + "'";
        std::int64_t const comps = readCount(section, "component count");
        if (comps < 1) {
            fail(m_tokenLoc, section + ": component count 0 must be at least 1");
        }
        std::int64_t const tuples = readCount(section, "tuple count");
        array.type = readType(section);
        array.numComponents = static_cast<int>(comps);
        if (m_context != nullptr && static_cast<std::size_t>(tuples) != m_contextTuples) {
            fail(loc, section + " has " + std::to_string(tuples) + " tuples but " + m_contextKey +
                          " declares " + std::to_string(m_contextTuples));
        }
        checkRoom(loc, section, tuples, "tuples", static_cast<std::uint64_t>(comps),
                  valueTypeSize(array.type));
        readValues(section, array.type, static_cast<std::size_t>(tuples) * static_cast<std::size_t>(comps),
                   array.values, false);
        // Field data of the whole data set (outside POINT_DATA and CELL_DATA) is read and dropped.
        if (m_context != nullptr) {
            addArray(std::move(array), loc, section);
        }
    }
}

void Parser::skipLookupTable(Location p_loc)
{
    token("LOOKUP_TABLE");
    std::int64_t const n = readCount("LOOKUP_TABLE", "size");
    ValueType const type = m_binary ? ValueType::UnsignedChar : ValueType::Float;
    checkRoom(p_loc, "LOOKUP_TABLE", n, "entries", 4, 1);
    std::vector<double> scratch;
    readValues("LOOKUP_TABLE", type, static_cast<std::size_t>(n) * 4, scratch, false);
}

void Parser::skipMetadata()
{
    restOfLine();
    while (m_pos < m_data.size()) {
        std::string_view const line = restOfLine();
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
            break;
        }
    }
}

void Parser::checkTuples(std::vector<DataArray> const& p_arrays, std::vector<ArrayPlace> const& p_where,
                         std::size_t p_count, char const* p_noun) const
{
    for (std::size_t i = 0; i < p_arrays.size(); ++i) {
        if (p_arrays[i].numTuples() != p_count) {
            fail(p_where[i].where, p_where[i].section + ": holds " + std::to_string(p_arrays[i].numTuples()) +
                                       " tuples but there are " + std::to_string(p_count) + " " + p_noun);
        }
    }
}

} // namespace zev::io::legacy
