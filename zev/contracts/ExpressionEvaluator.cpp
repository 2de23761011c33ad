#include "zev/contracts/ExpressionEvaluator.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/ExpressionTransformationInterface.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Undefined.h"

#include <muParser.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <dlfcn.h>
#include <map>

namespace zev {

ExpressionTransformationInterface::~ExpressionTransformationInterface() = default;

namespace {

const char* const kClass = "ExpressionEvaluator";

// The expression parser may be built to spread bulk evaluation over OpenMP threads. The
// library starts no threads, so bulk passes run with a team of one; the caller's OpenMP
// setting is restored afterwards. The OpenMP runtime is looked up dynamically: when it is
// not loaded there is nothing to restrict.
class SingleThreadScope {
public:
    SingleThreadScope()
    {
        using GetFn = int (*)();
        auto get = reinterpret_cast<GetFn>(dlsym(RTLD_DEFAULT, "omp_get_max_threads"));
        m_set = reinterpret_cast<SetFn>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"));
        if (get && m_set) {
            m_saved = get();
            m_set(1);
        } else {
            m_set = nullptr;
        }
    }
    ~SingleThreadScope()
    {
        if (m_set)
            m_set(m_saved);
    }
    SingleThreadScope(const SingleThreadScope&) = delete;
    SingleThreadScope& operator=(const SingleThreadScope&) = delete;

private:
    using SetFn = void (*)(int);
    SetFn m_set = nullptr;
    int m_saved = 1;
};

double atan2Fn(double p_y, double p_x)
{
    return std::atan2(p_y, p_x);
}
double powFn(double p_a, double p_b)
{
    return std::pow(p_a, p_b);
}

bool isIdentifierStart(char p_c)
{
    return std::isalpha(static_cast<unsigned char>(p_c)) || p_c == '_';
}
bool isIdentifierChar(char p_c)
{
    return std::isalnum(static_cast<unsigned char>(p_c)) || p_c == '_';
}

} // namespace

struct ExpressionEvaluator::Impl {
    std::string expression;                    // as written
    std::string translated;                    // braced names replaced by identifiers
    std::vector<int> origin;                   // position in `expression` of each character of `translated`
    std::map<std::string, std::string> nameOf; // identifier in `translated` -> input name
    mu::Parser parser;
    std::vector<std::string> needed; // identifiers, in order of first appearance
    std::size_t next = 0;
    std::vector<std::vector<double>> inputs;
    std::vector<char> undefinedItem;
    float* out = nullptr;
    int count = 0;
    const ExpressionTransformationInterface* transform = nullptr;

    [[noreturn]] void fail(const char* p_method, const std::string& p_what, int p_translatedPos) const
    {
        int pos = -1;
        if (p_translatedPos >= 0 && !origin.empty())
            pos = origin[std::min<std::size_t>(static_cast<std::size_t>(p_translatedPos), origin.size() - 1)];
        else if (p_translatedPos >= 0)
            pos = 0;
        std::string text = "Error in expression '" + expression + "'";
        std::string what = p_what;
        if (pos >= 0) {
            text += " at position " + std::to_string(pos + 1);
            // The parser counts from 0 in the translated text; say its position as ours.
            std::string const theirs = "at position " + std::to_string(p_translatedPos);
            std::size_t const at = what.find(theirs);
            if (at != std::string::npos &&
                (at + theirs.size() == what.size() ||
                 !std::isdigit(static_cast<unsigned char>(what[at + theirs.size()]))))
                what.replace(at, theirs.size(), "at position " + std::to_string(pos + 1));
        }
        text += ": " + what;
        throw expressions::eval(kClass, p_method, text);
    }

    // Replaces every {name} by a generated identifier and records where each character came from.
    void translate()
    {
        translated.clear();
        origin.clear();
        nameOf.clear();
        std::map<std::string, std::string> idOf;
        for (std::size_t i = 0; i < expression.size(); ++i) {
            const char c = expression[i];
            if (c == '}')
                fail("evaluateVariable", "unexpected '}'", static_cast<int>(translated.size()));
            if (c != '{') {
                translated += c;
                origin.push_back(static_cast<int>(i));
                continue;
            }
            const std::size_t close = expression.find('}', i + 1);
            if (close == std::string::npos) {
                origin.push_back(static_cast<int>(i));
                fail("evaluateVariable", "missing '}'", static_cast<int>(origin.size()) - 1);
            }
            const std::string name = expression.substr(i + 1, close - i - 1);
            if (name.empty()) {
                origin.push_back(static_cast<int>(i));
                fail("evaluateVariable", "empty name in braces", static_cast<int>(origin.size()) - 1);
            }
            auto it = idOf.find(name);
            if (it == idOf.end()) {
                const std::string id = "_zev_input_" + std::to_string(idOf.size());
                it = idOf.emplace(name, id).first;
                nameOf[id] = name;
            }
            for (char x : it->second) {
                (void)x;
                origin.push_back(static_cast<int>(i));
            }
            translated += it->second;
            i = close;
        }
    }

