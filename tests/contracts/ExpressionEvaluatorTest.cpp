#include "zev/contracts/ExpressionEvaluator.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/ExpressionTransformationInterface.h"
#include "zev/contracts/Undefined.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using zev::ExpressionEvaluator;

namespace {

// Runs the two-call protocol with inputs from a table and records the order of requests.
std::vector<float> evaluate(const std::string& p_expr, std::map<std::string, std::vector<float>> p_inputs,
                            int p_count, std::vector<std::string>* p_asked = nullptr,
                            const zev::ExpressionTransformationInterface* p_transform = nullptr)
{
    ExpressionEvaluator ev;
    std::vector<float> out(static_cast<std::size_t>(p_count), -1.0f);
    std::string need;
    std::string next = ev.evaluateVariable(p_expr, out.data(), p_count, need, "Vertex", p_transform);
    EXPECT_EQ(need, next);
    while (!next.empty()) {
        if (p_asked)
            p_asked->push_back(next);
        next = ev.continueEvaluatingVariable(p_inputs.at(next), next);
    }
    return out;
}

} // namespace

TEST(ExpressionEvaluator, ArithmeticFunctionsAndNames)
{
    std::vector<std::string> asked;
    const auto r = evaluate("2*x+y", {{"x", {1, 2, 3}}, {"y", {10, 20, 30}}}, 3, &asked);
    EXPECT_EQ(r, (std::vector<float>{12, 24, 36}));
    EXPECT_EQ(asked, (std::vector<std::string>{"x", "y"})); // order of appearance

    EXPECT_EQ(evaluate("1+2*3^2", {}, 2), (std::vector<float>{19, 19})); // precedence, constant fills all
    EXPECT_EQ(evaluate("-2^2", {}, 1)[0], -4.0f);
    EXPECT_EQ(evaluate("(1+2)*3", {}, 1)[0], 9.0f);
    EXPECT_EQ(evaluate("x > 1 ? 5 : 7", {{"x", {0, 2}}}, 2), (std::vector<float>{7, 5}));
    EXPECT_FLOAT_EQ(evaluate("atan2(1, 1)*4", {}, 1)[0], static_cast<float>(M_PI));
    EXPECT_FLOAT_EQ(evaluate("sqrt(16) + abs(-2) + max(1, 3) + log10(100) + pow(2, 3)", {}, 1)[0], 19.0f);

    asked.clear();
    const auto braced = evaluate("{Velocity Magnitude}*2 + {p.1} - {Velocity Magnitude}",
                                 {{"Velocity Magnitude", {3}}, {"p.1", {0.5f}}}, 1, &asked);
    EXPECT_EQ(braced[0], 3.5f);
    EXPECT_EQ(asked, (std::vector<std::string>{"Velocity Magnitude", "p.1"}));
}

TEST(ExpressionEvaluator, UndefinedInputsGiveUndefinedResults)
{
    const float u = zev::ZEV_UNDEF;
    const auto r = evaluate("x*0 + y", {{"x", {1, u, 3}}, {"y", {1, 1, u}}}, 3);
    EXPECT_EQ(r, (std::vector<float>{1, u, u}));
}

TEST(ExpressionEvaluator, ErrorsNameExpressionAndPosition)
{
    auto message = [](const std::string& expr) {
        ExpressionEvaluator ev;
        float out[2];
        std::string need;
        try {
            ev.evaluateVariable(expr, out, 2, need, "Vertex");
        } catch (const zev::expressions::eval& e) {
            EXPECT_EQ(e.getClassName(), "ExpressionEvaluator");
            EXPECT_EQ(e.getMethodName(), "evaluateVariable");
            return e.getMessage();
        }
        return std::string("no error");
    };
    EXPECT_EQ(message("2*x+").rfind("Error in expression '2*x+' at position ", 0), 0u) << message("2*x+");
    EXPECT_NE(message("1+(2").find("'1+(2'"), std::string::npos);
    EXPECT_NE(message("{Velocity *2").find("at position 1: missing '}'"), std::string::npos);
    // Positions count in the text as written, braces included.
    EXPECT_NE(message("{a b} + * 2").find("at position 9"), std::string::npos) << message("{a b} + * 2");

    ExpressionEvaluator ev;
    float out[2];
    std::string need;
    ASSERT_EQ(ev.evaluateVariable("x+1", out, 2, need, "Vertex"), "x");
    EXPECT_THROW(ev.continueEvaluatingVariable({1.0f}, "x"), zev::expressions::eval);       // wrong count
    EXPECT_THROW(ev.continueEvaluatingVariable({1.0f, 2.0f}, "y"), zev::expressions::eval); // not asked
}

TEST(ExpressionEvaluator, TransformationRewritesInputs)
{
    struct Shift : zev::ExpressionTransformationInterface {
        void transformInput(const std::string& name, std::vector<float>& values) const override
        {
            if (name == "x")
                for (float& v : values)
                    v += 100.0f;
        }
    } shift;
    EXPECT_EQ(evaluate("x+y", {{"x", {1, 2}}, {"y", {1, 1}}}, 2, nullptr, &shift),
              (std::vector<float>{102, 103}));
}
