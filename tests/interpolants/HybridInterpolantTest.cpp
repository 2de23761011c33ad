#include "zev/interpolants/HybridInterpolant.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

using namespace zev;

TEST(HybridInterpolantData, ConstructionScalingAndNormalising)
{
    HybridInterpolantData d(2, 6, 0.25f);
    EXPECT_EQ(d.size(), 2u);
    EXPECT_EQ(d.m_domainIndex, -1);
    EXPECT_EQ(d.m_weights, (std::vector<float>{0.25f, 0.75f}));

    HybridInterpolantData w(std::vector<ExternalInterpolantData>{{3, 2.0f}, {4, 6.0f}});
    w.normalize();
    EXPECT_EQ(w.m_nodes, (std::vector<int>{3, 4}));
    EXPECT_EQ(w.m_weights, (std::vector<float>{0.25f, 0.75f}));

    const int nodes[] = {1, 2};
    const float zero[] = {0.0f, 0.0f};
    HybridInterpolantData z(nodes, zero, 2);
    z.normalize();
    EXPECT_EQ(z.size(), 0u);
    EXPECT_TRUE(z.m_nodes.empty());
    EXPECT_TRUE(z.m_weights.empty());

    HybridInterpolantData one(7);
    HybridInterpolantData& same = one * 3.0f; // scales in place
    EXPECT_EQ(&same, &one);
    EXPECT_EQ(one.m_weights, std::vector<float>{3.0f});
    one.m_domainIndex = 2;
    HybridInterpolantData sum = one + d;
    EXPECT_EQ(sum.size(), 3u);
    EXPECT_EQ(sum.m_domainIndex, 2);
    EXPECT_EQ(sum.m_nodes, (std::vector<int>{7, 2, 6}));
    EXPECT_EQ(one.size(), 1u);
}

TEST(HybridInterpolant, WeightedSumsAndUndefinedItems)
{
    std::vector<float> a = {0, 0, 4, 0, 0, 8, ZEV_UNDEF};
    ScalarVariable pa(a.data(), 7, eConservative, eVertex);
    std::vector<float> b = {100, 200};
    ScalarVariable pb(b.data(), 2, eConservative, eVertex);

    HybridInterpolant h("A");
    EXPECT_EQ(h.getQualityRank(), 6);
    h.pushVertex(2, 5, 0.25f);                   // 0.25*4 + 0.75*8 = 7
    h.pushVertex(HybridInterpolantData(1), "B"); // domain B, node 1
    HybridInterpolantData outside(3);
    h.pushVertex(outside, "");                  // domain index -1
    h.pushVertex(HybridInterpolantData(), "A"); // no node
    const int nodes[] = {2, 6};
    const float weights[] = {1.0f, 0.0f};
    h.pushVertex(nodes, weights, 2); // undefined node, weight 0
    EXPECT_EQ(h.getDomains(), (std::vector<std::string>{"A", "B"}));

    std::unique_ptr<Variable> r(h.interpolate(std::vector<Variable*>{&pa, &pb}));
    const FloatZEVVector& out = r->getFloatValues(Variable::Description(eConservative, eVertex, "All"));
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0], 7.0f);
    EXPECT_EQ(out[1], 200.0f);
    EXPECT_EQ(out[2], ZEV_UNDEF);
    EXPECT_EQ(out[3], ZEV_UNDEF);
    EXPECT_EQ(out[4], ZEV_UNDEF);
    EXPECT_EQ(h.getMaxNodeNumber(), 6);

    HybridInterpolantData data;
    std::string domain = "x";
    EXPECT_EQ(h.getInternalData(2, data, domain), 0);
    EXPECT_EQ(domain, "");
    EXPECT_EQ(h.getInternalData(1, data, domain), 0);
    EXPECT_EQ(domain, "B");

    try {
        HybridInterpolant three("A");
        three.getDomainIndex("B");
        three.getDomainIndex("C");
        delete three.interpolate(std::vector<Variable*>{&pa, &pb});
        ADD_FAILURE();
    } catch (const internal::error& e) {
        EXPECT_EQ(e.getClassName(), "HybridInterpolant");
        EXPECT_EQ(e.getMessage(), "Interpolant must have exactly as many input Variables as parent domains.");
    }
}

