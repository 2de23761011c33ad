#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/cutting/IntersectGeometryIface.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/shapes/Hex.h"
#include "zev/shapes/Polyhedron.h"
#include "zev/shapes/Pyramid.h"
#include "zev/shapes/Tet.h"
#include "zev/shapes/Tri.h"
#include "zev/shapes/Wedge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

using namespace zev;

namespace {

// The shared state of one cutting operation, and what it produced.
struct CutRun {
    GeometryAutoPtr holder{GeometryAPI::instance()->newGeometry("", nullptr)};
    Geometry& out = *holder.get();
    std::map<Edge, int> edges;
    std::map<int, std::vector<int>> polygons;
    EdgeInterpolant interpolant{"domain"};
    int next = 0;

    void cut(const Shape& p_shape, IntersectionType p_type, const TripletZEVVector& p_vertices,
             const FloatZEVVector* p_field, float p_threshold, const Triplet& p_normal = Triplet(),
             const IntersectGeometryIface* p_surface = nullptr, int p_numVertices = 0, int p_index = 0)
    {
        p_shape.intersectWithElement(p_numVertices ? p_numVertices : p_shape.getNumVertices(), p_type,
                                     p_vertices, p_normal, p_field, p_surface, 3, p_index, p_threshold, edges,
                                     out, &interpolant, next, polygons);
    }
    // Every polygon's cut-vertex ids, sizes ascending, records in order.
    std::vector<std::vector<int>> allPolygons() const
    {
        std::vector<std::vector<int>> result;
        for (const auto& entry : polygons) {
            const std::size_t k = std::size_t(entry.first);
            for (std::size_t r = 0; r + k + 2 <= entry.second.size(); r += k + 2) {
                EXPECT_EQ(entry.second[r], 3);
                result.emplace_back(entry.second.begin() + long(r + 2),
                                    entry.second.begin() + long(r + k + 2));
            }
        }
        return result;
    }
    std::map<int, Edge> edgeOfVertex() const
    {
        std::map<int, Edge> result;
        for (const auto& entry : edges)
            result[entry.second] = entry.first;
        return result;
    }
};

// Reference elements: the shape holds vertices 0 .. n-1 at the given corners.
std::unique_ptr<Shape> referenceElement(ShapeType p_type, TripletZEVVector& p_vertices)
{
    std::vector<Triplet> corners;
    std::unique_ptr<Shape> shape;
    switch (p_type) {
    case TET:
        shape = std::make_unique<Tet>();
        corners = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        break;
    case PYRAMID:
        shape = std::make_unique<Pyramid>();
        corners = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5f, 0.5f, 1}};
        break;
    case WEDGE:
        shape = std::make_unique<Wedge>();
        corners = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, 1}};
        break;
    default:
        shape = std::make_unique<Hex>();
        for (int i = 0; i < 8; ++i)
            corners.emplace_back(float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1));
    }
    p_vertices.resize(0);
    for (std::size_t i = 0; i < corners.size(); ++i) {
        p_vertices.push_back(corners[i]);
        (*shape)[int(i)] = int(i);
    }
    return shape;
}

Triplet newellNormal(const std::vector<int>& p_polygon, const TripletZEVVector& p_points)
{
    Triplet n;
    for (std::size_t i = 0; i < p_polygon.size(); ++i) {
        const Triplet& a = p_points[std::size_t(p_polygon[i])];
        const Triplet& b = p_points[std::size_t(p_polygon[(i + 1) % p_polygon.size()])];
        n += a.cross(b);
    }
    return n;
}

// Local vertex sets of the element's faces.
std::vector<std::set<int>> elementFaces(const Shape& p_shape)
{
    std::vector<std::set<int>> faces;
    for (int f = 0; f < p_shape.getNumFaces(); ++f) {
        int n = 0;
        const int* ids = nullptr;
        const int* row = p_shape.getVerticesForFace(f, n, &ids);
        faces.emplace_back(row, row + n);
    }
    return faces;
}

