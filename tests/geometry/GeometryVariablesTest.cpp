#include "HostHooks.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/GeomObject.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <gtest/gtest.h>

using namespace zev;
using zev::test::HostScope;
using zev::test::TestHost;

namespace {

struct VariablesFixture : ::testing::Test {
    GeometryAutoPtr holder{GeometryAPI::instance()->newGeometry("", nullptr)};
    Geometry& g = *holder.get();

    void SetUp() override
    {
        g.setName("/data/slice");
        g.getVertices().push_back(Triplet(1, 10, 100));
        g.getVertices().push_back(Triplet(2, 20, 200));
        g.getVertices().push_back(Triplet(3, 30, 300));
    }

    static std::vector<float> values(const Variable* v, VarLocation loc)
    {
        const FloatZEVVector& a = v->getFloatValues(Variable::Description(eUnknown, loc, "All"));
        std::vector<float> out;
        for (std::size_t i = 0; i < a.size(); ++i)
            out.push_back(a[i]);
        return out;
    }
};

} // namespace

TEST_F(VariablesFixture, RequestsWithoutHost)
{
    EXPECT_EQ(g.getVariable("", true, eVertex), nullptr);

    // An expression over the coordinates is evaluated, filed under its text and found again.
    Variable* e = g.getVariable("2*x+y", false, eVertex);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(values(e, eVertex), (std::vector<float>{12, 24, 36}));
    EXPECT_TRUE(g.hasVariable("2*x+y", eVertex));
    EXPECT_EQ(g.getVariable("2*x+y", false, eVertex), e);
    EXPECT_EQ(e->getGlobalType(), eUser);

    // Fixed names mean nothing without the host: the failed expression is absorbed.
    EXPECT_EQ(g.getVariable("Area", false, eVertex), nullptr);
    EXPECT_EQ(g.getVariable("2*", false, eVertex), nullptr);

    // Keys are exact: a variable filed at Face is not found at Vertex.
    const float f[] = {7.0f};
    auto* p = new ScalarVariable(f, 1, eConservative, eFace);
    p->setName("P");
    g.addVariable(p, eLocationUnknown); // its own location
    EXPECT_TRUE(g.hasVariable("P", eFace));
    EXPECT_FALSE(g.hasVariable("P", eVertex));
    try {
        g.getVariable("P", true, eVertex);
        ADD_FAILURE();
    } catch (const data::notFound& e2) {
        EXPECT_EQ(e2.getMethodName(), "getVariable");
        EXPECT_EQ(e2.getMessage(), "Variable 'P' does not exist on 'slice'.");
    }
    EXPECT_EQ(g.getVariable("P", false, eVertex), nullptr);
    EXPECT_EQ(g.getVariableNames(), (std::vector<std::string>{"2*x+y", "P"}));

    testing::internal::CaptureStdout();
    g.dbprintVariables();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "INDEX=2*x+y NAME=2*x+y DOMAIN=\nINDEX=P NAME=P DOMAIN=\n");

    g.deleteVariable("P");
    EXPECT_FALSE(g.hasVariable("P", eFace));
    g.deleteAllVariables();
    EXPECT_EQ(g.getNumVars(), 0);
}

TEST_F(VariablesFixture, AddVariableErrors)
{
    auto expect = [&](auto f, const std::string& message) {
        try {
            f();
            ADD_FAILURE() << message;
        } catch (const Error& e) {
            EXPECT_EQ(e.getClassName(), "Geometry");
            EXPECT_EQ(e.getMethodName(), "addVariable");
            EXPECT_EQ(e.getMessage(), message);
        }
    };
    expect([&] { g.addVariable(nullptr, eVertex); }, "Invalid Variable - NULL pointer.");
    ScalarVariable unnamed(eConservative, eVertex);
    expect([&] { g.addVariable(&unnamed, eVertex); }, "Invalid Variable - No name defined.");
    auto* first = new ScalarVariable(eConservative, eVertex);
    first->setName("T");
    g.addVariable(first, eVertex);
    ScalarVariable second(eConservative, eVertex);
    second.setName("T");
    expect([&] { g.addVariable(&second, eVertex); }, "Variable 'T' already exists.");
    EXPECT_EQ(g.findVariable("T", eVertex), first);
    EXPECT_THROW(g.addVariable(nullptr, eVertex), internal::badParam);
}

