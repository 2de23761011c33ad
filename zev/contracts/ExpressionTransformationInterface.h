#pragma once
// A caller-supplied rewrite of the inputs of an expression. Before an expression evaluated
// with a transformation is computed, every input array it reads (a coordinate, a variable,
// a sub-expression) is handed to transformInput, which may change the values in place: for
// example to express coordinates in a moved, rotated or scaled frame, or to convert units.

#include "zev/ZEVExport.h"

#include <string>
#include <vector>

namespace zev {

class ZEV_EXPORT ExpressionTransformationInterface {
public:
    virtual ~ExpressionTransformationInterface();
    // p_name is the input's name as written in the expression (without braces).
    virtual void transformInput(const std::string& p_name, std::vector<float>& p_values) const = 0;
};

} // namespace zev
