#pragma once
// Progress of one long operation, in weighted and possibly nested stages. The library
// creates one tracker per operation and calls increment() once per item, so the tracker is
// silent and cheap unless a host has installed a ProgressListener: it then forwards the
// overall fraction done whenever it has advanced by at least a hundredth.
//
// Stage weights are shares of the parent's span (or of the whole operation for top-level
// stages) and are normally chosen to sum to 1 among siblings. Starting a stage counts the
// siblings declared before it as done.

#include "zev/ZEVExport.h"
#include "zev/contracts/NonCopyable.h"

#include <string>
#include <vector>

namespace zev {

// Implemented by the host (or a tool) to show progress. Calls come on the library's thread.
class ZEV_EXPORT ProgressListener {
public:
    virtual ~ProgressListener();
    // p_fraction in [0, 1] of the whole operation; p_stage is the running stage's name.
    virtual void progress(const std::string& p_stage, double p_fraction) = 0;
    // The operation has stopped (finished or abandoned).
    virtual void finished() {}
};

class ZEV_EXPORT ProgressTracker : public NonCopyable {
public:
    // Stops the tracker if it is running.
    ~ProgressTracker();

    // Declares a stage and returns its index. p_parent is the index of an enclosing stage
    // or -1; an invalid parent is treated as -1.
    int add(const std::string& p_name, double p_weight, int p_parent = -1, int p_totalIncrements = 0);

    // Makes the stage current and, when p_totalIncrements is positive, sets its number of
    // increments. An unknown stage is ignored.
    void start(const std::string& p_name, int p_totalIncrements);
    void start(int p_stage, int p_totalIncrements);

    void setTotalIncrements(int p_stage, int p_count);
    int getTotalIncrements(const std::string& p_name) const;
    int getTotalIncrements(int p_stage) const;
    void setWeight(const std::string& p_name, double p_weight);
    void setWeight(int p_stage, double p_weight);

    // Number of declared stages.
    int size() const { return static_cast<int>(m_stages.size()); }

    // One item of the current stage done.
    void increment()
    {
        ++m_count;
        if (m_listener && m_count >= m_nextReport)
            report();
    }

    // Sets the fraction done of the current stage (of the whole operation when no stage
    // runs); p_force reports it even when it has not advanced by a hundredth.
    void setProgress(double p_fraction, bool p_force);

    // Marks the operation finished; reports 1 and tells the listener.
    void stop();

    // The overall fraction done, in [0, 1].
    double getFraction() const;

    // The listener that new trackers report to (not owned; null for none). Returns the
    // previous one.
    static ProgressListener* setListener(ProgressListener* p_listener);
    static ProgressListener* getListener();

private:
    struct Stage {
        std::string name;
        double weight;
        int parent;
        int total;
        double before; // the weights of the earlier stages of the same parent
    };

    int find(const std::string& p_name) const;
    // Offset and span of a stage within the whole operation.
    void spanOf(int p_stage, double& p_offset, double& p_span) const;
    void report();

    std::vector<Stage> m_stages;
    // Per parent (index parent + 1), the weights of its stages so far: a stage's offset is known when it
    // is added, not summed over its siblings at every start (one stage per set would make that quadratic).
    std::vector<double> m_childWeights;
    int m_current = -1;
    long long m_count = 0;
    long long m_nextReport = 0;
    double m_offset = 0.0;
    double m_span = 1.0;
    double m_fixed = -1.0; // fraction set by setProgress, or -1
    double m_lastReported = -1.0;
    bool m_running = false;
    ProgressListener* m_listener = getListener();
};

} // namespace zev
