#pragma once
// The process-wide store of float preferences the host may tune. Keys the library reads,
// with their defaults:
//   "Interpolation Tolerance"                      1.0  (thickness of the virtual boundary
//                                                        layer used by point location, in
//                                                        per cent of the mesh diagonal)
//   "FSI Octree Surface Mapping Layer Tolerance"   1.0  (the same for surface mapping)
// Unknown keys read as 0.
//
// Threads: every member may be called from several threads at once. A read sees a value
// set before it started or the one set while it runs, never a torn map; the library reads
// the store when a search asks for the virtual layer, so a value set between two searches
// applies to the second.

#include "zev/ZEVExport.h"

#include <map>
#include <shared_mutex>
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

    std::map<std::string, float> m_defaults; // fixed at construction
    std::map<std::string, float> m_values;
    // Readers share it; setFloatValue and resetToDefaults hold it alone.
    mutable std::shared_mutex m_mutex;
};

} // namespace zev