bool onOneFace(const std::vector<std::set<int>>& p_faces, const std::vector<int>& p_vertices)
{
    return std::any_of(p_faces.begin(), p_faces.end(), [&](const std::set<int>& f) {
        return std::all_of(p_vertices.begin(), p_vertices.end(), [&](int v) { return f.count(v) > 0; });
    });
}

// Local-edge sequence of a polygon of the given cut.
std::vector<Edge> edgeSequence(const CutRun& p_run, const std::vector<int>& p_polygon)
{
    const std::map<int, Edge> edgeOf = p_run.edgeOfVertex();
    std::vector<Edge> result;
    for (int id : p_polygon)
        result.push_back(edgeOf.at(id));
    return result;
}

struct LinearSurface : IntersectGeometryIface {
    // value = x + curvature * y^2, so iterations along edges with y varying matter.
    double value(const Triplet& p_point, int) const override
    {
        ++calls;
        return double(p_point[0]) + curvature * double(p_point[1]) * double(p_point[1]);
    }
    float onValue() const override { return level; }
    int numOfIterations() const override { return iterations; }
    float tolerance() const override { return tol; }
    bool useNodeValue() const override { return nodeValues; }

    double curvature = 0.0;
    float level = 0.25f;
    int iterations = 1;
    float tol = 1e-5f;
    bool nodeValues = false;
    mutable int calls = 0;
};

// Every cut vertex is where its interpolation entry puts it: w * P(v1) + (1 - w) * P(v2).
void expectEntriesReproduceVertices(const CutRun& p_run, const TripletZEVVector& p_vertices,
                                    float p_tolerance)
{
    ASSERT_EQ(p_run.interpolant.size(), std::size_t(p_run.out.getNumVertices()));
    for (std::size_t i = 0; i < p_run.interpolant.size(); ++i) {
        const EdgeInterpolantData& e = p_run.interpolant.getInternalData(i);
        const Triplet expected = p_vertices[std::size_t(e.m_vertex1)] * e.m_weight +
                                 p_vertices[std::size_t(e.m_vertex2)] * (1 - e.m_weight);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(p_run.out.getVertices()[i][c], expected[c], p_tolerance)
                << "vertex " << i << " axis " << c;
        EXPECT_GE(e.m_weight, 0.0f);
        EXPECT_LE(e.m_weight, 1.0f);
    }
}

} // namespace

