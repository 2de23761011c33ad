#include "tests/variables/VariableTestSupport.h"

#include "zev/contracts/Undefined.h"
#include "zev/variables/VectorVariable.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <vector>

using zev::Triplet;
using zev::VectorVariable;
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

std::vector<float> xs(const zev::TripletZEVVector& p_a)
{
    std::vector<float> r;
    for (const Triplet& t : p_a)
        r.push_back(t.x());
    return r;
}

} // namespace

TEST(VectorVariable, MagnitudesAreCachedAndDropped)
{
    VectorVariable v(zev::eConservative, zev::eVertex);
    v.setName("U");
    zev::TripletZEVVector& t = v.getTripletValues(zev::eConservative);
    t.push_back(Triplet(3, 4, 0));
    t.push_back(Triplet(1, ZEV_UNDEF, 0));
    const VectorVariable& c = v;
    const zev::FloatZEVVector& m = c.getFloatValues(D(zev::eUnknown, zev::eVertex, "All"));
    EXPECT_EQ(values(m), (std::vector<float>{5, ZEV_UNDEF}));
    EXPECT_EQ(&m, &c.getFloatValues(D(zev::eConservative, zev::eVertex, "All")));
    // Writable triplet access drops the cache: the lengths follow the new values.
    v.getTripletValues(zev::eConservative)[0] = Triplet(0, 0, 2);
    EXPECT_EQ(values(c.getFloatValues(D(zev::eConservative, zev::eVertex, "All")))[0], 2.0f);

    // Only "All" arrays have magnitudes.
    v.getElementValues("s", zev::eConservative).push_back(Triplet(0, 3, 4));
    expectInternalError([&] { c.getFloatValues(D(zev::eConservative, zev::eElement, "s")); },
                        "VectorVariable", "getFloatValues(const)",
                        "No Element data available for variable 'U'");
    expectInternalError([&] { v.getFloatValues(D(zev::eConservative, zev::eElement, "s")); },
                        "VectorVariable", "getFloatValues", "No Element data available for variable 'U'");
    EXPECT_EQ(values(v.getFloatValues(D(zev::eConservative, zev::eElement, "All"))), (std::vector<float>{5}));

    // Several vertex types without Conservative: the resolved array is missing.
    VectorVariable w(zev::eHybrid, zev::eVertex);
    w.getVertexValues(zev::eHybrid).resize(1);
    w.getVertexValues(zev::eUser).resize(1);
    expectInternalError([&] { w.getFloatValues(D(zev::eLocal, zev::eVertex, "All")); }, "VectorVariable",
                        "populateTripletValues", "Invalid location name 'Vertex'");
}

TEST(VectorVariable, ConcatenationResizeAndCopies)
{
    VectorVariable v(zev::eConservative, zev::eFace);
    v.setName("U");
    v.getFaceValues("b", zev::eConservative).push_back(Triplet(2, 0, 0));
    v.getFaceValues("a", zev::eConservative).push_back(Triplet(1, 0, 0));
    const VectorVariable& c = v;
    EXPECT_EQ(xs(c.getFaceValues("All", zev::eUnknown)), (std::vector<float>{1, 2}));
    EXPECT_EQ(values(c.getFloatValues(D(zev::eConservative, zev::eFace, "All"))), (std::vector<float>{1, 2}));

    EXPECT_TRUE(v.resize({{"b", 2}}, zev::eFace));
    EXPECT_FALSE(v.hasType(D(zev::eConservative, zev::eFace, "All")));
    EXPECT_EQ(xs(c.getFaceValues("All", zev::eConservative)), (std::vector<float>{1, 2, 0}));
    EXPECT_EQ(c.getFloatValues(D(zev::eConservative, zev::eFace, "All")).size(), 3u);

    // Sets present but empty: the empty concatenation stays filed after the failure.
    VectorVariable e(zev::eConservative, zev::eElement);
    e.setName("e");
    e.getElementValues("s", zev::eConservative);
    expectInternalError(
        [&] { static_cast<const VectorVariable&>(e).getElementValues("All", zev::eConservative); },
        "VectorVariable", "populateTripletValues", "No element data present for variable 'e'");
    EXPECT_TRUE(e.hasType(D(zev::eConservative, zev::eElement, "All")));

    expectInternalError([&] { v.getCopyOfValues(zev::eConservative, zev::eUnknown); }, "VectorVariable",
                        "getCopyOfValues",
                        "VectorVariable::getCopyOfValues - unknown data type for variable U.");
    expectInternalError([&] { v.getCopyOfValues(zev::eHybrid, zev::eUser); }, "VectorVariable",
                        "getCopyOfValues",
                        "VectorVariable::getCopyOfValues - request for nonexistent data of type Hybrid.");
    v.getVertexValues(zev::eHybrid).push_back(Triplet(7, 8, 9));
    zev::TripletZEVVector& copy = v.getCopyOfValues(zev::eHybrid, zev::eUser);
    copy[0].x() = -7;
    EXPECT_EQ(c.getVertexValues(zev::eHybrid)[0].x(), 7.0f);
    EXPECT_EQ(v.getCopyOfValues(zev::eUser, zev::eUser)[0].x(), -7.0f);
}

