#include "tests/support/ExpectError.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/interpolants/ExternalInterpolant.h"
#include "zev/interpolants/GeneralInterpolant.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/shapes/Hex.h"
#include "zev/shapes/Tet.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>

using namespace zev;

namespace {

const Variable::Description kAll(eConservative, eVertex, "All");
const Triplet kUndefTriplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);

// Sets or removes ZEV_INTERP_STRICT_UNDEF for the lifetime of the object.
class StrictScope {
public:
    explicit StrictScope(bool p_strict)
    {
        if (p_strict)
            setenv("ZEV_INTERP_STRICT_UNDEF", "", 1);
        else
            unsetenv("ZEV_INTERP_STRICT_UNDEF");
    }
    ~StrictScope() { unsetenv("ZEV_INTERP_STRICT_UNDEF"); }
};

std::unique_ptr<VectorVariable> vectorVariable(const std::vector<Triplet>& p_values)
{
    auto v = std::make_unique<VectorVariable>(eConservative, eVertex);
    TripletZEVVector& a = v->getTripletValues(kAll);
    for (const Triplet& t : p_values)
        a.push_back(t);
    return v;
}

std::vector<float> scalarResult(const Interpolant& p_interpolant, std::vector<Variable*> p_parents)
{
    std::unique_ptr<Variable> r(p_interpolant.interpolate(p_parents));
    const FloatZEVVector& out = r->getFloatValues(kAll);
    std::vector<float> values;
    for (std::size_t i = 0; i < out.size(); ++i)
        values.push_back(out[i]);
    return values;
}

std::vector<Triplet> vectorResult(const Interpolant& p_interpolant, std::vector<Variable*> p_parents)
{
    std::unique_ptr<Variable> r(p_interpolant.interpolate(p_parents));
    const TripletZEVVector& out = static_cast<const VectorVariable&>(*r).getTripletValues(kAll);
    return std::vector<Triplet>(out.begin(), out.end());
}

GeneralInterpolantNodedef nodedef(std::initializer_list<GeneralInterpolantData> p_nodes)
{
    GeneralInterpolantNodedef d;
    for (const GeneralInterpolantData& n : p_nodes)
        d.data[d.count++] = n;
    return d;
}

ExternalInterpolantNodedef externalDef(int p_domain, std::initializer_list<ExternalInterpolantData> p_nodes)
{
    ExternalInterpolantNodedef d;
    d.domain = p_domain;
    d.data = p_nodes;
    d.count = static_cast<int>(d.data.size());
    return d;
}

} // namespace

// The renormalisation rule on the cases it distinguishes, in both modes, for scalars and for
// vectors (judged by their first component).
TEST(GeneralInterpolant, RenormalisesOverUndefinedParentsUnlessStrict)
{
    const float U = ZEV_UNDEF;
    struct Case {
        std::vector<GeneralInterpolantData> nodes;
        float lenient;
        float strict;
    };
    // Parent values: 0 -> 2, 1 -> 4, 2 -> undefined, 3 -> undefined.
    const std::vector<Case> cases = {
        {{{0, 0.5f}, {1, 0.5f}}, 3.0f, 3.0f},
        {{{0, 0.25f}, {2, 0.75f}}, 2.0f, U},  // 0.25 * 2 / (1 - 0.75)
        {{{2, 0.5f}, {3, 0.5f}}, U, U},       // nothing defined
        {{{0, 0.0f}, {2, 1.0f}}, U, U},       // all the weight undefined
        {{{2, 0.0f}, {1, 1.0f}}, 4.0f, 4.0f}, // undefined without weight changes nothing
        {{}, U, U},                           // no node
        {{{7, 0.5f}, {0, 0.5f}}, 2.0f, U},    // a node past the parent counts as undefined
    };
    std::vector<float> values = {2, 4, U, U};
    ScalarVariable scalar(values.data(), 4, eConservative, eVertex);
    auto vector =
        vectorVariable({Triplet(2, -2, 20), Triplet(4, -4, 40), Triplet(U, 1, 1), Triplet(U, 5, 5)});

    GeneralInterpolant g("fluid");
    for (const Case& c : cases) {
        GeneralInterpolantNodedef d;
        for (const GeneralInterpolantData& n : c.nodes)
            d.data[d.count++] = n;
        g.pushVertex(d);
    }
    for (bool strict : {false, true}) {
        StrictScope scope(strict);
        const std::vector<float> s = scalarResult(g, {&scalar});
        const std::vector<Triplet> v = vectorResult(g, {vector.get()});
        ASSERT_EQ(s.size(), cases.size());
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const float expected = strict ? cases[i].strict : cases[i].lenient;
            EXPECT_FLOAT_EQ(s[i], expected) << "case " << i << " strict " << strict;
            const Triplet e = expected == U ? kUndefTriplet : Triplet(expected, -expected, 10 * expected);
            EXPECT_FLOAT_EQ(v[i][0], e[0]) << "case " << i << " strict " << strict;
            EXPECT_FLOAT_EQ(v[i][1], e[1]);
            EXPECT_FLOAT_EQ(v[i][2], e[2]);
        }
    }
}