// Every case of every table, cut for real with vertex values +1 (above) and -1.
TEST(ElementCut, EveryTableCaseCutsCrossedEdgesIntoOrientedPolygons)
{
    for (ShapeType type : {TET, PYRAMID, WEDGE, HEX}) {
        TripletZEVVector vertices;
        const std::unique_ptr<Shape> shape = referenceElement(type, vertices);
        const int n = shape->getNumVertices();
        const std::vector<std::set<int>> faces = elementFaces(*shape);
        Triplet centre;
        for (int i = 0; i < n; ++i)
            centre += vertices[std::size_t(i)] / float(n);
        for (int c = 1; c < (1 << n) - 1; ++c) {
            SCOPED_TRACE("type " + std::to_string(type) + " case " + std::to_string(c));
            FloatZEVVectorConcrete field(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i)
                field[std::size_t(i)] = (c >> i) & 1 ? 1.0f : -1.0f;
            CutRun run;
            run.cut(*shape, IsosurfaceIntersection, vertices, &field, 0.0f);

            std::set<Edge> crossed;
            for (int e = 0; e < shape->getNumEdges(); ++e) {
                const int a = shape->getEdgeConnectivity(e, 0);
                const int b = shape->getEdgeConnectivity(e, 1);
                if (((c >> a) & 1) != ((c >> b) & 1))
                    crossed.insert(Edge(a, b));
            }
            std::set<Edge> used;
            for (const auto& entry : run.edges)
                used.insert(entry.first);
            EXPECT_EQ(used, crossed);
            EXPECT_EQ(run.out.getNumVertices(), int(crossed.size()));
            EXPECT_EQ(run.next, int(crossed.size()));

            std::set<Edge> inPolygons;
            for (const std::vector<int>& polygon : run.allPolygons()) {
                const std::vector<Edge> sequence = edgeSequence(run, polygon);
                inPolygons.insert(sequence.begin(), sequence.end());
                std::vector<int> polygonCorners;
                Triplet towardsAbove;
                for (std::size_t i = 0; i < sequence.size(); ++i) {
                    const Edge& e = sequence[i];
                    const Edge& f = sequence[(i + 1) % sequence.size()];
                    EXPECT_TRUE(onOneFace(
                        faces, {e.firstVertex(), e.secondVertex(), f.firstVertex(), f.secondVertex()}))
                        << "edges " << e << " and " << f << " share no face";
                    polygonCorners.push_back(e.firstVertex());
                    polygonCorners.push_back(e.secondVertex());
                    const int up = (c >> e.firstVertex()) & 1 ? e.firstVertex() : e.secondVertex();
                    const int down = up == e.firstVertex() ? e.secondVertex() : e.firstVertex();
                    towardsAbove += vertices[std::size_t(up)] - vertices[std::size_t(down)];
                }
                const Triplet normal = newellNormal(polygon, run.out.getVertices());
                if (onOneFace(faces, polygonCorners)) {
                    // A bridge quadrilateral of a hexahedron face: wound outward.
                    EXPECT_EQ(type, HEX);
                    EXPECT_EQ(polygon.size(), 4u);
                    Triplet middle;
                    for (int id : polygon)
                        middle += run.out.getVertices()[std::size_t(id)] / 4.0f;
                    EXPECT_GT(normal.dot(middle - centre), 1e-3f);
                } else {
                    EXPECT_GT(normal.dot(towardsAbove), 1e-3f) << "polygon points away from the above side";
                }
            }
            EXPECT_EQ(inPolygons, crossed);

            if (type != HEX) {
                // Negating field and iso value: the same polygons, reversed.
                FloatZEVVectorConcrete negated(static_cast<std::size_t>(n));
                for (int i = 0; i < n; ++i)
                    negated[std::size_t(i)] = -field[std::size_t(i)];
                CutRun flipped;
                flipped.cut(*shape, IsosurfaceIntersection, vertices, &negated, -0.0f);
                const auto original = run.allPolygons();
                const auto other = flipped.allPolygons();
                ASSERT_EQ(original.size(), other.size());
                for (std::size_t p = 0; p < original.size(); ++p) {
                    std::vector<Edge> reversed = edgeSequence(flipped, other[p]);
                    std::reverse(reversed.begin(), reversed.end());
                    EXPECT_EQ(edgeSequence(run, original[p]), reversed);
                }
            }
        }
    }
}

TEST(ElementCut, HexTableKeepsTheDocumentedRows)
{
    const std::map<int, std::vector<int>> rows = {
        {1, {3, 4, 0, 8}},
        {3, {4, 4, 5, 9, 8}},
        {6, {3, 0, 5, 9, 3, 4, 10, 1, 4, 4, 1, 5, 0}},
        {7, {5, 8, 10, 1, 5, 9}},
        {15, {4, 10, 11, 9, 8}},
        {23, {6, 1, 5, 9, 2, 6, 10}},
        {61, {4, 6, 10, 11, 7, 3, 9, 5, 0}},
        {105, {3, 0, 8, 4, 3, 3, 10, 6, 3, 5, 1,  11, 3,  9, 7, 2, 4, 4,  1, 5, 0,  4, 6,
               2, 7, 3, 4, 0, 9, 2,  8, 4, 1, 10, 3,  11, 4, 4, 8, 6, 10, 4, 5, 11, 7, 9}},
        {150, {3, 4, 8, 0, 3, 6, 10, 3, 3, 11, 1, 5, 3, 2, 7, 9}},
        {254, {3, 8, 0, 4}},
    };
    Hex hex;
    for (const auto& row : rows) {
        const std::vector<int> actual(hex.getMarchingTable(row.first),
                                      hex.getMarchingTable(row.first) + hex.getMarchingListSize(row.first));
        EXPECT_EQ(actual, row.second) << "case " << row.first;
    }
    int longest = 0;
    for (int c = 0; c <= hex.getTableIndex(); ++c)
        longest = std::max(longest, hex.getMarchingListSize(c));
    EXPECT_EQ(longest, 46);
    EXPECT_EQ(hex.getMarchingListSize(0), 0);
    EXPECT_EQ(hex.getMarchingListSize(255), 0);
}

