#include "zev/parallel/GlobalKeys.h"

#include "zev/geometry/Geometry.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

namespace zev::parallel {

namespace {

// FNV-1a over the key's values: the same key goes to the same owner on every process.
int ownerOf(std::int64_t const* p_values, std::size_t p_count, int p_size)
{
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < p_count; ++i) {
        std::uint64_t v = static_cast<std::uint64_t>(p_values[i]);
        for (int b = 0; b < 8; ++b) {
            h ^= v & 0xffu;
            h *= 1099511628211ull;
            v >>= 8;
        }
    }
    return static_cast<int>(h % static_cast<std::uint64_t>(p_size));
}

// Sends what each writer holds to the rank of its position and returns what every rank sent here.
std::vector<Bytes> exchange(Communicator const& p_comm, std::vector<ByteWriter>& p_outgoing)
{
    std::vector<Bytes> send(p_outgoing.size());
    for (std::size_t r = 0; r < send.size(); ++r) {
        send[r] = std::move(p_outgoing[r].bytes());
    }
    return p_comm.allToAll(send);
}

} // namespace

std::vector<KeyCensus> census(Communicator const& p_comm, KeyList const& p_keys)
{
    int const size = p_comm.size();
    std::size_t const n = p_keys.size();
    // Keys go to their owners as (length, values...), in local order per owner.
    std::vector<int> owner(n);
    std::vector<ByteWriter> outgoing(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < n; ++i) {
        std::int64_t const* key = p_keys.values.data() + p_keys.offsets[i];
        std::size_t const length = p_keys.offsets[i + 1] - p_keys.offsets[i];
        owner[i] = ownerOf(key, length, size);
        ByteWriter& w = outgoing[static_cast<std::size_t>(owner[i])];
        w.put<std::uint32_t>(static_cast<std::uint32_t>(length));
        for (std::size_t k = 0; k < length; ++k) {
            w.put(key[k]);
        }
    }
    std::vector<Bytes> const received = exchange(p_comm, outgoing);

    // The owner counts every key over the senders, in rank order, and notes the first sender.
    std::unordered_map<std::string, KeyCensus> counts;
    std::vector<std::vector<std::string>> keysFrom(static_cast<std::size_t>(size));
    for (int r = 0; r < size; ++r) {
        Bytes const& bytes = received[static_cast<std::size_t>(r)];
        ByteReader in(bytes);
        while (!in.atEnd()) {
            std::uint32_t const length = in.get<std::uint32_t>();
            std::string key(length * sizeof(std::int64_t), '\0');
            for (std::uint32_t k = 0; k < length; ++k) {
                std::int64_t const v = in.get<std::int64_t>();
                std::copy(reinterpret_cast<char const*>(&v), reinterpret_cast<char const*>(&v) + sizeof v,
                          key.begin() + static_cast<std::ptrdiff_t>(k * sizeof v));
            }
            auto found = counts.emplace(key, KeyCensus{0, r});
            ++found.first->second.count;
            keysFrom[static_cast<std::size_t>(r)].push_back(std::move(key));
        }
    }
    std::vector<ByteWriter> answers(static_cast<std::size_t>(size));
    for (int r = 0; r < size; ++r) {
        ByteWriter& w = answers[static_cast<std::size_t>(r)];
        for (std::string const& key : keysFrom[static_cast<std::size_t>(r)]) {
            KeyCensus const& c = counts.at(key);
            w.put(c.count);
            w.put<std::int32_t>(c.firstRank);
        }
    }
    std::vector<Bytes> const replies = exchange(p_comm, answers);

    // Each owner answered in the order the keys were sent to it.
    std::vector<ByteReader> readers;
    readers.reserve(static_cast<std::size_t>(size));
    for (Bytes const& reply : replies) {
        readers.emplace_back(reply);
    }
    std::vector<KeyCensus> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        ByteReader& in = readers[static_cast<std::size_t>(owner[i])];
        out[i].count = in.get<std::int64_t>();
        out[i].firstRank = in.get<std::int32_t>();
    }
    return out;
}

