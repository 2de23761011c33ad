// Boundary faces of the element sets: every element face is keyed by its sorted vertex
// set, and the faces whose key occurs once are the boundary.

#include "zev/topology/BoundaryFaces.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/geometry/Geometry.h"
#include "zev/shapes/FaceFactory.h"
#include "zev/shapes/ShapeDispatch.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

namespace zev {

namespace {

const char* const kClass = "Geometry";

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
        withShapeClass(set.getType(), [&](auto* p_tag) {
            using T = std::remove_pointer_t<decltype(p_tag)>;
            if constexpr (std::is_base_of<Element, T>::value && !std::is_same<T, Polyhedron>::value) {
                if (auto* typed = asTypedSet<T>(set)) {
                    sweepFixed(*typed, p_onFace, p_onElement);
                    done = true;
                }
            }
        });
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

} // namespace

bool buildBoundaryFaces(Geometry& p_geometry)
{
    if (p_geometry.getNumElementSets() == 0)
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

    const std::vector<std::string> names = p_geometry.getElementSetNames();
    std::vector<const ShapeSet*> sets;
    sets.reserve(names.size());
    std::size_t totalElements = 0;
    for (const std::string& name : names) {
        const ShapeSet* set = static_cast<const Geometry&>(p_geometry).getElementSet(name);
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

    // Walks the faces of one kind in face order, one progress step each, and hands those
    // p_skip does not flag to p_visit(face, n, row, vertices).
    auto sweepKind = [&](int p_kind, const std::vector<std::uint8_t>& p_skip, auto&& p_visit) {
        std::uint32_t face = 0;
        sweepFaces(
            sets, [](std::size_t) {},
            [&](FaceKind k, int n, const int* row, const int* vertices) {
                const std::uint32_t current = face++;
                if (k != p_kind)
                    return;
                progress.increment();
                if (p_skip[current])
                    return;
                p_visit(current, n, row, vertices);
            },
            []() {});
    };

    // Runs the kind-ordered sweeps of pass 1, handing each short key to p_file.
    auto sweepKinds = [&](auto&& p_file) {
        for (int kind = 0; kind < kKinds; ++kind) {
            if (kindCount[kind] == 0)
                continue;
            progress.start(pass1Stages[static_cast<std::size_t>(kind)], 0);
            sweepKind(kind, isLong, [&](std::uint32_t p_face, int n, const int* row, const int* vertices) {
                const int len = faceKey(n, row, vertices, key, scratch);
                p_file(p_face, len);
            });
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
        std::size_t next = 0;
        sweepKind(kind, duplicated, [&](std::uint32_t, int n, const int* row, const int* vertices) {
            Shape& shape = out[next++];
            if (kind == kPolygon)
                shape.setNumVertices(n);
            for (int v = 0; v < n; ++v)
                shape[v] = vertices[row[v]];
        });
    }

    if (survivors[kTri] + survivors[kQuad] + survivors[kPolygon] == 0)
        return false;
    for (int kind = 0; kind < kKinds; ++kind) {
        if (survivors[kind] == 0 || p_geometry.getFaceSet(kKindSetName[kind]) != nullptr)
            continue;
        p_geometry.insertFaceSet(kKindSetName[kind], output[kind].get());
        output[kind].release();
    }
    return true;
}

} // namespace zev
