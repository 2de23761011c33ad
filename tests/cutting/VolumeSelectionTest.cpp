// Volume selection: which whole elements each side, kind and range keeps, what the copied
// sets keep of the domain, the interpolant that carries element data, and the refusals.

#include "tests/geometry/HostHooks.h"
#include "tests/support/ExpectError.h"
#include "tests/support/MeshBuilders.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/ElementToElementInterpolant.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace zev;
using zevtest::expectError;

namespace {

using Rows = std::set<std::vector<int>>;
using Builder = std::function<void(Geometry&, int)>;
const std::vector<ShapeType> kAllTypes;

GeometryAutoPtr newGeometry()
{
    return GeometryAutoPtr(GeometryAPI::instance()->newGeometry("", nullptr));
}

// An empty output holding the domain's vertices, as a caller prepares it.
GeometryAutoPtr newSelection(const Geometry& p_domain)
{
    GeometryAutoPtr out = newGeometry();
    out->getVertices() = p_domain.getVertices();
    return out;
}

// The vertex ids of every element over all sets of a geometry.
Rows rowsOf(const Geometry& p_geometry)
{
    Rows rows;
    for (const std::string& name : p_geometry.getElementSetNames())
        for (const std::vector<int>& row : test::shapeVertices(*p_geometry.getElementSet(name)))
            rows.insert(row);
    return rows;
}

Rows without(const Rows& p_all, const Rows& p_removed)
{
    Rows rest;
    for (const auto& row : p_all)
        if (!p_removed.count(row))
            rest.insert(row);
    return rest;
}

double totalVolume(const Geometry& p_geometry)
{
    double sum = 0.0;
    const FloatZEVVectorConcrete& volumes = p_geometry.getElementVolumes();
    for (std::size_t i = 0; i < volumes.size(); ++i)
        sum += static_cast<double>(volumes[i]);
    return sum;
}

Rows planeRows(const Geometry& p_domain, const std::string& p_side, bool p_inclusive, const Triplet& p_normal,
               float p_d)
{
    GeometryAutoPtr out = newSelection(p_domain);
    out->calcVolume("fluid", &p_domain, "", p_side, p_inclusive, p_d, p_normal, kAllTypes);
    return rowsOf(*out.get());
}

// A scalar variable holding one vertex value per domain vertex.
std::unique_ptr<ScalarVariable> vertexVariable(const Geometry& p_domain,
                                               const std::function<float(const Triplet&)>& p_value)
{
    const TripletZEVVector& vertices = p_domain.getVertices();
    std::vector<float> values;
    for (std::size_t v = 0; v < vertices.size(); ++v)
        values.push_back(p_value(vertices[v]));
    return std::make_unique<ScalarVariable>(values.data(), static_cast<int>(values.size()), eConservative,
                                            eVertex);
}

float xOf(const Triplet& p_point)
{
    return p_point[0];
}

} // namespace

// ------------------------------------------------------------------ sides of a surface

