#pragma once
// A boolean switch bound to an environment variable, read once on first use and cached for
// the life of the object.
//
// Truth rule: the variable counts as true when it is set and its value, ignoring case and
// surrounding blanks, is none of "", "0", "false", "no", "off". Unset counts as false.

#include "zev/ZEVExport.h"

#include <atomic>
#include <string>

namespace zev {

class ZEV_EXPORT BoolFromEnvironment {
public:
    explicit BoolFromEnvironment(std::string p_variableName);

    // Reads the variable on first use; later uses return the cached state.
    operator bool() const;

    // Reads the variable now and caches the result.
    void checkEnv() const;

    const std::string& getName() const { return m_name; }

    // The truth rule applied to a value (null means unset).
    static bool isTrue(const char* p_value);

private:
    std::string m_name;
    // -1 not yet read, 0 false, 1 true. Atomic: threads may read the switch first at once, each
    // then reading the same variable and storing the same state.
    mutable std::atomic<signed char> m_state{-1};
};

} // namespace zev
