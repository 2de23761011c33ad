#include "zev/geometry/Geometry.h"
#include "tests/support/ExpectError.h"
#include "zev/contracts/Error.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/shapes/Element.h"
#include "zev/shapes/ElementFactory.h"
#include "zev/shapes/FaceFactory.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/shapeIndex.h"
#include "zev/variables/ScalarVariable.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace zev;

namespace {

// Opens the protected stores for the cases the public interface cannot set up.
class TestGeometry : public Geometry {
public:
    void addVirtualLayerSet(const std::string& p_name, ShapeSet* p_set)
    {
        m_virtualLayerSets[p_name] = p_set;
    }
    void fileNullFaceSet(const std::string& p_name) { m_faceSets[p_name] = nullptr; }
    void fileVariable(const std::string& p_name)
    {
        m_variables[VarKey(p_name, eVertex)] = new ScalarVariable(eConservative, eVertex);
    }
    ~TestGeometry() override = default;
};

// An interpolant that only carries a rank and counts its own destruction.
class RankedInterpolant : public VertexInterpolant {
public:
    RankedInterpolant(int p_rank, int p_id, int* p_destroyed = nullptr)
        : VertexInterpolant("d"), m_id(p_id), m_destroyed(p_destroyed)
    {
        setQualityRank(static_cast<InterpolantQualityRank>(p_rank));
    }
    ~RankedInterpolant() override
    {
        if (m_destroyed)
            ++*m_destroyed;
    }
    int m_id;
    int* m_destroyed;
};

std::vector<int> ids(const Geometry& g)
{
    std::vector<int> out;
    for (const Interpolant* i : g.getInterpolantList())
        out.push_back(dynamic_cast<const RankedInterpolant&>(*i).m_id);
    return out;
}

struct GeometryFixture : ::testing::Test {
    GeometryAutoPtr holder{GeometryAPI::instance()->newGeometry("", nullptr)};
    Geometry& g = *holder.get();
};

// Every failure of these members is reported by the class "Geometry".
template <class E, class F>
void expectError(F&& p_call, const std::string& p_method, const std::string& p_message)
{
    zevtest::expectError<E>(std::forward<F>(p_call), "Geometry", p_method, p_message);
}

} // namespace

TEST_F(GeometryFixture, ElementSetNamingAndLookups)
{
    EXPECT_EQ(Geometry::getElementSetName(0), "ES1");
    EXPECT_EQ(Geometry::getElementSetName(9), "ES10");

    ShapeSet* es3 = g.addElementSet(2, TET, 10, 2.0);
    ASSERT_NE(es3, nullptr);
    EXPECT_EQ(es3->getSetNumber(), 2);
    EXPECT_EQ(es3->getCorrectionFactor(), 2.0);
    EXPECT_EQ(es3->size(), 10u);
    EXPECT_EQ(g.getElementSet(2), es3);
    EXPECT_EQ(g.getElementSet("ES3"), es3);
    EXPECT_EQ(g.getElementSet(0), nullptr);
    EXPECT_EQ(g.getNumElementSets(), 1);
    EXPECT_EQ(g.getNumElements(), 10);
    EXPECT_EQ(g.getSize(eElement), 10u);

    expectError<data::duplicate>([&] { g.addElementSet(2, HEX, 1, 1.0); }, "addElementSet",
                                 "ElementSet 'ES3' already exists.");
    EXPECT_EQ(g.getElementSet(2), es3);
    expectError<data::invalid>([&] { g.addElementSet("", 0, HEX, 1, 1.0); }, "addElementSet",
                               "Input parameter p_name is empty.");
    expectError<data::notFound>([&] { g.insertElementSet("inner", nullptr); }, "insertElementSet",
                                "Insertion of ElementSet 'inner' failed - nothing provided.");
    expectError<data::invalid>([&] { g.insertFaceSet("", nullptr); }, "insertFaceSet",
                               "Input parameter p_name is empty.");
    expectError<data::notFound>([&] { g.insertFaceSet("wall", nullptr); }, "insertFaceSet",
                                "Insertion of FaceSet 'wall' failed - nothing provided.");
    g.addFaceSet("wall", TRI, 1, 1.0);
    expectError<data::duplicate>([&] { g.addFaceSet("wall", TRI, 1, 1.0); }, "addFaceSet",
                                 "FaceSet 'wall' already exists.");
    ShapeSet* spare = FaceFactory::instance()->getFaceSetByType(QUAD, 1);
    expectError<data::duplicate>([&] { g.insertFaceSet("wall", spare); }, "insertFaceSet",
                                 "FaceSet 'wall' already exists.");
    delete spare; // a refused set stays the caller's

    // Element sets filed under other names are reachable by name only.
    ShapeSet* inner = ElementFactory::instance()->getElementSetByType(HEX, 2);
    g.insertElementSet("inner", inner);
    EXPECT_EQ(g.getElementSet("inner"), inner);
    EXPECT_EQ(inner->getSetNumber(), 0);
    EXPECT_EQ(g.getElementSetNames(), (std::vector<std::string>{"ES3", "inner"}));
}