TEST(HybridInterpolant, VectorsAndDomains)
{
    VectorVariable v(eConservative, eVertex);
    TripletZEVVector& t = v.getTripletValues(Variable::Description(eConservative, eVertex, "All"));
    t.push_back(Triplet(1, 2, 3));
    t.push_back(Triplet(3, 2, 1));
    t.push_back(Triplet(1, ZEV_UNDEF, 1));
    HybridInterpolant h("A");
    h.pushVertex(0, 1, 0.5f);
    h.pushVertex(0, 2, 0.5f);
    std::unique_ptr<Variable> r(h.interpolate(std::vector<Variable*>{&v}));
    const TripletZEVVector& out = dynamic_cast<VectorVariable&>(*r).getTripletValues(
        Variable::Description(eConservative, eVertex, "All"));
    EXPECT_EQ(out[0], Triplet(2, 2, 2));
    EXPECT_EQ(out[1], Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF));

    HybridInterpolant noDomain;
    EXPECT_EQ(noDomain.getDomainIndex(""), -1);
    EXPECT_TRUE(noDomain.getDomains().empty());
    try {
        noDomain.pushVertex(1, 2, 0.5f);
        ADD_FAILURE();
    } catch (const internal::error& e) {
        EXPECT_EQ(e.getMethodName(), "pushVertex");
        EXPECT_EQ(e.getMessage(), "Attempt to add hybrid interpolant  without a domain.");
    }
    EXPECT_EQ(noDomain.size(), 0u);
    EXPECT_EQ(noDomain.getDomainIndex("X"), 0);
    EXPECT_EQ(noDomain.getDomainIndex("Y"), 1);
    EXPECT_EQ(noDomain.getDomainIndex("X"), 0);
}

TEST(HybridInterpolant, Listing)
{
    HybridInterpolant h("A");
    h.pushVertex(HybridInterpolantData(), "A");
    std::ostringstream os;
    h.write(os);
    EXPECT_EQ(os.str(), "PRINTING HybridInterpolant\n  *** empty data set ***\n\n");

    h.pushVertex(4, 9, 0.25f);
    std::unique_ptr<Interpolant> copy(h.clone());
    EXPECT_EQ(copy->getQualityRank(), 6);
    std::ostringstream cs;
    copy->write(cs);
    EXPECT_EQ(cs.str(), "PRINTING HybridInterpolant\n  *** empty data set ***\n\n4, 9\n0.25, 0.75\n\n");
}

TEST(HybridInterpolant, ParentsAreReadForEveryRecordWithADomain)
{
    std::vector<float> a = {1, 2, 3};
    ScalarVariable pa(a.data(), 3, eConservative, eVertex);
    ScalarVariable noData(eUnknown, eVertex);
    noData.setName("B");

    // A record of domain B without a node still reads B's vertex array, so a parent that
    // holds no data is reported rather than passed over.
    HybridInterpolant h("A");
    h.pushVertex(0, 1, 0.5f);
    h.pushVertex(HybridInterpolantData(), "B");
    EXPECT_THROW(delete h.interpolate(std::vector<Variable*>{&pa, &noData}), internal::error);

    // A record naming no domain reads nothing.
    HybridInterpolant outside("A");
    outside.pushVertex(0, 1, 0.5f);
    outside.getDomainIndex("B");
    outside.pushVertex(HybridInterpolantData(2), "");
    std::unique_ptr<Variable> r(outside.interpolate(std::vector<Variable*>{&pa, &noData}));
    const FloatZEVVector& out = r->getFloatValues(Variable::Description(eConservative, eVertex, "All"));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], 1.5f);
    EXPECT_EQ(out[1], ZEV_UNDEF);
}

TEST(HybridInterpolant, RecordsOutsideTheParentsAreUndefined)
{
    std::vector<float> a = {1, 2, 3};
    ScalarVariable pa(a.data(), 3, eConservative, eVertex);
    VectorVariable va(eConservative, eVertex);
    va.getTripletValues(Variable::Description(eConservative, eVertex, "All")).push_back(Triplet(1, 2, 3));

    HybridInterpolant h("A");
    HybridInterpolantData badDomain(0);
    badDomain.m_domainIndex = 4; // domain past the list
    std::vector<HybridInterpolantData> records{HybridInterpolantData(0, 0, 0.5f), badDomain};
    records[0].m_domainIndex = 0;
    h.swapInternalData(records);
    h.pushVertex(0, 7, 0.5f); // node past the parent's array
    ASSERT_EQ(h.size(), 3u);

    FloatZEVVectorConcrete out;
    h.interpolate(std::vector<const ScalarVariable*>{&pa}, eConservative, out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], ZEV_UNDEF);
    EXPECT_EQ(out[2], ZEV_UNDEF);

    TripletZEVVector vout;
    h.interpolate(std::vector<const VectorVariable*>{&va}, eConservative, vout);
    ASSERT_EQ(vout.size(), 3u);
    EXPECT_EQ(vout[0], Triplet(1, 2, 3));
    EXPECT_EQ(vout[1], Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF));
    EXPECT_EQ(vout[2], Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF));

    HybridInterpolantData data;
    std::string domain = "kept";
    EXPECT_EQ(h.getInternalData(3, data, domain), -1);
    EXPECT_EQ(h.getInternalData(-1, data, domain), -1);
    EXPECT_EQ(domain, "kept");
    EXPECT_EQ(h.getInternalData(1, data, domain), 0);
    EXPECT_EQ(domain, ""); // index 4 is not below the number of domains
}
