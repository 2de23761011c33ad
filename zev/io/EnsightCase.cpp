#include "zev/io/EnsightCase.h"

#include "zev/io/FormatError.h"
#include "zev/io/TextScan.h"

#include <charconv>
#include <cmath>

namespace zev::io {

namespace {

std::string lower(std::string p_text)
{
    for (char& c : p_text) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return p_text;
}

std::string trim(std::string const& p_text)
{
    std::size_t begin = 0;
    std::size_t end = p_text.size();
    while (begin < end && isSpace(p_text[begin])) {
        ++begin;
    }
    while (end > begin && isSpace(p_text[end - 1])) {
        --end;
    }
    return p_text.substr(begin, end - begin);
}

std::vector<std::string> split(std::string const& p_text)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < p_text.size()) {
        while (i < p_text.size() && isSpace(p_text[i])) {
            ++i;
        }
        std::size_t const start = i;
        while (i < p_text.size() && !isSpace(p_text[i])) {
            ++i;
        }
        if (i > start) {
            out.push_back(p_text.substr(start, i - start));
        }
    }
    return out;
}

bool parseInteger(std::string const& p_text, long long& p_value)
{
    auto const result = std::from_chars(p_text.data(), p_text.data() + p_text.size(), p_value);
    return result.ec == std::errc() && result.ptr == p_text.data() + p_text.size();
}

bool parseReal(std::string const& p_text, double& p_value)
{
    auto const result = std::from_chars(p_text.data(), p_text.data() + p_text.size(), p_value);
    return result.ec == std::errc() && result.ptr == p_text.data() + p_text.size() && std::isfinite(p_value);
}

class CaseParser {
public:
    CaseParser(std::string const& p_name) : m_name(p_name) {}

    EnsightCase parse(std::string const& p_text);

private:
    [[noreturn]] void fail(std::string const& p_message) const
    {
        throw FormatError(m_name, m_line, FormatError::s_noOffset, p_message);
    }
    long long integerOf(std::string const& p_text, char const* p_what) const
    {
        long long value = 0;
        if (!parseInteger(p_text, value)) {
            fail(std::string(p_what) + " is '" + printable(p_text) + "', not an integer");
        }
        return value;
    }
    // Splits "[ts] [fs] rest..." and returns the rest; p_minRest tokens are kept after the numbers.
    std::vector<std::string> fileTokens(std::vector<std::string> p_tokens, std::size_t p_minRest,
                                        EnsightCase::FileName& p_file) const;
    void timeEntry(std::string const& p_key, std::vector<std::string> const& p_tokens);
    void addNumbers(std::vector<std::string> const& p_tokens);

    std::string const& m_name;
    std::size_t m_line = 0;
    EnsightCase m_case;
    int m_timeSet = 0;
    std::map<int, std::size_t> m_timeSetLines;
    std::map<int, long long> m_steps, m_start, m_increment;
    std::map<int, std::vector<long long>> m_numbers;
    std::string m_list; // the key whose numbers may continue on the next lines
};

std::vector<std::string> CaseParser::fileTokens(std::vector<std::string> p_tokens, std::size_t p_minRest,
                                                EnsightCase::FileName& p_file) const
{
    long long numbers[2] = {0, 0};
    std::size_t count = 0;
    long long value = 0;
    while (count < 2 && p_tokens.size() > p_minRest && parseInteger(p_tokens.front(), value)) {
        numbers[count++] = value;
        p_tokens.erase(p_tokens.begin());
    }
    if (p_tokens.size() < p_minRest) {
        fail("the entry names no file");
    }
    if (numbers[1] != 0) {
        fail("file sets (several steps in one file) are not read");
    }
    p_file.timeSet = static_cast<int>(numbers[0]);
    p_file.line = m_line;
    return p_tokens;
}

void CaseParser::addNumbers(std::vector<std::string> const& p_tokens)
{
    for (std::string const& token : p_tokens) {
        if (m_list == "time values") {
            double value = 0;
            if (!parseReal(token, value)) {
                fail("a time value is '" + printable(token) + "', not a number");
            }
            m_case.timeSets[m_timeSet].values.push_back(value);
        } else {
            m_numbers[m_timeSet].push_back(integerOf(token, "a filename number"));
        }
    }
}

void CaseParser::timeEntry(std::string const& p_key, std::vector<std::string> const& p_tokens)
{
    m_list.clear();
    if (p_key == "time set") {
        if (p_tokens.empty()) {
            fail("the time set has no number");
        }
        m_timeSet = static_cast<int>(integerOf(p_tokens.front(), "the time set"));
        if (m_timeSet <= 0 || m_case.timeSets.count(m_timeSet) > 0) {
            fail("the time set " + std::to_string(m_timeSet) + " is not a new positive number");
        }
        m_case.timeSets[m_timeSet];
        m_timeSetLines[m_timeSet] = m_line;
        return;
    }
    if (m_timeSet == 0) {
        fail("'" + p_key + "' comes before any time set");
    }
    if (p_key == "time values" || p_key == "filename numbers") {
        m_list = p_key;
        addNumbers(p_tokens);
        return;
    }
    std::map<int, long long>* target = p_key == "number of steps"         ? &m_steps
                                       : p_key == "filename start number" ? &m_start
                                       : p_key == "filename increment"    ? &m_increment
                                                                          : nullptr;
    if (target != nullptr) {
        if (p_tokens.size() != 1) {
            fail("'" + p_key + "' takes one integer");
        }
        (*target)[m_timeSet] = integerOf(p_tokens.front(), p_key.c_str());
    }
}

