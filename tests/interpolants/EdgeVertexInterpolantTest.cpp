#include "tests/support/ExpectError.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Undefined.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/ExternalInterpolant.h"
#include "zev/interpolants/GeneralInterpolant.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

using namespace zev;

namespace {

std::unique_ptr<ScalarVariable> scalar(std::vector<float> values, VarType type = eConservative)
{
    return std::make_unique<ScalarVariable>(values.data(), static_cast<int>(values.size()), type, eVertex);
}

std::unique_ptr<VectorVariable> vector(std::vector<Triplet> values)
{
    auto v = std::make_unique<VectorVariable>(eConservative, eVertex);
    TripletZEVVector& t = v->getTripletValues(Variable::Description(eConservative, eVertex, "All"));
    for (const Triplet& x : values)
        t.push_back(x);
    return v;
}

const FloatZEVVector& values(const Variable& v, VarType type = eConservative)
{
    return v.getFloatValues(Variable::Description(type, eVertex, "All"));
}

template <class F>
void expectInternalError(F&& p_call, const std::string& p_class, const std::string& p_message)
{
    zevtest::expectError<internal::error>(std::forward<F>(p_call), p_class, "interpolate", p_message);
}

} // namespace

TEST(EdgeInterpolant, WeightedValuesAndUndefinedEnds)
{
    std::vector<float> parent(8, 0.0f);
    parent[3] = 8.0f;
    parent[7] = 4.0f;
    parent[1] = ZEV_UNDEF;
    auto p = scalar(parent);

    EdgeInterpolant edges("fluid");
    edges.pushVertex(3, 7, 0.25f);
    edges.pushVertex(3, 1, 1.0f); // undefined second end, even at weight 1
    edges.pushVertex(1, 3, 0.0f); // undefined first end, even at weight 0
    edges.pushVertex(7, 3, 1.0f);
    std::unique_ptr<Variable> result(edges.interpolate(std::vector<Variable*>{p.get()}));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->getName(), "");
    EXPECT_EQ(result->getLocation(), eVertex);
    const FloatZEVVector& r = values(*result);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0], 5.0f);
    EXPECT_EQ(r[1], ZEV_UNDEF);
    EXPECT_EQ(r[2], ZEV_UNDEF);
    EXPECT_EQ(r[3], 4.0f);

    EXPECT_EQ(edges.getMaxNodeNumber(), 7);
    EXPECT_EQ(EdgeInterpolant("d").getMaxNodeNumber(), -1);
    EXPECT_EQ(VertexInterpolant("d").getMaxNodeNumber(), -1);
    EXPECT_EQ(edges.getQualityRank(), 4);
    EXPECT_TRUE(edges.canCalculateFlows());
}

TEST(EdgeInterpolant, RecordsNearAndOutsideTheParentRange)
{
    // Seven parent vertices: the pairs (3, 4) and (5, 6) have ends whose bits together reach
    // past the parent but which are both inside it; the other records name a vertex outside.
    auto p = scalar({0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f});
    EdgeInterpolant edges("fluid");
    edges.pushVertex(3, 4, 0.5f);
    edges.pushVertex(5, 6, 0.75f);
    edges.pushVertex(-1, 2, 0.5f);
    edges.pushVertex(2, 7, 0.5f);
    edges.pushVertex(7, 2, 0.5f);
    edges.pushVertex(6, 0, 0.1f);
    std::unique_ptr<Variable> result(edges.interpolate(std::vector<Variable*>{p.get()}));
    const FloatZEVVector& r = values(*result);
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0], 3.5f);
    EXPECT_EQ(r[1], 5.25f);
    EXPECT_EQ(r[2], ZEV_UNDEF);
    EXPECT_EQ(r[3], ZEV_UNDEF);
    EXPECT_EQ(r[4], ZEV_UNDEF);
    EXPECT_FLOAT_EQ(r[5], 0.6f);
}

TEST(EdgeInterpolant, VectorsUseFirstComponentForUndefined)
{
    auto p =
        vector({Triplet(0, 0, 0), Triplet(4, 8, 12), Triplet(ZEV_UNDEF, 1, 1), Triplet(1, ZEV_UNDEF, 1)});
    EdgeInterpolant edges("fluid");
    edges.pushVertex(1, 0, 0.5f);
    edges.pushVertex(1, 2, 0.5f);
    edges.pushVertex(1, 3, 0.5f); // an undefined second component is interpolated through
    std::unique_ptr<Variable> result(edges.interpolate(std::vector<Variable*>{p.get()}));
    auto* v = dynamic_cast<VectorVariable*>(result.get());
    ASSERT_NE(v, nullptr);
    const TripletZEVVector& t = v->getTripletValues(Variable::Description(eConservative, eVertex, "All"));
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0], Triplet(2, 4, 6));
    EXPECT_EQ(t[1], Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF));
    EXPECT_EQ(t[2][0], 2.5f);
}

