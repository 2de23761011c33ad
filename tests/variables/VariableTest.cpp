#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VarKey.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using zev::Variable;

TEST(Variable, TypeAndLocationNames)
{
    const char* types[] = {"Conservative", "Hybrid", "User", "Local", "Mesh", "Unknown"};
    for (int t = 0; t < 6; ++t) {
        EXPECT_STREQ(Variable::getVarTypeName(static_cast<zev::VarType>(t)), types[t]);
        EXPECT_EQ(Variable::getVarType(types[t]), t);
    }
    EXPECT_STREQ(Variable::getVarTypeName(static_cast<zev::VarType>(6)), "Unknown");
    EXPECT_STREQ(Variable::getVarTypeName(static_cast<zev::VarType>(-1)), "Unknown");
    EXPECT_EQ(Variable::getVarType("hybrid"), zev::eUnknown);
    EXPECT_EQ(Variable::getVarType(""), zev::eUnknown);

    const struct {
        int value;
        const char* name;
    } locations[] = {
        {0, "Location Unknown"}, {1, "Vertex"}, {4, "Face"}, {8, "Element"}, {12, "Element And Face"}};
    for (const auto& l : locations) {
        EXPECT_STREQ(Variable::getVarLocationName(static_cast<zev::VarLocation>(l.value)), l.name);
        if (l.value != 0) {
            EXPECT_EQ(Variable::getVarLocation(l.name), l.value);
        }
    }
    EXPECT_EQ(Variable::getVarLocation("Location Unknown"), zev::eLocationUnknown);
    EXPECT_EQ(Variable::getVarLocation("element"), zev::eLocationUnknown);
    EXPECT_EQ(zev::eElementAndFace, zev::eElement | zev::eFace);
}

TEST(Variable, DescriptionAndKeyOrder)
{
    using D = Variable::Description;
    // Type first, then location, then set name.
    EXPECT_TRUE(D(zev::eConservative, zev::eElement, "z") < D(zev::eHybrid, zev::eVertex, "All"));
    EXPECT_TRUE(D(zev::eHybrid, zev::eFace, "z") < D(zev::eHybrid, zev::eElement, "a"));
    EXPECT_TRUE(D(zev::eHybrid, zev::eFace, "All") < D(zev::eHybrid, zev::eFace, "a"));
    EXPECT_FALSE(D(zev::eHybrid, zev::eFace, "a") < D(zev::eHybrid, zev::eFace, "a"));
    EXPECT_EQ(D().setName, "All");

    EXPECT_TRUE(zev::VarKey("a", zev::eElement) < zev::VarKey("b", zev::eVertex));
    EXPECT_TRUE(zev::VarKey("a", zev::eVertex) < zev::VarKey("a", zev::eFace));
    const zev::VarKey k("p", zev::eFace);
    zev::VarKey copy = k;
    EXPECT_EQ(copy, k);
}

TEST(Variable, SetGlobalTypeRules)
{
    zev::ScalarVariable v(zev::eConservative, zev::eVertex);
    v.setGlobalType(zev::eUnknown);
    EXPECT_EQ(v.getGlobalType(), zev::eConservative);
    v.setGlobalType(zev::eHybrid);
    EXPECT_EQ(v.getGlobalType(), zev::eHybrid);

    // User, Local and Mesh variables keep their type.
    for (zev::VarType fixed : {zev::eUser, zev::eLocal, zev::eMesh}) {
        zev::ScalarVariable f(fixed, zev::eVertex);
        f.setGlobalType(zev::eConservative);
        EXPECT_EQ(f.getGlobalType(), fixed);
    }
    zev::ScalarVariable unknown;
    EXPECT_EQ(unknown.getGlobalType(), zev::eUnknown);
    EXPECT_EQ(unknown.getLocation(), zev::eVertex);
    unknown.setGlobalType(zev::eMesh);
    EXPECT_EQ(unknown.getGlobalType(), zev::eMesh);
}

TEST(Variable, BaseWriteListsNameDomainTimestep)
{
    zev::ScalarVariable v(zev::eConservative, zev::eVertex);
    v.setName("Pressure");
    v.setDomain("Fluid");
    v.setTimestep(3);
    std::ostringstream os;
    static_cast<const Variable&>(v).write(os, 0, -1);
    EXPECT_EQ(os.str(), "m_name = \"Pressure\"\nm_domain = \"Fluid\"\nm_timestep = 3\n");
}
