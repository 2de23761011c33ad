#pragma once
// A host hook that supplies extra variables on a geometry before the library falls back to
// interpolation from parent domains or to expressions. Not owned by the geometry.

#include "zev/ZEVExport.h"
#include "zev/variables/VarType.h"

#include <string>

namespace zev {

class Geometry;
class Variable;

class ZEV_EXPORT GeometryVariableProviderIF {
public:
    virtual ~GeometryVariableProviderIF();

    // A new variable named p_name at p_location on p_geometry, owned by the caller, or null
    // when the host has none.
    virtual Variable* getVariable(Geometry* p_geometry, const std::string& p_name,
                                  VarLocation p_location) = 0;
};

} // namespace zev
