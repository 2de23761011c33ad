// Geometry: boundary-face construction, vertex merging and assembly of geometries from
// other geometries.

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/geometry/Geometry.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/shapes/FaceFactory.h"
#include "zev/shapes/ShapeSetBase.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>

namespace zev {

namespace {

const char* const kClass = "Geometry";

// ------------------------------------------------------------------ typed set access

// Calls p_fn(shape) for every shape of p_set through the concrete set class, so that the
// per-shape calls are direct; false when p_set is not a ShapeSetBase<T>.
template <class T, class Set, class F> bool visitAs(Set& p_set, F& p_fn)
{
    using Typed = std::conditional_t<std::is_const<Set>::value, const ShapeSetBase<T>, ShapeSetBase<T>>;
    Typed* typed = dynamic_cast<Typed*>(&p_set);
    if (typed == nullptr)
        return false;
    for (auto& shape : *typed)
        p_fn(shape);
    return true;
}

template <class Set, class F> void forEachShape(Set& p_set, F&& p_fn)
{
    bool done = false;
    switch (p_set.getType()) {
    case TRI:
        done = visitAs<Tri>(p_set, p_fn);
        break;
    case QUAD:
        done = visitAs<Quad>(p_set, p_fn);
        break;
    case TET:
        done = visitAs<Tet>(p_set, p_fn);
        break;
    case WEDGE:
        done = visitAs<Wedge>(p_set, p_fn);
        break;
    case HEX:
        done = visitAs<Hex>(p_set, p_fn);
        break;
    case PYRAMID:
        done = visitAs<Pyramid>(p_set, p_fn);
        break;
    case PENTAGON:
        done = visitAs<Pentagon>(p_set, p_fn);
        break;
    case HEXAGON:
        done = visitAs<Hexagon>(p_set, p_fn);
        break;
    case POLYGON:
        done = visitAs<Polygon>(p_set, p_fn);
        break;
    case POLYHEDRON:
        done = visitAs<Polyhedron>(p_set, p_fn);
        break;
    }
    if (!done)
        for (std::size_t i = 0; i < p_set.size(); ++i)
            p_fn(p_set[i]);
}

// ------------------------------------------------------------------ element faces

enum FaceKind : std::uint8_t { kTri = 0, kQuad = 1, kPolygon = 2 };
constexpr int kKinds = 3;
const ShapeType kKindType[kKinds] = {TRI, QUAD, POLYGON};
const char* const kKindSetName[kKinds] = {"ELEMTRIS", "ELEMQUADS", "ELEMPOLYGONS"};
const char* const kKindStage[kKinds] = {"triset", "quadset", "polygonset"};

// The type of the boundary face made from a face of p_vertexCount vertices of an element.
FaceKind faceKind(ShapeType p_elementType, int p_vertexCount)
{
    switch (p_elementType) {
    case TET:
        return kTri;
    case WEDGE:
    case PYRAMID:
        return p_vertexCount == 3 ? kTri : kQuad;
    case HEX:
        return kQuad;
    case POLYHEDRON:
        return kPolygon;
    default:
        throw internal::badParam(kClass, "getFaceType", SystemMsg("Invalid face type"));
    }
}

template <class T, class OnFace, class OnElement>
void sweepFixed(const ShapeSetBase<T>& p_set, OnFace& p_onFace, OnElement& p_onElement)
{
    const T* elements = p_set.data();
    const std::size_t count = p_set.size();
    for (std::size_t i = 0; i < count; ++i) {
        const T& element = elements[i];
        for (int f = 0; f < T::staticGetNumFaces(); ++f) {
            int n = 0;
            const int* vertices = nullptr;
            const int* row = element.T::getVerticesForFace(f, n, &vertices);
            p_onFace(faceKind(T::staticGetType(), n), n, row, vertices);
        }
        p_onElement();
    }
}

template <class OnFace, class OnElement>
void sweepGeneric(const ShapeSet& p_set, OnFace& p_onFace, OnElement& p_onElement)
{
    for (std::size_t i = 0; i < p_set.size(); ++i) {
        const Shape& element = p_set[i];
        const int faces = element.getNumFaces();
        const int listed = element.getNumVertices();
        for (int f = 0; f < faces; ++f) {
            int n = 0;
            const int* vertices = nullptr;
            const int* row = element.getVerticesForFace(f, n, &vertices);
            const FaceKind kind = faceKind(element.getType(), n);
            for (int k = 0; k < n; ++k)
                if (row[k] < 0 || row[k] >= listed)
                    throw data::invalid(kClass, "calculateFaces",
                                        SystemMsg("Face %1 of element %2 refers to corner %3 of %4.")
                                            .arg(f)
                                            .arg(static_cast<long long>(i))
                                            .arg(row[k])
                                            .arg(listed));
            p_onFace(kind, n, row, vertices);
        }
        p_onElement();
    }
}

// Walks every face of every element of p_sets in order: sets, elements, element faces.
// p_onSet(s) is called before set s, p_onElement() after each element.
template <class OnSet, class OnFace, class OnElement>
void sweepFaces(const std::vector<const ShapeSet*>& p_sets, OnSet&& p_onSet, OnFace&& p_onFace,
                OnElement&& p_onElement)
{
    for (std::size_t s = 0; s < p_sets.size(); ++s) {
        const ShapeSet& set = *p_sets[s];
        p_onSet(s);
        if (set.empty())
            continue;
        // A set of face shapes has no element faces: refuse it before touching a shape.
        faceKind(set.getType(), 3);
        bool done = false;
        switch (set.getType()) {
        case TET:
            if (auto* typed = dynamic_cast<const ShapeSetBase<Tet>*>(&set)) {
                sweepFixed(*typed, p_onFace, p_onElement);
                done = true;
            }
            break;
        case WEDGE:
            if (auto* typed = dynamic_cast<const ShapeSetBase<Wedge>*>(&set)) {
                sweepFixed(*typed, p_onFace, p_onElement);
                done = true;
            }
            break;
        case HEX:
            if (auto* typed = dynamic_cast<const ShapeSetBase<Hex>*>(&set)) {
                sweepFixed(*typed, p_onFace, p_onElement);
                done = true;
            }
            break;
        case PYRAMID:
            if (auto* typed = dynamic_cast<const ShapeSetBase<Pyramid>*>(&set)) {
                sweepFixed(*typed, p_onFace, p_onElement);
                done = true;
            }
            break;
        default:
            break;
        }
        if (!done)
            sweepGeneric(set, p_onFace, p_onElement);
    }
}

inline void order(int& p_a, int& p_b)
{
    if (p_b < p_a)
        std::swap(p_a, p_b);
}

// The sorted, distinct vertex indices of a face. Keys of up to four entries are written
// to p_key (unused entries -1); longer ones (and the empty key) are left in p_scratch.
// Returns the key length.
inline int faceKey(int p_n, const int* p_row, const int* p_vertices, int* p_key, std::vector<int>& p_scratch)
{
    if (p_n == 3 || p_n == 4) {
        int a = p_vertices[p_row[0]], b = p_vertices[p_row[1]], c = p_vertices[p_row[2]];
        int d = p_n == 4 ? p_vertices[p_row[3]] : std::numeric_limits<int>::max();
        order(a, b);
        order(c, d);
        order(a, c);
        order(b, d);
        order(b, c);
        int len = 0;
        const int sorted[4] = {a, b, c, d};
        for (int k = 0; k < p_n; ++k)
            if (len == 0 || sorted[k] != p_key[len - 1])
                p_key[len++] = sorted[k];
        for (int k = len; k < 4; ++k)
            p_key[k] = -1;
        return len;
    }
    p_scratch.clear();
    for (int k = 0; k < p_n; ++k)
        p_scratch.push_back(p_vertices[p_row[k]]);
    std::sort(p_scratch.begin(), p_scratch.end());
    p_scratch.erase(std::unique(p_scratch.begin(), p_scratch.end()), p_scratch.end());
    const int len = static_cast<int>(p_scratch.size());
    if (len >= 1 && len <= 4) {
        for (int k = 0; k < 4; ++k)
            p_key[k] = k < len ? p_scratch[static_cast<std::size_t>(k)] : -1;
    }
    return len;
}

inline bool isShortKey(int p_len)
{
    return p_len >= 1 && p_len <= 4;
}

// A face key without its smallest entry, filed in the bucket of that entry.
struct BucketRecord {
    int k1, k2, k3;
    std::uint32_t face;
};

inline bool bucketLess(const BucketRecord& p_a, const BucketRecord& p_b)
{
    if (p_a.k1 != p_b.k1)
        return p_a.k1 < p_b.k1;
    if (p_a.k2 != p_b.k2)
        return p_a.k2 < p_b.k2;
    return p_a.k3 < p_b.k3;
}

inline bool bucketEqual(const BucketRecord& p_a, const BucketRecord& p_b)
{
    return p_a.k1 == p_b.k1 && p_a.k2 == p_b.k2 && p_a.k3 == p_b.k3;
}

// A whole short key, for meshes whose vertex indices do not suit the buckets.
struct KeyRecord {
    int len;
    int k[4];
    std::uint32_t face;
};

inline bool keyLess(const KeyRecord& p_a, const KeyRecord& p_b)
{
    if (p_a.len != p_b.len)
        return p_a.len < p_b.len;
    return std::lexicographical_compare(p_a.k, p_a.k + 4, p_b.k, p_b.k + 4);
}

inline bool keyEqual(const KeyRecord& p_a, const KeyRecord& p_b)
{
    return p_a.len == p_b.len && std::equal(p_a.k, p_a.k + 4, p_b.k);
}

// Marks every face of each run of equal records as duplicated.
template <class It, class Equal>
void markRuns(It p_begin, It p_end, Equal p_equal, std::vector<std::uint8_t>& p_dup)
{
    for (It run = p_begin; run != p_end;) {
        It next = run + 1;
        while (next != p_end && p_equal(*run, *next))
            ++next;
        if (next - run > 1)
            for (It it = run; it != next; ++it)
                p_dup[it->face] = 1;
        run = next;
    }
}

// A 64-bit sort key and the item it belongs to.
struct SortKey {
    std::uint64_t key;
    std::uint32_t index;
};

// Stable ascending sort by key: passes of 11 bits, skipping the passes whose digit is the
// same for every key. The counts of every pass are taken in one read of the keys.
void radixSort(std::vector<SortKey>& p_keys)
{
    const std::size_t n = p_keys.size();
    if (n < 2)
        return;
    constexpr int digitBits = 11;
    constexpr int passes = (64 + digitBits - 1) / digitBits;
    constexpr std::size_t buckets = std::size_t(1) << digitBits;
    std::vector<std::uint32_t> count(passes * buckets, 0);
    for (const SortKey& k : p_keys)
        for (int pass = 0; pass < passes; ++pass)
            ++count[pass * buckets + ((k.key >> (pass * digitBits)) & (buckets - 1))];
    std::vector<SortKey> buffer(n);
    for (int pass = 0; pass < passes; ++pass) {
        std::uint32_t* const digits = count.data() + pass * buckets;
        const int shift = pass * digitBits;
        // A digit shared by every key leaves the order as it is.
        if (digits[(p_keys[0].key >> shift) & (buckets - 1)] == n)
            continue;
        std::uint32_t sum = 0;
        for (std::size_t d = 0; d < buckets; ++d) {
            const std::uint32_t here = digits[d];
            digits[d] = sum;
            sum += here;
        }
        for (const SortKey& k : p_keys)
            buffer[digits[(k.key >> shift) & (buckets - 1)]++] = k;
        p_keys.swap(buffer);
    }
}

// The merge grid's cells are this many times the largest tolerance wide. At least 2, so that
// a point has neighbours across at most one border per axis; wider cells make the search
// leave a point's own cell less often (a neighbour is looked up only when the point lies
// within its tolerance of the border), at the price of more points per cell where vertices
// lie closer together than the width, which merging meshes rarely sees.
constexpr double kCellWidth = 8.0;
// The coarse buckets of the grid number at most one per point over the bounding box; a
// surface occupies only a fraction of them, so an occupied bucket holds a few cells.
constexpr double kPointsPerBucket = 1.0;

// A point of the merge grid: its cell (the key packs the three cell numbers, 21 bits each),
// its coordinates and its vertex index.
struct GridPoint {
    std::uint64_t key;
    float xyz[3];
    int index;

