// Const queries of one built geometry run from several threads at once: every thread must
// give, bit for bit, the answers of a single-threaded run. The geometry's caches (octrees,
// the face search index, face measures, vertex neighbours) are built by that first run,
// before the threads start. The thread sanitizer build runs this file on its own.

#include "tests/support/MeshBuilders.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Preferences.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/GeneralInterpolant.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/search/LineQueries.h"
#include "zev/search/Octree.h"
#include "zev/search/PointLocator.h"
#include "zev/search/ProjectionStatistics.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/shapeIndex.h"
#include "zev/variables/VectorVariable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace zev;
using namespace zev::test;

namespace {

constexpr int kThreads = 4;

// The answers of one run as a flat list of words: ints as they are, floats and doubles by
// their bits, so that equal records mean bit-identical answers.
struct Record {
    std::vector<std::uint32_t> words;

    void put(int p_value) { words.push_back(static_cast<std::uint32_t>(p_value)); }
    void put(float p_value)
    {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &p_value, sizeof bits);
        words.push_back(bits);
    }
    void put(double p_value)
    {
        std::uint32_t bits[2] = {0, 0};
        std::memcpy(bits, &p_value, sizeof bits);
        words.insert(words.end(), bits, bits + 2);
    }
    void put(const Triplet& p_value)
    {
        for (int c = 0; c < 3; ++c)
            put(p_value[c]);
    }
    void put(const int* p_ids, int p_count)
    {
        put(p_count);
        words.insert(words.end(), p_ids, p_ids + p_count);
    }
    void put(const HybridInterpolantData& p_data)
    {
        put(static_cast<int>(p_data.m_size));
        for (std::size_t k = 0; k < p_data.m_size; ++k) {
            put(p_data.m_nodes[k]);
            put(p_data.m_weights[k]);
        }
    }
};

// Runs p_work single-threaded, then on kThreads threads started together, and checks that
// every thread recorded what the single run did.
void expectSameOnEveryThread(const std::function<void(Record&)>& p_work)
{
    Record single;
    p_work(single);
    ASSERT_FALSE(single.words.empty());
    std::vector<Record> records(kThreads);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < kThreads)
                std::this_thread::yield();
            p_work(records[static_cast<std::size_t>(t)]);
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_TRUE(records[static_cast<std::size_t>(t)].words == single.words) << "thread " << t;
}

GeometryAutoPtr newGeometry(const std::string& p_name)
{
    GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("", nullptr));
    g->setName(p_name);
    g->setDomain(p_name);
    return g;
}

// Points in and slightly around [0,1]^3, with every fifth one on a vertex of the 6^3 grid,
// where several elements and faces meet and the search order decides.
std::vector<Triplet> queryPoints()
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> u(-0.05f, 1.05f);
    std::uniform_int_distribution<int> grid(0, 6);
    std::vector<Triplet> points;
    for (int i = 0; i < 120; ++i)
        points.push_back(i % 5 == 0 ? Triplet(grid(random) / 6.0f, grid(random) / 6.0f, grid(random) / 6.0f)
                                    : Triplet(u(random), u(random), u(random)));
    return points;
}

} // namespace

