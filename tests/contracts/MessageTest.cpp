#include "zev/contracts/Message.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/ErrorReporter.h"
#include "zev/contracts/ZEVAssertImpl.h"

#include <gtest/gtest.h>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(Message, TokenSubstitution)
{
    CaptureStderr();
    std::string a = zev::SystemMsg("Variable %1 has no internal data.").arg("Pressure");
    std::string b = zev::SystemMsg("%1 and %1 again, then %2").arg(7).arg(2.5f);
    std::string c = zev::UserMsg("%2 before %1") << "one"
                                                 << "two";
    // Default stream formatting: six significant digits.
    std::string d = zev::SystemMsg("v=%1").arg(1.0f / 3.0f);
    // A value containing its own token is not substituted again.
    std::string e = zev::SystemMsg("[%1]").arg("%1");
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(a, "Variable Pressure has no internal data.");
    EXPECT_EQ(b, "7 and 7 again, then 2.5");
    EXPECT_EQ(c, "two before one");
    EXPECT_EQ(d, "v=0.333333");
    EXPECT_EQ(e, "[%1]");
}

TEST(Message, UnusedTokenWarnsOnceForSystemTwiceForUser)
{
    const std::string warning = "Warning: token %2 was not used in the message: \"extra\"";

    CaptureStderr();
    std::string s = zev::SystemMsg("Variable %1 has no internal data.").arg("P").arg("extra");
    EXPECT_EQ(GetCapturedStderr(), warning);
    EXPECT_EQ(s, "Variable P has no internal data.");

    CaptureStderr();
    std::string u = zev::UserMsg("Variable %1 has no internal data.").arg("P").arg("extra");
    EXPECT_EQ(GetCapturedStderr(), warning + warning);
    EXPECT_EQ(u, "Variable P has no internal data.");
}

TEST(Error, FamiliesAndAccessors)
{
    try {
        throw zev::internal::nullPointer("Geometry", "getFaceAreas", "Null pointer");
    } catch (const zev::internal::error& e) {
        EXPECT_EQ(e.getClassName(), "Geometry");
        EXPECT_EQ(e.getMethodName(), "getFaceAreas");
        EXPECT_STREQ(e.what(), "Null pointer");
        EXPECT_EQ(e.getErrorType(), zev::eError);
    }
    EXPECT_THROW(throw zev::data::notFound("a", "b", "c"), zev::data::error);
    EXPECT_THROW(throw zev::data::duplicate("a", "b", "c"), zev::Error);
    EXPECT_THROW(throw zev::expressions::eval("a", "b", "c"), zev::expressions::error);
    EXPECT_THROW(throw zev::internal::bad_cast("a", "b", "c"), std::exception);
    // Copyable.
    zev::data::invalid original("C", "m", "text", zev::eWarning);
    zev::data::invalid copy = original;
    EXPECT_EQ(copy.getMessage(), "text");
    EXPECT_EQ(copy.getErrorType(), zev::eWarning);
}

namespace {
struct RecordingReporter : zev::ErrorReporter {
    std::vector<std::string> lines;
    void reportError(const zev::Error& e) override { lines.push_back("E " + e.getMessage()); }
    void reportMessage(const zev::ErrorMsg& m) override
    {
        lines.push_back("M " + m.m_className + " " + std::to_string(m.m_errorType));
    }
};
} // namespace

TEST(ErrorReporter, DefaultWritesOneLineAndHostCanReplace)
{
    CaptureStderr();
    zev::ErrorReporter::instance().reportMessage(
        zev::ErrorMsg("Quadtree", "build", "fell back", zev::eWarning));
    zev::ErrorReporter::instance().reportError(zev::data::invalid("Shape", "setVertices", "bad"));
    EXPECT_EQ(GetCapturedStderr(), "Warning: Quadtree::build: fell back\nError: Shape::setVertices: bad\n");

    RecordingReporter mine;
    zev::ErrorReporter* previous = zev::ErrorReporter::setInstance(&mine);
    zev::ErrorReporter::instance().reportError(zev::data::invalid("Shape", "setVertices", "bad"));
    zev::ErrorReporter::instance().reportMessage(zev::ErrorMsg("Octree", "x", "y"));
    zev::ErrorReporter::setInstance(previous);
    EXPECT_EQ(mine.lines, (std::vector<std::string>{"E bad", "M Octree 4"}));
}

TEST(ZEVAssertImplDeathTest, PrintsExpressionFileAndLineThenAborts)
{
    EXPECT_DEATH(zev::ZEVAssertImpl::assertFail("n > 0", "Geometry/src/Geometry", 42),
                 "Assertion failed: n > 0, file Geometry/src/Geometry, line 42");
}
