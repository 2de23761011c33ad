#include "tests/support/ExpectError.h"
#include "tests/support/MeshBuilders.h"
#include "zev/contracts/Undefined.h"
#include "zev/derived/ContourGeometry.h"
#include "zev/derived/SurfaceGroupGeometry.h"
#include "zev/derived/SymbolGeometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/FaceToFaceInterpolant.h"
#include "zev/shapes/ShapeType.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <gtest/gtest.h>

#include <typeinfo>

using namespace zev;
using namespace zev::test;

namespace {

const float U = ZEV_UNDEF;

// Registers the three types once per process, whichever test comes first.
void registerTypes()
{
    for (void (*reg)() : {&SymbolGeometry::registerType, &ContourGeometry::registerType,
                          &SurfaceGroupGeometry::registerType}) {
        try {
            reg();
        } catch (const internal::error&) {
            // already registered by an earlier test in this process
        }
    }
}

GeometryAutoPtr newGeometry(const std::string& p_type = "")
{
    return GeometryAutoPtr(GeometryAPI::instance()->newGeometry(p_type, nullptr));
}

// A registered surface of p_vertices vertices (3: one triangle, 4: one quadrilateral) at
// height p_z.
Geometry* surface(int p_vertices, float p_z)
{
    Geometry* g = GeometryAPI::instance()->newGeometry("", nullptr);
    std::vector<float> xyz;
    for (int i = 0; i < p_vertices; ++i)
        xyz.insert(xyz.end(), {static_cast<float>(i % 2), static_cast<float>(i / 2), p_z});
    addVertices(*g, xyz);
    if (p_vertices == 3)
        addFaces(*g, "t", TRI, {{0, 1, 2}});
    else
        addFaces(*g, "q", QUAD, {{0, 1, 3, 2}});
    return g;
}

void addScalar(Geometry& p_geometry, const std::string& p_name, const std::vector<float>& p_values)
{
    auto* v = new ScalarVariable(p_values.data(), static_cast<int>(p_values.size()), eConservative, eVertex);
    v->setName(p_name);
    p_geometry.addVariable(v, eVertex);
}

void addVector(Geometry& p_geometry, const std::string& p_name, const std::vector<Triplet>& p_values)
{
    auto* v = new VectorVariable(eConservative, eVertex);
    for (const Triplet& t : p_values)
        v->getTripletValues(Variable::Description(eConservative, eVertex)).push_back(t);
    v->setName(p_name);
    p_geometry.addVariable(v, eVertex);
}

// A face variable with one array per face set.
void addFaceScalar(Geometry& p_geometry, const std::string& p_name,
                   const std::map<std::string, std::vector<float>>& p_sets)
{
    auto* v = new ScalarVariable(eConservative, eFace);
    for (const auto& set : p_sets) {
        FloatZEVVector& a = v->getFaceValues(set.first, eConservative);
        a.resize(set.second.size());
        for (std::size_t i = 0; i < set.second.size(); ++i)
            a[i] = set.second[i];
    }
    v->setName(p_name);
    p_geometry.addVariable(v, eFace);
}

// A registered group of p_members, not yet unified.
SurfaceGroupGeometry* newGroup(const std::vector<Geometry*>& p_members)
{
    registerTypes();
    auto* group = dynamic_cast<SurfaceGroupGeometry*>(
        GeometryAPI::instance()->newGeometry("SurfaceGroupGeometry", nullptr));
    if (group)
        group->getGeometryVec() = p_members;
    return group;
}

std::vector<float> values(Variable* p_variable, VarLocation p_location)
{
    const FloatZEVVector& a = static_cast<const Variable&>(*p_variable)
                                  .getFloatValues(Variable::Description(eConservative, p_location));
    std::vector<float> out;
    for (std::size_t i = 0; i < a.size(); ++i)
        out.push_back(a[i]);
    return out;
}

} // namespace

TEST(DerivedGeometry, TypesAreCreatedByNameAndRegisteredOnce)
{
    registerTypes();
    GeometryAutoPtr symbol = newGeometry("SymbolGeometry");
    GeometryAutoPtr contour = newGeometry("ContourGeometry");
    GeometryAutoPtr group = newGeometry("SurfaceGroupGeometry");
    const Geometry& symbolRef = *symbol.get();
    const Geometry& contourRef = *contour.get();
    const Geometry& groupRef = *group.get();
    EXPECT_EQ(typeid(symbolRef), typeid(SymbolGeometry));
    EXPECT_EQ(typeid(contourRef), typeid(ContourGeometry));
    EXPECT_EQ(typeid(groupRef), typeid(SurfaceGroupGeometry));
    EXPECT_TRUE(GeometryAPI::instance()->exists(group.get()));

    auto* s = static_cast<SymbolGeometry*>(symbol.get());
    EXPECT_TRUE(s->getDirections().empty());
    EXPECT_TRUE(static_cast<ContourGeometry*>(contour.get())->getFringeFaceVectors().empty());

    // A second registration is refused and its prototype released (the sanitizer checks).
    zevtest::expectError<internal::error>([] { SymbolGeometry::registerType(); }, "GeometryAPI",
                                          "registerType",
                                          "Insertion of Geometry type 'SymbolGeometry' failed.");
}