EnsightCase CaseParser::parse(std::string const& p_text)
{
    std::string section;
    bool gold = false;
    std::size_t pos = 0;
    while (pos < p_text.size()) {
        std::size_t end = p_text.find('\n', pos);
        if (end == std::string::npos) {
            end = p_text.size();
        }
        ++m_line;
        std::string const text = trim(p_text.substr(pos, end - pos));
        pos = end + 1;
        if (text.empty() || text[0] == '#') {
            continue;
        }
        std::size_t const colon = text.find(':');
        if (colon == std::string::npos) {
            std::vector<std::string> const tokens = split(text);
            double number = 0;
            if (!m_list.empty() && parseReal(tokens.front(), number)) {
                addNumbers(tokens);
                continue;
            }
            m_list.clear();
            section = lower(text);
            continue;
        }
        std::string const key = lower(trim(text.substr(0, colon)));
        std::vector<std::string> tokens = split(text.substr(colon + 1));
        if (section == "format") {
            if (key == "type") {
                if (lower(trim(text.substr(colon + 1))) != "ensight gold") {
                    fail("the case's type is '" + printable(trim(text.substr(colon + 1))) +
                         "'; only ensight gold cases are read");
                }
                gold = true;
            }
        } else if (section == "geometry") {
            if (key == "model") {
                for (std::size_t i = 0; i < tokens.size(); ++i) {
                    if (lower(tokens[i]) == "change_coords_only") {
                        m_case.changeCoordsOnly = true;
                        if (i + 1 < tokens.size()) {
                            m_case.connectivityStep =
                                static_cast<int>(integerOf(tokens[i + 1], "the connectivity step"));
                        }
                        tokens.resize(i);
                        break;
                    }
                }
                tokens = fileTokens(tokens, 1, m_case.geometry);
                if (tokens.size() != 1) {
                    fail("the model entry names more than one file");
                }
                m_case.geometry.pattern = tokens.front();
            } else {
                m_case.notes.push_back("note: the " + key + " geometry is not read");
            }
        } else if (section == "variable") {
            bool const known = key == "scalar per node" || key == "vector per node" ||
                               key == "scalar per element" || key == "vector per element";
            EnsightCase::Variable variable;
            tokens = fileTokens(tokens, known ? 2 : 1, variable.file);
            if (!known) {
                m_case.notes.push_back(
                    "note: the variable " +
                    printable(tokens.size() > 1 ? tokens[tokens.size() - 2] : tokens.back()) + " (" + key +
                    ") is not read");
                continue;
            }
            variable.vector = key[0] == 'v';
            variable.perNode = key.find("node") != std::string::npos;
            variable.file.pattern = tokens.back();
            tokens.pop_back();
            for (std::string const& word : tokens) {
                variable.name += (variable.name.empty() ? "" : " ") + word;
            }
            m_case.variables.push_back(variable);
        } else if (section == "time") {
            timeEntry(key, tokens);
        }
    }
    if (!gold) {
        m_line = 0;
        fail("the case file has no FORMAT section of type ensight gold");
    }
    if (m_case.geometry.pattern.empty()) {
        m_line = 0;
        fail("the case file names no geometry model");
    }
    for (auto& [id, set] : m_case.timeSets) {
        m_line = m_timeSetLines[id];
        long long const steps = m_steps.count(id) > 0 ? m_steps[id] : -1;
        if (steps < 1 || static_cast<std::size_t>(steps) != set.values.size()) {
            fail("the time set " + std::to_string(id) + " has " + std::to_string(steps) + " steps and " +
                 std::to_string(set.values.size()) + " time values");
        }
        if (m_numbers.count(id) > 0) {
            if (m_numbers[id].size() != set.values.size()) {
                fail("the time set " + std::to_string(id) + " has " + std::to_string(steps) + " steps and " +
                     std::to_string(m_numbers[id].size()) + " filename numbers");
            }
            set.fileNumbers = m_numbers[id];
        } else {
            long long const start = m_start.count(id) > 0 ? m_start[id] : 0;
            long long const increment = m_increment.count(id) > 0 ? m_increment[id] : 1;
            for (long long i = 0; i < steps; ++i) {
                set.fileNumbers.push_back(start + i * increment);
            }
        }
    }
    auto checkSet = [this](EnsightCase::FileName const& p_file) {
        if (p_file.timeSet != 0 && m_case.timeSets.count(p_file.timeSet) == 0) {
            m_line = p_file.line;
            fail("the time set " + std::to_string(p_file.timeSet) + " is not defined");
        }
    };
    checkSet(m_case.geometry);
    for (EnsightCase::Variable const& v : m_case.variables) {
        checkSet(v.file);
    }
    return m_case;
}

} // namespace

EnsightCase EnsightCase::parse(std::string const& p_name, std::string const& p_text)
{
    return CaseParser(p_name).parse(p_text);
}

std::string EnsightCase::fileAt(FileName const& p_file, std::size_t p_step) const
{
    std::size_t const star = p_file.pattern.find('*');
    auto const set = timeSets.find(p_file.timeSet);
    if (star == std::string::npos || set == timeSets.end() || p_step >= set->second.fileNumbers.size()) {
        return p_file.pattern;
    }
    std::size_t width = 0;
    while (star + width < p_file.pattern.size() && p_file.pattern[star + width] == '*') {
        ++width;
    }
    std::string number = std::to_string(set->second.fileNumbers[p_step]);
    if (number.size() < width) {
        number.insert(0, width - number.size(), '0');
    }
    return p_file.pattern.substr(0, star) + number + p_file.pattern.substr(star + width);
}

} // namespace zev::io
