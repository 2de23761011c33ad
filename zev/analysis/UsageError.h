// A mistake on the command line (an unknown option, a missing value, an unknown variable): exit code 1.
#pragma once

#include <stdexcept>

namespace zev::analysis {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace zev::analysis
