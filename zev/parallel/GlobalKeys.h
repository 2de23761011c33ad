// Items that several processes hold (vertices on the borders of pieces, faces between pieces, cut points on
// shared edges), told apart by keys of global ids. Every key is sent to the process that owns it (a hash
// of the key modulo the number of processes), which counts its holders and answers each of them.
#pragma once

#include "zev/parallel/Communicator.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zev {
class Geometry;
}

namespace zev::parallel {

// Keys of varying length, flat: key i is values[offsets[i] .. offsets[i + 1]).
struct ZEV_PARALLEL_EXPORT KeyList {
    std::vector<std::int64_t> values;
    std::vector<std::size_t> offsets{0};

    std::size_t size() const { return offsets.size() - 1; }
    void add(std::int64_t const* p_values, std::size_t p_count)
    {
        values.insert(values.end(), p_values, p_values + p_count);
        offsets.push_back(values.size());
    }
};

// What the processes together hold of one key.
struct ZEV_PARALLEL_EXPORT KeyCensus {
    std::int64_t count = 0; // how often it occurs over all processes (repeats within one process count)
    int firstRank = 0;      // the lowest rank that holds it
};

// The census of every local key, in the order of p_keys. A collective.
ZEV_PARALLEL_EXPORT std::vector<KeyCensus> census(Communicator const& p_comm, KeyList const& p_keys);

// Whether this process owns each of its items of the given global ids: the lowest rank holding an id owns
// it, so that counting the owned items of every process counts each item once.
ZEV_PARALLEL_EXPORT std::vector<char> ownedItems(Communicator const& p_comm,
                                                 std::vector<std::int64_t> const& p_globalIds);

// The values of shared items added up over every process that holds them, in rank order, so that each
// holder has the total a single process holding the whole mesh would have.
ZEV_PARALLEL_EXPORT std::vector<double> addUpShared(Communicator const& p_comm,
                                                    std::vector<std::int64_t> const& p_globalIds,
                                                    std::vector<double> const& p_values);

// Removes from the named face sets of p_geometry the faces that lie between pieces: faces keyed by their
// sorted global vertex ids (p_vertexIds, one per vertex of the geometry) that occur twice over all
// processes. What is left is the boundary of the whole mesh. Returns the number of faces removed.
ZEV_PARALLEL_EXPORT std::size_t removeFacesBetweenPieces(Communicator const& p_comm,
                                                         zev::Geometry& p_geometry,
                                                         std::vector<std::string> const& p_faceSets,
                                                         std::vector<std::int64_t> const& p_vertexIds);

} // namespace zev::parallel