    // The inputs of the translated expression in order of first appearance.
    void collectInputs()
    {
        const mu::varmap_type used = parser.GetUsedVar();
        needed.clear();
        for (std::size_t i = 0; i < translated.size();) {
            if (isIdentifierStart(translated[i]) && (i == 0 || !isIdentifierChar(translated[i - 1]))) {
                std::size_t j = i;
                while (j < translated.size() && isIdentifierChar(translated[j]))
                    ++j;
                const std::string id = translated.substr(i, j - i);
                if (used.count(id) && std::find(needed.begin(), needed.end(), id) == needed.end())
                    needed.push_back(id);
                i = j;
            } else {
                ++i;
            }
        }
        // Anything the scan missed (it should not happen) still gets asked for.
        for (const auto& entry : used)
            if (std::find(needed.begin(), needed.end(), entry.first) == needed.end())
                needed.push_back(entry.first);
    }

    std::string inputName(const std::string& p_id) const
    {
        auto it = nameOf.find(p_id);
        return it == nameOf.end() ? p_id : it->second;
    }

    void compute()
    {
        const std::size_t n = static_cast<std::size_t>(count);
        std::vector<double> results(n, 0.0);
        try {
            if (needed.empty()) {
                const double v = parser.Eval();
                std::fill(results.begin(), results.end(), v);
            } else if (n > 0) {
                SingleThreadScope oneThread;
                parser.Eval(results.data(), count);
            }
        } catch (const mu::Parser::exception_type& e) {
            fail("continueEvaluatingVariable", e.GetMsg(), e.GetPos());
        }
        for (std::size_t i = 0; i < n; ++i)
            out[i] = undefinedItem[i] ? ZEV_UNDEF : static_cast<float>(results[i]);
    }
};

ExpressionEvaluator::ExpressionEvaluator() : m_impl(std::make_unique<Impl>())
{
    m_impl->parser.DefineFun("atan2", atan2Fn);
    m_impl->parser.DefineFun("pow", powFn);
}

ExpressionEvaluator::~ExpressionEvaluator() = default;

std::string ExpressionEvaluator::evaluateVariable(const std::string& p_expression, float* p_values,
                                                  int p_count, std::string& p_neededName, const std::string&,
                                                  const ExpressionTransformationInterface* p_transform)
{
    Impl& s = *m_impl;
    s.expression = p_expression;
    s.out = p_values;
    s.count = std::max(p_count, 0);
    s.transform = p_transform;
    s.next = 0;
    s.inputs.clear();
    s.undefinedItem.assign(static_cast<std::size_t>(s.count), 0);
    p_neededName.clear();
    if (s.count > 0 && p_values == nullptr)
        throw expressions::eval(kClass, "evaluateVariable",
                                SystemMsg("No output array for expression '%1'.").arg(p_expression));

    s.translate();
    try {
        s.parser.ClearVar();
        s.parser.SetExpr(s.translated);
        s.collectInputs();
    } catch (const mu::Parser::exception_type& e) {
        s.fail("evaluateVariable", e.GetMsg(), e.GetPos());
    }
    // At least one slot per input, so the parser always gets a valid address.
    s.inputs.assign(s.needed.size(),
                    std::vector<double>(static_cast<std::size_t>(std::max(s.count, 1)), 0.0));
    try {
        for (std::size_t k = 0; k < s.needed.size(); ++k)
            s.parser.DefineVar(s.needed[k], s.inputs[k].data());
    } catch (const mu::Parser::exception_type& e) {
        s.fail("evaluateVariable", e.GetMsg(), -1);
    }
    if (s.needed.empty() || s.count == 0) {
        if (!s.needed.empty()) // nothing to compute, but the inputs are still named
            s.next = s.needed.size();
        s.compute();
        return std::string();
    }
    p_neededName = s.inputName(s.needed.front());
    return p_neededName;
}

std::string ExpressionEvaluator::continueEvaluatingVariable(const std::vector<float>& p_values,
                                                            const std::string& p_name)
{
    Impl& s = *m_impl;
    const char* const method = "continueEvaluatingVariable";
    if (s.next >= s.needed.size())
        throw expressions::eval(kClass, method,
                                SystemMsg("No input is awaited for expression '%1'.").arg(s.expression));
    const std::string expectedName = s.inputName(s.needed[s.next]);
    if (p_name != expectedName)
        throw expressions::eval(
            kClass, method, SystemMsg("Expected values of '%1', got '%2'.").arg(expectedName).arg(p_name));
    if (p_values.size() != static_cast<std::size_t>(s.count))
        throw expressions::eval(kClass, method,
                                SystemMsg("Input '%1' has %2 values, %3 expected.")
                                    .arg(p_name)
                                    .arg(p_values.size())
                                    .arg(s.count));
    const std::vector<float>* values = &p_values;
    std::vector<float> transformed;
    if (s.transform) {
        transformed = p_values;
        s.transform->transformInput(p_name, transformed);
        transformed.resize(p_values.size(), ZEV_UNDEF);
        values = &transformed;
    }
    std::vector<double>& input = s.inputs[s.next];
    for (std::size_t i = 0; i < values->size(); ++i) {
        const float v = (*values)[i];
        if (v == ZEV_UNDEF) {
            s.undefinedItem[i] = 1;
            input[i] = 0.0;
        } else {
            input[i] = v;
        }
    }
    ++s.next;
    if (s.next < s.needed.size())
        return s.inputName(s.needed[s.next]);
    s.compute();
    return std::string();
}

} // namespace zev
