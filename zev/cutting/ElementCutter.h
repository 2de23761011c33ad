#pragma once
// Cuts single elements by an iso value, a plane or an implicit surface. Every crossed edge
// becomes one cut vertex, created once and shared with every other element through the
// edge lookup, appended to the output geometry and recorded in the edge interpolant; the
// polygons are appended to the polygon map under their vertex count, each record being the
// element's set number, its index and the cut-vertex ids.
//
// The cutter is a template on its edge lookup (EdgeMapLookup over the caller's
// std::map<Edge, int>, or EdgeHashTable): both hand out ids at first insertion, so the
// output does not depend on the choice. One cutter serves any number of elements of one
// cutting operation; it reads the surface's settings once and keeps pointers to the polygon
// map's lists, so no entry of that map may be erased while the cutter is in use.

#include "zev/contracts/FloatZEVVector.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/cutting/EdgeMapLookup.h"
#include "zev/cutting/IntersectGeometryIface.h"
#include "zev/geometry/Geometry.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/shapes/IntersectionType.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeType.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace zev {

template <class EdgeLookup> class ElementCutter {
public:
    // p_field is read for an iso-value cut and, when the surface allows it, for an implicit
    // surface; p_surface is required for an implicit-surface cut. Nothing is owned.
    ElementCutter(IntersectionType p_type, const TripletZEVVector& p_vertices, const Triplet& p_normal,
                  const FloatZEVVector* p_field, const IntersectGeometryIface* p_surface, float p_threshold,
                  EdgeLookup& p_edges, Geometry& p_output, EdgeInterpolant* p_interpolant, int& p_nextVertex,
                  std::map<int, std::vector<int>>& p_polygonMap)
        : m_type(p_type), m_vertices(p_vertices), m_normal(p_normal), m_field(p_field), m_surface(p_surface),
          m_threshold(p_threshold), m_edges(p_edges), m_output(p_output),
          m_outVertices(p_output.getVertices()), m_interpolant(p_interpolant), m_nextVertex(p_nextVertex),
          m_polygonMap(p_polygonMap)
    {
        if (m_type == SurfaceIntersection && m_surface != nullptr) {
            // Fewer than one iteration would leave the crossing uncomputed.
            m_iterations = std::max(1, m_surface->numOfIterations());
            m_tolerance = m_surface->tolerance();
            m_fieldValues = m_field != nullptr && m_surface->useNodeValue();
        } else {
            m_fieldValues = m_type == IsosurfaceIntersection;
        }
        // Without the field of an iso-value cut or the surface of an implicit one there is
        // nothing to cut by; such a cutter cuts nothing rather than read through null.
        m_usable = (m_type == IsosurfaceIntersection && m_field != nullptr) || m_type == PlaneIntersection ||
                   (m_type == SurfaceIntersection && m_surface != nullptr);
        m_fieldSize = m_field != nullptr ? m_field->size() : 0;
    }

    // Cuts one element; shapes without a case table (faces) add nothing.
    void cut(const Shape& p_shape, int p_setNumber, int p_index)
    {
        if (!m_usable)
            return;
        const ShapeType type = p_shape.getType();
        if (type == POLYHEDRON)
            cutPolyhedron(p_shape, p_setNumber, p_index);
        else
            cutTabled(p_shape, type, p_setNumber, p_index);
    }

    // The value of every vertex of the domain for elements of set p_setNumber, exactly as
    // the cut computes it. A whole-domain cut computes them once per set and hands them to
    // useVertexValues, so that a vertex shared by many elements is evaluated once.
    void computeVertexValues(int p_setNumber, std::vector<float>& p_values) const
    {
        p_values.resize(m_usable ? m_vertices.size() : 0);
        for (std::size_t v = 0; v < p_values.size(); ++v)
            p_values[v] = vertexValue(int(v), p_setNumber);
    }
    // Values indexed by global vertex id, used instead of evaluating per element; null to
    // evaluate again. Not owned; must cover every vertex of the elements cut.
    void useVertexValues(const float* p_values) { m_vertexValues = p_values; }

private:
    float vertexValue(int p_vertex, int p_setNumber) const
    {
        if (m_vertexValues != nullptr)
            return m_vertexValues[p_vertex];
        if (m_fieldValues) {
            // A vertex the field does not cover has no value and is never above.
            return std::size_t(p_vertex) < m_fieldSize ? (*m_field)[std::size_t(p_vertex)]
                                                       : std::numeric_limits<float>::quiet_NaN();
        }
        if (m_type == PlaneIntersection)
            return m_normal.dot(m_vertices[std::size_t(p_vertex)]);
        return static_cast<float>(m_surface->value(m_vertices[std::size_t(p_vertex)], p_setNumber));
    }

    // The record list of polygons of p_k vertices; map nodes stay put, so the common sizes
    // are looked up once per cutter.
    std::vector<int>& polygonList(int p_k)
    {
        if (p_k >= 0 && p_k < s_cachedSizes) {
            if (m_lists[p_k] == nullptr)
                m_lists[p_k] = &m_polygonMap[p_k];
            return *m_lists[p_k];
        }
        return m_polygonMap[p_k];
    }

    // The topology a tabled cut reads, for the type of the last shape: the classes share
    // their tables and element sets hold one type, so it is read once through the virtual
    // interface, the edge ends only once a shape of the type is actually cut.
    struct TableInfo {
        int type = -1;
        bool endsKnown;
        int tableIndex;
        int count;
        int ends[12][2];
    };

    TableInfo& tableInfo(const Shape& p_shape, ShapeType p_type)
    {
        TableInfo& info = m_tableInfo;
        if (info.type != int(p_type)) {
            info.type = int(p_type);
            info.endsKnown = false;
            info.tableIndex = p_shape.getTableIndex();
            info.count = p_shape.getNumVertices();
            // A shape without a table (table index 0) would complement every case to a
            // negative row; it is not cut at all.
            if (info.count < 1 || info.count > 8 || p_shape.getNumEdges() > 12)
                info.tableIndex = 0;
        }
        return info;
    }

    static void loadEdgeEnds(const Shape& p_shape, TableInfo& p_info)
    {
        if (p_info.endsKnown)
            return;
        for (int e = 0; e < p_shape.getNumEdges(); ++e) {
            p_info.ends[e][0] = p_shape.getEdgeConnectivity(e, 0);
            p_info.ends[e][1] = p_shape.getEdgeConnectivity(e, 1);
        }
        p_info.endsKnown = true;
    }

    void cutTabled(const Shape& p_shape, ShapeType p_type, int p_setNumber, int p_index)
    {
        TableInfo& info = tableInfo(p_shape, p_type);
        const int tableIndex = info.tableIndex;
        const int count = info.count;
        if (tableIndex == 0)
            return;
        int unused = 0;
        const int* ids = nullptr;
        p_shape.getVerticesForFace(0, unused, &ids);

        float values[8];
        int cutCase = 0;
        for (int i = 0; i < count; ++i) {
            values[i] = vertexValue(ids[i], p_setNumber);
            cutCase |= int(values[i] > m_threshold) << i;
        }
        if (cutCase == 0 || cutCase == (1 << count) - 1)
            return;
        bool reversed = false;
        if (cutCase > tableIndex) {
            cutCase = 2 * tableIndex + 1 - cutCase;
            reversed = true;
        }
        if (cutCase < 0)
            return;

        loadEdgeEnds(p_shape, info);
        const int* row = p_shape.getMarchingTable(cutCase);
        const int length = p_shape.getMarchingListSize(cutCase);
        for (int pos = 0; pos < length;) {
            const int k = row[pos];
            std::vector<int>& list = polygonList(k);
            list.push_back(p_setNumber);
            list.push_back(p_index);
            const std::size_t first = list.size();
            for (int j = 1; j <= k; ++j) {
                const int edge = row[pos + j];
                const int a = info.ends[edge][0];
                const int b = info.ends[edge][1];
                list.push_back(cutVertex(ids[a], ids[b], values[a], values[b], p_setNumber));
            }
            if (reversed)
                std::reverse(list.begin() + std::ptrdiff_t(first), list.end());
            pos += k + 1;
        }
    }

    // The cut vertex on edge a-b (a is the end met first), created on first use.
    int cutVertex(int p_a, int p_b, float p_fa, float p_fb, int p_setNumber)
    {
        const int low = std::min(p_a, p_b);
        const int high = std::max(p_a, p_b);
        const int found = m_edges.find(low, high);
        if (found >= 0)
            return found;

        const Triplet pa0 = m_vertices[std::size_t(p_a)];
        Triplet pa = pa0;
        Triplet pb = m_vertices[std::size_t(p_b)];
        double fa = p_fa;
        double fb = p_fb;
        const double target = m_threshold;
        const Triplet d = pb - pa;
        const bool undefined =
            std::fabs(d[0]) == ZEV_UNDEF || std::fabs(d[1]) == ZEV_UNDEF || std::fabs(d[2]) == ZEV_UNDEF;
        const double length = undefined ? double(ZEV_UNDEF) : distance(pa, pb);

        Triplet point = pa;
        double t = 0.0;
        if (length != 0.0) {
            for (int i = 0; i < m_iterations; ++i) {
                t = fb == fa ? 0.0 : std::min(1.0, std::max(0.0, (target - fa) / (fb - fa)));
                for (int c = 0; c < 3; ++c)
                    point[c] = static_cast<float>(double(pa[c]) * (1.0 - t) + double(pb[c]) * t);
                const bool last = i == m_iterations - 1;
                double v = target;
                if (!last && t != 0.0)
                    v = m_surface->value(point, p_setNumber);
                if (t == 0.0 || last || std::fabs(v - target) < m_tolerance) {
                    // After a bracket update t is relative to the shrunken bracket; the
                    // interpolation entry wants it relative to the edge.
                    if (i > 0)
                        t = std::min(1.0, distance(point, pa0) / length);
                    break;
                }
                if (v <= target) {
                    if (target < fa) {
                        fb = fa;
                        pb = pa;
                    }
                    fa = v;
                    pa = point;
                } else {
                    if (fb <= target) {
                        fa = fb;
                        pa = pb;
                    }
                    fb = v;
                    pb = point;
                }
            }
        }

        m_outVertices.push_back(point);
        if (m_output.getVertESNumFlag())
            m_output.getVertDomainESNumVec().push_back(p_setNumber);
        if (m_interpolant != nullptr) {
            if (fb <= fa)
                m_interpolant->pushVertex(p_b, p_a, static_cast<float>(t));
            else
                m_interpolant->pushVertex(p_a, p_b, static_cast<float>(1.0 - t));
        }
        const int id = m_nextVertex++;
        m_edges.insert(low, high, id);
        return id;
    }

    static double distance(const Triplet& p_a, const Triplet& p_b)
    {
        const double dx = double(p_b[0]) - double(p_a[0]);
        const double dy = double(p_b[1]) - double(p_a[1]);
        const double dz = double(p_b[2]) - double(p_a[2]);
        return std::sqrt(dx * dx + dy * dy + dz * dz);
    }

    struct CutEntry {
        int id;
        int a; // global ends of the crossed edge, in face order
        int b;
    };

    void cutPolyhedron(const Shape& p_shape, int p_setNumber, int p_index);
    void pairCutList(std::vector<CutEntry>& p_list) const;
    static void joinSegments(const std::vector<CutEntry>& p_list, std::vector<std::vector<int>>& p_loops);

    static constexpr int s_cachedSizes = 8;

    IntersectionType m_type;
    const TripletZEVVector& m_vertices;
    Triplet m_normal;
    const FloatZEVVector* m_field;           // not owned
    const IntersectGeometryIface* m_surface; // not owned
    float m_threshold;
    int m_iterations = 1;
    float m_tolerance = 0.0f;
    bool m_fieldValues = false;
    bool m_usable = false;
    std::size_t m_fieldSize = 0;
    EdgeLookup& m_edges;
    Geometry& m_output;
    TripletZEVVector& m_outVertices;
    EdgeInterpolant* m_interpolant; // not owned, may be null
    int& m_nextVertex;
    std::map<int, std::vector<int>>& m_polygonMap;
    std::vector<int>* m_lists[s_cachedSizes] = {};
    const float* m_vertexValues = nullptr; // not owned
    TableInfo m_tableInfo;
    std::vector<float> m_polyhedronValues;
};