TEST(VolumeSelection, SidesOfAPlanePartitionTheDomain)
{
    struct Case {
        const char* label;
        Builder build;
        Triplet normal;
        float d;
        // Element counts of exclusive below, exclusive above and through; -1 leaves them to
        // the partition checks (an oblique plane).
        int below, above, through;
    };
    // In the 4^3 boxes the plane x = 0.5 runs through a layer of vertices: the first column of
    // cells lies strictly below it, the last strictly above, and the two touching it are
    // through (every tetrahedron of a cell holds the cell's corners 000 and 111).
    const Case cases[] = {
        {"tets, x = 0.5", test::buildTetBox, Triplet(1, 0, 0), 0.5f, 96, 96, 192},
        {"hexes, x = 0.5", test::buildHexBox, Triplet(1, 0, 0), 0.5f, 16, 16, 32},
        {"tets, oblique", test::buildTetBox, Triplet(0.3f, -0.5f, 0.8f), 0.1f, -1, -1, -1},
        {"hexes, oblique", test::buildHexBox, Triplet(0.3f, -0.5f, 0.8f), 0.1f, -1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        GeometryAutoPtr domain = newGeometry();
        c.build(*domain.get(), 4);
        const Rows all = rowsOf(*domain.get());
        const Rows below = planeRows(*domain.get(), "Below Intersection", false, c.normal, c.d);
        const Rows above = planeRows(*domain.get(), "Above Intersection", false, c.normal, c.d);
        const Rows through = planeRows(*domain.get(), "All", false, c.normal, c.d);
        if (c.below >= 0) {
            EXPECT_EQ(below.size(), static_cast<std::size_t>(c.below));
            EXPECT_EQ(above.size(), static_cast<std::size_t>(c.above));
            EXPECT_EQ(through.size(), static_cast<std::size_t>(c.through));
        }
        EXPECT_FALSE(below.empty());
        EXPECT_FALSE(above.empty());
        // Disjoint, and together the whole domain.
        Rows joined = below;
        joined.insert(above.begin(), above.end());
        joined.insert(through.begin(), through.end());
        EXPECT_EQ(joined.size(), below.size() + above.size() + through.size());
        EXPECT_EQ(joined, all);
        // Inclusive is the complement of the exclusive other side.
        EXPECT_EQ(planeRows(*domain.get(), "Below Intersection", true, c.normal, c.d), without(all, above));
        EXPECT_EQ(planeRows(*domain.get(), "Above Intersection", true, c.normal, c.d), without(all, below));
        // Any side string that names no side selects what the surface passes through, and
        // the inclusive flag does not change that.
        for (const char* side : {"", "below", "Between Values"})
            EXPECT_EQ(planeRows(*domain.get(), side, false, c.normal, c.d), through) << side;
        EXPECT_EQ(planeRows(*domain.get(), "All", true, c.normal, c.d), through);
    }
}

TEST(VolumeSelection, SphereSelectionsBracketTheBallVolume)
{
    const double pi = std::acos(-1.0);
    const float radius = 0.35f;
    const double ball = 4.0 / 3.0 * pi * radius * radius * radius;
    const Triplet centre(0.5f, 0.5f, 0.5f);
    const struct {
        const char* label;
        Builder build;
        int n;
    } cases[] = {{"hexes", test::buildHexBox, 12}, {"tets", test::buildTetBox, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        GeometryAutoPtr domain = newGeometry();
        c.build(*domain.get(), c.n);
        GeometryAutoPtr inside = newSelection(*domain.get());
        inside->calcVolume("fluid", domain.get(), "Below Intersection", false, centre, radius, kAllTypes);
        GeometryAutoPtr touching = newSelection(*domain.get());
        touching->calcVolume("fluid", domain.get(), "Below Intersection", true, centre, radius, kAllTypes);
        GeometryAutoPtr outside = newSelection(*domain.get());
        outside->calcVolume("fluid", domain.get(), "Above Intersection", false, centre, radius, kAllTypes);
        const double exclusive = totalVolume(*inside.get());
        const double inclusive = totalVolume(*touching.get());
        EXPECT_LT(exclusive, ball);
        EXPECT_GT(inclusive, ball);
        EXPECT_GT(exclusive, 0.0);
        EXPECT_NEAR(inclusive + totalVolume(*outside.get()), 1.0, 1e-5);

        // The general form: an unknown kind is a sphere, and its plane and variable
        // arguments are ignored.
        GeometryAutoPtr general = newSelection(*domain.get());
        general->calcVolume("Ball", "fluid", domain.get(), "", "Below Intersection", false, centre, radius,
                            0.5f, Triplet(1, 0, 0), nullptr, eUnknown, 0.0f, kAllTypes);
        EXPECT_EQ(rowsOf(*general.get()), rowsOf(*inside.get()));
    }
}

TEST(VolumeSelection, ZeroRadiusSphereSelectsTheElementsAroundAVertex)
{
    GeometryAutoPtr domain = newGeometry();
    test::buildTetBox(*domain.get(), 3);
    // An interior vertex, a corner of the box and a vertex in the middle of a box face.
    for (int vertex : {21, 0, 17}) {
        SCOPED_TRACE(vertex);
        Rows around;
        for (const auto& row : rowsOf(*domain.get()))
            for (int v : row)
                if (v == vertex)
                    around.insert(row);
        GeometryAutoPtr out = newSelection(*domain.get());
        out->calcVolume("fluid", domain.get(), "All", false,
                        domain->getVertices()[static_cast<std::size_t>(vertex)], 0.0f, kAllTypes);
        EXPECT_EQ(rowsOf(*out.get()), around);
    }
}

TEST(VolumeSelection, IsosurfaceKindMatchesThePlaneAndSkipsUndefinedValues)
{
    GeometryAutoPtr domain = newGeometry();
    test::buildTetBox(*domain.get(), 4);
    const auto x = vertexVariable(*domain.get(), xOf);
    const Triplet normal(1, 0, 0);
    for (const char* side : {"Below Intersection", "Above Intersection", "All"})
        for (bool inclusive : {false, true}) {
            GeometryAutoPtr out = newSelection(*domain.get());
            out->calcVolume("fluid", domain.get(), "", side, inclusive, x.get(), eConservative, 0.5f,
                            kAllTypes);
            EXPECT_EQ(rowsOf(*out.get()), planeRows(*domain.get(), side, inclusive, normal, 0.5f))
                << side << " " << inclusive;
        }

    // Values right of the plane undefined: those vertices are neither on a side nor on the
    // surface, so the last column of cells (all undefined) is never selected and the column
    // touching the plane from the right has only vertices on it.
    const auto cut =
        vertexVariable(*domain.get(), [](const Triplet& p) { return p[0] > 0.5f ? ZEV_UNDEF : p[0]; });
    const struct {
        const char* side;
        bool inclusive;
        std::size_t count;
    } cases[] = {
        {"Below Intersection", false, 96},
        {"Below Intersection", true, 288},
        {"Above Intersection", false, 0},
        {"Above Intersection", true, 192},
        {"All", false, 192},
    };
    for (const auto& c : cases) {
        GeometryAutoPtr out = newSelection(*domain.get());
        out->calcVolume("fluid", domain.get(), "", c.side, c.inclusive, cut.get(), eConservative, 0.5f,
                        kAllTypes);
        EXPECT_EQ(static_cast<std::size_t>(out->getNumElements()), c.count) << c.side << " " << c.inclusive;
        if (c.count == 0) {
            EXPECT_EQ(out->getNumElementSets(), 0) << "a set that keeps nothing adds no set";
        }
    }
}

// ------------------------------------------------------------------ value ranges

TEST(VolumeSelection, ValueRangesSelectByVertexValues)
{
    GeometryAutoPtr domain = newGeometry();
    test::buildTetBox(*domain.get(), 4);
    const auto x = vertexVariable(*domain.get(), xOf);
    // x runs through 0, 0.25, 0.5, 0.75 and 1; columns of 96 tetrahedra.
    const struct {
        const char* range;
        bool inclusive;
        float first, second;
        std::size_t count;
    } cases[] = {
        {"Between Values", false, 0.1f, 0.8f, 192}, // the middle columns: every vertex strictly inside
        {"Between Values", true, 0.1f, 0.8f, 384},  // every column has a vertex inside
        {"Between Values", false, 0.25f, 0.75f, 0}, // every element has a vertex on a bound
        {"Between Values", true, 0.25f, 0.75f, 384},
        {"Between Values", true, 0.8f, 0.9f, 0}, // no vertex inside or on
        {"Below Value", false, 0.5f, 0.9f, 96},
        {"Below Value", true, 0.5f, 0.9f, 288},
        {"Above Value", false, 0.5f, 0.1f, 96},
        {"Above Value", true, 0.5f, 0.1f, 288},
        {"Through", false, 0.5f, 0.9f, 192},
        {"", true, 0.3f, 0.9f, 96}, // only the second column has vertices on both sides of 0.3
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.range) + (c.inclusive ? " inclusive " : " exclusive ") +
                     std::to_string(c.first) + " " + std::to_string(c.second));
        GeometryAutoPtr out = newSelection(*domain.get());
        out->calcIsovolume("fluid", domain.get(), c.range, c.inclusive, x.get(), eConservative, c.first,
                           c.second, kAllTypes);
        EXPECT_EQ(static_cast<std::size_t>(out->getNumElements()), c.count);
        // Swapping the bounds of "between" changes nothing.
        if (std::string(c.range) == "Between Values") {
            GeometryAutoPtr swapped = newSelection(*domain.get());
            swapped->calcIsovolume("fluid", domain.get(), c.range, c.inclusive, x.get(), eConservative,
                                   c.second, c.first, kAllTypes);
            EXPECT_EQ(rowsOf(*swapped.get()), rowsOf(*out.get()));
        }
    }
}