TEST(Geometry, VirtualLayerFallback)
{
    auto* t = new TestGeometry();
    t->addVirtualLayerSet("ES5", ElementFactory::instance()->getElementSetByType(TET, 1));
    EXPECT_TRUE(t->hasVirtualLayer());
    EXPECT_EQ(t->getNumVirtualLayerElementSets(), 1);
    EXPECT_NE(t->getElementSet("ES5"), nullptr);
    EXPECT_NE(t->getElementSet(4), nullptr);
    EXPECT_EQ(t->getFaceSet("ES5"), nullptr);
    t->removeVirtualLayer();
    EXPECT_EQ(t->getElementSet("ES5"), nullptr);
    EXPECT_FALSE(t->hasVirtualLayer());
    delete t;
}

TEST_F(GeometryFixture, FaceSetsByTypeCountsAndElements)
{
    ShapeSet* a = g.addFaceSet("a", TRI, 4, 1.0);
    ShapeSet* b = g.addFaceSet("c", QUAD, 1, 1.0);
    ShapeSet* c = g.addFaceSet("b", QUAD, 1, 1.0);
    (void)b;
    EXPECT_EQ(g.getFaceSet(QUAD), c); // name order: b before c
    EXPECT_EQ(g.getFaceSet(TRI), a);
    EXPECT_EQ(g.getFaceSet(HEXAGON), nullptr);

    ShapeSet* poly = FaceFactory::instance()->getFaceSetByType(POLYGON, 2);
    (*poly)[0].setNumVertices(5);
    (*poly)[1].setNumVertices(7);
    g.insertFaceSet("poly", poly);
    // 4 triangles, 2 quads, polygons of 5 and 7 vertices.
    EXPECT_EQ(g.getNumFaceEntries(), 12u + 8u + 12u);
    EXPECT_EQ(g.getNumFaces(), 8);
    EXPECT_EQ(g.getSize(eFace), 8u);
    EXPECT_EQ(g.getSize(eVertex), 0u);

    // A face set filed as an element set is not 3-D.
    g.insertElementSet(Geometry::getElementSetName(0), FaceFactory::instance()->getFaceSetByType(TRI, 1));
    shapeIndex onFaces(0, 0, nullptr);
    expectError<internal::error>([&] { g.getElement(onFaces); }, "getElement",
                                 "Element requested is not 3D.");
    shapeIndex missing(3, 0, nullptr);
    EXPECT_EQ(g.getElement(missing), nullptr);

    ShapeSet* tets = g.addElementSet(1, TET, 3, 1.0);
    shapeIndex second(1, 2, nullptr);
    const Element* e = g.getElement(second);
    EXPECT_EQ(static_cast<const Shape*>(e), &(*tets)[2]);
    EXPECT_EQ(second.m_shape, &(*tets)[2]);
    // Shape numbers outside the set find nothing and leave the index alone.
    for (int shape : {3, -1}) {
        shapeIndex outside(1, shape, nullptr);
        EXPECT_EQ(g.getElement(outside), nullptr);
        EXPECT_EQ(outside.m_shape, nullptr);
    }
}

TEST_F(GeometryFixture, InterpolantOrdering)
{
    int destroyed = 0;
    g.addInterpolant(new RankedInterpolant(2, 1, &destroyed));
    g.addInterpolant(new RankedInterpolant(0, 2, &destroyed));
    g.addInterpolant(new RankedInterpolant(2, 3, &destroyed));
    g.addInterpolant(new RankedInterpolant(1, 4, &destroyed));
    g.addInterpolant(nullptr);
    EXPECT_EQ(ids(g), (std::vector<int>{2, 4, 1, 3}));

    g.updateInterpolant(new RankedInterpolant(2, 5, &destroyed)); // replaces the first rank 2
    EXPECT_EQ(ids(g), (std::vector<int>{2, 4, 5, 3}));
    EXPECT_EQ(destroyed, 1);
    g.updateInterpolant(new RankedInterpolant(7, 6, &destroyed)); // no rank 7: added
    EXPECT_EQ(ids(g), (std::vector<int>{2, 4, 5, 3, 6}));
    g.appendInterpolant(new RankedInterpolant(0, 7, &destroyed)); // no ordering
    EXPECT_EQ(ids(g), (std::vector<int>{2, 4, 5, 3, 6, 7}));

    Interpolant* found = nullptr;
    EXPECT_FALSE(g.hasInterpolant("Edge Interpolant", found));
    EXPECT_EQ(found, nullptr);
    EXPECT_TRUE(g.hasInterpolant("Vertex Interpolant", found));
    EXPECT_EQ(found, g.getInterpolant());
    EXPECT_EQ(g.getVertexInterpolant(), g.getInterpolant());
    EXPECT_EQ(g.getEdgeInterpolant(), nullptr);
    EXPECT_EQ(g.getParentDomains(), std::vector<std::string>{"d"});

    g.setInterpolant(new EdgeInterpolant("parent"));
    EXPECT_EQ(destroyed, 7);
    ASSERT_EQ(g.getInterpolantList().size(), 1u);
    EXPECT_NE(g.getEdgeInterpolant(), nullptr);
    EXPECT_EQ(g.getParentDomains(), std::vector<std::string>{"parent"});
    // An interpolant already held becomes the only one and stays alive.
    g.addInterpolant(new RankedInterpolant(3, 8, &destroyed));
    Interpolant* kept = g.getInterpolantList().front(); // rank 3, before the edge one
    g.setInterpolant(kept);
    EXPECT_EQ(destroyed, 7);
    EXPECT_EQ(ids(g), std::vector<int>{8});
    g.setInterpolant(nullptr);
    EXPECT_EQ(destroyed, 8);
    EXPECT_FALSE(g.hasInterpolant());
    EXPECT_TRUE(g.getParentDomains().empty());
}

