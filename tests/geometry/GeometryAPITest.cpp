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
#include <new>
#include <sstream>
#include <thread>
#include <vector>

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

// A geometry type whose every object lives in one static slot, so that a geometry created
// after the previous one was destroyed is certain to reuse its address.
class SlotGeometry : public Geometry {
public:
    SlotGeometry() = default;
    ~SlotGeometry() override { ++s_destroyed; }
    static void* operator new(std::size_t p_size);
    static void operator delete(void*) {}
    static int s_destroyed;

protected:
    Geometry* newGeometry() override { return new SlotGeometry(); }
};
int SlotGeometry::s_destroyed = 0;
alignas(SlotGeometry) unsigned char g_slot[sizeof(SlotGeometry)];
void* SlotGeometry::operator new(std::size_t p_size)
{
    return p_size <= sizeof(g_slot) ? g_slot : throw std::bad_alloc();
}

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

TEST(GeometryAPI, StaleHandleLeavesANewGeometryAtTheSameAddressAlone)
{
    GeometryAPI* api = GeometryAPI::instance();
    static SlotGeometry* prototype = [] {
        static std::aligned_storage_t<sizeof(SlotGeometry), alignof(SlotGeometry)> storage;
        return ::new (&storage) SlotGeometry(); // outside the slot, lives for ever
    }();
    static bool registered = (api->registerGeometry("SlotGeometry", prototype), true);
    ASSERT_TRUE(registered);
    SlotGeometry::s_destroyed = 0;

    Geometry* first = api->newGeometry("SlotGeometry", nullptr);
    auto* handle = new GeometryAutoPtr(first);
    auto* copy = new GeometryAutoPtr(*handle);
    delete handle; // destroys the first geometry
    EXPECT_EQ(SlotGeometry::s_destroyed, 1);
    Geometry* second = api->newGeometry("SlotGeometry", nullptr);
    ASSERT_EQ(second, first); // same address, different geometry
    EXPECT_NE(api->serialOf(second), 0u);
    delete copy; // stale: must not destroy the second geometry
    EXPECT_EQ(SlotGeometry::s_destroyed, 1);
    EXPECT_TRUE(api->exists(second));

    // Assigned copies carry the serial; release() and direct deletion keep working.
    {
        GeometryAutoPtr owner(second);
        GeometryAutoPtr assigned;
        assigned = owner;
        EXPECT_EQ(assigned.release(), second);
    }
    EXPECT_EQ(SlotGeometry::s_destroyed, 2);
    EXPECT_EQ(api->serialOf(second), 0u);
    Geometry* third = api->newGeometry("SlotGeometry", nullptr);
    api->deleteGeometry(third);
    EXPECT_EQ(SlotGeometry::s_destroyed, 3);
}

TEST(GeometryAPI, TwoThreadsCreateAndDeleteTheirOwnGeometries)
{
    GeometryAPI* api = GeometryAPI::instance();
    auto work = [api](int p_seed, int& p_failures) {
        unsigned long long last = 0;
        for (int i = 0; i < 2000; ++i) {
            Geometry* g = api->newGeometry("", nullptr);
            const unsigned long long serial = api->serialOf(g);
            if (!api->exists(g) || !Geometry::isAllocated(g) || serial <= last)
                ++p_failures;
            last = serial;
            g->getVertices().push_back(Triplet(float(p_seed), float(i), 0.0f));
            {
                GeometryAutoPtr owner(g);
                GeometryAutoPtr copy(owner);
            }
            // The other thread may already have a new geometry at this address.
            if (api->serialOf(g) == serial)
                ++p_failures;
        }
    };
    int failures[2] = {0, 0};
    std::thread a(work, 1, std::ref(failures[0]));
    std::thread b(work, 2, std::ref(failures[1]));
    a.join();
    b.join();
    EXPECT_EQ(failures[0], 0);
    EXPECT_EQ(failures[1], 0);
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
