#include "zev/analysis/Progress.h"

#include <algorithm>
#include <cctype>

namespace zev::analysis {

namespace {

std::recursive_mutex s_turns;
OperationProgress* s_current = nullptr;

// The library names its stages after sets and structures ("ES1-octree", "Recursive Run"); the user sees
// the operation's phase, and the building of a search structure as "indexing".
bool isIndexing(std::string const& p_stage)
{
    std::string lower(p_stage);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char p_c) { return static_cast<char>(std::tolower(p_c)); });
    return lower.find("octree") != std::string::npos || lower.find("locator") != std::string::npos;
}

// A phase reports at most about twenty times: a handful of phases make about a hundred reports.
constexpr double s_step = 0.05;

} // namespace

OperationProgress::OperationProgress(std::string p_operation, ProgressCallback p_callback)
    : m_phase(std::move(p_operation)), m_callback(std::move(p_callback)), m_since(Clock::now()),
      m_turn(s_turns)
{
    m_outer = s_current;
    s_current = this;
    m_previous = zev::ProgressTracker::setListener(this);
    report(m_phase, 0.0);
}

OperationProgress::~OperationProgress()
{
    zev::ProgressTracker::setListener(m_previous);
    s_current = m_outer;
}

OperationProgress* OperationProgress::current()
{
    return s_current;
}

void OperationProgress::progress(std::string const& p_stage, double p_fraction)
{
    report(isIndexing(p_stage) ? std::string("indexing") : m_phase, p_fraction);
}

void OperationProgress::report(std::string const& p_phase, double p_fraction)
{
    if (!m_callback || m_failure) {
        return;
    }
    // A phase reports when it first runs, in twentieths after that, and when it is done; its fraction only
    // grows, although the library may run several trackers in it one after the other, and phases may
    // alternate (cutting, indexing, cutting).
    double fraction = std::min(std::max(p_fraction, 0.0), 1.0);
    auto last = std::find_if(m_reported.begin(), m_reported.end(),
                             [&](auto const& p_entry) { return p_entry.first == p_phase; });
    if (last != m_reported.end()) {
        bool const done = fraction == 1.0 && last->second < 1.0;
        if (fraction < last->second + s_step && !done) {
            return;
        }
        last->second = fraction;
    } else {
        m_reported.emplace_back(p_phase, fraction);
    }
    try {
        m_callback(p_phase, fraction);
    } catch (...) {
        m_failure = std::current_exception();
    }
}

void OperationProgress::account(Clock::time_point p_now)
{
    double const seconds = std::chrono::duration<double>(p_now - m_since).count();
    m_since = p_now;
    auto const it = std::find_if(m_timings.begin(), m_timings.end(),
                                 [&](auto const& p_entry) { return p_entry.first == m_phase; });
    if (it == m_timings.end()) {
        m_timings.emplace_back(m_phase, seconds);
    } else {
        it->second += seconds;
    }
}

void OperationProgress::enter(std::string const& p_phase)
{
    account(Clock::now());
    m_phase = p_phase;
    report(m_phase, 0.0);
}

void OperationProgress::leave(std::string const& p_previous)
{
    report(m_phase, 1.0);
    account(Clock::now());
    m_phase = p_previous;
}

std::vector<std::pair<std::string, double>> OperationProgress::timings() const
{
    std::vector<std::pair<std::string, double>> out = m_timings;
    double const running = std::chrono::duration<double>(Clock::now() - m_since).count();
    auto const it =
        std::find_if(out.begin(), out.end(), [&](auto const& p_entry) { return p_entry.first == m_phase; });
    if (it == out.end()) {
        out.emplace_back(m_phase, running);
    } else {
        it->second += running;
    }
    return out;
}

void OperationProgress::done()
{
    report(m_phase, 1.0);
    rethrow();
}

void OperationProgress::rethrow()
{
    if (m_failure) {
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    }
}

Phase::Phase(std::string const& p_name) : m_progress(OperationProgress::current())
{
    if (m_progress != nullptr) {
        m_previous = m_progress->m_phase;
        m_progress->enter(p_name);
    }
}

Phase::~Phase()
{
    if (m_progress != nullptr) {
        m_progress->leave(m_previous);
    }
}

} // namespace zev::analysis
