#include "zev/parallel/Communicator.h"

#include <mpi.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace zev::parallel {

namespace {

// MPI counts are ints; a buffer past that is refused rather than truncated.
int count(std::size_t p_size)
{
    if (p_size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::runtime_error("a message of " + std::to_string(p_size) + " bytes is too long to send");
    }
    return static_cast<int>(p_size);
}

void check(int p_result, char const* p_what)
{
    if (p_result != MPI_SUCCESS) {
        throw std::runtime_error(std::string("MPI failed in ") + p_what);
    }
}

// Displacements of consecutive blocks of the given sizes, and their total.
std::vector<int> displacements(std::vector<int> const& p_counts, std::size_t& p_total)
{
    std::vector<int> out(p_counts.size());
    std::size_t at = 0;
    for (std::size_t i = 0; i < p_counts.size(); ++i) {
        out[i] = count(at);
        at += static_cast<std::size_t>(p_counts[i]);
    }
    p_total = at;
    count(at);
    return out;
}

std::vector<Bytes> split(Bytes const& p_all, std::vector<int> const& p_counts, std::vector<int> const& p_at)
{
    std::vector<Bytes> out(p_counts.size());
    for (std::size_t i = 0; i < p_counts.size(); ++i) {
        out[i].assign(p_all.begin() + p_at[i], p_all.begin() + p_at[i] + p_counts[i]);
    }
    return out;
}

template <typename T> Bytes asBytes(std::vector<T> const& p_values)
{
    Bytes out(p_values.size() * sizeof(T));
    if (!out.empty()) {
        std::memcpy(out.data(), p_values.data(), out.size());
    }
    return out;
}

template <typename T> std::vector<T> fromBytes(Bytes const& p_bytes)
{
    std::vector<T> out(p_bytes.size() / sizeof(T));
    if (!out.empty()) {
        std::memcpy(out.data(), p_bytes.data(), out.size() * sizeof(T));
    }
    return out;
}

// Gathers the vectors to rank 0, combines them there in rank order and broadcasts the result.
template <typename T, typename Combine>
std::vector<T> inRankOrder(Communicator const& p_comm, std::vector<T> const& p_values, Combine p_combine)
{
    std::vector<Bytes> const parts = p_comm.gather(asBytes(p_values));
    Bytes result;
    if (p_comm.isRoot()) {
        std::vector<T> total = p_values;
        for (std::size_t r = 1; r < parts.size(); ++r) {
            std::vector<T> const values = fromBytes<T>(parts[r]);
            if (values.size() != total.size()) {
                throw std::logic_error("a reduction over vectors of different lengths");
            }
            for (std::size_t i = 0; i < total.size(); ++i) {
                total[i] = p_combine(total[i], values[i]);
            }
        }
        result = asBytes(total);
    }
    p_comm.broadcast(result);
    return fromBytes<T>(result);
}

} // namespace

bool Communicator::launchedByMpiexec()
{
    for (char const* name :
         {"OMPI_COMM_WORLD_SIZE", "PMIX_RANK", "PMI_SIZE", "PMI_RANK", "MPI_LOCALNRANKS"}) {
        if (std::getenv(name) != nullptr) {
            return true;
        }
    }
    return false;
}

void Communicator::initialise()
{
    if (!isInitialised()) {
        check(MPI_Init(nullptr, nullptr), "MPI_Init");
    }
}

void Communicator::finalise()
{
    int finalised = 0;
    MPI_Finalized(&finalised);
    if (isInitialised() && !finalised) {
        MPI_Finalize();
    }
}

bool Communicator::isInitialised()
{
    int initialised = 0;
    MPI_Initialized(&initialised);
    return initialised != 0;
}

Communicator::Communicator()
{
    if (!isInitialised()) {
        throw std::logic_error("a communicator needs MPI to be initialised");
    }
    MPI_Comm_rank(MPI_COMM_WORLD, &m_rank);
    MPI_Comm_size(MPI_COMM_WORLD, &m_size);
}