TEST(SurfaceGroupGeometry, VertexDataLandsAtEachMembersOffset)
{
    GeometryAutoPtr a(surface(3, 0)), b(surface(4, 1));
    addScalar(*a.get(), "P", {1, 2, 3});
    addScalar(*b.get(), "P", {10, 20, 30, 40});
    addVector(*a.get(), "V", {Triplet(1, 0, 0), Triplet(2, 0, 0), Triplet(3, 0, 0)});
    addVector(*b.get(), "V", {Triplet(0, 1, 0), Triplet(0, 2, 0), Triplet(0, 3, 0), Triplet(0, 4, 0)});
    SurfaceGroupGeometry* group = newGroup({a.get(), b.get()});
    GeometryAutoPtr groupHolder(group);
    ASSERT_NE(group, nullptr);

    EXPECT_EQ(group->getVariable("P", false, eVertex), nullptr); // not unified yet
    group->unify(false);
    EXPECT_EQ(group->getNumVertices(), 7);
    EXPECT_FALSE(group->hasFaceData());
    EXPECT_EQ(group->getVertexMaps(), (std::vector<std::vector<int>>{{0, 1, 2}, {3, 4, 5, 6}}));

    Variable* p = group->getVariable("P", false, eVertex);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getName(), "P");
    EXPECT_EQ(values(p, eVertex), (std::vector<float>{1, 2, 3, 10, 20, 30, 40}));
    EXPECT_EQ(group->getVariable("P", false, eVertex), p); // filed, found again

    auto* v = dynamic_cast<VectorVariable*>(group->getVariable("V", false, eVertex));
    ASSERT_NE(v, nullptr);
    const TripletZEVVector& t = static_cast<const VectorVariable*>(v)->getTripletValues(
        Variable::Description(eConservative, eVertex));
    EXPECT_EQ(std::vector<Triplet>(t.begin(), t.end()),
              (std::vector<Triplet>{Triplet(1, 0, 0), Triplet(2, 0, 0), Triplet(3, 0, 0), Triplet(0, 1, 0),
                                    Triplet(0, 2, 0), Triplet(0, 3, 0), Triplet(0, 4, 0)}));
    EXPECT_EQ(group->getVariable("Missing", false, eVertex), nullptr);

    // Destroying the group leaves its members alone.
    Geometry* member = a.get();
    GeometryAPI::instance()->deleteGeometry(groupHolder.release());
    EXPECT_TRUE(Geometry::isAllocated(member));
    EXPECT_EQ(member->getNumVertices(), 3);
    EXPECT_NE(member->findVariable("P", eVertex), nullptr);
}

// Members without the variable, short value arrays and members removed after unification
// leave their items undefined and never move another member's values.
TEST(SurfaceGroupGeometry, GapsStayUndefinedAndInPlace)
{
    GeometryAutoPtr a(surface(3, 0)), b(surface(3, 1)), c(surface(4, 2));
    addScalar(*a.get(), "P", {1, 2, 3});
    addScalar(*c.get(), "P", {10, 20, 30, 40});
    addScalar(*a.get(), "Short", {1, 2, 3});
    addScalar(*b.get(), "Short", {4});
    SurfaceGroupGeometry* group = newGroup({a.get(), b.get(), c.get()});
    GeometryAutoPtr groupHolder(group);
    group->unify(false);

    EXPECT_EQ(values(group->getVariable("P", false, eVertex), eVertex),
              (std::vector<float>{1, 2, 3, U, U, U, 10, 20, 30, 40}));
    EXPECT_EQ(values(group->getVariable("Short", false, eVertex), eVertex),
              (std::vector<float>{1, 2, 3, 4, U, U, U, U, U, U}));

    group->getGeometryVec()[0] = nullptr;
    addScalar(*c.get(), "Q", {5, 6, 7, 8});
    EXPECT_EQ(values(group->getVariable("Q", false, eVertex), eVertex),
              (std::vector<float>{U, U, U, U, U, U, 5, 6, 7, 8}));
}

