#include "zev/geometry/Geometry.h"
#include "zev/variables/Variable.h"

namespace zev {

// Provided by the variables layer.
void Geometry::deleteAllVariables()
{
    for (auto& entry : m_variables)
        if (entry.second && !isBorrowed(entry.second))
            delete entry.second;
    m_variables.clear();
}

} // namespace zev
