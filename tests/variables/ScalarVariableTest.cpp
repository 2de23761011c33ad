#include "tests/variables/VariableTestSupport.h"

#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Undefined.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

using zev::ScalarVariable;
using zev::ZEV_UNDEF;
using D = zev::Variable::Description;

namespace {

std::vector<float> values(const zev::FloatZEVVector& p_a)
{
    std::vector<float> r;
    for (size_t i = 0; i < p_a.size(); ++i)
        r.push_back(p_a[i]);
    return r;
}

void fill(zev::FloatZEVVector& p_a, std::vector<float> p_v)
{
    p_a.resize(p_v.size());
    for (size_t i = 0; i < p_v.size(); ++i)
        p_a[i] = p_v[i];
}

// A scalar named "p" with Conservative element data in sets "b" (2 values) and "a" (3).
std::unique_ptr<ScalarVariable> elementVariable()
{
    auto v = std::make_unique<ScalarVariable>(zev::eConservative, zev::eElement);
    v->setName("p");
    fill(v->getElementValues("b", zev::eConservative), {20, 21});
    fill(v->getElementValues("a", zev::eConservative), {10, 11, 12});
    return v;
}

} // namespace

TEST(ScalarVariable, ConcatenationInSetNameOrderAndResizeDiscardsIt)
{
    auto v = elementVariable();
    const ScalarVariable& c = *v;
    EXPECT_EQ(c.getNumData(zev::eConservative, zev::eElement), 5u);
    EXPECT_EQ(c.getElementSetNames(), (std::set<std::string>{"a", "b"}));
    EXPECT_TRUE(c.isElementVariable());
    EXPECT_FALSE(c.isFaceVariable());
    EXPECT_EQ(values(c.getElementValues("All", zev::eConservative)),
              (std::vector<float>{10, 11, 12, 20, 21}));
    // Built once: the second read returns the cached array.
    EXPECT_EQ(&c.getElementValues("All", zev::eConservative), &c.getElementValues("All", zev::eUnknown));
    EXPECT_EQ(c.getSize(zev::eConservative, zev::eElement), 5);

    EXPECT_FALSE(v->resize({{"a", 3}, {"b", 2}}, zev::eElement));
    EXPECT_TRUE(v->hasType(D(zev::eConservative, zev::eElement, "All")));
    EXPECT_TRUE(v->resize({{"a", 1}, {"zz", 9}}, zev::eElement));
    EXPECT_FALSE(v->hasType(D(zev::eConservative, zev::eElement, "All")));
    EXPECT_EQ(c.getSize(zev::eConservative, zev::eElement), 0);
    EXPECT_EQ(values(c.getElementValues("All", zev::eConservative)), (std::vector<float>{10, 20, 21}));

    // Writable "All" access gives the concatenation as well.
    EXPECT_EQ(v->getElementValues("All", zev::eConservative).size(), 3u);

    // A set lacking the type cannot be left out of the concatenation silently.
    fill(v->getElementValues("c", zev::eHybrid), {1});
    v->resize({{"a", 2}}, zev::eElement);
    expectInternalError([&] { c.getElementValues("All", zev::eConservative); }, "ScalarVariable",
                        "getFloatValues const",
                        "Request for nonexistent Element data of type Conservative for variable 'p'.");
    EXPECT_FALSE(v->hasType(D(zev::eConservative, zev::eElement, "All")));
}

