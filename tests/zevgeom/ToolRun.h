#pragma once
// Runs the tool in-process, as the command line would, and keeps what it wrote.

#include "tools/zevgeom/Commands.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace zevgeomtest {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

inline Outcome run(std::vector<std::string> const& p_args)
{
    std::ostringstream out, err;
    int const code = zevgeom::runZevgeom(p_args, out, err);
    return {code, out.str(), err.str()};
}

// The command's --json report; an empty document (and a test failure) when it did not succeed.
inline nlohmann::ordered_json runJson(std::vector<std::string> p_args)
{
    p_args.push_back("--json");
    Outcome const o = run(p_args);
    EXPECT_EQ(o.code, 0) << o.err;
    return o.code == 0 ? nlohmann::ordered_json::parse(o.out) : nlohmann::ordered_json();
}

} // namespace zevgeomtest