// Point location, probing, the octree's own queries, lines through the domain and lines,
// circles and projections onto a surface.
TEST(ConcurrentQueries, SearchesOfOneBuiltGeometryMatchASingleThread)
{
    GeometryAutoPtr domain = newGeometry("domain");
    buildTetBox(*domain.get(), 6);
    domain->buildAllOctrees();
    const TripletZEVVector& vertices = domain->getVertices();
    FloatZEVVectorConcrete field(vertices.size());
    for (std::size_t v = 0; v < vertices.size(); ++v)
        field[v] = 1.0f + 2.0f * vertices[v][0] - vertices[v][1] * vertices[v][2];

    // A surface of the box's boundary: triangles above z = 0.5 in "TRI", quadrilaterals in
    // "QUAD", on the domain's vertices.
    GeometryAutoPtr hexes = newGeometry("hexes");
    buildHexBox(*hexes.get(), 6);
    hexes->calculateFaces();
    GeometryAutoPtr tets = newGeometry("tets");
    buildTetBox(*tets.get(), 6);
    tets->calculateFaces();
    GeometryAutoPtr surface = newGeometry("surface");
    surface->getVertices() = vertices;
    std::vector<std::vector<int>> tris;
    for (const auto& row : shapeVertices(*tets->getFaceSet("ELEMTRIS")))
        if (vertices[static_cast<std::size_t>(row[0])][2] + vertices[static_cast<std::size_t>(row[1])][2] +
                vertices[static_cast<std::size_t>(row[2])][2] >
            1.5f)
            tris.push_back(row);
    addFaces(*surface.get(), "TRI", TRI, tris);
    addFaces(*surface.get(), "QUAD", QUAD, shapeVertices(*hexes->getFaceSet("ELEMQUADS")));

    const std::vector<Triplet> points = queryPoints();
    TripletZEVVector pointArray;
    for (const Triplet& p : points)
        pointArray.push_back(p);
    const Triplet centre(0.5f, 0.5f, 0.5f);

    expectSameOnEveryThread([&](Record& p_out) {
        Geometry& g = *domain.get();
        const Octree& tree = *g.getOctreeForES(0);
        OctreeQuery query;
        std::vector<float> weights;
        std::vector<shapeIndex> near;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const Triplet& p = points[i];
            const shapeIndex found = g.findElement(p, weights, true, Geometry::SearchDomain);
            p_out.put(found.getSetIndex());
            p_out.put(found.getShapeIndex());
            if (found.hasGeomData())
                for (float w : weights)
                    p_out.put(w);
            const PointLocation at = PointLocator::locate(g, p, Geometry::SearchDomain, false);
            p_out.put(at.m_weights);
            p_out.put(PointLocator::interpolate(at.m_weights, field));

            near.clear();
            g.findAllElementsNear(p, near);
            for (const shapeIndex& s : near)
                p_out.put(s.getShapeIndex());
            int count = 0;
            const int* ids = tree.GetCandidatesAtPoint(p, count, query);
            p_out.put(ids, count);

            // For every third point, a line towards the centre: through the domain, onto the
            // surface, and the same line as the axis of a rotation and of a cylinder query.
            if (i % 3 != 0)
                continue;
            const Triplet direction = centre - p + Triplet(0.1f, 0.0f, 0.0f);
            for (const auto& stretch : LineQueries::insideStretches(g, p, direction)) {
                p_out.put(stretch.first);
                p_out.put(stretch.second);
            }
            Triplet displacement;
            p_out.put(static_cast<int>(surface->intersectFacesWithLine(p, direction, displacement)));
            p_out.put(displacement);
            double angle = 0.0;
            p_out.put(
                static_cast<int>(surface->intersectFacesWithCircle(p, centre, centre + direction, angle)));
            p_out.put(angle);
            for (const LineFaceHit& hit : LineQueries::faceHitsAlongLine(*surface.get(), p, direction)) {
                p_out.put(hit.face);
                p_out.put(hit.t);
            }
            tree.IntersectWithCylinder(p, centre, 0.2f, query);
            while (const int* leaf = tree.GetNextIntersection(count, query))
                p_out.put(leaf, count);
        }
        for (int k = 0; k < 9; ++k) {
            std::vector<int> onPlane;
            g.findElementsOnPlane(Triplet(1.0f, 0.5f * k, 0.25f), 0.2f * k, 0, onPlane);
            p_out.put(onPlane.data(), static_cast<int>(onPlane.size()));
        }

        std::vector<shapeIndex> faces;
        TripletZEVVector projected;
        surface->projectVerticesOnGeometry(pointArray, faces, projected);
        for (std::size_t i = 0; i < faces.size(); ++i) {
            p_out.put(faces[i].getShapeIndex());
            p_out.put(projected[i]);
        }
        HybridInterpolant onSurface("points");
        ProjectionStatistics statistics;
        surface->projectOnGeometry(pointArray, &onSurface, statistics);
        for (std::size_t i = 0; i < onSurface.size(); ++i) {
            HybridInterpolantData data;
            std::string from;
            onSurface.getInternalData(static_cast<int>(i), data, from);
            p_out.put(data);
        }
    });
}

// Reads that fill a cache on first use: an interpolant's item lookups and a vector variable's
// lengths, probed at located points; and preference reads while another thread sets and
// resets the value.
TEST(ConcurrentQueries, FirstReadsOfCachesAndPreferenceReads)
{
    GeometryAutoPtr domain = newGeometry("domain");
    buildHexBox(*domain.get(), 4);
    const ShapeSet& hexes = *domain->getElementSet(0);
    auto fill = [&](GeneralInterpolant& p_interpolant) {
        for (std::size_t e = 0; e < hexes.size(); ++e) {
            std::vector<float> weights(8);
            for (int k = 0; k < 8; ++k)
                weights[static_cast<std::size_t>(k)] = static_cast<float>(e % 7 + k) / 64.0f;
            p_interpolant.pushVertex(&hexes[e], weights.data());
        }
    };
    auto velocity = [&]() {
        auto values = std::make_unique<TripletZEVVector>();
        for (const Triplet& v : domain->getVertices())
            values->push_back(Triplet(v[1] - v[2], 2.0f * v[0], 0.5f));
        return std::make_unique<VectorVariable>(values.release(), eConservative, eVertex);
    };
    // The single run reads twins; the threads share ones nobody has read yet.
    GeneralInterpolant twin("domain");
    GeneralInterpolant fresh("domain");
    fill(twin);
    fill(fresh);
    const std::unique_ptr<VectorVariable> twinVelocity = velocity();
    const std::unique_ptr<VectorVariable> freshVelocity = velocity();
    std::atomic<int> runs{0};
    expectSameOnEveryThread([&](Record& p_out) {
        const bool single = runs++ == 0;
        const GeneralInterpolant& interpolant = single ? twin : fresh;
        const VectorVariable& vector = single ? *twinVelocity : *freshVelocity;
        const FloatZEVVector& speed =
            vector.getFloatValues(Variable::Description(eConservative, eVertex, "All"));
        for (int item = static_cast<int>(hexes.size()) - 1; item >= 0; --item) {
            HybridInterpolantData data;
            std::string from;
            p_out.put(interpolant.getInternalData(item, data, from));
            p_out.put(data);
            p_out.put(PointLocator::interpolate(data, speed));
        }
    });

    Preferences& preferences = Preferences::instance();
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int k = 0; k < 200; ++k) {
            preferences.setFloatValue("Interpolation Tolerance", 3.0f);
            preferences.resetToDefaults();
        }
        done = true;
    });
    int unexpected = 0;
    while (!done) {
        const float value = preferences.getFloatValue("Interpolation Tolerance", false);
        unexpected += value != 1.0f && value != 3.0f;
    }
    writer.join();
    EXPECT_EQ(unexpected, 0);
    EXPECT_EQ(preferences.getFloatValue("Interpolation Tolerance", false), 1.0f);
}