TEST(ElementCut, ComplementedTetCaseReversesItsRow)
{
    TripletZEVVector vertices;
    const std::unique_ptr<Shape> tet = referenceElement(TET, vertices);
    FloatZEVVectorConcrete field(4, 0.0f);
    field[3] = 2.0f; // only vertex 3 above: case 8, the complement of case 7
    CutRun run;
    run.cut(*tet, IsosurfaceIntersection, vertices, &field, 1.0f);
    ASSERT_EQ(run.allPolygons().size(), 1u);
    // Row 7 is (3, 5, 4); reversed (4, 5, 3): edges (3,1), (3,2), (0,3).
    EXPECT_EQ(edgeSequence(run, run.allPolygons()[0]),
              (std::vector<Edge>{Edge(3, 1), Edge(3, 2), Edge(0, 3)}));
}

TEST(ElementCut, VertexAtThresholdIsNotAbove)
{
    // Two hexahedra stacked on z = 0, cut by the plane z = 0: only the upper one, whose
    // other vertices lie above, gives a polygon, on its bottom face at t = 0.
    TripletZEVVector vertices;
    const std::unique_ptr<Shape> upper = referenceElement(HEX, vertices);
    Hex lower;
    for (int i = 0; i < 8; ++i) {
        vertices.push_back(vertices[std::size_t(i)] - Triplet(0, 0, 1));
        lower[i] = (i < 4) ? i + 8 : i - 4;
    }
    CutRun run;
    run.cut(lower, PlaneIntersection, vertices, nullptr, 0.0f, Triplet(0, 0, 1));
    EXPECT_EQ(run.next, 0);
    EXPECT_TRUE(run.polygons.empty());
    run.cut(*upper, PlaneIntersection, vertices, nullptr, 0.0f, Triplet(0, 0, 1));
    ASSERT_EQ(run.polygons.count(4), 1u);
    ASSERT_EQ(run.out.getNumVertices(), 4);
    for (int i = 0; i < 4; ++i) {
        const EdgeInterpolantData& e = run.interpolant.getInternalData(std::size_t(i));
        // The bottom vertex (value 0) is end a; the entry keeps both ends, all weight on a.
        EXPECT_EQ(e.m_vertex1 + 4, e.m_vertex2);
        EXPECT_EQ(e.m_weight, 1.0f);
        EXPECT_EQ(run.out.getVertices()[std::size_t(i)], vertices[std::size_t(e.m_vertex1)]);
    }
}