void Communicator::barrier() const
{
    check(MPI_Barrier(MPI_COMM_WORLD), "MPI_Barrier");
}

void Communicator::broadcast(Bytes& p_data, int p_root) const
{
    std::uint64_t size = p_data.size();
    check(MPI_Bcast(&size, 1, MPI_UINT64_T, p_root, MPI_COMM_WORLD), "MPI_Bcast");
    p_data.resize(size);
    check(MPI_Bcast(p_data.data(), count(size), MPI_CHAR, p_root, MPI_COMM_WORLD), "MPI_Bcast");
}

void Communicator::broadcast(std::string& p_data, int p_root) const
{
    Bytes bytes(p_data.begin(), p_data.end());
    broadcast(bytes, p_root);
    p_data.assign(bytes.begin(), bytes.end());
}

std::vector<Bytes> Communicator::gather(Bytes const& p_data, int p_root) const
{
    int const mine = count(p_data.size());
    std::vector<int> counts(static_cast<std::size_t>(m_size));
    check(MPI_Gather(&mine, 1, MPI_INT, counts.data(), 1, MPI_INT, p_root, MPI_COMM_WORLD), "MPI_Gather");
    std::size_t total = 0;
    std::vector<int> const at = m_rank == p_root ? displacements(counts, total) : std::vector<int>();
    Bytes all(total);
    check(MPI_Gatherv(p_data.data(), mine, MPI_CHAR, all.data(), counts.data(), at.data(), MPI_CHAR, p_root,
                      MPI_COMM_WORLD),
          "MPI_Gatherv");
    return m_rank == p_root ? split(all, counts, at) : std::vector<Bytes>();
}

std::vector<Bytes> Communicator::allGather(Bytes const& p_data) const
{
    int const mine = count(p_data.size());
    std::vector<int> counts(static_cast<std::size_t>(m_size));
    check(MPI_Allgather(&mine, 1, MPI_INT, counts.data(), 1, MPI_INT, MPI_COMM_WORLD), "MPI_Allgather");
    std::size_t total = 0;
    std::vector<int> const at = displacements(counts, total);
    Bytes all(total);
    check(MPI_Allgatherv(p_data.data(), mine, MPI_CHAR, all.data(), counts.data(), at.data(), MPI_CHAR,
                         MPI_COMM_WORLD),
          "MPI_Allgatherv");
    return split(all, counts, at);
}