TEST(Interpolant, GenericEntryPointChecks)
{
    auto s = scalar({1, 2, 3});
    auto s2 = scalar({1, 2, 3});
    auto v = vector({Triplet(1, 2, 3)});
    EdgeInterpolant edges("a");
    VertexInterpolant vertices("a");
    edges.pushVertex(0, 1, 0.5f);
    vertices.pushVertex(0);

    expectInternalError([&] { delete edges.interpolate(std::vector<Variable*>{}); }, "Interpolant",
                        "Cannot interpolate a variable with no data.");
    expectInternalError(
        [&] {
            delete edges.interpolate(std::vector<Variable*>{nullptr, s.get()});
        },
        "Interpolant", "Cannot interpolate a variable with no data.");
    expectInternalError(
        [&] {
            delete edges.interpolate(std::vector<Variable*>{s.get(), v.get()});
        },
        "Interpolant", "Mixed Vector and Scalar variables cannot be interpolated.");
    expectInternalError(
        [&] {
            delete edges.interpolate(std::vector<Variable*>{v.get(), s.get()});
        },
        "Interpolant", "Mixed Vector and Scalar variables cannot be interpolated.");
    expectInternalError(
        [&] {
            delete edges.interpolate(std::vector<Variable*>{s.get(), s2.get()});
        },
        "EdgeInterpolant", "EdgeInterpolant must have exactly one parent domain to interpolate.");
    expectInternalError(
        [&] {
            delete vertices.interpolate(std::vector<Variable*>{s.get(), s2.get()});
        },
        "VertexInterpolant", "VertexInterpolant must have exactly one parent domain to interpolate.");

    ScalarVariable empty(eUnknown, eVertex);
    empty.setName("Pressure");
    expectInternalError([&] { delete edges.interpolate(std::vector<Variable*>{&empty}); }, "Interpolant",
                        "Variable Pressure has no internal data.");
}

TEST(Interpolant, EveryVertexDataTypeIsCarriedSeparately)
{
    auto p = scalar({10, 20, 30}, eConservative);
    FloatZEVVector& hybrid = p->getFloatValues(Variable::Description(eHybrid, eVertex, "All"));
    hybrid.resize(3);
    hybrid[0] = -1;
    hybrid[1] = -2;
    hybrid[2] = -3;

    VertexInterpolant vertices("a");
    vertices.pushVertex(2);
    vertices.pushVertex(0);
    std::unique_ptr<Variable> result(vertices.interpolate(std::vector<Variable*>{p.get()}));
    EXPECT_EQ(result->getAllTypes(eVertex), (std::set<VarType>{eConservative, eHybrid}));
    EXPECT_EQ(values(*result, eConservative)[0], 30.0f);
    EXPECT_EQ(values(*result, eConservative)[1], 10.0f);
    EXPECT_EQ(values(*result, eHybrid)[0], -3.0f);
    EXPECT_EQ(values(*result, eHybrid)[1], -1.0f);
}

