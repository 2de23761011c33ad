#include "zev/contracts/ProgressTracker.h"

#include <algorithm>
#include <cmath>

namespace zev {

namespace {
ProgressListener* s_listener = nullptr;
}

ProgressListener::~ProgressListener() = default;

ProgressTracker::~ProgressTracker()
{
    if (m_running)
        stop();
}

ProgressListener* ProgressTracker::setListener(ProgressListener* p_listener)
{
    ProgressListener* previous = s_listener;
    s_listener = p_listener;
    return previous;
}

ProgressListener* ProgressTracker::getListener()
{
    return s_listener;
}

int ProgressTracker::add(const std::string& p_name, double p_weight, int p_parent, int p_totalIncrements)
{
    if (p_parent < 0 || p_parent >= size())
        p_parent = -1;
    m_childWeights.resize(m_stages.size() + 2, 0.0);
    double& siblings = m_childWeights[static_cast<std::size_t>(p_parent + 1)];
    m_stages.push_back(Stage{p_name, p_weight, p_parent, std::max(p_totalIncrements, 0), siblings});
    siblings += p_weight;
    return size() - 1;
}

int ProgressTracker::find(const std::string& p_name) const
{
    for (int i = 0; i < size(); ++i)
        if (m_stages[i].name == p_name)
            return i;
    return -1;
}

void ProgressTracker::spanOf(int p_stage, double& p_offset, double& p_span) const
{
    if (p_stage < 0) {
        p_offset = 0.0;
        p_span = 1.0;
        return;
    }
    const Stage& s = m_stages[p_stage];
    double parentOffset = 0.0;
    double parentSpan = 1.0;
    spanOf(s.parent, parentOffset, parentSpan);
    const double before = s.before;
    p_offset = parentOffset + parentSpan * std::min(before, 1.0);
    p_span = parentSpan * std::max(0.0, std::min(s.weight, 1.0 - std::min(before, 1.0)));
}

void ProgressTracker::start(const std::string& p_name, int p_totalIncrements)
{
    start(find(p_name), p_totalIncrements);
}

void ProgressTracker::start(int p_stage, int p_totalIncrements)
{
    if (p_stage < 0 || p_stage >= size())
        return;
    if (p_totalIncrements > 0)
        m_stages[p_stage].total = p_totalIncrements;
    m_current = p_stage;
    m_count = 0;
    m_fixed = -1.0;
    m_running = true;
    spanOf(p_stage, m_offset, m_span);
    const int total = m_stages[p_stage].total;
    m_nextReport = total > 0 ? std::max<long long>(1, total / 100) : 1;
    if (m_listener)
        report();
}

void ProgressTracker::setTotalIncrements(int p_stage, int p_count)
{
    if (p_stage >= 0 && p_stage < size())
        m_stages[p_stage].total = std::max(p_count, 0);
}

int ProgressTracker::getTotalIncrements(const std::string& p_name) const
{
    return getTotalIncrements(find(p_name));
}

int ProgressTracker::getTotalIncrements(int p_stage) const
{
    return p_stage >= 0 && p_stage < size() ? m_stages[p_stage].total : 0;
}

void ProgressTracker::setWeight(const std::string& p_name, double p_weight)
{
    setWeight(find(p_name), p_weight);
}

void ProgressTracker::setWeight(int p_stage, double p_weight)
{
    if (p_stage < 0 || p_stage >= size())
        return;
    Stage& changed = m_stages[p_stage];
    const double delta = p_weight - changed.weight;
    changed.weight = p_weight;
    for (int i = p_stage + 1; i < size(); ++i)
        if (m_stages[i].parent == changed.parent)
            m_stages[i].before += delta;
    m_childWeights[static_cast<std::size_t>(changed.parent + 1)] += delta;
}

double ProgressTracker::getFraction() const
{
    double within = 0.0;
    if (m_fixed >= 0.0)
        within = m_fixed;
    else if (m_current >= 0 && m_stages[m_current].total > 0)
        within = static_cast<double>(m_count) / m_stages[m_current].total;
    within = std::clamp(within, 0.0, 1.0);
    return std::clamp(m_offset + m_span * within, 0.0, 1.0);
}

void ProgressTracker::setProgress(double p_fraction, bool p_force)
{
    m_running = true;
    m_fixed = std::isfinite(p_fraction) ? std::clamp(p_fraction, 0.0, 1.0) : 0.0;
    if (m_listener && (p_force || getFraction() - m_lastReported >= 0.01))
        report();
}

void ProgressTracker::report()
{
    const double f = getFraction();
    const int total = m_current >= 0 ? m_stages[m_current].total : 0;
    const long long step = total > 0 ? std::max<long long>(1, total / 100) : 1;
    m_nextReport = m_count + step;
    if (!m_listener)
        return;
    m_lastReported = f;
    m_listener->progress(m_current >= 0 ? m_stages[m_current].name : std::string(), f);
}

void ProgressTracker::stop()
{
    if (!m_running)
        return;
    m_running = false;
    if (m_listener) {
        m_lastReported = 1.0;
        m_listener->progress(m_current >= 0 ? m_stages[m_current].name : std::string(), 1.0);
        m_listener->finished();
    }
}

} // namespace zev
