#pragma once
// Small text helpers.

#include "zev/ZEVExport.h"

#include <string>
#include <vector>

namespace zev {

class ZEV_EXPORT StringUtilities {
public:
    // Splits p_text at every p_separator. Fields are kept as they stand (blanks included),
    // empty fields between adjacent separators are kept, and an empty text gives no field.
    static std::vector<std::string> stringToVector(const std::string& p_text, char p_separator);

    static bool startsWith(const std::string& p_text, const std::string& p_prefix);

    // The last component of a path: the text after the last '/' or '\\' (the whole text
    // when there is none). "a/b/c.vtk" gives "c.vtk"; "a/b/" gives "".
    static std::string pathBaseName(const std::string& p_path);
};

} // namespace zev