// A result variable kept by the caller is refilled in place for each new parent state: the
// same values as a fresh result, the same array storage, no values left from a longer earlier
// fill, and a result of the other kind refused.
TEST(Interpolant, KeptResultIsRefilledInPlace)
{
    auto p = scalar({8, 4, ZEV_UNDEF, 2});
    EdgeInterpolant edges("a");
    edges.pushVertex(0, 1, 0.25f);
    edges.pushVertex(1, 2, 0.5f);
    edges.pushVertex(3, 0, 1.0f);
    const std::vector<Variable*> parents{p.get()};
    std::unique_ptr<Variable> kept(edges.interpolate(parents));
    const float* storage = static_cast<const FloatZEVVectorConcrete&>(values(*kept)).data();

    FloatZEVVector& parentValues = p->getFloatValues(Variable::Description(eConservative, eVertex, "All"));
    parentValues[0] = 16.0f;
    parentValues[2] = 6.0f;
    edges.interpolate(parents, *kept);
    std::unique_ptr<Variable> fresh(edges.interpolate(parents));
    ASSERT_EQ(values(*kept).size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(values(*kept)[i], values(*fresh)[i]) << "record " << i;
    EXPECT_EQ(values(*kept)[0], 7.0f);
    EXPECT_EQ(values(*kept)[1], 5.0f);
    EXPECT_EQ(static_cast<const FloatZEVVectorConcrete&>(values(*kept)).data(), storage);

    EdgeInterpolant shorter("a");
    shorter.pushVertex(3, 3, 0.5f);
    shorter.interpolate(parents, *kept);
    ASSERT_EQ(values(*kept).size(), 1u);
    EXPECT_EQ(values(*kept)[0], 2.0f);

    auto v = vector({Triplet(1, 2, 3)});
    v->setName("velocity");
    expectInternalError([&] { edges.interpolate(parents, *v); }, "Interpolant",
                        "Result variable velocity is not of the parents' kind.");
}

TEST(FloatZEVVectorConcrete, SizingForOverwriteKeepsValuesAndResizeStillZeroes)
{
    const float start[] = {1.0f, 2.0f, 3.0f};
    FloatZEVVectorConcrete a(start, 3);
    a.resizeForOverwrite(3);
    EXPECT_EQ(a.vector(), (FloatZEVVectorConcrete(start, 3).vector()));
    a.resizeForOverwrite(1);
    a.resize(4); // through the base interface as well
    static_cast<FloatZEVVector&>(a).resize(6);
    ASSERT_EQ(a.size(), 6u);
    EXPECT_EQ(a[0], 1.0f);
    for (std::size_t i = 1; i < 6; ++i)
        EXPECT_EQ(a[i], 0.0f) << "entry " << i;
    FloatZEVVectorConcrete b(2, 5.0f);
    b.resize(3, 7.0f);
    EXPECT_EQ(b[1], 5.0f);
    EXPECT_EQ(b[2], 7.0f);
}

TEST(Interpolant, SparseMapInterpolation)
{
    EdgeInterpolant edges("a");
    edges.pushVertex(3, 7, 0.25f);
    edges.pushVertex(9, 7, 0.25f);
    edges.pushVertex(3, 9, 0.25f);
    std::map<std::size_t, float> map{{3, 8.0f}, {7, 4.0f}};
    FloatZEVVectorConcrete out;
    edges.interpolateFromMap(map, out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], 5.0f);
    EXPECT_EQ(out[1], 4.0f); // only the second end known: copied, weight ignored
    EXPECT_EQ(out[2], 8.0f); // only the first end known
    edges.pushVertex(11, 12, 0.5f);
    try {
        edges.interpolateFromMap(map, out);
        ADD_FAILURE();
    } catch (const data::error& e) {
        EXPECT_EQ(e.getClassName(), "EdgeInterpolate");
        EXPECT_EQ(e.getMessage(), "Map value does not exist for domain vertices 11 and 12.");
    }

    VertexInterpolant vertices("a");
    vertices.pushVertex(7);
    std::map<std::size_t, Triplet> tmap{{7, Triplet(1, 2, 3)}};
    TripletZEVVector tout;
    vertices.interpolateFromMap(tmap, tout);
    EXPECT_EQ(tout[0], Triplet(1, 2, 3));
    vertices.pushVertex(5);
    try {
        vertices.interpolateFromMap(tmap, tout);
        ADD_FAILURE();
    } catch (const data::error& e) {
        EXPECT_EQ(e.getClassName(), "VertexInterpolant");
        EXPECT_EQ(e.getMessage(), "Map value does not exist for domain vertex 5.");
    }
}

TEST(Interpolant, RecordsCloneAndListing)
{
    EdgeInterpolant edges("fluid");
    edges.pushVertex(1, 2, 0.5f);
    edges.addData({{9, EdgeInterpolantData(5, 6, 0.75f)}, {2, EdgeInterpolantData(3, 4, 0.25f)}});
    ASSERT_EQ(edges.size(), 3u);
    EXPECT_EQ(edges.getInternalData(1).m_vertex1, 3); // ascending key order
    std::unique_ptr<Interpolant> copy(edges.clone());
    EXPECT_EQ(copy->getQualityRank(), 0);
    EXPECT_EQ(copy->getDomains(), std::vector<std::string>{"fluid"});
    std::ostringstream os;
    copy->write(os);
    EXPECT_EQ(os.str(), "PRINTING EdgeInterpolant\n1,2,0.5\n3,4,0.25\n5,6,0.75\n");

    HybridInterpolantData data;
    std::string domain;
    EXPECT_EQ(edges.getInternalData(2, data, domain), 0);
    EXPECT_EQ(domain, "fluid");
    EXPECT_EQ(data.m_nodes, (std::vector<int>{5, 6}));
    EXPECT_EQ(data.m_weights, (std::vector<float>{0.75f, 0.25f}));

    VertexInterpolant vertices("solid");
    vertices.pushVertex(4);
    vertices.pushVertex(0);
    EXPECT_EQ(vertices.getInternalData(0, data, domain), 0);
    EXPECT_EQ(domain, "solid");
    EXPECT_EQ(data.m_nodes, std::vector<int>{4});
    EXPECT_EQ(data.m_weights, std::vector<float>{1.0f});
    std::ostringstream vs;
    vertices.write(vs);
    EXPECT_EQ(vs.str(), "PRINTING VertexInterpolant\n4\n0\n");

    TripletZEVVector parentVertices;
    for (int i = 0; i < 5; ++i)
        parentVertices.push_back(Triplet(float(i), 0, 0));
    TripletZEVVector target;
    vertices.interpolate(parentVertices, target);
    ASSERT_EQ(target.size(), 2u);
    EXPECT_EQ(target[0], Triplet(4, 0, 0));
    EXPECT_EQ(target[1], Triplet(0, 0, 0));
}

