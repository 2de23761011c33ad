// How the tool shows results: numbers, tables and columns on a terminal, and JSON documents.
#pragma once

#include "zev/variables/VarType.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace zev {
class Geometry;
}

namespace zev::analysis {

using Json = nlohmann::ordered_json;

// A number with p_digits significant digits; "undefined" when not finite.
std::string number(double p_value, int p_digits = 6);
// A JSON number; null when not finite or undefined.
Json jsonNumber(double p_value);
// Writes a JSON document, indented by two, and a line end.
void printJson(std::ostream& p_out, Json const& p_document);

// Text from a file (a name, a title) made safe for a terminal: control characters and invalid bytes
// become escapes such as \x1b, so that they cannot move the cursor or draw fake rows.
std::string terminalSafe(std::string const& p_text);
// The first p_limit characters of p_text, with "..." when it was longer: a message quoting a bad line
// of a file shows where it went wrong without echoing the whole line.
std::string excerpt(std::string const& p_text, std::size_t p_limit = 40);

// A two-column table of labels and values, labels padded to the widest.
class Table {
public:
    void row(std::string p_label, std::string p_value);
    void print(std::ostream& p_out) const;

private:
    std::vector<std::pair<std::string, std::string>> m_rows;
};

// A report written once for both of its forms: each entry is a table row (label and text) and a JSON
// member (key and value); an entry without a label is JSON only, one without a key a table row only.
class Document {
public:
    Document& add(std::string p_key, std::string p_label, Json p_value, std::string p_text);
    // A count, shown as itself in both forms.
    Document& count(std::string p_key, std::string p_label, std::size_t p_count);
    // Text from a file or the user (a path, a name): escaped for the terminal, kept as it is in JSON.
    Document& text(std::string p_key, std::string p_label, std::string const& p_text);
    void print(std::ostream& p_out, bool p_json) const;
    // The two forms, for parts that add themselves to each (set lists, quantities).
    Json& json() { return m_json; }
    Table& table() { return m_table; }

private:
    Json m_json = Json::object();
    Table m_table;
};

// Columns of text, each padded to its widest cell.
void printColumns(std::ostream& p_out, std::vector<std::vector<std::string>> const& p_rows);

char const* shapeName(int p_type);
char const* locationName(zev::VarLocation p_location);

// One element or face set: its name, shape type, size and label (empty when it has none).
struct SetRow {
    std::string name;
    int type;
    std::size_t count;
    std::string label;
    double measure = 0; // the volume of an element set, the area of a face set, where measured
};
std::vector<SetRow> setRows(zev::Geometry const& p_geometry, bool p_elements);

} // namespace zev::analysis
