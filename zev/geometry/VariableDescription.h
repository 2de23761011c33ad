#pragma once
// The answers of the host's description query (GeometryInfoInterface::describeVariable),
// preset as its callers must: an expression that needs no calculation unless the host says
// otherwise. One record may be queried again; a field the host leaves alone keeps the
// previous answer.

#include "zev/geometry/GeometryInfoInterface.h"

#include <string>
#include <vector>

namespace zev::internal {

struct VariableDescription {
    int numComponents = 1;
    bool isExpression = true;
    std::vector<std::string> expressions;
    bool needsCalculation = false;
    int unused1 = 0;
    int unused2 = 0;
    std::string unused3;

    // Whether the host knows p_name.
    bool query(const GeometryInfoInterface& p_info, const std::string& p_name)
    {
        return p_info.describeVariable(p_name, numComponents, isExpression, expressions, needsCalculation,
                                       unused1, unused2, unused3);
    }
};

} // namespace zev::internal