TEST(ElementCut, NeighboursShareCutVerticesAndUnusableInputsCutNothing)
{
    // Tetrahedra (0,1,2,3) and (1,2,4,3) share the face 1-2-3; the plane separates
    // vertices 1 and 4 from the others, so both cut edges 1-2 and 1-3.
    TripletZEVVector vertices;
    for (const Triplet& p :
         {Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(0, 1, 0), Triplet(0, 0, 1), Triplet(1, 1, 1)})
        vertices.push_back(p);
    Tet first;
    Tet second;
    const int a[4] = {0, 1, 2, 3};
    const int b[4] = {1, 2, 4, 3};
    for (int i = 0; i < 4; ++i) {
        first[i] = a[i];
        second[i] = b[i];
    }
    CutRun run;
    run.out.setVertESNumFlag(true);
    const Triplet normal(1, 0.1f, 0.2f);
    run.cut(first, PlaneIntersection, vertices, nullptr, 0.5f, normal, nullptr, 4, 0);
    const int afterFirst = run.next;
    run.cut(second, PlaneIntersection, vertices, nullptr, 0.5f, normal, nullptr, 4, 1);
    EXPECT_EQ(run.next, int(run.edges.size()));
    EXPECT_LT(run.next, afterFirst + 4); // at least one edge of the shared face reused
    EXPECT_EQ(run.interpolant.size(), run.edges.size());
    EXPECT_EQ(run.out.getVertDomainESNumVec(), std::vector<int>(std::size_t(run.next), 3));
    expectEntriesReproduceVertices(run, vertices, 1e-6f);

    // A face shape has no table: nothing is read, not even its vertex ids.
    Tri face;
    face[0] = 1000;
    face[1] = 2000;
    face[2] = 3000;
    FloatZEVVectorConcrete field(5, 1.0f);
    const int before = run.next;
    run.cut(face, IsosurfaceIntersection, vertices, &field, 0.0f);
    EXPECT_EQ(run.next, before);

    // Nothing to cut by: an iso-value cut without its field, a surface cut without its
    // surface. A field that stops short leaves the vertices past it below every level.
    run.cut(first, IsosurfaceIntersection, vertices, nullptr, 0.5f);
    run.cut(first, SurfaceIntersection, vertices, &field, 0.5f);
    EXPECT_EQ(run.next, before);
    CutRun shortField;
    FloatZEVVectorConcrete two(2, 1.0f);
    shortField.cut(first, IsosurfaceIntersection, vertices, &two, 0.5f);
    EXPECT_EQ(shortField.edges.size(), 4u); // vertices 0 and 1 above, 2 and 3 not
}

// The three kinds of cut agree on where a vertex lies and how it interpolates.
TEST(ElementCut, InterpolationEntriesReproduceCutVertices)
{
    TripletZEVVector vertices;
    const std::unique_ptr<Shape> hex = referenceElement(HEX, vertices);
    for (std::size_t i = 0; i < 8; ++i)
        vertices[i] = vertices[i] * 2.0f + Triplet(0.1f * float(i), 0, -0.05f * float(i));

    FloatZEVVectorConcrete field(8);
    for (std::size_t i = 0; i < 8; ++i)
        field[i] = std::sin(float(i) * 1.7f);
    CutRun iso;
    iso.cut(*hex, IsosurfaceIntersection, vertices, &field, 0.1f);
    EXPECT_GT(iso.next, 0);
    expectEntriesReproduceVertices(iso, vertices, 1e-5f);
    // Interpolating the field itself gives the iso value.
    for (std::size_t i = 0; i < iso.interpolant.size(); ++i) {
        const EdgeInterpolantData& e = iso.interpolant.getInternalData(i);
        EXPECT_NEAR(field[std::size_t(e.m_vertex1)] * e.m_weight +
                        field[std::size_t(e.m_vertex2)] * (1 - e.m_weight),
                    0.1f, 1e-5f);
    }

    CutRun plane;
    plane.cut(*hex, PlaneIntersection, vertices, nullptr, 1.2f, Triplet(0.6f, 0.64f, 0.48f));
    EXPECT_GT(plane.next, 0);
    expectEntriesReproduceVertices(plane, vertices, 1e-5f);
    for (int i = 0; i < plane.next; ++i)
        EXPECT_NEAR(Triplet(0.6f, 0.64f, 0.48f).dot(plane.out.getVertices()[std::size_t(i)]), 1.2f, 1e-5f);

    // A curved surface: ten iterations land much closer to it than one.
    LinearSurface surface;
    surface.curvature = 0.8;
    surface.level = 1.3f;
    surface.tol = 1e-6f;
    double worst[2] = {0, 0};
    for (int pass = 0; pass < 2; ++pass) {
        surface.iterations = pass == 0 ? 1 : 10;
        CutRun run;
        run.cut(*hex, SurfaceIntersection, vertices, nullptr, surface.onValue(), Triplet(), &surface);
        EXPECT_GT(run.next, 0);
        expectEntriesReproduceVertices(run, vertices, 1e-5f);
        for (int i = 0; i < run.next; ++i)
            worst[pass] = std::max(worst[pass],
                                   std::fabs(surface.value(run.out.getVertices()[std::size_t(i)], -1) - 1.3));
    }
    EXPECT_GT(worst[0], 1e-3);
    EXPECT_LT(worst[1], 1e-4);
}