template <class EdgeLookup>
void ElementCutter<EdgeLookup>::cutPolyhedron(const Shape& p_shape, int p_setNumber, int p_index)
{
    const int count = p_shape.getNumVertices();
    if (count < 1)
        return;
    const int faceCount = p_shape.getNumFaces();
    // Scratch kept by the cutter: polyhedra that are not cut allocate nothing.
    std::vector<float>& values = m_polyhedronValues;
    values.assign(std::size_t(count), 0.0f);
    int aboveCount = 0;
    int highest = 0;
    int lowest = 0;
    for (int i = 0; i < count; ++i) {
        values[std::size_t(i)] = vertexValue(p_shape[i], p_setNumber);
        aboveCount += values[std::size_t(i)] > m_threshold;
        if (values[std::size_t(i)] > values[std::size_t(highest)])
            highest = i;
        if (values[std::size_t(i)] < values[std::size_t(lowest)])
            lowest = i;
    }
    if (aboveCount == 0 || aboveCount == count)
        return;

    // Cut vertices face by face, in the order met around each face.
    std::vector<CutEntry> list;
    for (int f = 0; f < faceCount; ++f) {
        int n = 0;
        const int* positions = nullptr;
        const int* corners = p_shape.getVerticesForFace(f, n, &positions);
        for (int k = 0; k < n; ++k) {
            const int pa = corners[k];
            const int pb = corners[(k + 1) % n];
            const float fa = values[std::size_t(pa)];
            const float fb = values[std::size_t(pb)];
            if ((fa > m_threshold) == (fb > m_threshold))
                continue;
            const int a = positions[pa];
            const int b = positions[pb];
            list.push_back(CutEntry{cutVertex(a, b, fa, fb, p_setNumber), a, b});
        }
    }
    pairCutList(list);

    std::vector<std::vector<int>> loops;
    joinSegments(list, loops);

    const Triplet g = m_vertices[std::size_t(p_shape[highest])] - m_vertices[std::size_t(p_shape[lowest])];
    // The degeneracy threshold is an area; it shrinks with the cell so that small cells keep
    // their loops, and never exceeds the absolute 1e-10 of unit-sized cells.
    const double scale = p_shape.lengthScale(m_vertices);
    const double threshold = 1e-10 * std::min(1.0, scale * scale);
    // Ids and output positions advance together, so an id lies a fixed distance from its
    // position even when the counter did not start at the output's vertex count.
    const long long offset = (long long)m_nextVertex - (long long)m_outVertices.size();
    for (std::vector<int>& loop : loops) {
        const std::size_t n = loop.size();
        auto position = [&](std::size_t p_i) {
            const long long at = loop[p_i] - offset;
            if (at < 0 || std::size_t(at) >= m_outVertices.size())
                return TripletBase<double>();
            const Triplet& p = m_outVertices[std::size_t(at)];
            return TripletBase<double>(p[0], p[1], p[2]);
        };
        std::size_t i1 = 1;
        std::size_t i2 = 2;
        if (n == 4) {
            i1 = 2;
            i2 = 3;
        } else if (n == 5 || n == 6) {
            i1 = 2;
            i2 = 4;
        } else if (n >= 7) {
            i1 = n / 3;
            i2 = n - n / 3;
        }
        const TripletBase<double> p0 = position(0);
        TripletBase<double> normal = (position(i1) - p0).cross(position(i2) - p0);
        double length = normal.length();
        if (length < threshold || length == 0.0) {
            if (n == 3)
                continue;
            normal = TripletBase<double>();
            for (std::size_t i = 0; i < n; ++i) {
                const TripletBase<double> q0 = position(i);
                const TripletBase<double> q1 = position((i + 1) % n);
                normal += ((q0 + q1) * 0.5).cross(q1 - q0) * 0.5;
            }
            length = normal.length();
            if (length < threshold || length == 0.0)
                continue;
        }
        if (normal.dot(TripletBase<double>(g[0], g[1], g[2])) < 0.0)
            std::reverse(loop.begin(), loop.end());
        std::vector<int>& records = polygonList(int(n));
        records.push_back(p_setNumber);
        records.push_back(p_index);
        records.insert(records.end(), loop.begin(), loop.end());
    }
}

