#include "zev/contracts/Error.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/GeomObject.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/geometry/VariableLocationProviderIF.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/visitors/AreaVisitor.h"
#include "zev/visitors/LengthVisitor.h"
#include "zev/visitors/SummationVisitor.h"
#include "zev/visitors/VolumeVisitor.h"

#include <gtest/gtest.h>

using namespace zev;

namespace {

const double kUndef = static_cast<double>(ZEV_UNDEF);

// Says every expression lives at the faces.
struct FaceLocation : VariableLocationProviderIF {
    VarLocation getLocationForExpressions(Geometry*, const std::vector<std::string>&) override
    {
        return eFace;
    }
};

// A geometry created while a location provider is registered.
Geometry* newGeometry(VariableLocationProviderIF* p_provider)
{
    GeometryAPI* api = GeometryAPI::instance();
    api->registerVariableLocationProvider(p_provider);
    Geometry* g = api->newGeometry("", nullptr);
    api->registerVariableLocationProvider(nullptr);
    return g;
}

void addQuad(Geometry& g, ShapeSet& set, std::size_t i, Triplet a, Triplet b, Triplet c, Triplet d)
{
    TripletZEVVector& v = g.getVertices();
    const int base = static_cast<int>(v.size());
    for (const Triplet& p : {a, b, c, d})
        v.push_back(p);
    for (int k = 0; k < 4; ++k)
        set[i][k] = base + k;
}

FloatZEVVectorConcrete floats(std::vector<float> p_values)
{
    return FloatZEVVectorConcrete(p_values.data(), p_values.size());
}

} // namespace

TEST(AreaVisitor, MagnitudesProjectionsAndValues)
{
    FaceLocation faces;
    GeometryAutoPtr g(newGeometry(&faces));
    g->hasFaceData(true);
    ShapeSet* set = g->addFaceSet("wall", QUAD, 2, 1.0);
    addQuad(*g.get(), *set, 0, Triplet(0, 0, 0), Triplet(1, 0, 0), Triplet(1, 1, 0),
            Triplet(0, 1, 0)); // area 1, +z
    addQuad(*g.get(), *set, 1, Triplet(0, 0, 1), Triplet(0, 1, 1), Triplet(3, 1, 1),
            Triplet(3, 0, 1)); // area 3, -z

    AreaVisitor area;
    g->acceptVisitor(area);
    EXPECT_TRUE(area.isValid());
    EXPECT_DOUBLE_EQ(area.getDenominator(), 4.0);
    EXPECT_EQ(area.getNumerator(), 0.0);
    EXPECT_EQ(area.getAverage(), 0.0);

    const FloatZEVVectorConcrete values = floats({2.0f, ZEV_UNDEF});
    AreaVisitor weighted;
    weighted.visitGeometry(*g.get(), &values);
    EXPECT_DOUBLE_EQ(weighted.getNumerator(), 2.0);
    EXPECT_DOUBLE_EQ(weighted.getDenominator(), 1.0);
    EXPECT_DOUBLE_EQ(weighted.getAverage(), 2.0);

    AreaVisitor projected(Triplet(0, 0, 2), "");
    EXPECT_EQ(projected.getAxis(), Triplet(0, 0, 1));
    EXPECT_FALSE(projected.usesMagnitude());
    g->acceptVisitor(projected);
    EXPECT_DOUBLE_EQ(projected.getDenominator(), 1.0 - 3.0);

    // One value for two areas is refused rather than read past.
    const FloatZEVVectorConcrete shortValues = floats({1.0f});
    AreaVisitor refused;
    EXPECT_THROW(refused.visitGeometry(*g.get(), &shortValues), internal::error);
    EXPECT_FALSE(refused.isValid());

    AreaVisitor missing("Pressure");
    try {
        g->setName("/cases/wall");
        g->acceptVisitor(missing);
        ADD_FAILURE();
    } catch (const data::notFound& e) {
        EXPECT_EQ(e.getClassName(), "AreaVisitor");
        EXPECT_EQ(e.getMethodName(), "visitGeometry");
        EXPECT_EQ(e.getMessage(),
                  "No data exists for variable 'Pressure' specified in object '/cases/wall'.");
    }
}

TEST(IntegrationVisitor, WeightsAgainstValues)
{
    GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("", nullptr));
    for (float x : {0.0f, 2.0f, 4.0f})
        g->getVertices().push_back(Triplet(x, 0, 0));
    g->getLines().push_back(0);
    g->getLines().push_back(1); // lengths 1, 1, 0

    LengthVisitor plain;
    g->acceptVisitor(plain);
    EXPECT_TRUE(plain.isValid());
    EXPECT_EQ(plain.getAverage(), 0.0);
    EXPECT_DOUBLE_EQ(plain.getDenominator(), 2.0);

    const FloatZEVVectorConcrete two = floats({1, 2});
    LengthVisitor tooFew;
    try {
        tooFew.visitGeometry(*g.get(), &two);
        ADD_FAILURE();
    } catch (const internal::error& e) {
        EXPECT_EQ(e.getClassName(), "IntegrationVisitor");
        EXPECT_EQ(e.getMethodName(), "doWeightedCalculation");
        EXPECT_EQ(e.getMessage(), "Number of weights different from number of values.");
    }
    const FloatZEVVectorConcrete four = floats({3, 5, 7, 100});
    LengthVisitor extra;
    extra.visitGeometry(*g.get(), &four);
    EXPECT_DOUBLE_EQ(extra.getNumerator(), 8.0);
    EXPECT_DOUBLE_EQ(extra.getAverage(), 4.0);

    LengthVisitor unvisited;
    EXPECT_EQ(unvisited.getNumerator(), kUndef);
    EXPECT_EQ(unvisited.getAverage(), kUndef);
}

