#pragma once
// A host hook that tells where the result of a list of expressions lives. Not owned by the
// geometry.

#include "zev/ZEVExport.h"
#include "zev/variables/VarType.h"

#include <string>
#include <vector>

namespace zev {

class Geometry;

class ZEV_EXPORT VariableLocationProviderIF {
public:
    virtual ~VariableLocationProviderIF();
    virtual VarLocation getLocationForExpressions(Geometry* p_geometry,
                                                  const std::vector<std::string>& p_expressions) = 0;
};

} // namespace zev