TEST(ElementCut, SurfaceIterationEdgeCases)
{
    // A single tetrahedron edge from x = 0 to x = 1 along y = 0 is crossed; the function
    // is x, so the first trial hits the level exactly.
    TripletZEVVector vertices;
    for (const Triplet& p : {Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(0, 1, 0), Triplet(0, 0, 1)})
        vertices.push_back(p);
    Tet tet;
    for (int i = 0; i < 4; ++i)
        tet[i] = i;
    LinearSurface surface;
    surface.level = 0.25f;
    struct Setting {
        int iterations;
        float tolerance;
    };
    // Zero iterations count as one; a tolerance of 0 never accepts, so the iteration
    // stops on a zero step after moving the bracket and must still weigh the right end.
    for (const Setting s : {Setting{0, 1e-5f}, Setting{-3, 1e-5f}, Setting{5, 0.0f}, Setting{5, -1.0f}}) {
        SCOPED_TRACE(s.iterations);
        surface.iterations = s.iterations;
        surface.tol = s.tolerance;
        CutRun run;
        run.cut(tet, SurfaceIntersection, vertices, nullptr, surface.onValue(), Triplet(), &surface);
        // Vertex 1 alone is above: edges 0-1, 2-1 and 3-1 are crossed where x = 0.25.
        ASSERT_EQ(run.next, 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(run.out.getVertices()[std::size_t(i)][0], 0.25f);
        expectEntriesReproduceVertices(run, vertices, 1e-6f);
    }

    // Node values from a field that disagrees with the function: end b sits exactly on the
    // level and the first trial lands above it. The bracket must stay on the edge.
    FloatZEVVectorConcrete field(4, 0.0f);
    field[0] = 1.0f;
    field[1] = 0.25f;
    surface.nodeValues = true;
    surface.curvature = 0.0;
    surface.iterations = 6;
    surface.tol = 1e-9f;
    CutRun run;
    run.cut(tet, SurfaceIntersection, vertices, &field, surface.onValue(), Triplet(), &surface);
    ASSERT_EQ(run.next, 3);
    // On edge 0-1 the field puts the level at vertex 1, and the cut stays there.
    EXPECT_EQ(run.out.getVertices()[std::size_t(run.edges.at(Edge(0, 1)))], Triplet(1, 0, 0));
    for (int i = 0; i < run.next; ++i) {
        const Triplet& p = run.out.getVertices()[std::size_t(i)];
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(p[c], -1e-6f);
            EXPECT_LE(p[c], 1.0f + 1e-6f);
        }
    }
    expectEntriesReproduceVertices(run, vertices, 1e-6f);
}