TEST(ScalarVariable, TypeResolution)
{
    ScalarVariable v;
    v.setName("p");
    expectInternalError([&] { v.getSize(zev::eConservative, zev::eVertex); }, "Variable", "checkType",
                        "No data types for variable p.");

    zev::FloatZEVVector* hybrid = new zev::FloatZEVVectorConcrete(2, 7.0f);
    v.adoptFloatVector(hybrid, zev::eHybrid, zev::eVertex);
    EXPECT_EQ(hybrid, nullptr);
    EXPECT_EQ(v.getGlobalType(), zev::eUnknown);
    const ScalarVariable& c = v;
    // One type: any request resolves to it.
    EXPECT_EQ(values(c.getVertexValues(zev::eUnknown)), (std::vector<float>{7, 7}));
    EXPECT_EQ(values(c.getVertexValues(zev::eMesh)), (std::vector<float>{7, 7}));

    zev::FloatZEVVector* user = new zev::FloatZEVVectorConcrete(1, 3.0f);
    v.adoptFloatVector(user, zev::eUser, zev::eVertex);
    EXPECT_EQ(values(c.getVertexValues(zev::eUser)), (std::vector<float>{3}));
    // Several types and no stored match: Conservative is looked for.
    expectInternalError([&] { c.getVertexValues(zev::eUnknown); }, "ScalarVariable", "getFloatValues const",
                        "Request for nonexistent Vertex data of type Conservative for variable 'p'.");
    v.setGlobalType(zev::eUser);
    EXPECT_EQ(values(c.getVertexValues(zev::eUnknown)), (std::vector<float>{3}));
    EXPECT_EQ(v.getAllTypes(zev::eVertex), (std::set<zev::VarType>{zev::eHybrid, zev::eUser}));
}

TEST(ScalarVariable, AccessErrorsInRefusalOrder)
{
    auto v = elementVariable();
    // Writable: empty set name, then Unknown type, then component.
    expectInternalError([&] { v->getFloatValues(D(zev::eUnknown, zev::eFace, "")); }, "ScalarVariable",
                        "getFloatValues", "Empty Face Set Name");
    expectInternalError([&] { v->getFloatValues(D(zev::eUnknown, zev::eFace, "wall")); }, "ScalarVariable",
                        "getFloatValues", "Unknown data type for variable p.");
    zev::TripletZEVVector triplets(2);
    ScalarVariable component(triplets, 1);
    component.setName("vx");
    expectInternalError([&] { component.getFloatValues(D(zev::eUnknown, zev::eVertex, "")); },
                        "ScalarVariable", "getFloatValues", "Empty Vertex Set Name");
    expectInternalError([&] { component.getFloatValues(D(zev::eUnknown, zev::eVertex, "All")); },
                        "ScalarVariable", "getFloatValues", "Unknown data type for variable vx.");
    expectInternalError([&] { component.getVertexValues(zev::eMesh); }, "ScalarVariable", "getFloatValues",
                        "Attempt to alter component variable vx.");

    const ScalarVariable& c = *v;
    expectInternalError([&] { c.getFloatValues(D(zev::eConservative, zev::eElement, "")); }, "ScalarVariable",
                        "getFloatValues(const)", "Empty Element Set Name for variable 'p'");
    expectInternalError([&] { c.getElementValues("missing", zev::eConservative); }, "ScalarVariable",
                        "getFloatValues const",
                        "Request for nonexistent Element data of type Conservative for variable 'p'.");
    // Two types with set data, neither Conservative: "All" of Local resolves to Conservative.
    ScalarVariable w(zev::eHybrid, zev::eElement);
    w.setName("w");
    fill(w.getElementValues("a", zev::eHybrid), {1});
    fill(w.getElementValues("a", zev::eUser), {2});
    expectInternalError([&] { static_cast<const ScalarVariable&>(w).getElementValues("All", zev::eLocal); },
                        "ScalarVariable", "getFloatValues(const)", "No Element data for variable 'w'");
    // Sets present but empty: nothing to concatenate, and nothing is filed.
    ScalarVariable e(zev::eConservative, zev::eFace);
    e.setName("e");
    e.getFaceValues("wall", zev::eConservative);
    expectInternalError(
        [&] { static_cast<const ScalarVariable&>(e).getFaceValues("All", zev::eConservative); },
        "ScalarVariable", "populateAllValues", "No Face data present for variable 'e'");
    EXPECT_FALSE(e.hasType(D(zev::eConservative, zev::eFace, "All")));
}