TEST(VolumeSelection, UndefinedValuesNeverMakeAnElementInside)
{
    GeometryAutoPtr domain = newGeometry();
    test::buildTetBox(*domain.get(), 4);
    // The last column has only undefined values, the third some.
    const auto x =
        vertexVariable(*domain.get(), [](const Triplet& p) { return p[0] >= 0.75f ? ZEV_UNDEF : p[0]; });
    GeometryAutoPtr exclusive = newSelection(*domain.get());
    exclusive->calcIsovolume("fluid", domain.get(), "Between Values", false, x.get(), eConservative, -1.0f,
                             2.0f, kAllTypes);
    EXPECT_EQ(exclusive->getNumElements(), 192);
    GeometryAutoPtr inclusive = newSelection(*domain.get());
    inclusive->calcIsovolume("fluid", domain.get(), "Between Values", true, x.get(), eConservative, -1.0f,
                             2.0f, kAllTypes);
    EXPECT_EQ(inclusive->getNumElements(), 288);
    GeometryAutoPtr below = newSelection(*domain.get());
    below->calcIsovolume("fluid", domain.get(), "Below Value", false, x.get(), eConservative, 2.0f, 0.0f,
                         kAllTypes);
    EXPECT_EQ(below->getNumElements(), 288);
}

// ------------------------------------------------------------------ copies and interpolant