    // The squared distance from the origin, exactly as the vertex records compute it.
    double magnitude2() const
    {
        return static_cast<double>(xyz[0]) * xyz[0] + static_cast<double>(xyz[1]) * xyz[1] +
               static_cast<double>(xyz[2]) * xyz[2];
    }
};

bool inRange(const Shape& p_shape, std::size_t p_vertexCount)
{
    const int n = p_shape.getNumVertices();
    for (int k = 0; k < n; ++k) {
        const int v = p_shape[k];
        if (v < 0 || static_cast<std::size_t>(v) >= p_vertexCount)
            return false;
    }
    return true;
}

} // namespace

// ------------------------------------------------------------------ calculateFaces

bool Geometry::calculateFaces()
{
    if (m_elementSets.empty())
        return false;

    ProgressTracker progress;
    const int construction = progress.add("Face Construction", 0.2);
    const int pass1 = progress.add("Duplicates Pass 1", 0.5);
    const int pass2 = progress.add("Duplicates Pass 2", 0.3);

    std::unique_ptr<ShapeSet> output[kKinds];
    for (int kind = 0; kind < kKinds; ++kind) {
        output[kind].reset(FaceFactory::instance()->getFaceSetByType(kKindType[kind], 0));
        if (!output[kind])
            throw internal::nullPointer(kClass, "calculateFaces",
                                        SystemMsg("FaceFactory returned null pointer."));
    }

    const std::vector<std::string> names = getElementSetNames();
    std::vector<const ShapeSet*> sets;
    sets.reserve(names.size());
    std::size_t totalElements = 0;
    for (const std::string& name : names) {
        const ShapeSet* set = getElementSet(name);
        sets.push_back(set);
        totalElements += set ? set->size() : 0;
    }
    if (totalElements < 1)
        return false;
    std::vector<int> setStages(sets.size());
    for (std::size_t s = 0; s < sets.size(); ++s) {
        const std::size_t n = sets[s] ? sets[s]->size() : 0;
        setStages[s] = progress.add(names[s], static_cast<double>(n) / static_cast<double>(totalElements),
                                    construction, static_cast<int>(n));
    }
    for (const ShapeSet* set : sets)
        if (set == nullptr)
            throw internal::nullPointer(kClass, "calculateFaces",
                                        SystemMsg("getElementSet() returned null pointer."));

    // Face construction: classify every element face and note the smallest vertex of its
    // key. Faces are numbered in the order sets, elements, element faces; the boundary sets
    // keep that order.
    std::vector<std::uint8_t> kinds;
    std::vector<int> smallest;
    std::vector<int> longFaces; // faces whose key is empty or has more than four entries
    std::vector<int> scratch;
    std::size_t kindCount[kKinds] = {0, 0, 0};
    int minKey = std::numeric_limits<int>::max();
    int maxKey = std::numeric_limits<int>::min();
    {
        std::size_t estimate = 0;
        for (const ShapeSet* set : sets)
            estimate += set->size() *
                        static_cast<std::size_t>(std::max(set->empty() ? 0 : (*set)[0].getNumFaces(), 0));
        kinds.reserve(estimate);
        smallest.reserve(estimate);
    }
    int key[4];
    sweepFaces(
        sets, [&](std::size_t s) { progress.start(setStages[s], 0); },
        [&](FaceKind kind, int n, const int* row, const int* vertices) {
            const int len = faceKey(n, row, vertices, key, scratch);
            if (isShortKey(len)) {
                smallest.push_back(key[0]);
                minKey = std::min(minKey, key[0]);
                maxKey = std::max(maxKey, key[0]);
            } else {
                longFaces.push_back(static_cast<int>(kinds.size()));
                smallest.push_back(0);
            }
            kinds.push_back(kind);
            ++kindCount[kind];
        },
        [&]() { progress.increment(); });

    const std::size_t faceCount = kinds.size();
    if (faceCount >= std::numeric_limits<std::uint32_t>::max())
        throw internal::error(kClass, "calculateFaces",
                              SystemMsg("Too many element faces: %1.").arg(faceCount));
    std::vector<std::uint8_t> duplicated(faceCount, 0);
    std::vector<std::uint8_t> isLong(faceCount, 0);
    for (int f : longFaces)
        isLong[static_cast<std::size_t>(f)] = 1;

    // Duplicates pass 1: file every key, kind by kind, and mark the faces whose key occurs
    // more than once. Short keys go to one bucket per smallest vertex when the indices are
    // dense enough, otherwise into one sorted list. A polygon face's key is made from all its
    // vertices, never from a fixed four: four entries would read past a triangle and would
    // miss a pentagon shared by two polyhedra (listed from another corner), leaving an
    // interior face on the boundary.
    std::vector<int> pass1Stages(kKinds), pass2Stages(kKinds);
    for (int kind = 0; kind < kKinds; ++kind) {
        const double weight =
            static_cast<double>(kindCount[kind]) / static_cast<double>(faceCount ? faceCount : 1);
        pass1Stages[static_cast<std::size_t>(kind)] =
            progress.add(kKindStage[kind], weight, pass1, static_cast<int>(kindCount[kind]));
        pass2Stages[static_cast<std::size_t>(kind)] =
            progress.add(kKindStage[kind], weight, pass2, static_cast<int>(kindCount[kind]));
    }
    progress.start(pass1, 0);

    const std::size_t shortCount = faceCount - longFaces.size();
    const long long span = shortCount ? static_cast<long long>(maxKey) - minKey + 1 : 0;
    const bool useBuckets =
        shortCount > 0 && minKey >= 0 && span <= 4 * static_cast<long long>(shortCount) + 1024;

    // Runs the kind-ordered sweeps of pass 1, handing each short key to p_file.
    auto sweepKinds = [&](auto&& p_file) {
        for (int kind = 0; kind < kKinds; ++kind) {
            if (kindCount[kind] == 0)
                continue;
            progress.start(pass1Stages[static_cast<std::size_t>(kind)], 0);
            std::uint32_t face = 0;
            sweepFaces(
                sets, [](std::size_t) {},
                [&](FaceKind k, int n, const int* row, const int* vertices) {
                    const std::uint32_t current = face++;
                    if (k != kind)
                        return;
                    progress.increment();
                    if (isLong[current])
                        return;
                    const int len = faceKey(n, row, vertices, key, scratch);
                    p_file(current, len);
                },
                []() {});
        }
    };

    if (useBuckets) {
        const std::size_t buckets = static_cast<std::size_t>(span);
        std::vector<std::uint32_t> start(buckets + 1, 0);
        for (std::size_t f = 0; f < faceCount; ++f)
            if (!isLong[f])
                ++start[static_cast<std::size_t>(smallest[f] - minKey) + 1];
        for (std::size_t b = 1; b <= buckets; ++b)
            start[b] += start[b - 1];
        std::vector<BucketRecord> records(shortCount);
        // start[b] is the fill cursor of bucket b; after filling it is the bucket's end.
        sweepKinds([&](std::uint32_t p_face, int) {
            const std::size_t b = static_cast<std::size_t>(key[0] - minKey);
            records[start[b]++] = BucketRecord{key[1], key[2], key[3], p_face};
        });
        std::uint32_t begin = 0;
        for (std::size_t b = 0; b < buckets; ++b) {
            const std::uint32_t end = start[b];
            if (end - begin > 1) {
                BucketRecord* first = records.data() + begin;
                BucketRecord* last = records.data() + end;
                if (end - begin <= 16) {
                    for (BucketRecord* it = first + 1; it != last; ++it)
                        for (BucketRecord* j = it; j != first && bucketLess(*j, *(j - 1)); --j)
                            std::swap(*j, *(j - 1));
                } else {
                    std::sort(first, last, bucketLess);
                }
                markRuns(first, last, bucketEqual, duplicated);
            }
            begin = end;
        }
    } else if (shortCount > 0) {
        std::vector<KeyRecord> records;
        records.reserve(shortCount);
        sweepKinds([&](std::uint32_t p_face, int p_len) {
            KeyRecord r{p_len, {key[0], key[1], key[2], key[3]}, p_face};
            records.push_back(r);
        });
        std::sort(records.begin(), records.end(), keyLess);
        markRuns(records.begin(), records.end(), keyEqual, duplicated);
    } else {
        sweepKinds([](std::uint32_t, int) {});
    }

    if (!longFaces.empty()) {
        // Long keys (polyhedron faces of five or more distinct vertices) can only match
        // each other.
        std::vector<int> offsets{0};
        std::vector<int> flat;
        std::vector<std::uint32_t> owner;
        std::uint32_t face = 0;
        sweepFaces(
            sets, [](std::size_t) {},
            [&](FaceKind, int n, const int* row, const int* vertices) {
                const std::uint32_t current = face++;
                if (!isLong[current])
                    return;
                faceKey(n, row, vertices, key, scratch);
                flat.insert(flat.end(), scratch.begin(), scratch.end());
                offsets.push_back(static_cast<int>(flat.size()));
                owner.push_back(current);
            },
            []() {});
        struct LongRecord {
            std::uint32_t index;
            std::uint32_t face;
        };
        std::vector<LongRecord> order(owner.size());
        for (std::uint32_t i = 0; i < owner.size(); ++i)
            order[i] = LongRecord{i, owner[i]};
        auto range = [&](const LongRecord& r) {
            return std::make_pair(flat.begin() + offsets[r.index], flat.begin() + offsets[r.index + 1]);
        };
        auto less = [&](const LongRecord& a, const LongRecord& b) {
            const auto ra = range(a), rb = range(b);
            const auto la = ra.second - ra.first, lb = rb.second - rb.first;
            if (la != lb)
                return la < lb;
            return std::lexicographical_compare(ra.first, ra.second, rb.first, rb.second);
        };
        auto equal = [&](const LongRecord& a, const LongRecord& b) { return !less(a, b) && !less(b, a); };
        std::sort(order.begin(), order.end(), less);
        markRuns(order.begin(), order.end(), equal, duplicated);
    }

    // Duplicates pass 2: copy the faces whose key occurred once into the boundary sets.
    std::size_t survivors[kKinds] = {0, 0, 0};
    for (std::size_t f = 0; f < faceCount; ++f)
        if (!duplicated[f])
            ++survivors[kinds[f]];
    progress.start(pass2, 0);
    for (int kind = 0; kind < kKinds; ++kind) {
        ShapeSet& out = *output[kind];
        out.resize(survivors[kind]);
        if (kindCount[kind] == 0)
            continue;
        progress.start(pass2Stages[static_cast<std::size_t>(kind)], 0);
        if (survivors[kind] == 0)
            continue;
        std::uint32_t face = 0;
        std::size_t next = 0;
        sweepFaces(
            sets, [](std::size_t) {},
            [&](FaceKind k, int n, const int* row, const int* vertices) {
                const std::uint32_t current = face++;
                if (k != kind)
                    return;
                progress.increment();
                if (duplicated[current])
                    return;
                Shape& shape = out[next++];
                if (kind == kPolygon)
                    shape.setNumVertices(n);
                for (int v = 0; v < n; ++v)
                    shape[v] = vertices[row[v]];
            },
            []() {});
    }

    if (survivors[kTri] + survivors[kQuad] + survivors[kPolygon] == 0)
        return false;
    for (int kind = 0; kind < kKinds; ++kind) {
        if (survivors[kind] == 0 || m_faceSets.count(kKindSetName[kind]))
            continue;
        insertFaceSet(kKindSetName[kind], output[kind].get());
        output[kind].release();
    }
    return true;
}

// ------------------------------------------------------------------ removeDuplicateVertices

void Geometry::removeDuplicateVertices(double p_tolerance)
{
    const std::size_t vertexCount = m_vertices.size();
    if (vertexCount < 3)
        return;

    double tolerance = p_tolerance;
    if (!(p_tolerance >= 0.0)) {
        // A two-hundredth of the smallest length scale of a sample of the shapes.
        tolerance = 3.4028234663852886e38;
        std::size_t sampled = 0;
        auto sample = [&](const ShapeSet* p_set) {
            if (p_set == nullptr)
                return;
            for (std::size_t i = 0; i < p_set->size(); i += 20) {
                const Shape& shape = (*p_set)[i];
                if (!inRange(shape, vertexCount))
                    continue;
                tolerance = std::min(tolerance, shape.lengthScale(m_vertices));
                ++sampled;
            }
        };
        for (const auto& entry : m_faceSets)
            sample(entry.second);
        for (const std::string& name : getElementSetNames())
            sample(getElementSet(name));
        if (sampled == 0)
            return;
        tolerance /= 200.0;
    }

    // The records of the merge are the vertices ordered by squared distance from the origin,
    // ties by index; undefined or non-finite vertices sort last and take no part in merging.
    // Defined and finite: |x| <= the float maximum fails for infinities and NaN. Written
    // without branches; a vertex is tested on every pass over the array.
    auto usableOf = [](const Triplet& p_p) {
        int usable = 1;
        for (int c = 0; c < 3; ++c)
            usable &= static_cast<int>(!FloatUtilities::isUndef(p_p[c])) &
                      static_cast<int>(std::fabs(p_p[c]) <= FLT_MAX);
        return usable != 0;
    };
    auto magnitude2Of = [](const Triplet& p_p) {
        return static_cast<double>(p_p[0]) * p_p[0] + static_cast<double>(p_p[1]) * p_p[1] +
               static_cast<double>(p_p[2]) * p_p[2];
    };
    double largest = 0.0;
    double lo[3] = {DBL_MAX, DBL_MAX, DBL_MAX};
    double hi[3] = {-DBL_MAX, -DBL_MAX, -DBL_MAX};
    std::size_t usableCount = 0;
    for (std::size_t i = 0; i < vertexCount; ++i) {
        const Triplet& p = m_vertices[i];
        if (!usableOf(p))
            continue;
        ++usableCount;
        largest = std::max(largest, magnitude2Of(p));
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], static_cast<double>(p[c]));
            hi[c] = std::max(hi[c], static_cast<double>(p[c]));
        }
    }

    // A vertex r (magnitude m) merges into the first record c, in sorted order, within the
    // magnitude band [m - e, m + e] that lies closer than e = max(t, m * 1e-5) and has a
    // smaller index: among all such c, the one of least (squared magnitude, index). Such a c
    // lies within e of r, so it is found through a grid of cells at least 2e wide, where only
    // the cells whose border r is closer to than e can hold it besides r's own. The points are
    // grouped by cell in two levels: a counting sort into coarse buckets of 2^s x 2^s x 2^s
    // cells, computed from the bounding box (sequential passes, no hashing), then a small sort
    // by cell within each bucket, so that each cell is a contiguous run in ascending index and
    // a neighbouring cell is found by a short binary search in its bucket. No full sort of the
    // vertices is needed: only the survivors are sorted, at the end.
    std::vector<int> parent(vertexCount);
    for (std::size_t i = 0; i < vertexCount; ++i)
        parent[i] = static_cast<int>(i);
    const double maxTolerance = std::max(tolerance, std::sqrt(largest) * 1e-5);
    // An infinite tolerance is honoured: every coordinate then falls into the one cell 0, and
    // each vertex merges into the first smaller-numbered one.
    if (maxTolerance > 0.0 && usableCount > 1) {
        double inverseCell = 1.0 / (kCellWidth * maxTolerance);
        // A tolerance too small for its inverse to be finite puts every point in one cell.
        if (!std::isfinite(inverseCell))
            inverseCell = 0.0;
        // Cell numbers count from half a cell below the lower corner of the box, so that the
        // points on the box's lower faces (every point set has some) lie mid-cell rather than
        // on a border; the far ones share the last cell (its points are still compared exactly).
        double origin[3];
        for (int c = 0; c < 3; ++c)
            origin[c] = inverseCell > 0.0 ? lo[c] - 0.5 / inverseCell : lo[c];
        constexpr std::int64_t lastCell = (std::int64_t(1) << 21) - 2;
        auto cellOf = [&](float p_coordinate, int p_axis) {
            // Not negative (counted from the lower corner), so truncation is the floor.
            const double u = (static_cast<double>(p_coordinate) - origin[p_axis]) * inverseCell;
            return static_cast<std::int64_t>(std::min(double(lastCell), u));
        };
        auto cellKey = [](std::int64_t x, std::int64_t y, std::int64_t z) {
            return (static_cast<std::uint64_t>(x) << 42) | (static_cast<std::uint64_t>(y) << 21) |
                   static_cast<std::uint64_t>(z);
        };
        std::int64_t cells[3];
        for (int c = 0; c < 3; ++c)
            cells[c] = static_cast<std::int64_t>(
                           std::min(double(lastCell), std::floor((hi[c] - origin[c]) * inverseCell))) +
                       1;
        // Buckets of 2^shift cells a side, no more of them than about a quarter of the points.
        const double bucketTarget = std::max(1.0, static_cast<double>(usableCount) / kPointsPerBucket);
        int shift = 0;
        std::int64_t buckets[3];
        for (;; ++shift) {
            for (int c = 0; c < 3; ++c)
                buckets[c] = ((cells[c] - 1) >> shift) + 1;
            if (double(buckets[0]) * double(buckets[1]) * double(buckets[2]) <= bucketTarget)
                break;
        }
        auto bucketOf = [&](std::int64_t x, std::int64_t y, std::int64_t z) {
            return static_cast<std::uint32_t>((((x >> shift) * buckets[1]) + (y >> shift)) * buckets[2] +
                                              (z >> shift));
        };
        const std::size_t bucketCount = static_cast<std::size_t>(buckets[0] * buckets[1] * buckets[2]);

        // Counting sort into the buckets, each bucket's points in ascending index: the cell
        // keys are kept from the counting pass (unusable points get none, which is no key),
        // and the counts sit two places up, so that after the scatter bucket b's points run
        // from start[b] to start[b + 1].
        const std::uint64_t noKey = std::numeric_limits<std::uint64_t>::max();
        const std::uint64_t mask = (std::uint64_t(1) << 21) - 1;
        auto bucketOfKey = [&](std::uint64_t p_key) {
            return bucketOf(static_cast<std::int64_t>(p_key >> 42),
                            static_cast<std::int64_t>((p_key >> 21) & mask),
                            static_cast<std::int64_t>(p_key & mask));
        };
        std::unique_ptr<std::uint64_t[]> keyOfVertex(new std::uint64_t[vertexCount]);
        std::vector<std::uint32_t> start(bucketCount + 2, 0);
        for (std::size_t i = 0; i < vertexCount; ++i) {
            const Triplet& p = m_vertices[i];
            std::uint64_t key = noKey;
            if (usableOf(p)) {
                const std::int64_t x = cellOf(p[0], 0), y = cellOf(p[1], 1), z = cellOf(p[2], 2);
                key = cellKey(x, y, z);
                ++start[bucketOf(x, y, z) + 2];
            }
            keyOfVertex[i] = key;
        }
        for (std::size_t b = 2; b < bucketCount + 2; ++b)
            start[b] += start[b - 1];
        // Not value-initialised: every element is written by the scatter.
        std::unique_ptr<GridPoint[]> points(new GridPoint[usableCount]);
        for (std::size_t i = 0; i < vertexCount; ++i) {
            const std::uint64_t key = keyOfVertex[i];
            if (key == noKey)
                continue;
            const Triplet& p = m_vertices[i];
            points[start[bucketOfKey(key) + 1]++] = GridPoint{key, {p[0], p[1], p[2]}, static_cast<int>(i)};
        }
        keyOfVertex.reset();
        // Order each bucket by cell. The points arrive in ascending index, so a stable
        // insertion by key alone keeps each cell's run in ascending index; the rare large
        // bucket (points far from the rest stretch the box) is sorted by (key, index).
        for (std::size_t b = 0; b < bucketCount; ++b) {
            GridPoint* const first = points.get() + start[b];
            GridPoint* const last = points.get() + start[b + 1];
            if (last - first > 32) {
                std::sort(first, last, [](const GridPoint& p_a, const GridPoint& p_b) {
                    return p_a.key < p_b.key || (p_a.key == p_b.key && p_a.index < p_b.index);
                });
                continue;
            }
            for (GridPoint* at = first + 1; at < last; ++at) {
                if (!(at->key < (at - 1)->key))
                    continue;
                const GridPoint moving = *at;
                GridPoint* to = at;
                do {
                    *to = *(to - 1);
                    --to;
                } while (to != first && moving.key < (to - 1)->key);
                *to = moving;
            }
        }

        // The run of a cell: found by binary search in its bucket; empty outside the grid.
        struct Run {
            std::uint32_t begin;
            std::uint32_t end;
        };
        auto runOf = [&](std::int64_t x, std::int64_t y, std::int64_t z) {
            if (x < 0 || y < 0 || z < 0 || x >= cells[0] || y >= cells[1] || z >= cells[2])
                return Run{0, 0};
            const std::uint32_t b = bucketOf(x, y, z);
            const std::uint64_t key = cellKey(x, y, z);
            const GridPoint* first = points.get() + start[b];
            const GridPoint* last = points.get() + start[b + 1];
            const GridPoint* at = std::lower_bound(
                first, last, key, [](const GridPoint& p, std::uint64_t k) { return p.key < k; });
            const GridPoint* stop = at;
            while (stop != last && stop->key == key)
                ++stop;
            return Run{static_cast<std::uint32_t>(at - points.get()),
                       static_cast<std::uint32_t>(stop - points.get())};
        };

        // Calls p_visit(run) for p's own cell and each neighbouring cell that can hold a point
        // within p_e of p: p lies closer than p_e to the border between them (with a margin
        // for the rounding of the cell coordinates). The cells are wider than 2e, so that is
        // at most one side per axis. Neighbours are looked up once per cell (p_neighbour,
        // p_known: offsets -1, 0, +1 per axis).
        auto visitCells = [&](const GridPoint& p_p, double p_e, const std::int64_t* p_base, Run* p_neighbour,
                              bool* p_known, auto&& p_visit) {
            const double reach = p_e * inverseCell + 1e-6;
            int from[3];
            int to[3];
            for (int c = 0; c < 3; ++c) {
                const double offset = (static_cast<double>(p_p.xyz[c]) - origin[c]) * inverseCell -
                                      static_cast<double>(p_base[c]);
                from[c] = offset < reach ? -1 : 0;
                to[c] = offset > 1.0 - reach ? 1 : 0;
            }
            for (int dx = from[0]; dx <= to[0]; ++dx)
                for (int dy = from[1]; dy <= to[1]; ++dy)
                    for (int dz = from[2]; dz <= to[2]; ++dz) {
                        const int slot = (dx + 1) * 9 + (dy + 1) * 3 + (dz + 1);
                        if (!p_known[slot]) {
                            p_neighbour[slot] = runOf(p_base[0] + dx, p_base[1] + dy, p_base[2] + dz);
                            p_known[slot] = true;
                        }
                        p_visit(p_neighbour[slot], slot == 13);
                    }
        };
        // Keeps the least (squared magnitude, index).
        auto takeLeast = [](int& p_best, double& p_bestM2, int p_index, double p_m2) {
            if (p_best < 0 || p_m2 < p_bestM2 || (p_m2 == p_bestM2 && p_index < p_best)) {
                p_best = p_index;
                p_bestM2 = p_m2;
            }
        };
        struct Candidate {
            double m2;
            int index;
        };
        std::vector<Candidate> found;
        found.reserve(64);

        const std::uint32_t pointCount = static_cast<std::uint32_t>(usableCount);
        for (std::uint32_t runBegin = 0; runBegin < pointCount;) {
            const std::uint64_t key = points[runBegin].key;
            const GridPoint& first = points[runBegin];
            std::uint32_t runEnd = runBegin + 1;
            bool identical = true;
            for (; runEnd < pointCount && points[runEnd].key == key; ++runEnd)
                identical = identical && points[runEnd].xyz[0] == first.xyz[0] &&
                            points[runEnd].xyz[1] == first.xyz[1] && points[runEnd].xyz[2] == first.xyz[2];
            const std::int64_t base[3] = {static_cast<std::int64_t>(key >> 42),
                                          static_cast<std::int64_t>((key >> 21) & mask),
                                          static_cast<std::int64_t>(key & mask)};
            Run neighbour[27];
            bool known[27] = {};
            neighbour[13] = Run{runBegin, runEnd};
            known[13] = true;

            if (identical) {
                // One location, repeated (a mesh read cell by cell repeats every vertex): its
                // points share their candidates, so the cells are searched once for all of
                // them. Each point's merge is the least of the candidates below its index,
                // where the first point of the run is the least of its copies.
                const double m2 = first.magnitude2();
                const double m = std::sqrt(m2);
                const double e = std::max(tolerance, m * 1e-5);
                const double low = e > m ? 0.0 : (m - e) * (m - e);
                const double high = (m + e) * (m + e);
                const int last = points[runEnd - 1].index;
                found.clear();
                visitCells(first, e, base, neighbour, known, [&](Run p_run, bool p_own) {
                    if (p_own)
                        return;
                    for (std::uint32_t q = p_run.begin; q < p_run.end; ++q) {
                        const GridPoint& c = points[q];
                        if (c.index >= last)
                            break;
                        const double c2 = c.magnitude2();
                        if (c2 < low || c2 > high)
                            continue;
                        const double ddx = static_cast<double>(c.xyz[0]) - first.xyz[0];
                        const double ddy = static_cast<double>(c.xyz[1]) - first.xyz[1];
                        const double ddz = static_cast<double>(c.xyz[2]) - first.xyz[2];
                        if (std::sqrt(ddx * ddx + ddy * ddy + ddz * ddz) < e)
                            found.push_back(Candidate{c2, c.index});
                    }
                });
                const bool copiesMerge = !(m2 < low || m2 > high) && 0.0 < e;
                for (std::uint32_t j = runBegin; j < runEnd; ++j) {
                    const int index = points[j].index;
                    int best = -1;
                    double bestM2 = 0.0;
                    for (const Candidate& c : found)
                        if (c.index < index)
                            takeLeast(best, bestM2, c.index, c.m2);
                    if (j > runBegin && copiesMerge)
                        takeLeast(best, bestM2, first.index, m2);
                    if (best >= 0)
                        parent[static_cast<std::size_t>(index)] = best;
                }
                runBegin = runEnd;
                continue;
            }

            for (std::uint32_t j = runBegin; j < runEnd; ++j) {
                const GridPoint& p = points[j];
                const double m2 = p.magnitude2();
                const double m = std::sqrt(m2);
                const double e = std::max(tolerance, m * 1e-5);
                const double low = e > m ? 0.0 : (m - e) * (m - e);
                const double high = (m + e) * (m + e);
                int best = -1;
                double bestM2 = 0.0;
                visitCells(p, e, base, neighbour, known, [&](Run p_run, bool) {
                    // Runs are in ascending index: past p's own index nothing qualifies.
                    for (std::uint32_t q = p_run.begin; q < p_run.end; ++q) {
                        const GridPoint& c = points[q];
                        if (c.index >= p.index)
                            break;
                        const double c2 = c.magnitude2();
                        if (c2 < low || c2 > high)
                            continue;
                        if (best >= 0 && (c2 > bestM2 || (c2 == bestM2 && c.index > best)))
                            continue;
                        const double ddx = static_cast<double>(c.xyz[0]) - p.xyz[0];
                        const double ddy = static_cast<double>(c.xyz[1]) - p.xyz[1];
                        const double ddz = static_cast<double>(c.xyz[2]) - p.xyz[2];
                        if (std::sqrt(ddx * ddx + ddy * ddy + ddz * ddz) < e) {
                            best = c.index;
                            bestM2 = c2;
                        }
                    }
                });
                if (best >= 0)
                    parent[static_cast<std::size_t>(p.index)] = best;
            }
            runBegin = runEnd;
        }
    }

    // The survivors in sorted order (stable radix sort of the magnitudes' bits: non-negative
    // doubles order like their bit patterns), and every vertex's new index.
    std::vector<SortKey> survivors;
    survivors.reserve(vertexCount);
    for (std::size_t i = 0; i < vertexCount; ++i) {
        if (parent[i] != static_cast<int>(i))
            continue;
        const Triplet& p = m_vertices[i];
        const double m2 = usableOf(p) ? magnitude2Of(p) : static_cast<double>(FLT_MAX);
        std::uint64_t bitsOfM2;
        std::memcpy(&bitsOfM2, &m2, sizeof bitsOfM2);
        survivors.push_back(SortKey{bitsOfM2, static_cast<std::uint32_t>(i)});
    }
    radixSort(survivors);
    // The parent array becomes the map to the new indices: a survivor's entry first holds
    // -(its new index + 1); links always point to smaller indices, so ascending order then
    // resolves every chain.
    TripletZEVVector merged;
    merged.resize(survivors.size());
    for (std::size_t k = 0; k < survivors.size(); ++k) {
        const std::size_t i = survivors[k].index;
        parent[i] = -static_cast<int>(k) - 1;
        merged[k] = m_vertices[i];
    }
    for (std::size_t i = 0; i < vertexCount; ++i) {
        const int up = parent[i];
        if (up < 0) {
            parent[i] = -up - 1;
            continue;
        }
        if (up > static_cast<int>(i))
            throw internal::error(kClass, "removeDuplicateNodes", "Ordering Error");
        parent[i] = parent[static_cast<std::size_t>(up)];
    }
    const std::vector<int>& map = parent;
    m_vertices.swap(merged);

    // Indices outside the old vertex array (such as -1 for an unused slot) are kept as
    // they are rather than read past the map.
    auto remap = [&](int& p_index) {
        if (p_index >= 0 && static_cast<std::size_t>(p_index) < vertexCount)
            p_index = map[static_cast<std::size_t>(p_index)];
    };
    auto remapShape = [&](auto& p_shape) {
        const int n = p_shape.getNumVertices();
        for (int k = 0; k < n; ++k)
            remap(p_shape[k]);
    };
    // Triangles that repeat a vertex are removed; they are noted while remapping, so the
    // removal (which tests every triangle again) runs only for a set that has some.
    bool degenerate = false;
    auto remapTriangle = [&](auto& p_shape) {
        remapShape(p_shape);
        const int n = p_shape.getNumVertices();
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                degenerate |= p_shape[i] == p_shape[j];
    };
    for (auto& entry : m_faceSets) {
        if (entry.second == nullptr)
            continue;
        if (entry.second->getType() != TRI) {
            forEachShape(*entry.second, remapShape);
            continue;
        }
        degenerate = false;
        forEachShape(*entry.second, remapTriangle);
        if (degenerate)
            entry.second->removeDegenerate();
    }
    for (const std::string& name : getElementSetNames())
        if (ShapeSet* set = getElementSet(name))
            forEachShape(*set, remapShape);
    for (int& entry : m_lines)
        remap(entry);

    deleteAllVariables();
}