Bytes Communicator::scatter(std::vector<Bytes> const& p_parts, int p_root) const
{
    std::vector<int> counts(static_cast<std::size_t>(m_size), 0);
    Bytes all;
    std::vector<int> at;
    if (m_rank == p_root) {
        if (p_parts.size() != counts.size()) {
            throw std::logic_error("a scatter needs one part per process");
        }
        for (std::size_t r = 0; r < counts.size(); ++r) {
            counts[r] = count(p_parts[r].size());
        }
        std::size_t total = 0;
        at = displacements(counts, total);
        all.reserve(total);
        for (Bytes const& part : p_parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
    }
    int mine = 0;
    check(MPI_Scatter(counts.data(), 1, MPI_INT, &mine, 1, MPI_INT, p_root, MPI_COMM_WORLD), "MPI_Scatter");
    Bytes out(static_cast<std::size_t>(mine));
    check(MPI_Scatterv(all.data(), counts.data(), at.data(), MPI_CHAR, out.data(), mine, MPI_CHAR, p_root,
                       MPI_COMM_WORLD),
          "MPI_Scatterv");
    return out;
}

std::vector<Bytes> Communicator::allToAll(std::vector<Bytes> const& p_send) const
{
    if (p_send.size() != static_cast<std::size_t>(m_size)) {
        throw std::logic_error("an all-to-all exchange needs one buffer per process");
    }
    std::vector<int> sendCounts(p_send.size()), receiveCounts(p_send.size());
    for (std::size_t r = 0; r < p_send.size(); ++r) {
        sendCounts[r] = count(p_send[r].size());
    }
    check(MPI_Alltoall(sendCounts.data(), 1, MPI_INT, receiveCounts.data(), 1, MPI_INT, MPI_COMM_WORLD),
          "MPI_Alltoall");
    std::size_t sendTotal = 0, receiveTotal = 0;
    std::vector<int> const sendAt = displacements(sendCounts, sendTotal);
    std::vector<int> const receiveAt = displacements(receiveCounts, receiveTotal);
    Bytes send;
    send.reserve(sendTotal);
    for (Bytes const& part : p_send) {
        send.insert(send.end(), part.begin(), part.end());
    }
    Bytes receive(receiveTotal);
    check(MPI_Alltoallv(send.data(), sendCounts.data(), sendAt.data(), MPI_CHAR, receive.data(),
                        receiveCounts.data(), receiveAt.data(), MPI_CHAR, MPI_COMM_WORLD),
          "MPI_Alltoallv");
    return split(receive, receiveCounts, receiveAt);
}

double Communicator::sum(double p_value) const
{
    return sum(std::vector<double>{p_value}).front();
}

std::vector<double> Communicator::sum(std::vector<double> const& p_values) const
{
    return inRankOrder(*this, p_values, [](double a, double b) { return a + b; });
}

std::int64_t Communicator::sum(std::int64_t p_value) const
{
    return sum(std::vector<std::int64_t>{p_value}).front();
}

std::vector<std::int64_t> Communicator::sum(std::vector<std::int64_t> const& p_values) const
{
    return inRankOrder(*this, p_values, [](std::int64_t a, std::int64_t b) { return a + b; });
}

std::vector<double> Communicator::min(std::vector<double> const& p_values) const
{
    return inRankOrder(*this, p_values, [](double a, double b) { return b < a ? b : a; });
}

std::vector<double> Communicator::max(std::vector<double> const& p_values) const
{
    return inRankOrder(*this, p_values, [](double a, double b) { return b > a ? b : a; });
}

std::int64_t Communicator::exclusivePrefixSum(std::int64_t p_value) const
{
    std::vector<Bytes> const all = allGather(asBytes(std::vector<std::int64_t>{p_value}));
    std::int64_t before = 0;
    for (int r = 0; r < m_rank; ++r) {
        before += fromBytes<std::int64_t>(all[static_cast<std::size_t>(r)]).front();
    }
    return before;
}

bool Communicator::any(bool p_flag) const
{
    int mine = p_flag ? 1 : 0, all = 0;
    check(MPI_Allreduce(&mine, &all, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD), "MPI_Allreduce");
    return all != 0;
}

std::optional<Failure> Communicator::agree(std::optional<Failure> const& p_local) const
{
    int const mine = p_local ? m_rank : m_size;
    int first = m_size;
    check(MPI_Allreduce(&mine, &first, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD), "MPI_Allreduce");
    if (first == m_size) {
        return std::nullopt;
    }
    ByteWriter writer;
    if (m_rank == first) {
        writer.put<std::int32_t>(p_local->code);
        writer.putString(p_local->message);
    }
    broadcast(writer.bytes(), first);
    ByteReader reader(writer.bytes());
    Failure failure;
    failure.code = reader.get<std::int32_t>();
    failure.message = reader.getString();
    failure.rank = first;
    return failure;
}

std::string ByteReader::getString()
{
    std::uint64_t const n = get<std::uint64_t>();
    if (n > m_bytes.size() - m_pos) {
        fail();
    }
    std::string text(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_pos),
                     m_bytes.begin() + static_cast<std::ptrdiff_t>(m_pos + n));
    m_pos += n;
    return text;
}

void ByteReader::take(void* p_target, std::size_t p_count)
{
    if (p_count > m_bytes.size() - m_pos) {
        fail();
    }
    if (p_count > 0) {
        std::memcpy(p_target, m_bytes.data() + m_pos, p_count);
    }
    m_pos += p_count;
}

void ByteReader::fail()
{
    throw std::runtime_error("a message ended before its contents");
}

} // namespace zev::parallel