namespace {

// Eleven element sets, ES1 to ES11, each a row of three unit cells along x at y = set
// index; even sets are hexahedra, odd ones the same cells as six tetrahedra each. The cells
// of set i are listed starting at cell i mod 3, so selected elements are not a prefix.
struct ElevenSets {
    static constexpr int s_sets = 11;
    static int vertex(int p_x, int p_y, int p_z) { return (p_z * (s_sets + 1) + p_y) * 4 + p_x; }
    static int cellOf(int p_set, int p_position) { return (p_position + p_set) % 3; }
    static bool isHex(int p_set) { return p_set % 2 == 0; }
    static double correction(int p_set) { return 1.0 + 0.5 * p_set; }

    static void build(Geometry& p_geometry)
    {
        for (int z = 0; z < 2; ++z)
            for (int y = 0; y <= s_sets; ++y)
                for (int x = 0; x < 4; ++x)
                    p_geometry.getVertices().push_back(
                        Triplet(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)));
        for (int s = 0; s < s_sets; ++s) {
            std::vector<std::vector<int>> rows;
            for (int p = 0; p < 3; ++p) {
                const int c = cellOf(s, p);
                int corner[8];
                for (int v = 0; v < 8; ++v)
                    corner[v] = vertex(c + v % 2, s + (v / 2) % 2, v / 4);
                if (isHex(s)) {
                    rows.push_back(std::vector<int>(corner, corner + 8));
                    continue;
                }
                const int around[6] = {1, 3, 2, 6, 4, 5};
                for (int t = 0; t < 6; ++t)
                    rows.push_back({corner[0], corner[around[t]], corner[around[(t + 1) % 6]], corner[7]});
            }
            ShapeSet* set = test::addElements(p_geometry, s, isHex(s) ? HEX : TET, rows);
            set->setSetNumber(s);
            set->setCorrectionFactor(correction(s));
        }
    }
};

} // namespace