TEST(VectorVariable, AccessErrors)
{
    VectorVariable v(zev::eConservative, zev::eElement);
    v.setName("U");
    // Writable: the Unknown type is refused before the empty set name.
    expectInternalError([&] { v.getTripletValues(D(zev::eUnknown, zev::eFace, "")); }, "VectorVariable",
                        "getTripletValues", "Unknown data type for variable 'U'.");
    expectInternalError([&] { v.getTripletValues(D(zev::eConservative, zev::eFace, "")); }, "VectorVariable",
                        "getTripletValues", "Empty Face Set Name for variable 'U'");
    const VectorVariable& c = v;
    expectInternalError([&] { c.getTripletValues(D(zev::eConservative, zev::eFace, "")); }, "VectorVariable",
                        "getTripletValues(const)", "Empty Face Set Name for variable 'U'");
    v.getElementValues("a", zev::eHybrid).resize(1);
    v.getElementValues("a", zev::eUser).resize(1);
    expectInternalError([&] { c.getElementValues("All", zev::eLocal); }, "VectorVariable",
                        "getTripletValues(const)", "No Element data for variable 'U'");
    expectInternalError([&] { c.getElementValues("b", zev::eHybrid); }, "VectorVariable",
                        "getTripletValues const",
                        "Request for nonexistent Element data of type Hybrid for variable 'U'");

    expectInternalError([] { VectorVariable bad(new zev::TripletZEVVector(2), zev::eUnknown, zev::eVertex); },
                        "VectorVariable", "VectorVariable", "Unknown data type.");
    // Adopted triplets are filed at the vertices whatever the location.
    VectorVariable adopted(new zev::TripletZEVVector(2), zev::eHybrid, zev::eFace);
    EXPECT_EQ(adopted.getLocation(), zev::eFace);
    EXPECT_TRUE(adopted.hasType(D(zev::eHybrid, zev::eVertex, "All")));
    EXPECT_FALSE(adopted.isFaceVariable());
}