// A clone takes its class's clone rank whatever rank the original was given, and carries the
// records; interpolants without a sparse-map form leave the target as it was.
TEST(Interpolant, CloneRanksAndMaplessInterpolants)
{
    VertexInterpolant vertices("solid");
    vertices.pushVertex(2);
    GeneralInterpolant general("solid");
    HybridInterpolant hybrid("solid");
    ExternalInterpolant external;
    const std::vector<std::pair<Interpolant*, int>> cases = {
        {&vertices, 0}, {&general, 0}, {&hybrid, 6}, {&external, 7}};
    for (const auto& c : cases) {
        c.first->setQualityRank(Interpolant::FaceToFaceRank);
        std::unique_ptr<Interpolant> copy(c.first->clone());
        EXPECT_EQ(copy->getQualityRank(), c.second) << c.first->getName();
        EXPECT_EQ(copy->getName(), c.first->getName());
        EXPECT_EQ(copy->getDomains(), c.first->getDomains());
    }
    std::unique_ptr<Interpolant> copy(vertices.clone());
    FloatZEVVectorConcrete carried;
    copy->interpolate({scalar({1, 2, 3}).get()}, eConservative, carried);
    ASSERT_EQ(carried.size(), 1u);
    EXPECT_EQ(carried[0], 3.0f);

    std::map<std::size_t, float> map{{0, 1.0f}};
    FloatZEVVectorConcrete kept(2, 5.0f);
    general.interpolateFromMap(map, kept);
    hybrid.interpolateFromMap(map, kept);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], 5.0f);
}

// Records naming a parent vertex past the parent's array give the undefined value instead of
// reading outside it; items past the records have no recipe.
TEST(Interpolant, RecordsOutsideTheParentAreUndefined)
{
    auto s = scalar({1, 2, 3});
    auto v = vector({Triplet(1, 2, 3), Triplet(3, 2, 1)});
    const Triplet undefined(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);

    EdgeInterpolant edges("a");
    edges.pushVertex(0, 1, 0.5f);
    edges.pushVertex(0, 9, 0.5f);
    edges.pushVertex(-1, 0, 0.5f);
    FloatZEVVectorConcrete out;
    edges.interpolate(std::vector<const ScalarVariable*>{s.get()}, eConservative, out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], 1.5f);
    EXPECT_EQ(out[1], ZEV_UNDEF);
    EXPECT_EQ(out[2], ZEV_UNDEF);
    TripletZEVVector vout;
    edges.interpolate(std::vector<const VectorVariable*>{v.get()}, eConservative, vout);
    ASSERT_EQ(vout.size(), 3u);
    EXPECT_EQ(vout[0], Triplet(2, 2, 2));
    EXPECT_EQ(vout[1], undefined);
    EXPECT_EQ(vout[2], undefined);

    VertexInterpolant vertices("a");
    vertices.pushVertex(1);
    vertices.pushVertex(5);
    vertices.interpolate(std::vector<const ScalarVariable*>{s.get()}, eConservative, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], 2.0f);
    EXPECT_EQ(out[1], ZEV_UNDEF);
    vertices.interpolate(std::vector<const VectorVariable*>{v.get()}, eConservative, vout);
    ASSERT_EQ(vout.size(), 2u);
    EXPECT_EQ(vout[0], Triplet(3, 2, 1));
    EXPECT_EQ(vout[1], undefined);

    HybridInterpolantData data(4);
    std::string domain = "kept";
    EXPECT_EQ(edges.getInternalData(3, data, domain), -1);
    EXPECT_EQ(vertices.getInternalData(-1, data, domain), -1);
    EXPECT_EQ(domain, "kept");
    EXPECT_EQ(data.m_nodes, std::vector<int>{4});
}