TEST(SurfaceGroupGeometry, FaceDataConcatenatesInMemberAndSetOrder)
{
    GeometryAutoPtr a = newGeometry(), b = newGeometry(), c = newGeometry();
    for (Geometry* g : {a.get(), b.get(), c.get()}) {
        addVertices(*g, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});
        g->hasFaceData(true);
    }
    addFaces(*a.get(), "b", TRI, {{0, 1, 2}});
    addFaces(*a.get(), "a", QUAD, {{0, 1, 2, 3}, {0, 1, 2, 3}});
    addFaces(*b.get(), "z", TRI, {{0, 1, 2}, {0, 2, 3}});
    addFaces(*c.get(), "a", TRI, {{0, 1, 2}});
    addFaceScalar(*a.get(), "P", {{"b", {3}}, {"a", {1, 2}}});
    addFaceScalar(*c.get(), "P", {{"a", {4}}}); // b lacks P
    SurfaceGroupGeometry* group = newGroup({a.get(), b.get(), c.get()});
    GeometryAutoPtr groupHolder(group);
    group->unify(false);
    EXPECT_TRUE(group->hasFaceData());
    EXPECT_EQ(group->getNumFaces(), 6);

    Variable* p = group->getVariable("P", false, eFace);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(values(p, eFace), (std::vector<float>{1, 2, 3, U, U, 4}));
    EXPECT_TRUE(group->hasVariable("P", eFace));
    EXPECT_FALSE(group->hasVariable("P", eVertex));

    c->hasFaceData(false);
    SurfaceGroupGeometry* mixed = newGroup({a.get(), c.get()});
    GeometryAutoPtr mixedHolder(mixed);
    mixed->unify(false);
    EXPECT_FALSE(mixed->hasFaceData());
}

TEST(SurfaceGroupGeometry, MembersOfDifferentKindsAreRefused)
{
    GeometryAutoPtr s(surface(3, 0)), v(surface(3, 1));
    addScalar(*s.get(), "P", {1, 2, 3});
    addVector(*v.get(), "P", {Triplet(1, 0, 0), Triplet(2, 0, 0), Triplet(3, 0, 0)});

    SurfaceGroupGeometry* g1 = newGroup({s.get(), v.get()});
    GeometryAutoPtr g1Holder(g1);
    g1->unify(false);
    try {
        g1->getVariable("P", false, eVertex);
        ADD_FAILURE() << "expected the scalar bad-cast error";
    } catch (const internal::error& e) {
        // The scalar case is a plain error, not a bad_cast.
        EXPECT_EQ(typeid(e), typeid(internal::error));
        EXPECT_EQ(e.getClassName(), "SurfaceGroupGeometry");
        EXPECT_EQ(e.getMethodName(), "getVariable");
        EXPECT_EQ(e.getMessage(), "Bad cast of Variable 'P' to ScalarVariable.");
    }
    EXPECT_FALSE(g1->hasVariable("P", eVertex));

    SurfaceGroupGeometry* g2 = newGroup({v.get(), s.get()});
    GeometryAutoPtr g2Holder(g2);
    g2->unify(false);
    zevtest::expectError<internal::bad_cast>([&] { g2->getVariable("P", false, eVertex); },
                                             "SurfaceGroupGeometry", "getVariable",
                                             "Bad cast of variable 'P' to VectorVariable.");
    EXPECT_FALSE(g2->hasVariable("P", eVertex));
}

TEST(SurfaceGroupGeometry, SearchLocationCloneAndEmptyGroups)
{
    GeometryAutoPtr a(surface(3, 0)), b(surface(4, 1));
    SurfaceGroupGeometry* group = newGroup({a.get(), b.get()});
    GeometryAutoPtr groupHolder(group);

    a->addInterpolant(new FaceToFaceInterpolant("fluid", "wall"));
    EXPECT_EQ(group->getVariableSearchLocation(), eVertex); // members disagree
    b->addInterpolant(new FaceToFaceInterpolant("fluid", "inlet"));
    EXPECT_EQ(group->getVariableSearchLocation(), eFace);

    group->unify(false);
    Geometry* copy = group->clone(true, false);
    GeometryAutoPtr copyHolder(copy);
    auto* copiedGroup = dynamic_cast<SurfaceGroupGeometry*>(copy);
    ASSERT_NE(copiedGroup, nullptr);
    EXPECT_EQ(copiedGroup->getGeometryVec(), group->getGeometryVec());
    EXPECT_EQ(copiedGroup->getVertexMaps(), group->getVertexMaps());
    EXPECT_EQ(copiedGroup->getFaceSetNames(), group->getFaceSetNames());
    EXPECT_EQ(copiedGroup->getNumVertices(), 7);

    addScalar(*a.get(), "P", {1, 2, 3});
    addScalar(*b.get(), "P", {4, 5, 6, 7});
    ASSERT_NE(group->getVariable("P", false, eVertex), nullptr);
    EXPECT_THROW(group->clone(false, false), data::invalid);

    SurfaceGroupGeometry* empty = newGroup({});
    GeometryAutoPtr emptyHolder(empty);
    zevtest::expectError<internal::error>([&] { empty->unify(false); }, "SurfaceGroupGeometry", "unify",
                                          "No geometry to unify.");
    zevtest::expectError<internal::error>([&] { empty->getVariableSearchLocation(); }, "SurfaceGroupGeometry",
                                          "getVariableSearchLocation", "No surface geometries.");
    EXPECT_EQ(empty->getVariable("P", false, eVertex), nullptr);
}
