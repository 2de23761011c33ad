#include "tests/support/ExpectError.h"
#include "zev/contracts/Undefined.h"
#include "zev/shapes/ElementFactory.h"
#include "zev/shapes/FaceFactory.h"
#include "zev/shapes/ShapeSetBase.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace zev;
using zevtest::expectError;

namespace {

std::unique_ptr<ShapeSet> elements(ShapeType p_type, int p_n)
{
    return std::unique_ptr<ShapeSet>(ElementFactory::instance()->getElementSetByType(p_type, p_n));
}

std::unique_ptr<ShapeSet> faces(ShapeType p_type, int p_n)
{
    return std::unique_ptr<ShapeSet>(FaceFactory::instance()->getFaceSetByType(p_type, p_n));
}

void fill(ShapeSet& p_set, const std::vector<std::vector<int>>& p_shapes)
{
    p_set.resize(p_shapes.size());
    for (std::size_t s = 0; s < p_shapes.size(); ++s) {
        p_set[s].setNumVertices(static_cast<int>(p_shapes[s].size()));
        for (std::size_t k = 0; k < p_shapes[s].size(); ++k)
            p_set[s][static_cast<int>(k)] = p_shapes[s][k];
    }
}

std::vector<std::vector<int>> contents(const ShapeSet& p_set)
{
    std::vector<std::vector<int>> r;
    for (std::size_t s = 0; s < p_set.size(); ++s) {
        r.emplace_back();
        for (int k = 0; k < p_set[s].getNumVertices(); ++k)
            r.back().push_back(p_set[s][k]);
    }
    return r;
}

} // namespace

TEST(ShapeSet, FactoriesBuildEveryTypeWithItsCounts)
{
    struct Case {
        ShapeType type;
        bool element;
        int verts, edges, faces;
    };
    const Case cases[] = {
        {TET, true, 4, 6, 4},         {WEDGE, true, 6, 9, 5},         {HEX, true, 8, 12, 6},
        {PYRAMID, true, 5, 8, 5},     {POLYHEDRON, true, -1, -1, -1}, {TRI, false, 3, 3, 1},
        {QUAD, false, 4, 4, 1},       {PENTAGON, false, 5, 5, 1},     {HEXAGON, false, 6, 6, 1},
        {POLYGON, false, -1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type);
        std::unique_ptr<ShapeSet> set = c.element ? elements(c.type, 3) : faces(c.type, 3);
        EXPECT_EQ(set->getType(), c.type);
        EXPECT_EQ(set->size(), 3u);
        EXPECT_FALSE(set->empty());
        EXPECT_EQ((*set)[0].getType(), c.type);
        EXPECT_EQ(set->getNumVerticesPerShape(), c.verts);
        EXPECT_EQ(set->getNumEdgesPerShape(), c.edges);
        EXPECT_EQ(set->getNumVertices(), 3 * c.verts);
        EXPECT_EQ(set->getNumEdges(), 3 * c.edges);
        EXPECT_EQ(set->getSetNumber(), 0);
        EXPECT_EQ(set->getCorrectionFactor(), 1.0);
        EXPECT_EQ(set->getNum(2), 0);
        Triplet lo(1, 1, 1), hi(1, 1, 1);
        EXPECT_FALSE(set->getExtents(lo, hi));
        EXPECT_EQ(lo, Triplet());
        EXPECT_EQ(hi, Triplet());
    }
    ShapeSetBase<Wedge> wedges(2);
    EXPECT_EQ(wedges.getNumFacesPerShape(), 5);
    EXPECT_EQ(ShapeSetBase<Polygon>(0).getNumFacesPerShape(), -1);
    EXPECT_TRUE(elements(TET, 0)->empty());

    EXPECT_EQ(ElementFactory::instance(), ElementFactory::instance());
    EXPECT_EQ(ElementFactory::instance()->getNumVertex(WEDGE), 6);
    EXPECT_EQ(ElementFactory::instance()->getNumVertex(POLYHEDRON), -1);
    EXPECT_EQ(ElementFactory::instance()->getNumVertex(TRI), 0);
    EXPECT_EQ(FaceFactory::instance()->getNumVertex(POLYGON), -1);
    EXPECT_EQ(FaceFactory::instance()->getNumVertex(HEXAGON), 6);
    EXPECT_EQ(FaceFactory::instance()->getNumVertex(HEX), 0);
}

TEST(ShapeSet, FactoriesRefuseTypesOfTheOtherFamily)
{
    expectError<data::invalid>([] { elements(TRI, 4); }, "ElementFactory", "getElementByType",
                               "Invalid element type '2'.");
    expectError<data::invalid>([] { elements(static_cast<ShapeType>(0), 4); }, "ElementFactory",
                               "getElementByType", "Invalid element type '0'.");
    expectError<data::invalid>([] { faces(TET, 4); }, "FaceFactory", "getFaceByType",
                               "Invalid face type '4'.");
    expectError<data::invalid>([] { faces(POLYHEDRON, 1); }, "FaceFactory", "getFaceByType",
                               "Invalid face type '11'.");
    // A negative count is refused rather than turned into a huge allocation.
    EXPECT_THROW(elements(HEX, -1), data::invalid);
    EXPECT_THROW(faces(TRI, -2), data::invalid);
}