// Weights of points inside elements reproduce linear fields, scalar and vector.
TEST(GeneralInterpolant, ElementWeightsReproduceLinearFields)
{
    // A distorted hexahedron on parent vertices 2..9 and a tetrahedron reusing some of them.
    TripletZEVVector parentVertices;
    parentVertices.push_back(Triplet(9, 9, 9));
    parentVertices.push_back(Triplet(-3, 1, 2));
    const float corners[8][3] = {{0, 0, 0},       {1.2f, 0, 0.1f}, {0, 1, 0},       {1.1f, 1.1f, 0},
                                 {0.1f, 0, 1.0f}, {1, 0.1f, 1.2f}, {0, 0.9f, 1.1f}, {1.2f, 1.0f, 1.0f}};
    Hex hex;
    for (int k = 0; k < 8; ++k) {
        parentVertices.push_back(Triplet(corners[k][0], corners[k][1], corners[k][2]));
        hex[k] = k + 2;
    }
    Tet tet;
    const int tetVertices[4] = {1, 2, 3, 4};
    for (int k = 0; k < 4; ++k)
        tet[k] = tetVertices[k];

    auto field = [](const Triplet& p) { return 2.0f + 3.0f * p[0] - p[1] + 0.5f * p[2]; };
    auto vectorField = [](const Triplet& p) { return Triplet(p[0], 2.0f * p[1], p[0] + p[2]); };
    std::vector<float> values;
    std::vector<Triplet> vectors;
    for (const Triplet& p : parentVertices) {
        values.push_back(field(p));
        vectors.push_back(vectorField(p));
    }
    ScalarVariable scalar(values.data(), static_cast<int>(values.size()), eConservative, eVertex);
    auto vector = vectorVariable(vectors);

    std::mt19937 random(7);
    std::uniform_real_distribution<float> share(0.5f, 1.5f);
    GeneralInterpolant g("fluid");
    std::vector<Triplet> points;
    for (const Shape* shape : {static_cast<const Shape*>(&hex), static_cast<const Shape*>(&tet)}) {
        for (int trial = 0; trial < 10; ++trial) {
            // A point well inside: a convex combination of the corners near the centre.
            const int n = shape->getNumVertices();
            std::vector<float> mix(static_cast<std::size_t>(n));
            float total = 0;
            for (float& m : mix)
                total += (m = share(random));
            Triplet point(0, 0, 0);
            for (int k = 0; k < n; ++k)
                point += parentVertices[static_cast<std::size_t>((*shape)[k])] *
                         (mix[static_cast<std::size_t>(k)] / total);
            std::vector<float> weights;
            ASSERT_TRUE(shape->constructWeights(point, parentVertices, weights));
            g.pushVertex(shape, weights.data());
            points.push_back(point);
        }
    }
    const std::vector<float> s = scalarResult(g, {&scalar});
    const std::vector<Triplet> v = vectorResult(g, {vector.get()});
    ASSERT_EQ(s.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_NEAR(s[i], field(points[i]), 2e-4f) << i;
        const Triplet e = vectorField(points[i]);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(v[i][c], e[c], 2e-4f) << i;
    }
}

// A constant field stays constant under any undefined mask; strict mode makes every masked
// target undefined.
TEST(GeneralInterpolant, ConstantFieldUnderRandomUndefinedMasks)
{
    const int parents = 40;
    std::mt19937 random(11);
    std::uniform_real_distribution<float> weight(0.01f, 1.0f);
    std::uniform_int_distribution<int> node(0, parents - 1);
    std::uniform_int_distribution<int> size(1, 8);
    GeneralInterpolant g("fluid");
    for (int i = 0; i < 300; ++i) {
        GeneralInterpolantNodedef d;
        d.count = size(random);
        float total = 0;
        for (int k = 0; k < d.count; ++k)
            total += (d.data[k].weight = weight(random));
        for (int k = 0; k < d.count; ++k) {
            d.data[k].node = node(random);
            d.data[k].weight /= total;
        }
        g.pushVertex(d);
    }
    HybridInterpolantData record;
    std::string domain;
    for (int mask = 0; mask < 5; ++mask) {
        std::vector<float> values(parents, 3.5f);
        std::vector<bool> masked(parents, false);
        for (int k = 0; k < parents; ++k)
            if (random() % 3 == 0) {
                masked[static_cast<std::size_t>(k)] = true;
                values[static_cast<std::size_t>(k)] = ZEV_UNDEF;
            }
        ScalarVariable scalar(values.data(), parents, eConservative, eVertex);
        for (bool strict : {false, true}) {
            StrictScope scope(strict);
            const std::vector<float> s = scalarResult(g, {&scalar});
            for (std::size_t i = 0; i < s.size(); ++i) {
                ASSERT_EQ(g.getInternalData(static_cast<int>(i), record, domain), 0);
                std::size_t hit = 0;
                for (int n : record.m_nodes)
                    hit += masked[static_cast<std::size_t>(n)] ? 1 : 0;
                const bool undefined = hit == record.m_nodes.size() || (strict && hit > 0);
                if (undefined)
                    EXPECT_EQ(s[i], ZEV_UNDEF) << i;
                else
                    EXPECT_NEAR(s[i], 3.5f, 1e-5f) << i;
            }
        }
    }
}

