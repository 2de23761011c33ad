// The processes of a distributed run and the messages between them: a thin wrapper over MPI_COMM_WORLD
// with byte-buffer collectives, reductions whose result does not depend on the reduction tree, and the
// agreement on a failure that lets every process stop together with the same message.
#pragma once

#include "zev/parallel/ParallelExport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zev::parallel {

using Bytes = std::vector<char>;

// A failure of one process as every process learns it: the exit code and the message as it is printed.
struct ZEV_PARALLEL_EXPORT Failure {
    int code = 0;
    std::string message;
    int rank = 0; // the process that failed first (the lowest rank that failed)
};

class ZEV_PARALLEL_EXPORT Communicator {
public:
    // Whether this process was started by mpiexec (the launcher's rank or size is in the environment).
    static bool launchedByMpiexec();
    // Initialises MPI (a no-op when it already is) and finalises it (a no-op when it is not running).
    static void initialise();
    static void finalise();
    static bool isInitialised();

    // The world of all processes; MPI must be initialised.
    Communicator();

    int rank() const { return m_rank; }
    int size() const { return m_size; }
    bool isRoot() const { return m_rank == 0; }

    void barrier() const;

    // p_data of p_root arrives on every process.
    void broadcast(Bytes& p_data, int p_root = 0) const;
    void broadcast(std::string& p_data, int p_root = 0) const;

    // Every process's p_data, in rank order, on p_root (empty elsewhere).
    std::vector<Bytes> gather(Bytes const& p_data, int p_root = 0) const;
    // Every process's p_data, in rank order, on every process.
    std::vector<Bytes> allGather(Bytes const& p_data) const;
    // p_parts[r] of p_root arrives on rank r.
    Bytes scatter(std::vector<Bytes> const& p_parts, int p_root = 0) const;
    // p_send[r] goes to rank r; the result holds, by rank, what each rank sent here.
    std::vector<Bytes> allToAll(std::vector<Bytes> const& p_send) const;

    // Sums whose value does not depend on how the processes are arranged: the partial values are gathered
    // to rank 0, added in rank order, and the sum is broadcast. Element-wise for vectors (equal lengths).
    double sum(double p_value) const;
    std::vector<double> sum(std::vector<double> const& p_values) const;
    std::int64_t sum(std::int64_t p_value) const;
    std::vector<std::int64_t> sum(std::vector<std::int64_t> const& p_values) const;
    std::vector<double> min(std::vector<double> const& p_values) const;
    std::vector<double> max(std::vector<double> const& p_values) const;
    // The sum of the values of the ranks below this one.
    std::int64_t exclusivePrefixSum(std::int64_t p_value) const;
    bool any(bool p_flag) const;

    // The agreement point: every process brings its own failure or none, and every process leaves with the
    // failure of the lowest rank that has one (or none when no process failed). A collective: every process
    // must call it, so a failing process never leaves the others waiting in another exchange.
    std::optional<Failure> agree(std::optional<Failure> const& p_local) const;

private:
    int m_rank = 0;
    int m_size = 1;
};

// Simple packing of values into a byte buffer and back, for the collectives above.
class ZEV_PARALLEL_EXPORT ByteWriter {
public:
    template <typename T> void put(T const& p_value)
    {
        char const* p = reinterpret_cast<char const*>(&p_value);
        m_bytes.insert(m_bytes.end(), p, p + sizeof(T));
    }
    template <typename T> void putVector(std::vector<T> const& p_values)
    {
        put<std::uint64_t>(p_values.size());
        char const* p = reinterpret_cast<char const*>(p_values.data());
        m_bytes.insert(m_bytes.end(), p, p + p_values.size() * sizeof(T));
    }
    void putString(std::string const& p_text)
    {
        put<std::uint64_t>(p_text.size());
        m_bytes.insert(m_bytes.end(), p_text.begin(), p_text.end());
    }
    Bytes& bytes() { return m_bytes; }

private:
    Bytes m_bytes;
};

// Reads what a ByteWriter wrote; reading past the end is a std::runtime_error.
class ZEV_PARALLEL_EXPORT ByteReader {
public:
    explicit ByteReader(Bytes const& p_bytes) : m_bytes(p_bytes) {}
    template <typename T> T get()
    {
        T value;
        take(&value, sizeof(T));
        return value;
    }
    template <typename T> std::vector<T> getVector()
    {
        std::uint64_t const n = get<std::uint64_t>();
        if (n > (m_bytes.size() - m_pos) / sizeof(T)) {
            fail();
        }
        std::vector<T> values(n);
        take(values.data(), n * sizeof(T));
        return values;
    }
    std::string getString();
    bool atEnd() const { return m_pos == m_bytes.size(); }

private:
    void take(void* p_target, std::size_t p_count);
    [[noreturn]] static void fail();
    Bytes const& m_bytes;
    std::size_t m_pos = 0;
};

} // namespace zev::parallel
