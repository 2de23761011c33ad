#pragma once
// The key under which a geometry files its variables: a variable name and a location.

#include "zev/ZEVExport.h"
#include "zev/variables/VarType.h"

#include <string>
#include <utility>

namespace zev {

struct ZEV_EXPORT VarKey {
    VarKey(std::string p_name, VarLocation p_location) : name(std::move(p_name)), location(p_location) {}

    // Ordered by name, then by location.
    bool operator<(const VarKey& p_other) const
    {
        if (name != p_other.name)
            return name < p_other.name;
        return location < p_other.location;
    }
    bool operator==(const VarKey& p_other) const
    {
        return name == p_other.name && location == p_other.location;
    }
    bool operator!=(const VarKey& p_other) const { return !(*this == p_other); }

    std::string name;
    VarLocation location;
};

} // namespace zev