TEST(GeneralInterpolant, RecordsListingCloneAndRefusals)
{
    GeneralInterpolant g("fluid");
    EXPECT_EQ(g.getQualityRank(), 5);
    EXPECT_EQ(g.getName(), "General Interpolant");
    EXPECT_EQ(g.getMaxNodeNumber(), -1);

    GeneralInterpolantNodedef three = nodedef({{4, 0.5f}, {1, 0.25f}, {6, 0.25f}, {99, 1.0f}});
    three.count = 3; // only the first three entries count
    g.pushVertex(three);
    g.pushVertex(nodedef({{2, 1.0f}}));
    EXPECT_EQ(g.size(), 2u);
    EXPECT_EQ(g.getMaxNodeNumber(), 6);

    std::ostringstream listing;
    g.write(listing);
    EXPECT_EQ(listing.str(), "PRINTING GeneralInterpolant\n34:0.5,1:0.25,6:0.25,\n12:1,\n");

    std::unique_ptr<Interpolant> copy(g.clone());
    EXPECT_EQ(copy->getQualityRank(), 0);
    EXPECT_EQ(copy->getDomains(), std::vector<std::string>{"fluid"});
    std::ostringstream copied;
    copy->write(copied);
    EXPECT_EQ(copied.str(), listing.str());

    // Counts that would read past the eight entries, or run backwards, are refused.
    for (int count : {9, -1}) {
        GeneralInterpolantNodedef bad;
        bad.count = count;
        zevtest::expectError<internal::badParam>(
            [&] { g.pushVertex(bad); }, "GeneralInterpolant", "pushVertex",
            "Node count " + std::to_string(count) + " out of range 0..8");
    }
    EXPECT_EQ(g.size(), 2u);

    std::vector<float> values = {1, 2};
    ScalarVariable a(values.data(), 2, eConservative, eVertex);
    zevtest::expectError<internal::error>(
        [&] {
            std::unique_ptr<Variable> r(g.interpolate(std::vector<Variable*>{&a, &a}));
        },
        "GeneralInterpolant", "interpolate",
        "GeneralInterpolant must have exactly one parent domain to interpolate.");
}

// Item lookups agree with interpolation whatever the node counts, also after appending past
// an earlier lookup and after clearing.
TEST(GeneralInterpolant, InternalDataRoundTripsWithInterpolation)
{
    std::vector<float> values = {1, 10, 100, 1000, 10000, 100000};
    ScalarVariable parent(values.data(), 6, eConservative, eVertex);
    GeneralInterpolant g("fluid");
    auto check = [&] {
        const std::vector<float> s = scalarResult(g, {&parent});
        ASSERT_EQ(s.size(), g.size());
        HybridInterpolantData record;
        std::string domain;
        for (std::size_t i = 0; i < s.size(); ++i) {
            ASSERT_EQ(g.getInternalData(static_cast<int>(i), record, domain), 0);
            EXPECT_EQ(domain, "fluid");
            EXPECT_EQ(record.m_domainIndex, -1);
            float sum = 0;
            for (std::size_t k = 0; k < record.size(); ++k)
                sum += record.m_weights[k] * values[static_cast<std::size_t>(record.m_nodes[k])];
            EXPECT_EQ(s[i], record.size() ? sum : ZEV_UNDEF) << i;
        }
        EXPECT_EQ(g.getInternalData(static_cast<int>(g.size()), record, domain), -1);
        EXPECT_EQ(g.getInternalData(-1, record, domain), -1);
    };
    g.pushVertex(nodedef({{0, 1.0f}}));
    g.pushVertex(nodedef({{1, 0.5f}, {2, 0.5f}}));
    g.pushVertex(nodedef({}));
    g.pushVertex(nodedef({{3, 0.25f}, {4, 0.25f}, {5, 0.5f}}));
    check();
    g.pushVertex(nodedef({{5, 1.0f}}));
    check();
    g.clear();
    EXPECT_EQ(g.size(), 0u);
    g.pushVertex(nodedef({{2, 0.5f}, {3, 0.5f}}));
    g.pushVertex(nodedef({{0, 1.0f}}));
    check();
}

