// What a user operation tells its caller while it runs, in the user's terms: the phase it is in
// ("reading", "indexing", "cutting", "writing", or the operation's own name) and how far that phase has
// come, at most about a hundred times per operation; and how long each phase took. The library's own
// progress reports (per element set, per search structure) are folded into these phases.
#pragma once

#include "zev/contracts/ProgressTracker.h"

#include <chrono>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zev::analysis {

// p_phase is the running phase, p_fraction in [0, 1] how far it has come.
using ProgressCallback = std::function<void(std::string const& p_phase, double p_fraction)>;

// Watches one operation for as long as it lives: installs itself as the library's progress listener
// (the listener is process-wide, so operations that are watched take turns), forwards the reports to
// p_callback (which may be empty), starting with (p_operation, 0), and records each phase's wall time.
// The phase is p_operation until a Phase names another. A callback that throws is not called again; its
// exception is rethrown by rethrow() once the operation is done, so that it never unwinds through the
// library's loops.
class OperationProgress : public zev::ProgressListener {
public:
    OperationProgress(std::string p_operation, ProgressCallback p_callback);
    ~OperationProgress() override;
    OperationProgress(OperationProgress const&) = delete;
    OperationProgress& operator=(OperationProgress const&) = delete;

    void progress(std::string const& p_stage, double p_fraction) override;

    // Each phase's wall time in seconds, in the order the phases first ran; the time so far of the one
    // running.
    std::vector<std::pair<std::string, double>> timings() const;
    // Reports the operation done and rethrows the callback's exception, if it threw.
    void done();
    void rethrow();

    // The operation being watched, or null.
    static OperationProgress* current();

private:
    friend class Phase;
    using Clock = std::chrono::steady_clock;
    void enter(std::string const& p_phase);
    void leave(std::string const& p_previous);
    void report(std::string const& p_phase, double p_fraction);
    void account(Clock::time_point p_now);

    std::string m_phase;
    std::vector<std::pair<std::string, double>> m_reported; // each phase's fraction last reported
    ProgressCallback m_callback;
    std::exception_ptr m_failure;
    std::vector<std::pair<std::string, double>> m_timings;
    Clock::time_point m_since;
    zev::ProgressListener* m_previous = nullptr;
    OperationProgress* m_outer = nullptr;
    std::unique_lock<std::recursive_mutex> m_turn;
};

// Marks a phase of the watched operation for the scope's length; does nothing when no operation is
// watched.
class Phase {
public:
    explicit Phase(std::string const& p_name);
    ~Phase();
    Phase(Phase const&) = delete;
    Phase& operator=(Phase const&) = delete;

private:
    OperationProgress* m_progress;
    std::string m_previous;
};

} // namespace zev::analysis
