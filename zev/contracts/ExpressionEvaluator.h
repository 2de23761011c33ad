#pragma once
// Evaluates a user expression over an array of items. The evaluation is a conversation: the
// evaluator names each input it needs in turn, the caller supplies that input's values, and
// once all inputs are known the whole array is computed in one pass.
//
//   std::string need;
//   std::string next = ev.evaluateVariable("2*x+y", out, n, need, "Vertex");
//   while (!next.empty()) { values = ...values of next...; next = ev.continueEvaluatingVariable(values,
//   next); }
//
// Language: decimal numbers; + - * / ^ (power); unary minus; parentheses; comparisons
// (< <= > >= == !=, giving 1 or 0), && || and the conditional a ? b : c; the functions sin,
// cos, tan, asin, acos, atan, atan2, sinh, cosh, tanh, sqrt, abs, exp, log (natural), ln,
// log2, log10, sign, rint, pow, min, max, sum, avg; the constants _pi and _e. An input is
// named by an identifier (letters, digits and underscores, not starting with a digit) or,
// when its name has other characters, written in braces: {Velocity Magnitude}*2.
// An item whose inputs include the undefined value gets the undefined value as its result.
// Errors are zev::expressions::eval naming the expression and the position (counted from 1
// in the text as written).

#include "zev/ZEVExport.h"

#include <memory>
#include <string>
#include <vector>

namespace zev {

class ExpressionTransformationInterface;

class ZEV_EXPORT ExpressionEvaluator {
public:
    ExpressionEvaluator();
    ~ExpressionEvaluator();
    ExpressionEvaluator(const ExpressionEvaluator&) = delete;
    ExpressionEvaluator& operator=(const ExpressionEvaluator&) = delete;

    // Starts evaluating p_expression into p_count floats at p_values (which must stay valid
    // until the evaluation ends). Returns the name of the first input needed, also stored in
    // p_neededName, or an empty string when p_values is already complete. p_location names
    // where the items live (informational). p_transform, when given, is applied to every input.
    std::string evaluateVariable(const std::string& p_expression, float* p_values, int p_count,
                                 std::string& p_neededName, const std::string& p_location,
                                 const ExpressionTransformationInterface* p_transform = nullptr);

    // Supplies the values of the input p_name (the name last asked for), one per item.
    // Returns the next input needed, or an empty string once the result has been written.
    std::string continueEvaluatingVariable(const std::vector<float>& p_values, const std::string& p_name);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace zev
