#include "zev/analysis/Report.h"

#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

namespace zev::analysis {

std::string number(double p_value, int p_digits)
{
    if (!std::isfinite(p_value)) {
        return "undefined";
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", p_digits, p_value);
    return buffer;
}

Json jsonNumber(double p_value)
{
    if (!std::isfinite(p_value) || p_value == double(zev::ZEV_UNDEF)) {
        return nullptr;
    }
    return p_value;
}

void printJson(std::ostream& p_out, Json const& p_document)
{
    // Names from files may hold bytes that are not UTF-8: they are replaced rather than refused.
    p_out << p_document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

std::string terminalSafe(std::string const& p_text)
{
    std::string out;
    out.reserve(p_text.size());
    for (char c : p_text) {
        unsigned char const u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02x", u);
            out += buffer;
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

std::string excerpt(std::string const& p_text, std::size_t p_limit)
{
    return p_text.size() <= p_limit ? p_text : p_text.substr(0, p_limit) + "...";
}

void Table::row(std::string p_label, std::string p_value)
{
    m_rows.emplace_back(std::move(p_label), std::move(p_value));
}

void Table::print(std::ostream& p_out) const
{
    std::size_t width = 0;
    for (auto const& r : m_rows) {
        width = std::max(width, r.first.size());
    }
    for (auto const& r : m_rows) {
        p_out << r.first << std::string(width + 2 - r.first.size(), ' ') << r.second << '\n';
    }
}

void printColumns(std::ostream& p_out, std::vector<std::vector<std::string>> const& p_rows)
{
    std::vector<std::size_t> width;
    for (auto const& r : p_rows) {
        width.resize(std::max(width.size(), r.size()), 0);
        for (std::size_t c = 0; c < r.size(); ++c) {
            width[c] = std::max(width[c], r[c].size());
        }
    }
    for (auto const& r : p_rows) {
        std::string line;
        for (std::size_t c = 0; c < r.size(); ++c) {
            line += r[c];
            if (c + 1 < r.size()) {
                line += std::string(width[c] + 2 - r[c].size(), ' ');
            }
        }
        // A row may leave its last cells empty.
        line.erase(line.find_last_not_of(' ') + 1);
        p_out << line << '\n';
    }
}

char const* shapeName(int p_type)
{
    // A set's type comes from a file: only numbers of shape classes are handed to the library's names.
    if (p_type < zev::TRI || p_type > zev::POLYHEDRON) {
        return "Unknown";
    }
    return zev::toString(static_cast<zev::ShapeType>(p_type));
}

char const* locationName(zev::VarLocation p_location)
{
    return p_location == zev::eVertex ? "vertex" : p_location == zev::eElement ? "element" : "face";
}

std::vector<SetRow> setRows(zev::Geometry const& p_geometry, bool p_elements)
{
    std::vector<SetRow> rows;
    for (std::string const& name :
         p_elements ? p_geometry.getElementSetNames() : p_geometry.getFaceSetNames()) {
        zev::ShapeSet const* set = p_elements ? p_geometry.getElementSet(name) : p_geometry.getFaceSet(name);
        if (set) {
            rows.push_back({name, static_cast<int>(set->getType()), set->size(), set->getLabel()});
        }
    }
    return rows;
}

Document& Document::add(std::string p_key, std::string p_label, Json p_value, std::string p_text)
{
    if (!p_key.empty()) {
        m_json[p_key] = std::move(p_value);
    }
    if (!p_label.empty()) {
        m_table.row(std::move(p_label), std::move(p_text));
    }
    return *this;
}

Document& Document::count(std::string p_key, std::string p_label, std::size_t p_count)
{
    return add(std::move(p_key), std::move(p_label), p_count, std::to_string(p_count));
}

Document& Document::text(std::string p_key, std::string p_label, std::string const& p_text)
{
    return add(std::move(p_key), std::move(p_label), p_text, terminalSafe(p_text));
}

void Document::print(std::ostream& p_out, bool p_json) const
{
    if (p_json) {
        printJson(p_out, m_json);
    } else {
        m_table.print(p_out);
    }
}

} // namespace zev::analysis