TEST(SummationVisitor, ModesAndEmptyGeometries)
{
    GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("", nullptr));
    g->getVertices().resize(4);
    const FloatZEVVectorConcrete flags = floats({0.2f, 1.0f, 3.0f, ZEV_UNDEF});
    SummationVisitor mode1("", 1);
    mode1.visitGeometry(*g.get(), &flags);
    EXPECT_EQ(mode1.getSum(), 4.0);
    EXPECT_EQ(mode1.getCount(), 2);
    EXPECT_EQ(mode1.getMin(), 1.0);
    EXPECT_EQ(mode1.getMax(), 3.0);
    EXPECT_EQ(mode1.getAve(), 2.0);

    SummationVisitor stats("", 0);
    stats.visitGeometry(*g.get(), &flags);
    EXPECT_FLOAT_EQ(static_cast<float>(stats.getSum()), 4.2f);
    EXPECT_EQ(stats.getCount(), 3);
    EXPECT_FLOAT_EQ(static_cast<float>(stats.getMin()), 0.2f);

    GeometryAutoPtr empty(GeometryAPI::instance()->newGeometry("", nullptr));
    SummationVisitor counting("", 0);
    empty->acceptVisitor(counting);
    EXPECT_EQ(counting.getCount(), 0);
    EXPECT_FALSE(counting.isValid());
    EXPECT_EQ(counting.getSum(), kUndef);
    EXPECT_EQ(counting.getAve(), kUndef);
    const FloatZEVVectorConcrete undefined = floats({ZEV_UNDEF});
    counting.visitGeometry(*empty.get(), &undefined);
    EXPECT_TRUE(counting.isValid());
    EXPECT_EQ(counting.getAve(), 0.0);

    SummationVisitor missing("Nope", 0);
    try {
        g->acceptVisitor(missing);
        ADD_FAILURE();
    } catch (const data::notFound& e) {
        EXPECT_EQ(e.getClassName(), "SummationVisitor");
        EXPECT_EQ(e.getMessage(), "Variable 'Nope' does not exist.");
    }
}

// A box of n^3 hexahedra over [0,2]x[0,1]x[0,3] with its six sides as quadrilateral face sets
// and the linear field x + 2y + 3z at the vertices: both the volume average and the surface
// average of the field equal its value at the box centre, 1 + 1 + 4.5 = 6.5.
TEST(Visitors, LinearFieldOverABox)
{
    constexpr int n = 4;
    const float size[3] = {2, 1, 3};
    GeometryAutoPtr holder(GeometryAPI::instance()->newGeometry("", nullptr));
    Geometry& g = *holder.get();
    auto id = [](int i, int j, int k) { return i + (n + 1) * (j + (n + 1) * k); };
    std::vector<float> field;
    for (int k = 0; k <= n; ++k)
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i) {
                const Triplet p(size[0] * i / n, size[1] * j / n, size[2] * k / n);
                g.getVertices().push_back(p);
                field.push_back(p[0] + 2 * p[1] + 3 * p[2]);
            }
    ShapeSet* hexes = g.addElementSet(0, HEX, n * n * n, 1.0);
    int e = 0;
    for (int k = 0; k < n; ++k)
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i, ++e)
                for (int c = 0; c < 8; ++c)
                    (*hexes)[e][c] = id(i + c % 2, j + (c / 2) % 2, k + c / 4);
    // Each side: (fixed axis, fixed index, the two running axes).
    const int sides[6][4] = {{0, 0, 1, 2}, {0, n, 1, 2}, {1, 0, 0, 2},
                             {1, n, 0, 2}, {2, 0, 0, 1}, {2, n, 0, 1}};
    for (int s = 0; s < 6; ++s) {
        ShapeSet* quads = g.addFaceSet("side" + std::to_string(s), QUAD, n * n, 1.0);
        int q = 0;
        for (int b = 0; b < n; ++b)
            for (int a = 0; a < n; ++a, ++q) {
                int corner[4][2] = {{a, b}, {a + 1, b}, {a + 1, b + 1}, {a, b + 1}};
                for (int c = 0; c < 4; ++c) {
                    int ijk[3];
                    ijk[sides[s][0]] = sides[s][1];
                    ijk[sides[s][2]] = corner[c][0];
                    ijk[sides[s][3]] = corner[c][1];
                    (*quads)[q][c] = id(ijk[0], ijk[1], ijk[2]);
                }
            }
    }
    auto* f = new ScalarVariable(field.data(), static_cast<int>(field.size()), eConservative, eVertex);
    f->setName("f");
    g.addVariable(f, eVertex);

    VolumeVisitor volume("f");
    g.acceptVisitor(volume);
    EXPECT_NEAR(volume.getDenominator(), 6.0, 1e-4);
    EXPECT_NEAR(volume.getAverage(), 6.5, 1e-4);

    AreaVisitor area("f");
    GeomObject object("BOUNDARY");
    object.setGeometry("box", &g);
    object.acceptVisitor(area);
    EXPECT_NEAR(area.getDenominator(), 2 * (2 * 1 + 2 * 3 + 1 * 3), 1e-4);
    EXPECT_NEAR(area.getAverage(), 6.5, 1e-4);

    VolumeVisitor missing("g");
    EXPECT_THROW(g.acceptVisitor(missing), data::notFound);
}