namespace {

// The census of single-id keys: ids travel as plain arrays, and each owner sorts what it receives instead
// of hashing every id, which keeps the exchange of millions of vertex ids cheap.
std::vector<KeyCensus> idCensus(Communicator const& p_comm, std::vector<std::int64_t> const& p_ids)
{
    std::size_t const size = static_cast<std::size_t>(p_comm.size());
    std::vector<int> owner(p_ids.size());
    std::vector<std::size_t> counts(size, 0);
    for (std::size_t i = 0; i < p_ids.size(); ++i) {
        owner[i] = ownerOf(&p_ids[i], 1, static_cast<int>(size));
        ++counts[static_cast<std::size_t>(owner[i])];
    }
    std::vector<Bytes> send(size);
    std::vector<std::size_t> fill(size, 0);
    for (std::size_t r = 0; r < size; ++r) {
        send[r].resize(counts[r] * sizeof(std::int64_t));
    }
    for (std::size_t i = 0; i < p_ids.size(); ++i) {
        std::size_t const r = static_cast<std::size_t>(owner[i]);
        std::memcpy(send[r].data() + fill[r]++ * sizeof(std::int64_t), &p_ids[i], sizeof(std::int64_t));
    }
    std::vector<Bytes> const received = p_comm.allToAll(send);
    send.clear();

    struct Entry {
        std::int64_t id;
        std::uint32_t rank;
        std::uint32_t index;
    };
    std::vector<Entry> entries;
    std::size_t total = 0;
    for (Bytes const& bytes : received) {
        total += bytes.size() / sizeof(std::int64_t);
    }
    entries.reserve(total);
    for (std::size_t r = 0; r < size; ++r) {
        std::size_t const n = received[r].size() / sizeof(std::int64_t);
        for (std::size_t k = 0; k < n; ++k) {
            std::int64_t id;
            std::memcpy(&id, received[r].data() + k * sizeof(std::int64_t), sizeof id);
            entries.push_back({id, static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(k)});
        }
    }
    std::sort(entries.begin(), entries.end(), [](Entry const& a, Entry const& b) {
        return a.id != b.id ? a.id < b.id : a.rank != b.rank ? a.rank < b.rank : a.index < b.index;
    });
    std::vector<std::vector<KeyCensus>> answers(size);
    for (std::size_t r = 0; r < size; ++r) {
        answers[r].resize(received[r].size() / sizeof(std::int64_t));
    }
    for (std::size_t begin = 0; begin < entries.size();) {
        std::size_t end = begin;
        while (end < entries.size() && entries[end].id == entries[begin].id) {
            ++end;
        }
        KeyCensus const c{static_cast<std::int64_t>(end - begin), static_cast<int>(entries[begin].rank)};
        for (std::size_t k = begin; k < end; ++k) {
            answers[entries[k].rank][entries[k].index] = c;
        }
        begin = end;
    }
    std::vector<Bytes> replies(size);
    for (std::size_t r = 0; r < size; ++r) {
        replies[r].resize(answers[r].size() * sizeof(KeyCensus));
        if (!answers[r].empty()) {
            std::memcpy(replies[r].data(), answers[r].data(), replies[r].size());
        }
    }
    std::vector<Bytes> const back = p_comm.allToAll(replies);
    std::vector<KeyCensus> out(p_ids.size());
    std::fill(fill.begin(), fill.end(), 0);
    for (std::size_t i = 0; i < p_ids.size(); ++i) {
        std::size_t const r = static_cast<std::size_t>(owner[i]);
        std::memcpy(&out[i], back[r].data() + fill[r]++ * sizeof(KeyCensus), sizeof(KeyCensus));
    }
    return out;
}

} // namespace

std::vector<char> ownedItems(Communicator const& p_comm, std::vector<std::int64_t> const& p_globalIds)
{
    std::vector<KeyCensus> const c = idCensus(p_comm, p_globalIds);
    std::vector<char> owned(c.size());
    for (std::size_t i = 0; i < c.size(); ++i) {
        owned[i] = c[i].firstRank == p_comm.rank() ? 1 : 0;
    }
    return owned;
}

