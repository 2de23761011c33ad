#include "zev/contracts/Preferences.h"

#include <mutex>

namespace zev {

Preferences::Preferences()
    : m_defaults{{"Interpolation Tolerance", 1.0f}, {"FSI Octree Surface Mapping Layer Tolerance", 1.0f}}
{
}

Preferences& Preferences::instance()
{
    static Preferences s_instance;
    return s_instance;
}

float Preferences::getFloatValue(const std::string& p_key, bool p_defaultOnly) const
{
    if (!p_defaultOnly) {
        std::shared_lock<std::shared_mutex> lock(m_mutex);
        auto it = m_values.find(p_key);
        if (it != m_values.end())
            return it->second;
    }
    auto it = m_defaults.find(p_key);
    return it != m_defaults.end() ? it->second : 0.0f;
}

void Preferences::setFloatValue(const std::string& p_key, float p_value)
{
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    m_values[p_key] = p_value;
}

bool Preferences::hasFloatValue(const std::string& p_key) const
{
    if (m_defaults.count(p_key) != 0)
        return true;
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    return m_values.count(p_key) != 0;
}

void Preferences::resetToDefaults()
{
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    m_values.clear();
}

} // namespace zev