TEST(ScalarVariable, StatisticsAndMissingData)
{
    ScalarVariable empty(zev::eConservative, zev::eVertex);
    EXPECT_EQ(empty.getMin(zev::eConservative), 3.4028235e38f);
    EXPECT_EQ(empty.getMax(zev::eConservative), ZEV_UNDEF);
    EXPECT_EQ(empty.getSum(zev::eConservative), 0.0f);
    EXPECT_EQ(empty.getNvalid(zev::eConservative), 0);

    const float data[] = {4.0f, ZEV_UNDEF, -2.0f};
    ScalarVariable v(data, 3, zev::eHybrid, zev::eVertex);
    EXPECT_EQ(v.getMin(zev::eUnknown), -2.0f);
    EXPECT_EQ(v.getMax(zev::eConservative), 4.0f); // resolves to the only type
    EXPECT_EQ(v.getSum(zev::eHybrid), 2.0f);
    EXPECT_EQ(v.getNvalid(zev::eHybrid), 2);
    // Several types, none the one asked nor Conservative: missing data.
    v.getVertexValues(zev::eUser).resize(1);
    EXPECT_EQ(v.getMin(zev::eLocal), ZEV_UNDEF);
    EXPECT_EQ(v.getSum(zev::eLocal), 0.0f);
}

TEST(ScalarVariable, UndefinedMarking)
{
    ScalarVariable v(zev::eConservative, zev::eVertex);
    v.makeUndef(zev::eConservative, 4);
    EXPECT_TRUE(v.isUndef(zev::eConservative));
    EXPECT_FALSE(v.isUndef(zev::eHybrid));
    EXPECT_EQ(values(v.getVertexValues(zev::eConservative)), std::vector<float>(4, ZEV_UNDEF));
    v.makeDefined(zev::eConservative);
    EXPECT_FALSE(v.isUndef(zev::eConservative));
    EXPECT_EQ(values(v.getVertexValues(zev::eConservative)), std::vector<float>(4, ZEV_UNDEF));

    // A negative count keeps the stored size; with nothing stored the array is empty.
    fill(v.getVertexValues(zev::eConservative), {1, 2, 3});
    v.makeUndef(zev::eConservative, -1);
    EXPECT_EQ(values(v.getVertexValues(zev::eConservative)), std::vector<float>(3, ZEV_UNDEF));
    v.makeUndef(zev::eHybrid, -1);
    EXPECT_EQ(v.getVertexValues(zev::eHybrid).size(), 0u);
    EXPECT_TRUE(v.isUndef(zev::eHybrid));
    EXPECT_TRUE(v.resize(2));
    EXPECT_EQ(v.getSize(zev::eHybrid, zev::eVertex), 2);
    EXPECT_FALSE(v.resize(-1));
}

TEST(ScalarVariable, FaceValuesCopiesAndAdoption)
{
    ScalarVariable v(zev::eHybrid, zev::eFace);
    v.setName("p");
    fill(v.getFaceValues("wall", zev::eHybrid), {1});
    EXPECT_FALSE(v.hasFaceValues("wall"));
    EXPECT_FALSE(v.hasData(D(zev::eConservative, zev::eFace, "wall")));
    fill(v.getFaceValues("wall", zev::eConservative), {2});
    EXPECT_TRUE(v.hasFaceValues("wall"));
    EXPECT_FALSE(v.hasElementValues("wall"));

    expectInternalError([&] { v.getCopyOfValues(zev::eUnknown, zev::eUser); }, "ScalarVariable",
                        "copyInternalData", "Unknown data type for variable p.");
    expectInternalError([&] { v.getCopyOfValues(zev::eConservative, zev::eUser); }, "ScalarVariable",
                        "copyInternalData", "Request for nonexistent data of type Conservative.");
    fill(v.getVertexValues(zev::eConservative), {5, 6});
    zev::FloatZEVVector& copy = v.getCopyOfValues(zev::eConservative, zev::eUser);
    copy[0] = 9;
    EXPECT_EQ(values(v.getVertexValues(zev::eConservative)), (std::vector<float>{5, 6}));
    EXPECT_EQ(&copy, &v.getVertexValues(zev::eUser));
    // Copying a type onto itself keeps the values.
    EXPECT_EQ(values(v.getCopyOfValues(zev::eUser, zev::eUser)), (std::vector<float>{9, 6}));

    // An adopted "All" array of elements survives writable access.
    zev::FloatZEVVector* all = new zev::FloatZEVVectorConcrete(3, 1.0f);
    v.adoptFloatVector(all, zev::eConservative, zev::eElement);
    EXPECT_EQ(v.getElementValues("All", zev::eConservative).size(), 3u);
    zev::FloatZEVVector* none = nullptr;
    v.adoptFloatVector(none, zev::eConservative, zev::eElement);
    EXPECT_FALSE(v.isElementVariable());
}

