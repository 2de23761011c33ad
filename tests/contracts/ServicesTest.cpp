#include "zev/contracts/BoolFromEnvironment.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/Preferences.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/ReductionUtility.h"
#include "zev/contracts/StringUtilities.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(BoolFromEnvironment, ReadOnceAndCached)
{
    ::setenv("ZEV_TEST_FLAG_ONCE", "yes", 1);
    zev::BoolFromEnvironment flag("ZEV_TEST_FLAG_ONCE");
    EXPECT_TRUE(flag);
    ::setenv("ZEV_TEST_FLAG_ONCE", "0", 1);
    EXPECT_TRUE(flag) << "a later change of the environment must not be seen";
    ::unsetenv("ZEV_TEST_FLAG_ONCE");
    EXPECT_TRUE(flag);
    flag.checkEnv(); // explicit re-read
    EXPECT_FALSE(flag);
}

TEST(BoolFromEnvironment, TruthRule)
{
    EXPECT_FALSE(zev::BoolFromEnvironment::isTrue(nullptr));
    for (const char* no : {"", "0", "false", "FALSE", "No", "off", " off "})
        EXPECT_FALSE(zev::BoolFromEnvironment::isTrue(no)) << '"' << no << '"';
    for (const char* yes : {"1", "true", "ON", "yes", "anything"})
        EXPECT_TRUE(zev::BoolFromEnvironment::isTrue(yes)) << '"' << yes << '"';
}

TEST(Utilities, StringsFloatsPreferences)
{
    using S = zev::StringUtilities;
    EXPECT_EQ(S::stringToVector("a,b,,c", ','), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(S::stringToVector("x", ','), (std::vector<std::string>{"x"}));
    EXPECT_EQ(S::stringToVector("a,", ','), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(S::stringToVector("", ',').empty());
    EXPECT_TRUE(S::startsWith("ELEMQUADS", "ELEM"));
    EXPECT_TRUE(S::startsWith("ELEM", ""));
    EXPECT_FALSE(S::startsWith("EL", "ELEM"));
    EXPECT_EQ(S::pathBaseName("/data/run/case.vtk"), "case.vtk");
    EXPECT_EQ(S::pathBaseName("C:\\runs\\case"), "case");
    EXPECT_EQ(S::pathBaseName("plain"), "plain");

    EXPECT_TRUE(zev::FloatUtilities::isUndef(3.4028235e38f));
    EXPECT_FALSE(zev::FloatUtilities::isUndef(3.4028233e38f));

    auto& prefs = zev::Preferences::instance();
    EXPECT_EQ(prefs.getFloatValue("Interpolation Tolerance", false), 1.0f);
    prefs.setFloatValue("Interpolation Tolerance", 0.25f);
    EXPECT_EQ(prefs.getFloatValue("Interpolation Tolerance", false), 0.25f);
    EXPECT_EQ(prefs.getFloatValue("Interpolation Tolerance", true), 1.0f);
    prefs.resetToDefaults();
    EXPECT_EQ(prefs.getFloatValue("FSI Octree Surface Mapping Layer Tolerance", false), 1.0f);
    EXPECT_EQ(prefs.getFloatValue("No Such Key", false), 0.0f);
}

TEST(ReductionUtility, KeepsFractionEvenlyAndDeterministically)
{
    zev::ReductionUtility all;
    all.initialize(3);
    EXPECT_TRUE(all.useThisItem() && all.useThisItem() && all.useThisItem());

    zev::ReductionUtility half;
    half.setReduction(0.5f);
    half.initialize(6);
    std::string pattern;
    for (int i = 0; i < 6; ++i)
        pattern += half.useThisItem() ? 'x' : '.';
    EXPECT_EQ(pattern, ".x.x.x");

    zev::ReductionUtility capped = half; // copyable, settings kept
    capped.setReduction(1.0f, 2);
    capped.initialize(8);
    pattern.clear();
    for (int i = 0; i < 8; ++i)
        pattern += capped.useThisItem() ? 'x' : '.';
    EXPECT_EQ(pattern, "...x...x");
    EXPECT_EQ(capped.getNumUsed(), 2);
}

namespace {
struct Recorder : zev::ProgressListener {
    std::vector<std::pair<std::string, double>> calls;
    int finishedCount = 0;
    void progress(const std::string& s, double f) override { calls.emplace_back(s, f); }
    void finished() override { ++finishedCount; }
};
} // namespace

TEST(ProgressTracker, WeightedNestedStagesReportToListener)
{
    Recorder rec;
    zev::ProgressListener* previous = zev::ProgressTracker::setListener(&rec);
    {
        zev::ProgressTracker t;
        const int build = t.add("Face Construction", 0.5);
        const int es1 = t.add("ES1", 0.25, build);
        t.add("ES2", 0.75, build);
        t.add("Duplicates Pass 1", 0.5);
        EXPECT_EQ(t.size(), 4);

        t.start(es1, 100);
        EXPECT_EQ(t.getTotalIncrements("ES1"), 100);
        for (int i = 0; i < 50; ++i)
            t.increment();
        EXPECT_DOUBLE_EQ(t.getFraction(), 0.5 * 0.25 * 0.5);
        t.start("ES2", 10);
        EXPECT_DOUBLE_EQ(t.getFraction(), 0.125);
        for (int i = 0; i < 10; ++i)
            t.increment();
        EXPECT_DOUBLE_EQ(t.getFraction(), 0.5);
        t.start("Duplicates Pass 1", 0);
        t.setProgress(0.5, true);
        EXPECT_DOUBLE_EQ(t.getFraction(), 0.75);
    } // leaving the scope stops the tracker
    zev::ProgressTracker::setListener(previous);

    ASSERT_FALSE(rec.calls.empty());
    EXPECT_EQ(rec.calls.front().first, "ES1");
    EXPECT_EQ(rec.calls.back(), (std::pair<std::string, double>("Duplicates Pass 1", 1.0)));
    EXPECT_EQ(rec.finishedCount, 1);
    for (size_t i = 1; i < rec.calls.size(); ++i)
        EXPECT_GE(rec.calls[i].second, rec.calls[i - 1].second) << "progress went backwards at " << i;
    // Reports are throttled: 160 increments give far fewer than 160 reports.
    EXPECT_LT(rec.calls.size(), 80u);
}

TEST(ProgressTracker, SilentWithoutListenerAndTolerantOfBadStages)
{
    zev::ProgressTracker t;
    t.start("missing", 5);
    t.start(7, 5);
    t.setTotalIncrements(-1, 3);
    EXPECT_EQ(t.getTotalIncrements(9), 0);
    t.increment();
    t.setProgress(2.0, false);
    EXPECT_DOUBLE_EQ(t.getFraction(), 1.0);
    t.stop();
}