TEST(ShapeSet, PerShapeNumbersAndSetProperties)
{
    auto set = elements(HEX, 5);
    set->setNum(4, 44);
    EXPECT_EQ(set->getNum(4), 44);
    EXPECT_EQ(set->getNum(5), -1);
    set->setNum(5, 7);
    EXPECT_EQ(set->getNum(5), -1);
    set->resize(7);
    EXPECT_EQ(set->size(), 7u);
    EXPECT_EQ(set->getNum(4), 44);
    EXPECT_EQ(set->getNum(6), 0);
    set->setSetNumber(3);
    EXPECT_EQ(set->getSetNumber(), 3);
    set->setCorrectionFactor(0.25);
    EXPECT_EQ(set->getCorrectionFactor(), 0.25);

    set->setExtents(Triplet(-1, -2, -3), Triplet(1, 2, 3));
    Triplet lo, hi;
    EXPECT_TRUE(set->getExtents(lo, hi));
    EXPECT_EQ(lo, Triplet(-1, -2, -3));
    EXPECT_EQ(hi, Triplet(1, 2, 3));
    static_cast<const ShapeSet&>(*set).clearExtents();
    EXPECT_FALSE(set->getExtents(lo, hi));
    EXPECT_EQ(hi, Triplet(1, 2, 3)) << "the corners stay, only the flag drops";
}

TEST(ShapeSet, CalcExtentsVisitsTheVerticesTheShapesUse)
{
    TripletZEVVector v;
    v.push_back(Triplet(0, 0, 0));
    v.push_back(Triplet(1, 2, 3));
    v.push_back(Triplet(-1, 5, 0));
    v.push_back(Triplet(100, 100, 100)); // used by no shape
    auto set = faces(TRI, 0);
    fill(*set, {{0, 1, 2}, {2, 1, 0}});
    Triplet lo, hi;
    set->calcExtents(v, lo, hi);
    EXPECT_EQ(lo, Triplet(-1, 0, 0));
    EXPECT_EQ(hi, Triplet(1, 5, 3));
    Triplet slo, shi;
    EXPECT_TRUE(set->getExtents(slo, shi));
    EXPECT_EQ(slo, lo);
    EXPECT_EQ(shi, hi);

    // Nothing to measure: both corners undefined, the stored extents untouched.
    set->setExtents(Triplet(7, 7, 7), Triplet(8, 8, 8));
    set->calcExtents(TripletZEVVector(), lo, hi);
    EXPECT_EQ(lo, Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF));
    EXPECT_EQ(hi, Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF));
    EXPECT_TRUE(set->getExtents(slo, shi));
    EXPECT_EQ(slo, Triplet(7, 7, 7));
    faces(QUAD, 0)->calcExtents(v, lo, hi);
    EXPECT_EQ(hi, Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF));

    // Polygons of no vertices in front do not stop the others from counting.
    auto polys = faces(POLYGON, 0);
    fill(*polys, {{}, {3, 1}});
    polys->calcExtents(v, lo, hi);
    EXPECT_EQ(lo, Triplet(1, 2, 3));
    EXPECT_EQ(hi, Triplet(100, 100, 100));

    // An index outside the vertex array is reported, not read.
    fill(*set, {{0, 1, 4}});
    EXPECT_THROW(set->calcExtents(v, lo, hi), data::invalid);
}

TEST(ShapeSet, VertexAreaAndVolumeSumsCheckSizes)
{
    TripletZEVVector v(3);
    auto set = faces(TRI, 1);
    fill(*set, {{0, 1, 2}});
    TripletZEVVector areaVectors(3);
    FloatZEVVectorConcrete areas(2);
    expectError<internal::error>([&] { set->calcVertexAreas(v, areaVectors, areas); }, "ShapeSet",
                                 "calcVertexAreas", "Vertices array/Vertex Area array size mismatch (3,2)");
    FloatZEVVectorConcrete volumes(4);
    expectError<internal::error>([&] { set->calcVertexVolumes(v, volumes); }, "ShapeSet", "calcVertexVolumes",
                                 "Vertices array/Vertex Volume array size mismatch (3,4)");
    volumes.resize(3);
    EXPECT_EQ(set->calcVertexVolumes(v, volumes), 0.0f) << "faces hold no volume";
}