// Every cut vertex normally occurs twice. Equal ids are paired first; an id left over is
// matched with a later one whose edge lies on the same line (a face edge split by a vertex
// of the neighbouring face) and the longer edge's id gives way to the other.
template <class EdgeLookup> void ElementCutter<EdgeLookup>::pairCutList(std::vector<CutEntry>& p_list) const
{
    const std::size_t m = p_list.size();
    std::vector<char> paired(m, 0);
    for (std::size_t i = 0; i < m; ++i) {
        if (paired[i])
            continue;
        for (std::size_t j = i + 1; j < m; ++j) {
            if (!paired[j] && p_list[j].id == p_list[i].id) {
                paired[i] = paired[j] = 1;
                break;
            }
        }
    }
    for (std::size_t i = 0; i < m; ++i) {
        if (paired[i])
            continue;
        const Edge ei(p_list[i].a, p_list[i].b);
        const Triplet vi = m_vertices[std::size_t(p_list[i].b)] - m_vertices[std::size_t(p_list[i].a)];
        for (std::size_t j = i + 1; j < m; ++j) {
            if (paired[j])
                continue;
            const Edge ej(p_list[j].a, p_list[j].b);
            const Triplet vj = m_vertices[std::size_t(p_list[j].b)] - m_vertices[std::size_t(p_list[j].a)];
            if (!ei.sharesVertexWithEdge(ej) || !(vi.cross(vj).length() < FLT_EPSILON))
                continue;
            if (vi.length() > vj.length())
                p_list[i].id = p_list[j].id;
            else if (vj.length() > vi.length())
                p_list[j].id = p_list[i].id;
            else
                p_list[i].id = p_list[j].id;
            paired[i] = paired[j] = 1;
            break;
        }
    }
}

