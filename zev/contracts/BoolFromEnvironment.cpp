#include "zev/contracts/BoolFromEnvironment.h"

#include <cctype>
#include <cstdlib>
#include <utility>

namespace zev {

BoolFromEnvironment::BoolFromEnvironment(std::string p_variableName) : m_name(std::move(p_variableName)) {}

bool BoolFromEnvironment::isTrue(const char* p_value)
{
    if (p_value == nullptr)
        return false;
    std::string v;
    for (const char* c = p_value; *c; ++c)
        if (!std::isspace(static_cast<unsigned char>(*c)))
            v += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    return !(v.empty() || v == "0" || v == "false" || v == "no" || v == "off");
}

void BoolFromEnvironment::checkEnv() const
{
    m_state.store(isTrue(std::getenv(m_name.c_str())) ? 1 : 0, std::memory_order_relaxed);
}

BoolFromEnvironment::operator bool() const
{
    if (m_state.load(std::memory_order_relaxed) < 0)
        checkEnv();
    return m_state.load(std::memory_order_relaxed) == 1;
}

} // namespace zev
