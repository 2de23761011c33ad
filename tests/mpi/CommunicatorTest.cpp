// The communicator and the census of shared keys, run under mpiexec with several processes: the failure
// every process agrees on is the lowest failing rank's, sums come out the same on every process, and keys
// held by several processes are counted once with their lowest holder.
#include "zev/parallel/Communicator.h"
#include "zev/parallel/GlobalKeys.h"
#include "zev/parallel/MeshTransfer.h"

#include <gtest/gtest.h>

#include <mpi.h>

namespace {

using namespace zev::parallel;

TEST(Communicator, AgreesOnTheLowestFailingRank)
{
    Communicator const comm;
    EXPECT_FALSE(comm.agree(std::nullopt).has_value());
    // Every rank from 1 on fails with its own message; all learn rank 1's (rank 0's on one process).
    std::optional<Failure> local;
    if (comm.rank() >= 1 || comm.size() == 1) {
        local = Failure{2 + comm.rank(), "failed on " + std::to_string(comm.rank()) + "\n", comm.rank()};
    }
    std::optional<Failure> const agreed = comm.agree(local);
    ASSERT_TRUE(agreed.has_value());
    int const first = comm.size() == 1 ? 0 : 1;
    EXPECT_EQ(agreed->rank, first);
    EXPECT_EQ(agreed->code, 2 + first);
    EXPECT_EQ(agreed->message, "failed on " + std::to_string(first) + "\n");
}

TEST(Communicator, CollectivesAndRankOrderedSums)
{
    Communicator const comm;
    int const r = comm.rank(), p = comm.size();
    // Values whose sum depends on the order of addition: rank order gives one answer everywhere.
    std::vector<double> const mine{r == 0 ? 1e16 : 1.0, static_cast<double>(r)};
    std::vector<double> const total = comm.sum(mine);
    double expected = 1e16;
    for (int k = 1; k < p; ++k) {
        expected += 1.0;
    }
    EXPECT_EQ(total[0], expected);
    EXPECT_EQ(total[1], p * (p - 1) / 2.0);
    EXPECT_EQ(comm.exclusivePrefixSum(10 + r), r * 10 + r * (r - 1) / 2);
    EXPECT_EQ(comm.min(std::vector<double>{double(r)})[0], 0.0);
    EXPECT_EQ(comm.max(std::vector<double>{double(r)})[0], p - 1.0);

    // Rank k sends k+1 bytes of value k to every rank; everyone receives them in rank order.
    std::vector<Bytes> send(static_cast<std::size_t>(p), Bytes(static_cast<std::size_t>(r + 1), char(r)));
    std::vector<Bytes> const received = comm.allToAll(send);
    for (int k = 0; k < p; ++k) {
        EXPECT_EQ(received[static_cast<std::size_t>(k)], Bytes(static_cast<std::size_t>(k + 1), char(k)));
    }
    std::string text = r == p - 1 ? "from the last" : "";
    comm.broadcast(text, p - 1);
    EXPECT_EQ(text, "from the last");
}

TEST(GlobalKeys, SharedKeysAreCountedOnceByTheirLowestHolder)
{
    Communicator const comm;
    int const r = comm.rank(), p = comm.size();
    // Every rank holds id 7 and its own id 100 + r; ranks from 1 hold 50 too, rank 0 twice 42.
    std::vector<std::int64_t> ids{7, 100 + r};
    if (r >= 1) {
        ids.push_back(50);
    } else {
        ids.insert(ids.end(), {42, 42});
    }
    std::vector<char> const owned = ownedItems(comm, ids);
    EXPECT_EQ(owned[0], r == 0);
    EXPECT_EQ(owned[1], 1);
    if (r >= 1) {
        EXPECT_EQ(owned[2], r == 1);
    }

    KeyList keys;
    for (std::int64_t id : ids) {
        keys.add(&id, 1);
    }
    std::int64_t const pair[2] = {3, 4};
    keys.add(pair, 2);
    std::vector<KeyCensus> const c = census(comm, keys);
    EXPECT_EQ(c[0].count, p);
    EXPECT_EQ(c[1].count, 1);
    EXPECT_EQ(c[1].firstRank, r);
    EXPECT_EQ(c.back().count, p); // a two-id key is not confused with either id alone
    if (r == 0) {
        EXPECT_EQ(c[2].count, 2);
    }

    // Values of shared items add up over their holders.
    std::vector<double> const sums = addUpShared(comm, {7, 100 + r}, {1.5, 2.0});
    EXPECT_EQ(sums[0], 1.5 * p);
    EXPECT_EQ(sums[1], 2.0);
}

TEST(MeshTransfer, PackedMeshesComeBackWholeAndPiecesAreContiguous)
{
    zev::io::MeshData mesh;
    mesh.points = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    mesh.addCell(zev::io::VtkCellType::Tetra, {0, 1, 2, 3});
    mesh.pointData.push_back({"p", 1, zev::io::ValueType::Double, zev::io::ArrayRole::Scalars, {1, 2, 3, 4}});
    zev::io::MeshData const back = unpackMesh(packMesh(mesh));
    EXPECT_EQ(back.points, mesh.points);
    EXPECT_EQ(back.connectivity, mesh.connectivity);
    EXPECT_EQ(back.offsets, mesh.offsets);
    ASSERT_EQ(back.pointData.size(), 1u);
    EXPECT_EQ(back.pointData[0].values, mesh.pointData[0].values);
    Bytes cut = packMesh(mesh);
    cut.resize(cut.size() - 3);
    EXPECT_THROW(unpackMesh(cut), std::runtime_error);

    // 5 pieces over 3 processes: 0-1, 1-3, 3-5; 2 pieces over 3: one process gets none.
    EXPECT_EQ(piecesOfRank(5, 3, 0), std::make_pair(0, 1));
    EXPECT_EQ(piecesOfRank(5, 3, 1), std::make_pair(1, 3));
    EXPECT_EQ(piecesOfRank(5, 3, 2), std::make_pair(3, 5));
    EXPECT_EQ(piecesOfRank(2, 3, 0), std::make_pair(0, 0));
}

} // namespace

int main(int argc, char** argv)
{
    MPI_Init(&argc, &argv);
    ::testing::InitGoogleTest(&argc, argv);
    // Only the first process reports; every process runs every test.
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    if (rank != 0) {
        delete ::testing::UnitTest::GetInstance()->listeners().Release(
            ::testing::UnitTest::GetInstance()->listeners().default_result_printer());
    }
    int const failed = RUN_ALL_TESTS();
    int anyFailed = 0;
    MPI_Allreduce(&failed, &anyFailed, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD);
    MPI_Finalize();
    return anyFailed;
}