// Entries (0, 1), (2, 3), ... are segments; they are chained end to end into loops, and
// chains of fewer than three vertices are dropped.
template <class EdgeLookup>
void ElementCutter<EdgeLookup>::joinSegments(const std::vector<CutEntry>& p_list,
                                             std::vector<std::vector<int>>& p_loops)
{
    const std::size_t segments = p_list.size() / 2;
    std::vector<char> used(segments, 0);
    for (std::size_t s = 0; s < segments; ++s) {
        if (used[s])
            continue;
        used[s] = 1;
        std::vector<int> loop{p_list[2 * s].id, p_list[2 * s + 1].id};
        for (bool extended = true; extended;) {
            extended = false;
            const int current = loop.back();
            for (std::size_t t = 0; t < segments; ++t) {
                if (used[t])
                    continue;
                int next;
                if (p_list[2 * t].id == current)
                    next = p_list[2 * t + 1].id;
                else if (p_list[2 * t + 1].id == current)
                    next = p_list[2 * t].id;
                else
                    continue;
                used[t] = 1;
                if (next != loop.front()) {
                    loop.push_back(next);
                    extended = true;
                }
                break;
            }
        }
        if (loop.size() >= 3)
            p_loops.push_back(std::move(loop));
    }
}

} // namespace zev