TEST_F(VariablesFixture, HostDescribedNames)
{
    TestHost host;
    HostScope scope(&host);
    host.knowGeometricNames();
    host.names["empty"] = {1, true, {""}, false};
    host.names["speed"] = {1, true, {"x*10"}, false};
    host.names["vel"] = {3, true, {"x", "y", "z"}, false};

    // Every spelling of a coordinate files one variable under its letter.
    Variable* x = g.getVariable("x", false, eVertex);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->getName(), "X");
    EXPECT_EQ(x->getGlobalType(), eLocal);
    EXPECT_EQ(values(x, eVertex), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(g.getVariable("X Coordinate", false, eVertex), x);
    EXPECT_EQ(g.getVariable("x", false, eVertex), x);

    try {
        g.getVariable("empty", false, eVertex);
        ADD_FAILURE();
    } catch (const expressions::eval& e) {
        EXPECT_EQ(e.getMethodName(), "getVariable");
        EXPECT_EQ(e.getMessage(), "Attempt to evaluate user variable with empty expression.");
    }

    Variable* speed = g.getVariable("speed", false, eVertex);
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->getName(), "speed");
    EXPECT_EQ(values(speed, eVertex), (std::vector<float>{10, 20, 30}));

    auto* vel = dynamic_cast<VectorVariable*>(g.getVariable("vel", false, eVertex));
    ASSERT_NE(vel, nullptr);
    EXPECT_EQ(vel->getTripletValues(Variable::Description(eUser, eVertex, "All"))[2], Triplet(3, 30, 300));

    // "Length" is filed at Vertex whatever the request; asking again finds it.
    g.getLines().push_back(0);
    g.getLines().push_back(1);
    Variable* length = g.getVariable("Length", false, eFace);
    ASSERT_NE(length, nullptr);
    EXPECT_TRUE(g.hasVariable("Length", eVertex));
    const float segment = (Triplet(1, 10, 100) - Triplet(2, 20, 200)).length();
    EXPECT_EQ(values(length, eVertex), (std::vector<float>{segment / 2, segment / 2, 0}));
    EXPECT_EQ(g.getVariable("Length", false, eFace), length);

    // A component of "Normal" files "Normal" first.
    Variable* ny = g.getVariable("Normal Y", false, eVertex);
    ASSERT_NE(ny, nullptr);
    EXPECT_TRUE(g.hasVariable("Normal", eVertex));
    EXPECT_TRUE(g.hasVariable("Normal Y", eVertex));
    EXPECT_EQ(ny->getGlobalType(), eLocal);

    // A name the host does not know is still evaluated as an expression.
    EXPECT_NE(g.getVariable("x+1", false, eVertex), nullptr);

    g.deleteAllExpressions();
    EXPECT_FALSE(g.hasVariable("speed", eVertex));
    EXPECT_FALSE(g.hasVariable("vel", eVertex));
    EXPECT_TRUE(g.hasVariable("X", eVertex));
}

TEST_F(VariablesFixture, FundamentalVariablesThroughAnEdgeInterpolant)
{
    TestHost host;
    HostScope scope(&host);
    host.names["Pressure"] = {1, false, {}, false};
    host.names["Missing"] = {1, false, {}, false};
    host.names["Undefined"] = {1, false, {}, false};
    const float parent[] = {8.0f, 4.0f, 0.0f};
    host.parents[{"fluid", "Pressure"}] = std::make_unique<ScalarVariable>(parent, 3, eConservative, eVertex);
    auto undefined = std::make_unique<ScalarVariable>(parent, 3, eHybrid, eVertex);
    undefined->makeUndef(eHybrid, 3);
    host.parents[{"fluid", "Undefined"}] = std::move(undefined);

    try {
        g.getVariable("Pressure", false, eVertex);
        ADD_FAILURE();
    } catch (const internal::error& e) {
        EXPECT_EQ(e.getMethodName(), "makeFundamentalVariable");
        EXPECT_EQ(e.getMessage(), "Geometry does not have interpolant.");
    }

    g.setDomain("slice");
    auto* edges = new EdgeInterpolant("fluid");
    edges->pushVertex(0, 1, 0.25f);
    edges->pushVertex(1, 0, 1.0f);
    edges->pushVertex(2, 2, 0.5f);
    g.addInterpolant(edges);

    Variable* p = g.getVariable("Pressure", false, eVertex);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getName(), "Pressure");
    EXPECT_EQ(p->getDomain(), "slice");
    EXPECT_EQ(p->getGlobalType(), eConservative);
    EXPECT_EQ(values(p, eVertex), (std::vector<float>{5, 4, 0}));
    EXPECT_EQ(g.getVariable("Pressure", false, eVertex), p);

    EXPECT_EQ(g.getVariable("Missing", false, eVertex), nullptr);

    std::unique_ptr<Variable> placeholder(g.getVariable("Undefined", false, eVertex));
    ASSERT_NE(placeholder, nullptr);
    EXPECT_FALSE(g.hasVariable("Undefined", eVertex)); // unfiled: the caller owns it
    EXPECT_EQ(placeholder->getGlobalType(), eHybrid);
    const FloatZEVVector& u = placeholder->getFloatValues(Variable::Description(eHybrid, eVertex, "All"));
    ASSERT_EQ(u.size(), 3u);
    EXPECT_EQ(u[0], ZEV_UNDEF);
    EXPECT_EQ(u[2], ZEV_UNDEF);
}