std::vector<double> addUpShared(Communicator const& p_comm, std::vector<std::int64_t> const& p_globalIds,
                                std::vector<double> const& p_values)
{
    if (p_globalIds.size() != p_values.size()) {
        throw std::logic_error("addUpShared needs one value per item");
    }
    int const size = p_comm.size();
    std::vector<int> owner(p_globalIds.size());
    std::vector<ByteWriter> outgoing(static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < p_globalIds.size(); ++i) {
        owner[i] = ownerOf(&p_globalIds[i], 1, size);
        outgoing[static_cast<std::size_t>(owner[i])].put(p_globalIds[i]);
        outgoing[static_cast<std::size_t>(owner[i])].put(p_values[i]);
    }
    std::vector<Bytes> const received = exchange(p_comm, outgoing);
    // Totals added in rank order, so that the sum does not depend on the arrival of the messages.
    std::unordered_map<std::int64_t, double> totals;
    std::vector<std::vector<std::int64_t>> idsFrom(static_cast<std::size_t>(size));
    for (int r = 0; r < size; ++r) {
        ByteReader in(received[static_cast<std::size_t>(r)]);
        while (!in.atEnd()) {
            std::int64_t const id = in.get<std::int64_t>();
            totals[id] += in.get<double>();
            idsFrom[static_cast<std::size_t>(r)].push_back(id);
        }
    }
    std::vector<ByteWriter> answers(static_cast<std::size_t>(size));
    for (int r = 0; r < size; ++r) {
        for (std::int64_t const id : idsFrom[static_cast<std::size_t>(r)]) {
            answers[static_cast<std::size_t>(r)].put(totals.at(id));
        }
    }
    std::vector<Bytes> const replies = exchange(p_comm, answers);
    std::vector<ByteReader> readers;
    for (Bytes const& reply : replies) {
        readers.emplace_back(reply);
    }
    std::vector<double> out(p_values.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = readers[static_cast<std::size_t>(owner[i])].get<double>();
    }
    return out;
}

std::size_t removeFacesBetweenPieces(Communicator const& p_comm, zev::Geometry& p_geometry,
                                     std::vector<std::string> const& p_faceSets,
                                     std::vector<std::int64_t> const& p_vertexIds)
{
    KeyList keys;
    std::vector<std::int64_t> key;
    for (std::string const& name : p_faceSets) {
        zev::ShapeSet const* set = p_geometry.getFaceSet(name);
        for (std::size_t i = 0; set != nullptr && i < set->size(); ++i) {
            zev::Shape const& face = (*set)[i];
            key.clear();
            for (int k = 0; k < face.getNumVertices(); ++k) {
                int const v = face[k];
                if (v < 0 || static_cast<std::size_t>(v) >= p_vertexIds.size()) {
                    throw std::out_of_range("a face uses vertex " + std::to_string(v) + " of " +
                                            std::to_string(p_vertexIds.size()));
                }
                key.push_back(p_vertexIds[static_cast<std::size_t>(v)]);
            }
            std::sort(key.begin(), key.end());
            keys.add(key.data(), key.size());
        }
    }
    std::vector<KeyCensus> const c = census(p_comm, keys);
    // A face between pieces is made degenerate (every corner the first one) and then dropped with the
    // set's own removal of degenerate shapes, which keeps the order of the others.
    std::size_t at = 0, removed = 0;
    for (std::string const& name : p_faceSets) {
        zev::ShapeSet* set = p_geometry.getFaceSet(name);
        if (set == nullptr) {
            continue;
        }
        bool any = false;
        for (std::size_t i = 0; i < set->size(); ++i, ++at) {
            if (c[at].count < 2) {
                continue;
            }
            zev::Shape& face = (*set)[i];
            for (int k = 1; k < face.getNumVertices(); ++k) {
                face[k] = face[0];
            }
            any = true;
            ++removed;
        }
        if (any) {
            set->removeDegenerate();
            set->clearExtents();
        }
    }
    return removed;
}

} // namespace zev::parallel