TEST(ScalarVariable, ComponentsViewVectorStorage)
{
    zev::VectorVariable vec(zev::eHybrid, zev::eElement);
    vec.setName("U");
    vec.getTripletValues(zev::eHybrid).resize(2);
    vec.getElementValues("s1", zev::eHybrid).push_back(zev::Triplet(1, 2, 3));
    vec.getFaceValues("wall", zev::eHybrid).push_back(zev::Triplet(4, 5, 6));
    const zev::VectorVariable& cvec = vec;
    cvec.getFaceValues("All", zev::eHybrid); // builds the face concatenation

    ScalarVariable y(vec, 1);
    y.setName("Uy");
    EXPECT_TRUE(y.isComponent());
    EXPECT_EQ(y.getGlobalType(), zev::eHybrid);
    EXPECT_EQ(y.getLocation(), zev::eElement);
    EXPECT_TRUE(y.hasType(D(zev::eHybrid, zev::eVertex, "All")));
    EXPECT_TRUE(y.hasType(D(zev::eHybrid, zev::eFace, "All")));
    EXPECT_FALSE(y.hasType(D(zev::eHybrid, zev::eElement, "All")));
    const ScalarVariable& cy = y;
    EXPECT_EQ(values(cy.getElementValues("s1", zev::eUnknown)), (std::vector<float>{2}));
    EXPECT_EQ(values(cy.getFaceValues("All", zev::eHybrid)), (std::vector<float>{5}));
    EXPECT_EQ(values(cy.getElementValues("All", zev::eHybrid)), (std::vector<float>{2}));

    // Views share storage in both directions.
    vec.getElementValues("s1", zev::eHybrid)[0].y() = 20;
    EXPECT_EQ(cy.getElementValues("s1", zev::eHybrid)[0], 20.0f);
    const_cast<zev::FloatZEVVector&>(cy.getVertexValues(zev::eHybrid))[1] = 8;
    EXPECT_EQ(cvec.getVertexValues(zev::eHybrid)[1].y(), 8.0f);

    expectInternalError([&] { y.getElementValues("s1", zev::eHybrid); }, "ScalarVariable", "getFloatValues",
                        "Attempt to alter component variable Uy.");
    expectInternalError([&] { y.getCopyOfValues(zev::eHybrid, zev::eUser); }, "ScalarVariable",
                        "copyInternalData", "Bad cast of Uy 'FloatZEVVector' to FloatZEVVectorConcrete.");

    ScalarVariable fromTriplets(vec.getVertexValues(zev::eHybrid), 0);
    EXPECT_EQ(fromTriplets.getGlobalType(), zev::eMesh);
    EXPECT_EQ(fromTriplets.getAllTypes(zev::eVertex), std::set<zev::VarType>{zev::eMesh});
}