TEST_F(GeometryFixture, RecalculateVertices)
{
    g.getVertices().push_back(Triplet(9, 9, 9));
    g.addInterpolant(new RankedInterpolant(0, 1));
    g.addInterpolant(new RankedInterpolant(2, 2));
    TripletZEVVector parent;
    parent.push_back(Triplet(1, 2, 3));
    EXPECT_FALSE(g.recalculateVertices(parent));
    EXPECT_EQ(g.getVertices()[0], Triplet(9, 9, 9));

    auto* v = new VertexInterpolant("p");
    v->pushVertex(0);
    v->pushVertex(0);
    g.addInterpolant(v); // rank 1, after the rank 0 one
    EXPECT_TRUE(g.recalculateVertices(parent));
    ASSERT_EQ(g.getNumVertices(), 2);
    EXPECT_EQ(g.getVertices()[1], Triplet(1, 2, 3));
}

TEST(Geometry, CloneRules)
{
    GeometryAutoPtr holder(GeometryAPI::instance()->newGeometry("", nullptr));
    auto* src = new TestGeometry();
    src->setName("/runs/case/inlet");
    src->setDomain("fluid");
    src->getVertices().push_back(Triplet(1, 2, 3));
    src->getLines().push_back(0);
    src->getLines().push_back(0);
    src->getVertDomainESNumVec().push_back(4);
    ShapeSet* tris = src->addFaceSet("tris", TRI, 2, 3.0);
    (*tris)[1][2] = 0;
    auto* edge = new EdgeInterpolant("fluid");
    edge->pushVertex(0, 0, 1.0f);
    src->addInterpolant(edge);
    src->fileVariable("Pressure");

    expectError<data::invalid>([&] { GeometryAPI::instance()->deleteGeometry(src->clone(false, false)); },
                               "clone", "inlet - Cannot clone Geometry with Variables.");
    Geometry* copy = src->clone(true, true);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(GeometryAPI::instance()->exists(copy));
    EXPECT_EQ(copy->getName(), "/runs/case/inlet");
    EXPECT_EQ(copy->getDomain(), "fluid");
    EXPECT_EQ(copy->getNumVertices(), 1);
    EXPECT_EQ(copy->getLines().size(), 2u);
    EXPECT_EQ(copy->getNumVars(), 0);
    EXPECT_EQ(copy->getNumElementSets(), 0);
    EXPECT_TRUE(copy->hasVertDomainESNum());
    ASSERT_NE(copy->getFaceSet("tris"), nullptr);
    EXPECT_NE(copy->getFaceSet("tris"), tris);
    EXPECT_EQ((*copy->getFaceSet("tris"))[1][2], 0);
    EXPECT_EQ(copy->getFaceSet("tris")->getCorrectionFactor(), 3.0);
    ASSERT_NE(copy->getEdgeInterpolant(), nullptr);
    EXPECT_NE(copy->getEdgeInterpolant(), edge);
    GeometryAPI::instance()->deleteGeometry(copy);

    src->addElementSet(0, HEX, 1, 1.0);
    expectError<data::invalid>([&] { src->clone(holder.get(), false, false); }, "clone",
                               "inlet - Cannot clone Geometry with Element Sets.");

    src->fileNullFaceSet("broken");
    expectError<internal::nullPointer>(
        [&] { src->clone(holder.get(), true, false); }, "clone",
        "getFaceSet by name returned null ptr for geom inlet, faceset broken.");
    // The target keeps what was copied before the failing set.
    EXPECT_EQ(holder->getDomain(), "fluid");
    delete src;
}

TEST(Geometry, VertexDomainNumbersMustCoverEveryVertex)
{
    GeometryAutoPtr holder(GeometryAPI::instance()->newGeometry("", nullptr));
    holder->getVertices().resize(3);
    EXPECT_FALSE(holder->hasVertDomainESNum());
    holder->getVertDomainESNumVec() = {1, 1};
    EXPECT_FALSE(holder->hasVertDomainESNum());
    holder->getVertDomainESNumVec().push_back(2);
    EXPECT_TRUE(holder->hasVertDomainESNum());
}