TEST(ShapeSet, RemoveDegenerateEraseAndPopBack)
{
    auto set = faces(TRI, 0);
    fill(*set, {{1, 2, 3}, {4, 4, 5}, {6, 7, 8}});
    set->setNum(2, 99);
    set->removeDegenerate();
    EXPECT_EQ(contents(*set), (std::vector<std::vector<int>>{{1, 2, 3}, {6, 7, 8}}));
    EXPECT_EQ(set->getNum(2), 99) << "the per-shape numbers are left alone";

    ShapeSetBase<Polygon> polys(0);
    fill(polys, {{1, 2, 3, 4}, {5, 6, 5}, {7, 8, 9, 10, 11}, {0, 1, 2}, {3, 3, 3, 4}});
    polys.removeDegenerate();
    EXPECT_EQ(contents(polys), (std::vector<std::vector<int>>{{1, 2, 3, 4}, {7, 8, 9, 10, 11}, {0, 1, 2}}));
    polys.erase(1);
    EXPECT_EQ(contents(polys), (std::vector<std::vector<int>>{{1, 2, 3, 4}, {0, 1, 2}}));
    polys.pop_back();
    EXPECT_EQ(contents(polys), (std::vector<std::vector<int>>{{1, 2, 3, 4}}));
    fill(polys, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}});
    polys.erase(polys.begin() + 1, polys.begin() + 3);
    EXPECT_EQ(contents(polys), (std::vector<std::vector<int>>{{1, 2, 3}, {10, 11, 12}}));
    EXPECT_EQ(polys.getNum(3), 0);
}

TEST(ShapeSet, CloneCopiesShapesButNotNumbers)
{
    auto set = elements(TET, 0);
    fill(*set, {{0, 1, 2, 3}, {3, 2, 1, 4}});
    const Hex proxy;
    (*set)[1].setInterpolationProxy(&proxy);
    set->setSetNumber(3);
    set->setNum(0, 42);
    set->setCorrectionFactor(2.5);
    set->setExtents(Triplet(0, 0, 0), Triplet(1, 1, 1));

    std::unique_ptr<ShapeSet> copy(set->clone());
    EXPECT_EQ(copy->getType(), TET);
    EXPECT_EQ(contents(*copy), contents(*set));
    EXPECT_EQ((*copy)[1].getInterpolationProxy(), &proxy);
    EXPECT_EQ(copy->getSetNumber(), 0);
    EXPECT_EQ(copy->getNum(0), 0);
    EXPECT_EQ(copy->getCorrectionFactor(), 2.5);
    Triplet lo, hi;
    EXPECT_TRUE(copy->getExtents(lo, hi));
    EXPECT_EQ(hi, Triplet(1, 1, 1));

    // Independent of its source.
    (*copy)[0][0] = 77;
    EXPECT_EQ((*set)[0][0], 0);

    // Variable-size shapes keep their own counts and lists.
    ShapeSetBase<Polyhedron> cells(1);
    cells[0].setNumVertices(4);
    cells[0].setNumFaces(2);
    cells[0].setFaceVertSize(1, 3);
    cells[0].setFaceVertex(1, 2, 3);
    cells[0].setNumEdges(6);
    std::unique_ptr<ShapeSet> cellCopy(cells.clone());
    const Shape& c = (*cellCopy)[0];
    EXPECT_EQ(c.getNumVertices(), 4);
    EXPECT_EQ(c.getNumFaces(), 2);
    EXPECT_EQ(c.getNumEdges(), 6);
    int n = 0;
    const int* list = nullptr;
    const int* corners = c.getVerticesForFace(1, n, &list);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(corners[2], 3);
}

TEST(ShapeSet, CloneStartsFixedFacesWithFreshCaches)
{
    TripletZEVVector v;
    for (const Triplet& p : {Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(1, 1, 0), Triplet(0, 1, 0)})
        v.push_back(p);
    Triplet normal;

    // A cached unit normal stays with the source; the clone computes its own raw normal.
    auto quads = faces(QUAD, 0);
    fill(*quads, {{0, 1, 2, 3}});
    ASSERT_TRUE((*quads)[0].getNormal(v, normal, true));
    std::unique_ptr<ShapeSet> quadCopy(quads->clone());
    ASSERT_TRUE((*quadCopy)[0].getNormal(v, normal, false));
    EXPECT_EQ(normal, Triplet(0, 0, 2));
    ASSERT_TRUE((*quads)[0].getNormal(v, normal, false));
    EXPECT_EQ(normal, Triplet(0, 0, 1));

    // A polygon's cached values travel with it.
    auto polys = faces(POLYGON, 0);
    fill(*polys, {{0, 1, 2, 3}});
    ASSERT_TRUE((*polys)[0].getNormal(v, normal, true));
    std::unique_ptr<ShapeSet> polyCopy(polys->clone());
    ASSERT_TRUE((*polyCopy)[0].getNormal(v, normal, false));
    EXPECT_EQ(normal, Triplet(0, 0, 1));
}