TEST(VolumeSelection, CopiesKeepNamesNumbersFactorsAndVertexIds)
{
    GeometryAutoPtr domain = newGeometry();
    ElevenSets::build(*domain.get());
    // Inclusive below x = 1: the cells at x 0..1 and 1..2 of every set touch or undercut it.
    GeometryAutoPtr out = newSelection(*domain.get());
    out->calcVolume("fluid", domain.get(), "", "Below Intersection", true, 1.0f, Triplet(1, 0, 0), kAllTypes);
    EXPECT_EQ(out->getElementSetNames(), domain->getElementSetNames());
    EXPECT_FALSE(out->hasInterpolant()) << "no element data, no interpolant";
    EXPECT_FALSE(out->hasElementData());
    for (int s = 0; s < ElevenSets::s_sets; ++s) {
        SCOPED_TRACE(s);
        const ShapeSet* from = domain->getElementSet(s);
        const ShapeSet* copy = out->getElementSet(s);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->getType(), from->getType());
        EXPECT_EQ(copy->getSetNumber(), s);
        EXPECT_EQ(copy->getCorrectionFactor(), ElevenSets::correction(s));
        // The selected elements in domain order, with the domain's vertex ids.
        std::vector<std::vector<int>> expected;
        const auto rows = test::shapeVertices(*from);
        const std::size_t perCell = ElevenSets::isHex(s) ? 1 : 6;
        for (std::size_t e = 0; e < rows.size(); ++e)
            if (ElevenSets::cellOf(s, static_cast<int>(e / perCell)) < 2)
                expected.push_back(rows[e]);
        EXPECT_EQ(test::shapeVertices(*copy), expected);
    }

    // A types list keeps the other sets out.
    for (ShapeType type : {HEX, TET}) {
        GeometryAutoPtr only = newSelection(*domain.get());
        only->calcVolume("fluid", domain.get(), "", "All", true, 1.0f, Triplet(1, 0, 0), {type});
        EXPECT_EQ(only->getNumElementSets(), type == HEX ? 6 : 5);
        for (const std::string& name : only->getElementSetNames())
            EXPECT_EQ(only->getElementSet(name)->getType(), type) << name;
    }
}

TEST(VolumeSelection, CarriedElementDataIntegratesToTheBruteForceSum)
{
    test::TestHost host;
    test::HostScope scope(&host);
    host.names["Pressure"] = {1, false, {}, false};

    GeometryAutoPtr domain = newGeometry();
    ElevenSets::build(*domain.get());
    domain->hasElementData(true);
    auto pressure = std::make_unique<ScalarVariable>(eConservative, eVertex);
    pressure->getVertexValues(eConservative).resize(static_cast<std::size_t>(domain->getNumVertices()));
    // Sphere around (1, 5.5, 0.5) of radius 2.2, exclusive inside: per set, the cells whose
    // eight corners all lie within it, judged here from the corner coordinates.
    const Triplet centre(1.0f, 5.5f, 0.5f);
    const float radius = 2.2f;
    double expected = 0.0;
    std::size_t selected = 0;
    for (int s = 0; s < ElevenSets::s_sets; ++s) {
        const ShapeSet& set = *domain->getElementSet(s);
        FloatZEVVector& values = pressure->getElementValues(Geometry::getElementSetName(s), eConservative);
        values.resize(set.size());
        for (std::size_t e = 0; e < set.size(); ++e) {
            values[e] = 1.0f + 0.5f * static_cast<float>(s) + 0.125f * static_cast<float>(e);
            bool inside = true;
            for (int k = 0; k < set[e].getNumVertices(); ++k) {
                const Triplet& p = domain->getVertices()[static_cast<std::size_t>(set[e][k])];
                const double dx = p[0] - 1.0, dy = p[1] - 5.5, dz = p[2] - 0.5;
                inside = inside && std::sqrt(dx * dx + dy * dy + dz * dz) < radius;
            }
            if (!inside)
                continue;
            const double volume = ElevenSets::isHex(s) ? 1.0 : 1.0 / 6.0;
            expected += static_cast<double>(values[e]) * volume * ElevenSets::correction(s);
            ++selected;
        }
    }
    host.parents[{"fluid", "Pressure"}] = std::move(pressure);
    ASSERT_GT(selected, 10u);

    GeometryAutoPtr out = newSelection(*domain.get());
    out->calcVolume("fluid", domain.get(), "Below Intersection", false, centre, radius, kAllTypes);
    EXPECT_TRUE(out->hasElementData());
    ASSERT_EQ(out->getInterpolantList().size(), 1u);
    const auto* e2e = dynamic_cast<const ElementToElementInterpolant*>(out->getInterpolantList().front());
    ASSERT_NE(e2e, nullptr);
    EXPECT_EQ(e2e->size(), selected);
    EXPECT_EQ(static_cast<std::size_t>(out->getNumElements()), selected);
    EXPECT_EQ(out->getParentDomains(), std::vector<std::string>{"fluid"});

    Variable* p = out->getVariable("Pressure", false, eElement);
    ASSERT_NE(p, nullptr);
    const FloatZEVVector& values = p->getFloatValues(Variable::Description(eConservative, eElement, "All"));
    const FloatZEVVectorConcrete& volumes = out->getElementVolumes();
    ASSERT_EQ(values.size(), volumes.size());
    double integral = 0.0;
    for (std::size_t k = 0; k < values.size(); ++k)
        integral += static_cast<double>(values[k]) * static_cast<double>(volumes[k]);
    EXPECT_NEAR(integral, expected, 1e-5 * expected);

    // A selection that keeps nothing still records its interpolant but claims no data.
    GeometryAutoPtr none = newSelection(*domain.get());
    none->calcVolume("fluid", domain.get(), "Below Intersection", false, Triplet(50, 50, 50), 1.0f,
                     kAllTypes);
    EXPECT_EQ(none->getNumElementSets(), 0);
    EXPECT_EQ(none->getInterpolantList().size(), 1u);
    EXPECT_FALSE(none->hasElementData());
}