TEST(ExternalInterpolant, VerticesOverSeveralDomains)
{
    std::vector<float> a = {2, 4, ZEV_UNDEF};
    std::vector<float> b = {100, 300};
    ScalarVariable pa(a.data(), 3, eConservative, eVertex);
    ScalarVariable pb(b.data(), 2, eConservative, eVertex);
    auto va = vectorVariable({Triplet(2, 0, 0), Triplet(4, 0, 0), Triplet(ZEV_UNDEF, 0, 0)});
    auto vb = vectorVariable({Triplet(100, 1, 1), Triplet(300, 1, 1)});

    ExternalInterpolant e;
    EXPECT_EQ(e.getQualityRank(), 7);
    EXPECT_EQ(e.getName(), "External Interpolant");
    e.addDomainName("A");
    e.addDomainName("B");
    e.pushVertex(externalDef(1, {{0, 0.5f}, {1, 0.5f}}));   // 200
    e.pushVertex(externalDef(-1, {{0, 1.0f}}));             // no domain
    e.pushVertex(externalDef(0, {{0, 0.25f}, {2, 0.75f}})); // 2, renormalised
    e.pushVertex(externalDef(2, {{0, 1.0f}}));              // past the parents: no domain
    e.pushVertex(externalDef(0, {{1, 1.0f}}));              // keeps its own node after those
    EXPECT_EQ(e.getMaxNodeNumber(), 2);

    EXPECT_EQ(scalarResult(e, {&pa, &pb}), (std::vector<float>{200, ZEV_UNDEF, 2, ZEV_UNDEF, 4}));
    const std::vector<Triplet> v = vectorResult(e, {va.get(), vb.get()});
    EXPECT_EQ(v, (std::vector<Triplet>{Triplet(200, 1, 1), kUndefTriplet, Triplet(2, 0, 0), kUndefTriplet,
                                       Triplet(4, 0, 0)}));
    {
        StrictScope strict(true);
        EXPECT_EQ(scalarResult(e, {&pa, &pb})[2], ZEV_UNDEF);
    }

    EXPECT_EQ(e.getDomainNumber(2), 0);
    EXPECT_EQ(e.getDomainNumber(5), -1);
    EXPECT_EQ(e.getDomainNumber(-1), -1);

    HybridInterpolantData record;
    std::string domain = "stale";
    EXPECT_EQ(e.getInternalData(2, record, domain), 0);
    EXPECT_EQ(domain, "A");
    EXPECT_EQ(record.m_nodes, (std::vector<int>{0, 2}));
    EXPECT_EQ(record.m_weights, (std::vector<float>{0.25f, 0.75f}));
    EXPECT_EQ(e.getInternalData(1, record, domain), 0);
    EXPECT_EQ(domain, "");
    EXPECT_EQ(e.getInternalData(4, record, domain), 0);
    EXPECT_EQ(record.m_nodes, std::vector<int>{1});
    EXPECT_EQ(e.getInternalData(5, record, domain), -1);

    std::ostringstream listing;
    e.write(listing);
    EXPECT_EQ(listing.str(), "PRINTING ExternalInterpolant\nB:2|0:0.5,1:0.5,\n:1|0:1,\nA:2|0:0.25,2:0.75,\n"
                             ":1|0:1,\nA:1|1:1,\n");
    std::unique_ptr<Interpolant> copy(e.clone());
    EXPECT_EQ(copy->getQualityRank(), 7);
    std::ostringstream copied;
    copy->write(copied);
    EXPECT_EQ(copied.str(), listing.str());
    EXPECT_EQ(scalarResult(*copy, {&pa, &pb}), scalarResult(e, {&pa, &pb}));

    zevtest::expectError<internal::error>(
        [&] { std::unique_ptr<Variable> r(e.interpolate(std::vector<Variable*>{&pa})); },
        "ExternalInterpolant", "interpolate",
        "Interpolant must have exactly as many input Variables as parent domains.");

    ExternalInterpolantNodedef tooMany = externalDef(0, {{0, 1.0f}});
    tooMany.count = 2;
    zevtest::expectError<internal::badParam>([&] { e.pushVertex(tooMany); }, "ExternalInterpolant",
                                             "pushVertex", "Node count 2 out of range 0..1");
    tooMany.count = -1;
    EXPECT_THROW(e.pushVertex(tooMany), internal::badParam);
    EXPECT_EQ(e.size(), 5u);

    e.clear();
    EXPECT_EQ(e.size(), 0u);
    EXPECT_EQ(e.getDomains(), (std::vector<std::string>{"A", "B"}));
}