TEST(ScalarVariable, CloneIsDeepAndResetsMetadata)
{
    auto v = elementVariable();
    v->setDomain("Fluid");
    v->setTimestep(4);
    v->makeUndef(zev::eHybrid, 2);
    std::unique_ptr<zev::Variable> copy(v->clone("q"));
    auto* s = dynamic_cast<ScalarVariable*>(copy.get());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->getName(), "q");
    EXPECT_EQ(s->getDomain(), "Fluid");
    EXPECT_EQ(s->getTimestep(), -1);
    EXPECT_EQ(s->getLocation(), zev::eVertex);
    EXPECT_FALSE(s->isUndef(zev::eHybrid));
    EXPECT_EQ(s->getGlobalType(), zev::eConservative); // first key: (Conservative, Element, "a")
    s->getElementValues("a", zev::eConservative)[0] = -1;
    EXPECT_EQ(v->getElementValues("a", zev::eConservative)[0], 10.0f);
    EXPECT_EQ(values(s->getVertexValues(zev::eHybrid)), std::vector<float>(2, ZEV_UNDEF));

    // A component clone owns plain copies.
    zev::TripletZEVVector t;
    t.push_back(zev::Triplet(1, 2, 3));
    ScalarVariable z(t, 2);
    std::unique_ptr<zev::Variable> zc(z.clone("z"));
    EXPECT_FALSE(static_cast<ScalarVariable&>(*zc).isComponent());
    EXPECT_EQ(zc->getGlobalType(), zev::eMesh);
    EXPECT_EQ(static_cast<ScalarVariable&>(*zc).getVertexValues(zev::eMesh)[0], 3.0f);
}

TEST(ScalarVariable, WriteListing)
{
    const float data[] = {1.5f, ZEV_UNDEF, 3.0f};
    ScalarVariable v(data, 3, zev::eConservative, zev::eVertex);
    v.setName("p");
    std::ostringstream os;
    v.write(os, 0, 0);
    EXPECT_EQ(os.str(),
              "m_name = \"p\"\nm_domain = \"\"\nm_timestep = -1\nConservative Values\n1.5 UNDEF 3\n");
    std::ostringstream part;
    v.write(part, 1, 1);
    EXPECT_EQ(part.str(), "m_name = \"p\"\nm_domain = \"\"\nm_timestep = -1\nConservative Values\nUNDEF\n");

    testing::internal::CaptureStdout();
    v.dbprint();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), os.str());
}

TEST(ScalarVariable, CloneRefusesUnknownTypedArrays)
{
    // Arrays of the Unknown type can be adopted but never handed out for writing, so a
    // clone, which files its copies through writable access, refuses them.
    const float data[] = {1.0f, 2.0f};
    ScalarVariable v(data, 2, zev::eUnknown, zev::eVertex);
    v.setName("p");
    expectInternalError([&] { std::unique_ptr<zev::Variable> c(v.clone("q")); }, "ScalarVariable",
                        "getFloatValues", "Unknown data type for variable q.");
}

TEST(ScalarVariable, ComponentsViewOnlyHeldArrays)
{
    // Faces: a measure filed under "All" only; elements: two sets holding different types.
    zev::VectorVariable vec(zev::eLocal, zev::eFace);
    vec.setName("N");
    vec.getTripletValues(D(zev::eLocal, zev::eFace, "All")).push_back(zev::Triplet(0, 0, 1));
    vec.getElementValues("a", zev::eHybrid).push_back(zev::Triplet(1, 2, 3));
    vec.getElementValues("b", zev::eUser).push_back(zev::Triplet(4, 5, 6));

    ScalarVariable z(vec, 2);
    z.setName("Nz");
    const ScalarVariable& cz = z;
    EXPECT_EQ(values(cz.getFaceValues("All", zev::eLocal)), (std::vector<float>{1}));
    EXPECT_TRUE(z.hasType(D(zev::eHybrid, zev::eElement, "a")));
    EXPECT_TRUE(z.hasType(D(zev::eUser, zev::eElement, "b")));
    // No view (and no empty array in the vector) for a set lacking the type.
    EXPECT_FALSE(z.hasType(D(zev::eHybrid, zev::eElement, "b")));
    EXPECT_FALSE(vec.hasType(D(zev::eHybrid, zev::eElement, "b")));
    EXPECT_FALSE(vec.hasType(D(zev::eUser, zev::eElement, "a")));
    EXPECT_EQ(z.getComponentSource(), &vec);
}