TEST(GeomObject, OwningAndBorrowedKinds)
{
    GeometryAPI* api = GeometryAPI::instance();
    Geometry* a = api->newGeometry("", nullptr);
    Geometry* b = api->newGeometry("", nullptr);
    {
        GeomObject boundary("BOUNDARY");
        boundary.setGeometry("fluid", a);
        boundary.setGeometry("fluid", b); // replaces without deleting
        EXPECT_TRUE(api->exists(a));
        boundary.deleteGeometry("fluid"); // leaves the entry
        EXPECT_EQ(boundary.getGeometry("fluid"), b);
        boundary.clearGeometryData();
        EXPECT_EQ(boundary.getDomainList(), std::vector<std::string>{"fluid"});
        boundary.deleteAllGeometry(); // empties the map, deletes nothing
        EXPECT_TRUE(boundary.getGeometry().empty());
        EXPECT_TRUE(api->exists(b));
    }
    {
        GeomObject slice("SLICE");
        slice.setGeometry("solid", a);
        slice.setGeometry("fluid", b);
        slice.setGeometry("fluid", b); // the same pointer again: kept alive
        EXPECT_TRUE(api->exists(b));
        EXPECT_EQ(slice.getDomainList(), (std::vector<std::string>{"fluid", "solid"}));
        EXPECT_THROW(slice.setGeometry("x", nullptr), internal::badParam);
        try {
            slice.getVariable("p", "nowhere");
            ADD_FAILURE();
        } catch (const internal::error& e) {
            EXPECT_EQ(e.getClassName(), "GeomObject");
            EXPECT_EQ(e.getMessage(), "Geometry for domain 'nowhere' does not exist.");
        }
        try {
            slice.hasVariable("", "fluid");
            ADD_FAILURE();
        } catch (const data::invalid& e) {
            EXPECT_EQ(e.getMethodName(), "hasVariable");
            EXPECT_EQ(e.getMessage(), "Input parameter p_name is empty.");
        }
        a->getVertices().push_back(Triplet(1, 2, 3));
        b->getVertices().push_back(Triplet(4, 5, 6));
        ZEVVector<Variable*> xs = slice.getVariable("x*2");
        ASSERT_EQ(xs.size(), 2u);
        EXPECT_EQ(xs[0]->getFloatValues(Variable::Description(eUser, eVertex, "All"))[0],
                  8.0f); // fluid first
        slice.deleteVariable("x*2");
        EXPECT_FALSE(a->hasVariable("x*2", eVertex));
        slice.setGeometry("solid", b); // an owning object deletes the geometry it replaces
        EXPECT_FALSE(api->exists(a));
        slice.eraseGeometryMap();
        EXPECT_TRUE(api->exists(b));
    }
    api->deleteGeometry(b);
}

TEST_F(VariablesFixture, AreaVariablesFollowTheRequestedLocation)
{
    TestHost host;
    HostScope scope(&host);
    host.knowGeometricNames();
    // A right triangle of area 2 in the plane x = const over the three vertices.
    g.getVertices()[0] = Triplet(0, 0, 0);
    g.getVertices()[1] = Triplet(0, 2, 0);
    g.getVertices()[2] = Triplet(0, 0, 2);
    ShapeSet* tris = g.addFaceSet("wall", TRI, 1, 1.0);
    for (int k = 0; k < 3; ++k)
        (*tris)[0][k] = k;

    Variable* faceArea = g.getVariable("Area", false, eFace);
    ASSERT_NE(faceArea, nullptr);
    EXPECT_EQ(faceArea->getLocation(), eFace);
    EXPECT_TRUE(g.hasVariable("Area", eFace));
    EXPECT_EQ(values(faceArea, eFace), std::vector<float>{2.0f});

    Variable* elementArea = g.getVariable("Area", false, eElement);
    ASSERT_NE(elementArea, nullptr);
    EXPECT_TRUE(g.hasVariable("Area", eElement));
    const std::vector<float> shares = values(elementArea, eElement);
    ASSERT_EQ(shares.size(), 3u);
    EXPECT_NEAR(shares[0] + shares[1] + shares[2], 2.0f, 1e-6);

    auto* normal = dynamic_cast<VectorVariable*>(g.getVariable("Normal", false, eFace));
    ASSERT_NE(normal, nullptr);
    EXPECT_EQ(normal->getTripletValues(Variable::Description(eLocal, eFace, "All"))[0], Triplet(1, 0, 0));

    // A component at the faces views the face normals; deleting the vector takes it along.
    Variable* nx = g.getVariable("Normal X", false, eFace);
    ASSERT_NE(nx, nullptr);
    EXPECT_EQ(values(nx, eFace), std::vector<float>{1.0f});
    g.deleteVariable("Normal");
    EXPECT_FALSE(g.hasVariable("Normal X", eFace));
    EXPECT_FALSE(g.hasVariable("Normal", eFace));
}

TEST_F(VariablesFixture, CoordinatesAtFacesWithoutHostStayInsideTheVertices)
{
    // Four faces over three vertices: a coordinate read per face has no vertex for the
    // fourth face, which is undefined instead of being read past the vertex array.
    ShapeSet* tris = g.addFaceSet("wall", TRI, 4, 1.0);
    for (std::size_t f = 0; f < 4; ++f)
        for (int k = 0; k < 3; ++k)
            (*tris)[f][k] = k;
    Variable* v = g.getVariable("x+1", false, eFace);
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(g.hasVariable("x+1", eFace));
    EXPECT_EQ(values(v, eFace), (std::vector<float>{2, 3, 4, ZEV_UNDEF}));
}