// ------------------------------------------------------------------ refusals

namespace {

// A domain that lists an element set it does not hold, which no public call can make.
class DomainWithHole : public Geometry {
public:
    DomainWithHole()
    {
        test::buildUnitCubeHex(*this);
        m_elementSets["ZZ"] = nullptr;
        hasElementData(true);
    }
    ~DomainWithHole() override = default;
};

} // namespace

TEST(VolumeSelection, RefusalsLeaveTheOutputUnchanged)
{
    GeometryAutoPtr domain = newGeometry();
    test::buildTetBox(*domain.get(), 2);
    domain->hasElementData(true);
    const auto x = vertexVariable(*domain.get(), xOf);
    ScalarVariable shortVariable(std::vector<float>(5, 0.0f).data(), 5, eConservative, eVertex);
    shortVariable.setName("short");
    GeometryAutoPtr out = newSelection(*domain.get());
    const std::string nullVariable = "Invalid Variable - NULL pointer.";
    const std::string tooShort = "Variable 'short' has 5 vertex values for 27 vertices.";

    using Call = std::function<void()>;
    const struct {
        Call call;
        std::string message;
    } cases[] = {
        {[&] {
             out->calcVolume("fluid", domain.get(), "", "All", false, nullptr, eConservative, 0.5f,
                             kAllTypes);
         },
         nullVariable},
        {[&] {
             out->calcIsovolume("fluid", domain.get(), "Between Values", false, nullptr, eConservative, 0, 1,
                                kAllTypes);
         },
         nullVariable},
        {[&] {
             out->calcVolume("fluid", domain.get(), "", "All", false, &shortVariable, eConservative, 0.5f,
                             kAllTypes);
         },
         tooShort},
        {[&] {
             out->calcIsovolume("fluid", domain.get(), "Below Value", true, &shortVariable, eConservative, 0,
                                1, kAllTypes);
         },
         tooShort},
        {[&] { out->calcVolume("fluid", nullptr, "All", false, Triplet(), 1.0f, kAllTypes); },
         "Null pointer to Geometry."},
    };
    for (const auto& c : cases) {
        expectError<internal::badParam>(c.call, "Geometry", "calcVolume", c.message);
        EXPECT_EQ(out->getNumElementSets(), 0);
        EXPECT_FALSE(out->hasInterpolant());
    }

    // A listed set the domain does not hold is named by its position in the list.
    DomainWithHole holey;
    for (const Call& call : std::vector<Call>{
             [&] { out->calcVolume("fluid", &holey, "All", false, Triplet(), 5.0f, kAllTypes); },
             [&] {
                 out->calcIsovolume("fluid", &holey, "", false, x.get(), eConservative, 0.5f, 0.5f,
                                    kAllTypes);
             }}) {
        expectError<internal::badParam>(call, "Geometry", "calcVolume",
                                        "Cannot find element set ES2 in domain geometry.");
        EXPECT_EQ(out->getNumElementSets(), 0);
        EXPECT_FALSE(out->hasInterpolant());
    }

    // An output that already holds a set of the domain's name refuses the copy, which is
    // freed (the sanitizer run checks it is not leaked).
    test::addElements(*out.get(), 0, TET, {{0, 1, 2, 3}});
    expectError<data::duplicate>(
        [&] {
            out->calcVolume("fluid", domain.get(), "All", true, Triplet(0.5f, 0.5f, 0.5f), 0.3f, kAllTypes);
        },
        "Geometry", "insertElementSet", "ElementSet 'ES1' already exists.");
    EXPECT_EQ(out->getNumElements(), 1);
    EXPECT_FALSE(out->hasElementData());
}