// ------------------------------------------------------------------ unify

int Geometry::unify(std::vector<Geometry*>& p_sources, std::vector<std::vector<int>>& p_vertexMaps,
                    bool p_makeMaps, bool p_makeInterpolant)
{
    if (getNumElements() > 0)
        throw data::invalid(kClass, "unify", SystemMsg("Target Geometry already contains Elements."));
    if (!m_faceSets.empty())
        throw data::invalid(kClass, "unify", SystemMsg("Target Geometry already contains face sets."));
    if (!m_variables.empty())
        throw data::invalid(kClass, "unify", SystemMsg("Target Geometry already contains Variables."));
    if (!m_interpolants.empty())
        throw data::invalid(kClass, "unify", SystemMsg("Target Geometry already contains an interpolant."));
    if (p_sources.empty())
        throw data::invalid(kClass, "unify", SystemMsg("Geometry Vector provided is empty."));

    std::size_t vertexTotal = 0;
    std::size_t lineTotal = 0;
    for (const Geometry* source : p_sources) {
        if (source == nullptr)
            throw internal::nullPointer(kClass, "unify", SystemMsg("GeometryVector contains null pointers."));
        vertexTotal += source->m_vertices.size();
        lineTotal += source->m_lines.size();
    }

    HybridInterpolant* hybrid = nullptr;
    if (p_makeInterpolant) {
        hybrid = new HybridInterpolant();
        setInterpolant(hybrid);
        hybrid->reserve(vertexTotal);
    }

    m_vertices.resize(vertexTotal);
    m_lines.resize(lineTotal);
    if (p_makeMaps)
        p_vertexMaps.resize(p_sources.size());

    std::size_t vertexOffset = 0;
    std::size_t lineOffset = 0;
    int faceCounter = 0;
    for (std::size_t k = 0; k < p_sources.size(); ++k) {
        Geometry* source = p_sources[k];
        const std::size_t count = source->m_vertices.size();
        if (p_makeMaps)
            p_vertexMaps[k].resize(count);
        if (m_vertices.size() < vertexOffset + count)
            throw internal::error(
                kClass, "unify",
                SystemMsg("Vertex sizing of new geometry insufficient, need at least %1, got %2.")
                    .arg(vertexOffset + count)
                    .arg(m_vertices.size()));
        for (std::size_t i = 0; i < count; ++i) {
            m_vertices[vertexOffset + i] = source->m_vertices[i];
            if (p_makeMaps)
                p_vertexMaps[k][i] = static_cast<int>(vertexOffset + i);
        }

        if (hybrid) {
            const Interpolant* first =
                source->m_interpolants.empty() ? nullptr : source->m_interpolants.front();
            for (std::size_t i = 0; i < count; ++i) {
                HybridInterpolantData data;
                std::string domain;
                if (first)
                    first->getInternalData(static_cast<int>(i), data, domain);
                hybrid->pushVertex(data, domain);
            }
        }

        const std::size_t lines = source->m_lines.size();
        if (m_lines.size() < lineOffset + lines)
            throw internal::error(
                kClass, "unify",
                SystemMsg("Lines sizing of new geometry insufficient, need at least %1, got %2.")
                    .arg(lineOffset + lines)
                    .arg(m_lines.size()));
        const int shift = static_cast<int>(vertexOffset);
        for (std::size_t i = 0; i < lines; ++i)
            m_lines[lineOffset + i] = source->m_lines[i] + shift;

        for (const std::string& name : source->getFaceSetNames()) {
            const ShapeSet* set = source->getFaceSet(name);
            if (set == nullptr)
                continue;
            std::unique_ptr<ShapeSet> copy(set->clone());
            forEachShape(*copy, [shift](auto& p_shape) {
                const int n = p_shape.getNumVertices();
                for (int v = 0; v < n; ++v)
                    p_shape[v] += shift;
            });
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%s%010d", "FS", faceCounter);
            while (getFaceSet(buffer) != nullptr) {
                ++faceCounter;
                std::snprintf(buffer, sizeof buffer, "%s%010d", "FS", faceCounter);
            }
            insertFaceSet(buffer, copy.get());
            copy.release();
            ++faceCounter;
        }

        vertexOffset += count;
        lineOffset += lines;
    }
    return static_cast<int>(vertexTotal);
}