TEST(VectorVariable, StatisticsUndefAndClone)
{
    VectorVariable v(zev::eHybrid, zev::eVertex);
    EXPECT_EQ(v.getMin(zev::eHybrid), ZEV_UNDEF);
    EXPECT_EQ(v.getSum(zev::eHybrid), 3.4028235e38f);
    EXPECT_EQ(v.getNvalid(zev::eHybrid), 0);
    v.getVertexValues(zev::eHybrid).push_back(Triplet(1, 2, 3));
    v.getVertexValues(zev::eHybrid).push_back(Triplet(ZEV_UNDEF, -1, 0));
    EXPECT_EQ(v.getMin(zev::eUnknown), -1.0f);
    EXPECT_EQ(v.getMax(zev::eHybrid), 3.0f);
    EXPECT_EQ(v.getSum(zev::eHybrid), 5.0f);
    EXPECT_EQ(v.getNvalid(zev::eHybrid), 5);

    v.makeUndef(zev::eConservative, 2);
    EXPECT_TRUE(v.isUndef(zev::eConservative));
    for (const Triplet& t : v.getVertexValues(zev::eConservative))
        EXPECT_TRUE(t.x() == ZEV_UNDEF && t.y() == ZEV_UNDEF && t.z() == ZEV_UNDEF);
    EXPECT_EQ(v.getGlobalType(), zev::eHybrid);

    // The clone keeps the source's global type when its first array is a concatenation.
    VectorVariable s(zev::eUser, zev::eElement);
    s.setDomain("Fluid");
    s.getTripletValues(D(zev::eConservative, zev::eElement, "All")).push_back(Triplet(1, 1, 1));
    std::unique_ptr<zev::Variable> copy(s.clone("t"));
    auto& t = dynamic_cast<VectorVariable&>(*copy);
    EXPECT_EQ(t.getName(), "t");
    EXPECT_EQ(t.getDomain(), "Fluid");
    EXPECT_EQ(t.getGlobalType(), zev::eUser);
    EXPECT_EQ(t.getLocation(), zev::eVertex);
    t.getTripletValues(D(zev::eConservative, zev::eElement, "All"))[0].x() = 5;
    EXPECT_EQ(s.getTripletValues(D(zev::eConservative, zev::eElement, "All"))[0].x(), 1.0f);
    // Otherwise the first array's type wins.
    std::unique_ptr<zev::Variable> vc(v.clone("vc"));
    EXPECT_EQ(vc->getGlobalType(), zev::eConservative);
}

TEST(VectorVariable, WriteListing)
{
    VectorVariable v(zev::eConservative, zev::eVertex);
    v.setName("U");
    v.getVertexValues(zev::eConservative).push_back(Triplet(3, 4, 0));
    v.getVertexValues(zev::eConservative).push_back(Triplet(1, ZEV_UNDEF, 0.5f));
    const std::string header = "m_name = \"U\"\nm_domain = \"\"\nm_timestep = -1\nConservative Values\n";
    std::ostringstream os;
    v.write(os, -3, 10);
    EXPECT_EQ(os.str(), header + "0:(3, 4, 0)\n1:(1, UNDEF, 0.5)\n\n");

    static_cast<const VectorVariable&>(v).getFloatValues(D(zev::eConservative, zev::eVertex, "All"));
    std::ostringstream first;
    v.write(first, 0, 0);
    EXPECT_EQ(first.str(), header + "0:(3, 4, 0) 5\n\n");

    testing::internal::CaptureStdout();
    v.dbprint(1, 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), header + "1:(1, UNDEF, 0.5) 3.40282e+38\n\n");
}

TEST(VectorVariable, MagnitudesFollowResizeCopyAndKeptAllArrays)
{
    VectorVariable v(zev::eConservative, zev::eVertex);
    v.setName("U");
    v.getVertexValues(zev::eConservative).push_back(Triplet(3, 4, 0));
    const VectorVariable& c = v;
    const D all(zev::eConservative, zev::eVertex, "All");
    ASSERT_EQ(c.getFloatValues(all).size(), 1u);
    // Resizing the triplets must not leave lengths of the old size behind.
    EXPECT_TRUE(v.resize(3));
    EXPECT_EQ(values(c.getFloatValues(all)), (std::vector<float>{5, 0, 0}));

    // Replacing an array by a copy drops the lengths cached for it.
    v.getVertexValues(zev::eHybrid).push_back(Triplet(0, 0, 7));
    const D user(zev::eUser, zev::eVertex, "All");
    v.getCopyOfValues(zev::eHybrid, zev::eUser);
    ASSERT_EQ(values(c.getFloatValues(user)), (std::vector<float>{7}));
    v.getCopyOfValues(zev::eConservative, zev::eUser);
    EXPECT_EQ(values(c.getFloatValues(user)), (std::vector<float>{5, 0, 0}));

    // A face array filed directly under "All" survives later writable access.
    VectorVariable f(zev::eLocal, zev::eFace);
    f.getTripletValues(D(zev::eLocal, zev::eFace, "All")).push_back(Triplet(1, 1, 1));
    EXPECT_EQ(f.getTripletValues(D(zev::eLocal, zev::eFace, "All")).size(), 1u);
}
