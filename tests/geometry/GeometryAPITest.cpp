#include "zev/geometry/GeometryAPI.h"
#include "zev/contracts/Error.h"
#include "zev/geometry/FaceCenterCalculator.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/geometry/VariableLocationProviderIF.h"
#include "zev/visitors/GeometryVisitor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>

using namespace zev;

namespace {

class CountingGeometry : public Geometry {
public:
    CountingGeometry() = default;
    ~CountingGeometry() override { ++s_destroyed; }
    static int s_destroyed;

protected:
    Geometry* newGeometry() override { return new CountingGeometry(); }
};
int CountingGeometry::s_destroyed = 0;

struct NoLocation : VariableLocationProviderIF {
    VarLocation getLocationForExpressions(Geometry*, const std::vector<std::string>&) override
    {
        return eFace;
    }
};

struct CountingVisitor : GeometryVisitor {
    int visits = 0;
    void visitGeometry(Geometry&) override { ++visits; }
    using GeometryVisitor::visitGeometry;
};

} // namespace

TEST(GeometryAPI, CreatesRecordsAndDeletesOnce)
{
    GeometryAPI* api = GeometryAPI::instance();
    EXPECT_EQ(api, GeometryAPI::instance());

    Geometry* plain = api->newGeometry("", nullptr);
    EXPECT_TRUE(api->exists(plain));
    EXPECT_TRUE(Geometry::isAllocated(plain));
    EXPECT_EQ(plain->getFaceCenterCalculator(), nullptr);

    try {
        api->newGeometry("NeverRegistered", nullptr);
        ADD_FAILURE();
    } catch (const data::notFound& e) {
        EXPECT_EQ(e.getClassName(), "GeometryAPI");
        EXPECT_EQ(e.getMethodName(), "newGeometry");
        EXPECT_EQ(e.getMessage(), "Geometry type 'NeverRegistered' was not found.");
    }

    CountingGeometry::s_destroyed = 0;
    static CountingGeometry* prototype = new CountingGeometry(); // prototypes live for ever
    api->registerGeometry("CountingGeometry", prototype);
    CountingGeometry* rejected = new CountingGeometry();
    try {
        api->registerGeometry("CountingGeometry", rejected);
        ADD_FAILURE();
    } catch (const internal::error& e) {
        EXPECT_EQ(e.getMethodName(), "registerType");
        EXPECT_EQ(e.getMessage(), "Insertion of Geometry type 'CountingGeometry' failed.");
    }
    delete rejected;
    EXPECT_EQ(CountingGeometry::s_destroyed, 1);

    Geometry* counted = api->newGeometry("CountingGeometry", nullptr);
    EXPECT_NE(dynamic_cast<CountingGeometry*>(counted), nullptr);
    EXPECT_NE(counted, prototype);
    {
        GeometryAutoPtr first(counted);
        GeometryAutoPtr second(first);
        EXPECT_EQ(second.get(), counted);
    } // both handles delete: the geometry is destroyed once
    EXPECT_EQ(CountingGeometry::s_destroyed, 2);
    EXPECT_FALSE(api->exists(counted));

    // A pointer the registry did not create is left alone.
    CountingGeometry* foreign = new CountingGeometry();
    EXPECT_TRUE(api->deleteGeometry(foreign));
    EXPECT_EQ(CountingGeometry::s_destroyed, 2);
    delete foreign;

    {
        GeometryAutoPtr released = api->newGeometry("", nullptr); // a handle converts from the pointer
        Geometry* kept = released.release();
        EXPECT_EQ(released.get(), nullptr);
        EXPECT_TRUE(api->exists(kept));
        EXPECT_TRUE(api->deleteGeometry(kept));
        EXPECT_TRUE(api->deleteGeometry(kept)); // second time: nothing happens
    }

    // Hooks reach geometries created afterwards only.
    auto* calculator = new FaceCenterCalculator();
    auto* location = new NoLocation();
    api->registerFaceCenterCalculator(calculator);
    api->registerVariableLocationProvider(location);
    Geometry* later = api->newGeometry("", nullptr);
    EXPECT_EQ(later->getFaceCenterCalculator(), calculator);
    EXPECT_EQ(later->getVariableLocationProvider(), location);
    EXPECT_EQ(plain->getFaceCenterCalculator(), nullptr);
    api->registerFaceCenterCalculator(nullptr);
    api->registerVariableLocationProvider(nullptr);
    delete calculator;
    delete location;
    api->deleteGeometry(later);
    api->deleteGeometry(plain);
}

TEST(Geometry, VisitorIsHandedTheGeometry)
{
    GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("", nullptr));
    CountingVisitor v;
    g->acceptVisitor(v);
    EXPECT_EQ(v.visits, 1);
    EXPECT_FALSE(v.isValid());
    testing::internal::CaptureStderr();
    v.visitGeometry(*g.get(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Internal Warning: GeometryVisitor::visitGeometry has no implementation.\n");
}

TEST(Geometry, ReleasingAnUnknownAddressIsReported)
{
    ::setenv("ZEV_NO_GEOMETRY_CRASH", "1", 1);
    Geometry* g = GeometryAPI::instance()->newGeometry("", nullptr);
    void* address = g;
    std::ostringstream expected;
    expected << "TRIED TO FREE GEOMETRY POINTER NOT ALLOCATED:" << address << "\n";
    GeometryAPI::instance()->deleteGeometry(g);
    EXPECT_FALSE(Geometry::isAllocated(address));
    testing::internal::CaptureStdout();
    Geometry::operator delete(address); // a second release: reported, nothing freed
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, expected.str());
    ::unsetenv("ZEV_NO_GEOMETRY_CRASH");
}

TEST(GeometryDeathTest, ReleasingAnUnknownAddressStopsWithoutTheSwitch)
{
    // An address never handed out; it is only looked up, never dereferenced.
    volatile std::uintptr_t bits = 0x1000;
    void* notAGeometry = reinterpret_cast<void*>(bits);
    EXPECT_DEATH(
        {
            ::unsetenv("ZEV_NO_GEOMETRY_CRASH");
            Geometry::operator delete(notAGeometry);
        },
        "Assertion failed");
}