namespace {

// The unit cube scaled by p_size as a polyhedron; with p_split, vertex 8 at the middle of
// the bottom front edge belongs to the front face only, as next to a refined neighbour.
Polyhedron cubePolyhedron(TripletZEVVector& p_vertices, float p_size, bool p_split)
{
    p_vertices.resize(0);
    for (int i = 0; i < 8; ++i)
        p_vertices.push_back(Triplet(float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)) * p_size);
    std::vector<std::vector<int>> faces = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                           {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    if (p_split) {
        p_vertices.push_back(Triplet(0.5f, 0, 0) * p_size);
        faces[2] = {0, 8, 1, 5, 4};
    }
    Polyhedron cell;
    cell.setNumVertices(int(p_vertices.size()));
    for (int i = 0; i < cell.getNumVertices(); ++i)
        cell[i] = i;
    cell.setNumFaces(int(faces.size()));
    for (std::size_t f = 0; f < faces.size(); ++f) {
        cell.setFaceVertSize(int(f), int(faces[f].size()));
        for (std::size_t k = 0; k < faces[f].size(); ++k)
            cell.setFaceVertex(int(f), int(k), faces[f][k]);
    }
    return cell;
}

} // namespace

TEST(ElementCut, PolyhedronLoopsFaceTheAboveSide)
{
    for (const float size : {1.0f, 1e-6f}) {
        SCOPED_TRACE(size);
        TripletZEVVector vertices;
        const Polyhedron cell = cubePolyhedron(vertices, size, false);
        for (const Triplet& normal : {Triplet(0, 0, 1), Triplet(0, 0, -1), Triplet(0.3f, 0.4f, 0.866f)}) {
            CutRun run;
            // Polyhedron sets pass -1 as their vertex count.
            run.cut(cell, PlaneIntersection, vertices, nullptr, 0.45f * size * normal.dot(Triplet(1, 1, 1)),
                    normal, nullptr, -1);
            const auto polygons = run.allPolygons();
            ASSERT_EQ(polygons.size(), 1u);
            EXPECT_GE(polygons[0].size(), 4u);
            EXPECT_EQ(run.next, int(polygons[0].size()));
            EXPECT_GT(newellNormal(polygons[0], run.out.getVertices()).dot(normal), 0.0f);
            expectEntriesReproduceVertices(run, vertices, 1e-5f * size);
        }
    }
}

TEST(ElementCut, PolyhedronJoinsCutsOnASplitEdge)
{
    // x = 0.25 crosses the bottom face's edge 0-1 and the front face's edge 0-8 at one
    // point; the longer edge's vertex gives way and the loop closes as a quadrilateral.
    TripletZEVVector vertices;
    const Polyhedron cell = cubePolyhedron(vertices, 1.0f, true);
    CutRun run;
    run.cut(cell, PlaneIntersection, vertices, nullptr, 0.25f, Triplet(1, 0, 0), nullptr, -1, 7);
    const auto polygons = run.allPolygons();
    ASSERT_EQ(polygons.size(), 1u);
    ASSERT_EQ(polygons[0].size(), 4u);
    EXPECT_EQ(run.next, 5); // the replaced vertex stays in the output
    const int replaced = run.edges.at(Edge(0, 1));
    EXPECT_EQ(std::count(polygons[0].begin(), polygons[0].end(), replaced), 0);
    EXPECT_EQ(std::count(polygons[0].begin(), polygons[0].end(), run.edges.at(Edge(0, 8))), 1);
    EXPECT_GT(newellNormal(polygons[0], run.out.getVertices()).dot(Triplet(1, 0, 0)), 0.0f);
    EXPECT_EQ(run.polygons.at(4)[1], 7);

    // A counter that does not start at the output's vertex count shifts the ids only.
    CutRun shifted;
    shifted.next = 100;
    shifted.cut(cell, PlaneIntersection, vertices, nullptr, 0.25f, Triplet(1, 0, 0), nullptr, -1, 7);
    ASSERT_EQ(shifted.allPolygons().size(), 1u);
    std::vector<int> expected = polygons[0];
    for (int& id : expected)
        id += 100;
    EXPECT_EQ(shifted.allPolygons()[0], expected);
}