// ------------------------------------------------------------------ constructSubdomain

void Geometry::constructSubdomain(Geometry* p_domain, const std::vector<std::string>& p_elementSetNames)
{
    if (p_domain == nullptr)
        throw internal::nullPointer(kClass, "constructSubdomain", SystemMsg("No domain geometry provided."));
    if (p_elementSetNames.empty())
        return;

    const std::size_t domainVertices = p_domain->m_vertices.size();
    std::vector<ShapeSet*> inserted;
    std::vector<int> used;
    for (const std::string& name : p_elementSetNames) {
        const ShapeSet* set = p_domain->getElementSet(name);
        if (set == nullptr)
            throw internal::nullPointer(kClass, "constructSubdomain",
                                        UserMsg("Could not find element set %1 for domain %2.")
                                            .arg(name)
                                            .arg(p_domain->getBaseName()));
        std::unique_ptr<ShapeSet> copy(set->clone());
        // Variable-size elements take part with their own vertex lists, so a polyhedron
        // set is renumbered like the others.
        std::size_t before = used.size();
        bool valid = true;
        forEachShape(*copy, [&](auto& p_shape) {
            const int n = p_shape.getNumVertices();
            for (int v = 0; v < n; ++v) {
                const int index = p_shape[v];
                valid = valid && index >= 0 && static_cast<std::size_t>(index) < domainVertices;
                used.push_back(index);
            }
        });
        if (!valid) {
            used.resize(before);
            throw data::invalid(kClass, "constructSubdomain",
                                SystemMsg("Element set %1 refers to vertices domain %2 does not have.")
                                    .arg(name)
                                    .arg(p_domain->getBaseName()));
        }
        insertElementSet(name, copy.get());
        inserted.push_back(copy.release());
    }

    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());

    m_vertices.resize(used.size());
    auto* interpolant = new VertexInterpolant(p_domain->getName());
    std::unique_ptr<VertexInterpolant> owner(interpolant);
    interpolant->reserve(used.size());
    for (std::size_t k = 0; k < used.size(); ++k) {
        interpolant->pushVertex(used[k]);
        m_vertices[k] = p_domain->m_vertices[static_cast<std::size_t>(used[k])];
    }

    for (ShapeSet* set : inserted)
        forEachShape(*set, [&](auto& p_shape) {
            const int n = p_shape.getNumVertices();
            for (int v = 0; v < n; ++v)
                p_shape[v] =
                    static_cast<int>(std::lower_bound(used.begin(), used.end(), p_shape[v]) - used.begin());
        });

    setInterpolant(owner.release());
}

} // namespace zev