namespace {

// A visitor that relies on the base for the two-argument form, and exposes the shared
// accumulation step.
struct BareVisitor : IntegrationVisitor {
    void visitGeometry(Geometry& p_geometry) override { GeometryVisitor::visitGeometry(p_geometry, nullptr); }
    using IntegrationVisitor::doWeightedCalculation;
};

} // namespace

TEST(GeometryVisitor, BaseWarnsAndAccumulationRefusesMissingWeights)
{
    GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("", nullptr));
    g->getVertices().resize(2);
    BareVisitor bare;
    testing::internal::CaptureStderr();
    g->acceptVisitor(bare);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Internal Warning: GeometryVisitor::visitGeometry has no implementation.\n");
    EXPECT_FALSE(bare.isValid());

    const FloatZEVVectorConcrete values = floats({1, 2});
    try {
        bare.doWeightedCalculation(nullptr, &values, false);
        ADD_FAILURE();
    } catch (const internal::error& e) {
        EXPECT_EQ(e.getClassName(), "IntegrationVisitor");
        EXPECT_EQ(e.getMethodName(), "doWeightedCalculation");
        EXPECT_EQ(e.getMessage(), "Null pointer to p_weights.");
    }
    EXPECT_FALSE(bare.isValid());

    // Absolute weights; undefined values and weights are skipped.
    const FloatZEVVectorConcrete weights = floats({-2, 1, ZEV_UNDEF});
    const FloatZEVVectorConcrete three = floats({3, ZEV_UNDEF, 5});
    bare.doWeightedCalculation(&weights, &three, true);
    EXPECT_TRUE(bare.isValid());
    EXPECT_DOUBLE_EQ(bare.getNumerator(), 6.0);
    EXPECT_DOUBLE_EQ(bare.getDenominator(), 2.0);
    bare.doWeightedCalculation(&weights, nullptr, false);
    EXPECT_DOUBLE_EQ(bare.getDenominator(), 1.0);
    EXPECT_DOUBLE_EQ(bare.getAverage(), 6.0);
}

TEST(Visitors, AxisNormalisationAndAccumulationAcrossGeometries)
{
    AreaVisitor zero(Triplet(0, 0, 0), "");
    EXPECT_EQ(zero.getAxis(), Triplet(0, 0, 0));
    AreaVisitor area;
    EXPECT_TRUE(area.usesMagnitude());
    area.setAxis(Triplet(ZEV_UNDEF, 2, 0)); // divided by the undefined value, not by its length
    EXPECT_FALSE(area.usesMagnitude());
    EXPECT_EQ(area.getAxis(), Triplet(1, 2 / ZEV_UNDEF, 0));
    area.setAxis(Triplet(3, 0, 4));
    EXPECT_EQ(area.getAxis(), Triplet(0.6f, 0, 0.8f));

    GeometryAutoPtr g(GeometryAPI::instance()->newGeometry("", nullptr));
    g->getVertices().resize(2);
    SummationVisitor sum("", 0);
    const FloatZEVVectorConcrete first = floats({5, ZEV_UNDEF});
    const FloatZEVVectorConcrete second = floats({3, 4});
    const FloatZEVVectorConcrete undefined = floats({ZEV_UNDEF, ZEV_UNDEF});
    sum.visitGeometry(*g.get(), &undefined);
    EXPECT_FALSE(sum.isValid()); // nothing defined on a geometry with vertices
    EXPECT_EQ(sum.getMin(), kUndef);
    sum.visitGeometry(*g.get(), &first);
    sum.visitGeometry(*g.get(), &second);
    EXPECT_TRUE(sum.isValid());
    EXPECT_EQ(sum.getMin(), 3.0);
    EXPECT_EQ(sum.getMax(), 5.0);
    EXPECT_EQ(sum.getCount(), 3);
    EXPECT_EQ(sum.getSum(), 12.0);
    EXPECT_EQ(sum.getAve(), 4.0);
    g->acceptVisitor(sum); // no variable: counts the vertices
    EXPECT_EQ(sum.getCount(), 5);
}
