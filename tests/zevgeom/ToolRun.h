#pragma once
// Runs the tool in-process, as the command line would, and keeps what it wrote.

#include "tools/zevgeom/Commands.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
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

// A JSON file read whole (a reader's reference figures).
inline nlohmann::ordered_json readJson(std::string const& p_path)
{
    std::ifstream in(p_path);
    std::stringstream text;
    text << in.rdbuf();
    return nlohmann::ordered_json::parse(text.str());
}

// Agreement with a peer that holds values in single precision: a few parts in 10^6 of the quantity's
// scale.
inline void expectClose(double p_ours, double p_peer, double p_scale, std::string const& p_what)
{
    EXPECT_NEAR(p_ours, p_peer, 2e-6 * std::fabs(p_peer) + 2e-6 * p_scale) << p_what;
}

// A time as a case spells it in its folder and file names ("0.5", "5").
inline std::string timeName(double p_time)
{
    std::ostringstream out;
    out << p_time;
    return out.str();
}

} // namespace zevgeomtest
