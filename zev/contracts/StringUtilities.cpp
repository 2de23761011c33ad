#include "zev/contracts/StringUtilities.h"

namespace zev {

std::vector<std::string> StringUtilities::stringToVector(const std::string& p_text, char p_separator)
{
    std::vector<std::string> fields;
    if (p_text.empty())
        return fields;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type pos = p_text.find(p_separator, start);
        if (pos == std::string::npos) {
            fields.push_back(p_text.substr(start));
            return fields;
        }
        fields.push_back(p_text.substr(start, pos - start));
        start = pos + 1;
    }
}

bool StringUtilities::startsWith(const std::string& p_text, const std::string& p_prefix)
{
    return p_text.compare(0, p_prefix.size(), p_prefix) == 0 && p_text.size() >= p_prefix.size();
}

std::string StringUtilities::pathBaseName(const std::string& p_path)
{
    const std::string::size_type pos = p_path.find_last_of("/\\");
    return pos == std::string::npos ? p_path : p_path.substr(pos + 1);
}

} // namespace zev
