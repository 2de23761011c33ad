#pragma once
// The process-wide store of float preferences the host may tune. Keys the library reads,
// with their defaults:
//   "Interpolation Tolerance"                      1.0  (thickness of the virtual boundary
//                                                        layer used by point location, in
//                                                        per cent of the mesh diagonal)
//   "FSI Octree Surface Mapping Layer Tolerance"   1.0  (the same for surface mapping)
// Unknown keys read as 0.

#include "zev/ZEVExport.h"

#include <map>
#include <string>

namespace zev {

class ZEV_EXPORT Preferences {
public:
    static Preferences& instance();

    // p_defaultOnly asks for the built-in default even when the host has set a value.
    float getFloatValue(const std::string& p_key, bool p_defaultOnly) const;
    void setFloatValue(const std::string& p_key, float p_value);
    bool hasFloatValue(const std::string& p_key) const;
    // Forgets every value the host set.
    void resetToDefaults();

    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

private:
    Preferences();

    std::map<std::string, float> m_defaults;
    std::map<std::string, float> m_values;
};

} // namespace zev
