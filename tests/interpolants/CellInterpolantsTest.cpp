// Element-to-element, element-to-face and face-to-face interpolants: which parent value lands
// on which target item, the refusals, and the listings.

#include "tests/geometry/HostHooks.h"
#include "tests/support/ExpectError.h"
#include "tests/support/MeshBuilders.h"
#include "zev/contracts/BoolFromEnvironment.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/interpolants/ElementToElementInterpolant.h"
#include "zev/interpolants/ElementToFaceInterpolant.h"
#include "zev/interpolants/FaceToFaceInterpolant.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>

using namespace zev;
using zevtest::expectError;

namespace {

const float U = ZEV_UNDEF;
using Sets = std::map<std::string, std::vector<float>>;

// A scalar parent holding, per named set, an array of type p_type at elements and at faces,
// and three vertex values so that the generic entry point finds a type to carry.
std::unique_ptr<ScalarVariable> scalarParent(const Sets& p_elements, const Sets& p_faces = {},
                                             VarType p_type = eConservative)
{
    auto v = std::make_unique<ScalarVariable>(p_type, eVertex);
    v->getVertexValues(p_type).resize(3);
    for (const auto& s : p_elements) {
        FloatZEVVector& a = v->getElementValues(s.first, p_type);
        a.resize(s.second.size());
        for (std::size_t i = 0; i < s.second.size(); ++i)
            a[i] = s.second[i];
    }
    for (const auto& s : p_faces) {
        FloatZEVVector& a = v->getFaceValues(s.first, p_type);
        a.resize(s.second.size());
        for (std::size_t i = 0; i < s.second.size(); ++i)
            a[i] = s.second[i];
    }
    return v;
}

Triplet spread(float p_value)
{
    return Triplet(p_value, -p_value, 2 * p_value);
}

// The vector twin of scalarParent: value x becomes (x, -x, 2x).
std::unique_ptr<VectorVariable> vectorParent(const Sets& p_elements, const Sets& p_faces = {})
{
    auto v = std::make_unique<VectorVariable>(eConservative, eVertex);
    v->getTripletValues(eConservative).resize(3);
    for (const auto& s : p_elements)
        for (float x : s.second)
            v->getElementValues(s.first, eConservative).push_back(spread(x));
    for (const auto& s : p_faces)
        for (float x : s.second)
            v->getFaceValues(s.first, eConservative).push_back(spread(x));
    return v;
}

std::vector<float> run(const Interpolant& p_interpolant, const ScalarVariable& p_parent,
                       VarType p_type = eConservative)
{
    FloatZEVVectorConcrete target;
    p_interpolant.interpolate(std::vector<const ScalarVariable*>{&p_parent}, p_type, target);
    return std::vector<float>(target.data(), target.data() + target.size());
}

std::vector<Triplet> run(const Interpolant& p_interpolant, const VectorVariable& p_parent)
{
    TripletZEVVector target;
    p_interpolant.interpolate(std::vector<const VectorVariable*>{&p_parent}, eConservative, target);
    return std::vector<Triplet>(target.begin(), target.end());
}

std::vector<Triplet> spread(const std::vector<float>& p_values)
{
    std::vector<Triplet> out;
    for (float x : p_values)
        out.push_back(x == U ? Triplet(U, U, U) : spread(x));
    return out;
}

std::string listing(const Interpolant& p_interpolant)
{
    std::ostringstream os;
    p_interpolant.write(os);
    return os.str();
}

// Every one of the three refuses a parent list that is not exactly one variable.
template <class I> void expectOneParent(const I& p_interpolant, const std::string& p_class)
{
    const auto parent = scalarParent({});
    const std::string message = p_class + " must have exactly one parent domain to interpolate.";
    FloatZEVVectorConcrete target;
    expectError<internal::error>(
        [&] {
            p_interpolant.interpolate(std::vector<const ScalarVariable*>{parent.get(), parent.get()},
                                      eConservative, target);
        },
        p_class, "interpolate", message);
    TripletZEVVector triplets;
    expectError<internal::error>(
        [&] { p_interpolant.interpolate(std::vector<const VectorVariable*>{}, eConservative, triplets); },
        p_class, "interpolate", message);
}

} // namespace

// ------------------------------------------------------------------ element to element

TEST(ElementToElementInterpolant, ValuesFollowTheGeometrysElementOrder)
{
    ElementToElementInterpolant e2e("fluid", 99);
    EXPECT_EQ(e2e.getQualityRank(), 3);
    EXPECT_EQ(e2e.getName(), "Element To Element Interpolant");
    EXPECT_EQ(e2e.getDestinationVarLocation(), eElement);
    EXPECT_EQ(e2e.getDomains(), std::vector<std::string>{"fluid"});
    e2e.reserve(2, 1);
    e2e.pushElement(2, 7);
    e2e.pushElement(0, 4);
    e2e.pushElement(0, 2);
    e2e.pushElement(0, 9); // beyond ES1's five values
    EXPECT_EQ(e2e.size(), 4u);

    const auto parent = scalarParent({{"ES1", {10, 11, 12, 13, 14}}, {"ES3", {0, 0, 0, 0, 0, 0, 0, 37}}});
    EXPECT_EQ(run(e2e, *parent), (std::vector<float>{14, 12, U, 37}));
    const auto vparent = vectorParent({{"ES1", {10, 11, 12, 13, 14}}, {"ES3", {0, 0, 0, 0, 0, 0, 0, 37}}});
    EXPECT_EQ(run(e2e, *vparent), spread({14, 12, U, 37}));

    // Eleven sets: a geometry walks ES1, ES10, ES11, ES2, ..., so set 9 comes second.
    ElementToElementInterpolant eleven("fluid", 11);
    Sets sets;
    for (int i = 0; i < 11; ++i) {
        eleven.pushElement(i, 0);
        sets["ES" + std::to_string(i + 1)] = {static_cast<float>(i)};
    }
    EXPECT_EQ(run(eleven, *scalarParent(sets)), (std::vector<float>{0, 9, 10, 1, 2, 3, 4, 5, 6, 7, 8}));

    // The requested type is read; a type the parent lacks passes the variable's error on.
    const auto hybrid =
        scalarParent({{"ES1", {1, 2, 3, 4, 5}}, {"ES3", {0, 0, 0, 0, 0, 0, 0, 8}}}, {}, eHybrid);
    EXPECT_EQ(run(e2e, *hybrid, eHybrid), (std::vector<float>{5, 3, U, 8}));
    e2e.pushElement(4, 0);
    EXPECT_THROW(run(e2e, *parent), internal::error);

    expectOneParent(e2e, "ElementToElementInterpolant");
}

TEST(ElementToElementInterpolant, CloneAndListing)
{
    ElementToElementInterpolant e2e("fluid", 0);
    e2e.pushElement(2, 7);
    e2e.pushElement(0, 4);
    e2e.pushElement(0, 2);
    const std::string expected = "Printing ElementToElementInterpolant\n"
                                 "Element Set Number: 0\n\tElement Number: 4\n\tElement Number: 2\n\n"
                                 "Element Set Number: 2\n\tElement Number: 7\n\n\n";
    EXPECT_EQ(listing(e2e), expected);

    std::unique_ptr<Interpolant> copy(e2e.clone());
    EXPECT_EQ(copy->getQualityRank(), 0);
    EXPECT_EQ(copy->getDomains(), e2e.getDomains());
    EXPECT_EQ(listing(*copy), expected);
    EXPECT_EQ(copy->getDestinationVarLocation(), eElement);
}

namespace {

// A parent domain of eleven hexahedral element sets; set i holds three axis-aligned cubes of
// edge 0.5 + 0.1 i, so every set has its own element volume.
struct ElevenSetDomain {
    static constexpr int s_sets = 11;
    static constexpr int s_perSet = 3;
    static float edge(int p_set) { return 0.5f + 0.1f * static_cast<float>(p_set); }
    // Vertex ids of cube e of set i; its vertex k sits at corner (k mod 2, (k/2) mod 2, k/4).
    static std::vector<int> cube(int p_set, int p_element)
    {
        std::vector<int> ids;
        for (int k = 0; k < 8; ++k)
            ids.push_back((p_set * s_perSet + p_element) * 8 + k);
        return ids;
    }
    static void addVertices(Geometry& p_geometry)
    {
        for (int i = 0; i < s_sets; ++i)
            for (int e = 0; e < s_perSet; ++e)
                for (int k = 0; k < 8; ++k) {
                    const float a = edge(i);
                    p_geometry.getVertices().push_back(
                        Triplet(static_cast<float>(e * 2) + a * static_cast<float>(k % 2),
                                static_cast<float>(i * 2) + a * static_cast<float>((k / 2) % 2),
                                a * static_cast<float>(k / 4)));
                }
    }
};

} // namespace

// A selection of whole elements: Σ value × volume over the selection equals the sum over the
// parent elements it was taken from, with eleven sets (so name order differs from index order).
TEST(ElementToElementInterpolant, SelectionConservesVolumeIntegralsThroughTheGeometry)
{
    using D = ElevenSetDomain;
    test::TestHost host;
    test::HostScope scope(&host);
    host.names["Pressure"] = {1, false, {}, false};
    host.names["Density"] = {1, false, {}, false};
    Sets pressure;
    Sets density;
    for (int i = 0; i < D::s_sets; ++i) {
        const std::string name = "ES" + std::to_string(i + 1);
        for (int e = 0; e < D::s_perSet; ++e)
            pressure[name].push_back(1.0f + static_cast<float>(i) + 0.25f * static_cast<float>(e));
        density[name].assign(D::s_perSet, 100.0f + static_cast<float>(i));
    }
    host.parents[{"fluid", "Pressure"}] = scalarParent(pressure);
    host.parents[{"fluid", "Density"}] = scalarParent(density);

    GeometryAutoPtr selection(GeometryAPI::instance()->newGeometry("", nullptr));
    selection->setDomain("region");
    D::addVertices(*selection.get());
    auto* e2e = new ElementToElementInterpolant("fluid", D::s_sets);
    double expected = 0.0;
    for (int i = 0; i < D::s_sets; ++i) {
        // Every other element, starting at 0 in even sets and at 1 in odd ones.
        std::vector<std::vector<int>> rows;
        e2e->reserve(i, 2);
        for (int e = i % 2; e < D::s_perSet; e += 2) {
            rows.push_back(D::cube(i, e));
            e2e->pushElement(i, static_cast<std::size_t>(e));
            const double a = D::edge(i);
            expected +=
                static_cast<double>(pressure["ES" + std::to_string(i + 1)][static_cast<std::size_t>(e)]) * a *
                a * a;
        }
        test::addElements(*selection.get(), i, HEX, rows);
    }
    selection->addInterpolant(e2e);
    selection->hasElementData(true);

    Variable* p = selection->getVariable("Pressure", false, eElement);
    ASSERT_NE(p, nullptr);
    const FloatZEVVector& values = p->getFloatValues(Variable::Description(eConservative, eElement, "All"));
    const FloatZEVVectorConcrete& volumes = selection->getElementVolumes();
    ASSERT_EQ(values.size(), volumes.size());
    ASSERT_EQ(values.size(), 17u);
    double integral = 0.0;
    for (std::size_t k = 0; k < values.size(); ++k)
        integral += static_cast<double>(values[k]) * static_cast<double>(volumes[k]);
    EXPECT_NEAR(integral, expected, 1e-5 * expected);

    // A value constant over each parent set stays constant over each selected set.
    Variable* rho = selection->getVariable("Density", false, eElement);
    ASSERT_NE(rho, nullptr);
    const FloatZEVVector& r = rho->getFloatValues(Variable::Description(eConservative, eElement, "All"));
    std::size_t k = 0;
    for (const std::string& name : selection->getElementSetNames()) {
        const float constant = density[name][0];
        for (std::size_t n = selection->getElementSet(name)->size(); n > 0; --n, ++k)
            EXPECT_EQ(r[k], constant) << name;
    }
    EXPECT_EQ(k, r.size());
}

// ------------------------------------------------------------------ element to face

TEST(ElementToFaceInterpolant, FacesTakeTheirElementsValues)
{
    ElementToFaceInterpolant e2f("fluid", 2);
    EXPECT_EQ(e2f.getQualityRank(), 3);
    EXPECT_EQ(e2f.getName(), "Element To Face Interpolant");
    EXPECT_EQ(e2f.getDestinationVarLocation(), eFace);
    e2f.reserve(6);
    e2f.reserve(1, 3);
    e2f.pushFace(1, 2, 0);
    e2f.pushFace(4, 0, 1);
    e2f.pushFace(1, 0, 3);
    e2f.pushFace(1, 9, 2); // element beyond ES2's array
    e2f.pack();
    EXPECT_EQ(e2f.size(), 4u);

    // Conservative element data is read whatever type is asked; the Hybrid array is ignored.
    auto parent = scalarParent({{"ES2", {20, 21, 22}}, {"ES5", {50}}});
    parent->getElementValues("ES2", eHybrid).resize(3);
    EXPECT_EQ(run(e2f, *parent, eHybrid), (std::vector<float>{22, 50, U, 20}));
    EXPECT_EQ(run(e2f, *vectorParent({{"ES2", {20, 21, 22}}, {"ES5", {50}}})), spread({22, 50, U, 20}));

    // Faces of a set the parent lacks are undefined; the others are untouched.
    EXPECT_EQ(run(e2f, *scalarParent({{"ES5", {50}}})), (std::vector<float>{U, 50, U, U}));
    // A face left out of the pushed range is skipped; a face inside it that nothing covers is
    // undefined rather than zero.
    ElementToFaceInterpolant sparse("fluid", 1);
    sparse.reserve(4);
    sparse.pushFace(1, 0, 3);
    sparse.pushFace(1, 1, 1);
    EXPECT_EQ(run(sparse, *parent), (std::vector<float>{U, 21}));

    expectOneParent(e2f, "ElementToFaceInterpolant");
}

TEST(ElementToFaceInterpolant, RefusedFacesChangeNothing)
{
    ElementToFaceInterpolant one("fluid", 1);
    one.reserve(3);
    one.pushFace(0, 5, 0);
    const std::string before = listing(one);
    // A second set is beyond the one allowed, also when only reserved.
    expectError<internal::error>([&] { one.pushFace(1, 0, 1); }, "ElementToFaceInterpolant",
                                 "getElementArrayID", "Failed to find element set  '1'");
    expectError<internal::error>([&] { one.reserve(7, 4); }, "ElementToFaceInterpolant", "getElementArrayID",
                                 "Failed to find element set  '7'");
    // Faces outside the table sized by reserve are refused.
    for (int face : {-1, 3, 1000})
        EXPECT_THROW(one.pushFace(0, 1, face), data::error) << face;
    EXPECT_EQ(one.size(), 1u);
    EXPECT_EQ(listing(one), before);
    EXPECT_EQ(run(one, *scalarParent({{"ES1", {0, 0, 0, 0, 0, 5}}})), (std::vector<float>{5}));

    // A refused face did not claim an array id for its set either.
    ElementToFaceInterpolant fresh("fluid", 1);
    EXPECT_THROW(fresh.pushFace(3, 0, 0), data::error);
    fresh.reserve(1);
    fresh.pushFace(4, 0, 0);
    EXPECT_EQ(run(fresh, *scalarParent({{"ES5", {9}}})), (std::vector<float>{9}));
}

TEST(ElementToFaceInterpolant, FaceSetRecordsListingAndClone)
{
    ElementToFaceInterpolant e2f("fluid", 2);
    e2f.reserve(4);
    e2f.pushFace(0, 7, 0);
    e2f.pushFace(1, 3, 1);
    e2f.pushFace(0, 8, 2);
    e2f.setFaceSetData("slice:TRIANGLE", 1, 2);
    e2f.setFaceSetData("slice:QUAD", 0, 1);
    e2f.setFaceSetData("slice:POLYGON", 3, 5); // reaches past the four-face table

    const char* const cls = "ElementToFaceInterpolant";
    expectError<internal::error>([&] { e2f.setFaceSetData("", 0, 1); }, cls, "setFaceSetIndex",
                                 "Empty face set name");
    expectError<internal::error>([&] { e2f.setFaceSetData("slice:QUAD", 2, 2); }, cls, "setFaceSetIndex",
                                 "Storing index for already existing face set 'slice:QUAD'");
    expectError<internal::error>([&] { e2f.setFaceSetData("other", -1, 2); }, cls, "setFaceSetIndex",
                                 "Invalid data for face set 'other'");
    expectError<internal::error>([&] { e2f.setFaceSetData("other", 0, -2); }, cls, "setFaceSetIndex",
                                 "Invalid data for face set 'other'");
    expectError<internal::error>([&] { e2f.getFaceSetData("other"); }, cls, "getFaceSetData",
                                 "Invalid face set name 'other'");
    expectError<internal::error>([&] { e2f.getFaceSetData(""); }, cls, "getFaceSetData",
                                 "Invalid face set name ''");

    using Sources = std::vector<std::pair<int, int>>;
    EXPECT_EQ(e2f.getFaceSetData("slice:QUAD"), (Sources{{0, 7}})); // the first record was kept
    EXPECT_EQ(e2f.getFaceSetData("slice:TRIANGLE"), (Sources{{1, 3}, {0, 8}}));
    EXPECT_EQ(e2f.getFaceSetData("slice:POLYGON"), (Sources{{0, 0}}));

    const std::string expected = "Printing ElementToFaceInterpolantNumber of faces: 3\n"
                                 "Face Set Indices:(slice:POLYGON,3,5)\n"
                                 "Face Set Indices:(slice:QUAD,0,1)\n"
                                 "Face Set Indices:(slice:TRIANGLE,1,2)\n\n";
    EXPECT_EQ(listing(e2f), expected);

    std::unique_ptr<Interpolant> copy(e2f.clone());
    EXPECT_EQ(copy->getQualityRank(), 0);
    EXPECT_EQ(listing(*copy), expected);
    auto& c = dynamic_cast<ElementToFaceInterpolant&>(*copy);
    EXPECT_EQ(c.getFaceSetData("slice:TRIANGLE"), (Sources{{1, 3}, {0, 8}}));
    const auto parent = scalarParent({{"ES1", {0, 0, 0, 0, 0, 0, 0, 70, 80}}, {"ES2", {0, 0, 0, 30}}});
    EXPECT_EQ(run(c, *parent), (std::vector<float>{70, 30, 80}));
    // The copy keeps the set limit and the ids already handed out.
    c.pushFace(1, 0, 3);
    EXPECT_THROW(c.pushFace(2, 0, 3), internal::error);
}

// ------------------------------------------------------------------ face to face

TEST(FaceToFaceInterpolant, FaceTypesOfTheRegion)
{
    FaceToFaceInterpolant f2f("fluid", "wall");
    EXPECT_EQ(f2f.getQualityRank(), 2);
    EXPECT_EQ(f2f.getName(), "Face To Face Interpolant");
    EXPECT_EQ(f2f.getDestinationVarLocation(), eFace);
    EXPECT_EQ(f2f.getRegion(), "wall");
    EXPECT_EQ(f2f.getBoundaryType(), "");
    f2f.reserve("wall-TRI", 6);
    f2f.pushFace("wall-TRI", 0, 4, 2);
    f2f.pushFace("wall-QUAD", 1, 0, 5);
    EXPECT_EQ(f2f.size(), 2u);
    EXPECT_EQ(f2f.getFaceSetData("wall-TRI"), (std::vector<int>{0, 4, 2}));
    EXPECT_TRUE(f2f.getFaceSetData("wall-POLYGON").empty());

    const char* const cls = "FaceToFaceInterpolant";
    expectError<internal::error>([&] { f2f.reserve("wall-HEX", 3); }, cls, "reserve",
                                 "Invalid Face Type 'wall-HEX'");
    expectError<internal::error>([&] { f2f.pushFace("wall-HEX", 0, 0, 0); }, cls, "pushFace",
                                 "Invalid Face Type 'wall-HEX'");
    expectError<internal::error>([&] { f2f.getFaceSetData("wall-HEX"); }, cls, "getFaceSetData",
                                 "Failed to retrieve data for 'wall-HEX' face type.");
    EXPECT_EQ(f2f.size(), 2u);

    f2f.setBoundaryType("WALL");
    EXPECT_EQ(listing(f2f), "Printing FaceToFaceInterpolant\n\n");
    std::unique_ptr<Interpolant> copy(f2f.clone());
    EXPECT_EQ(copy->getQualityRank(), 0);
    auto& c = dynamic_cast<FaceToFaceInterpolant&>(*copy);
    EXPECT_EQ(c.getRegion(), "wall");
    EXPECT_EQ(c.getBoundaryType(), "WALL");
    EXPECT_EQ(c.size(), 2u);
    EXPECT_EQ(c.getFaceSetData("wall-QUAD"), (std::vector<int>{1, 0, 5}));
    EXPECT_EQ(run(c, *scalarParent({{"ES1", {0, 0, 0, 0, 14}}, {"ES2", {20}}})),
              (std::vector<float>{20, 14}));

    expectOneParent(f2f, cls);
}

TEST(FaceToFaceInterpolant, EachFaceTypeFillsItsOwnStretch)
{
    // Face types in name order: wall-POLYGON (1 face), wall-QUAD (2 faces), wall-TRI (3 faces).
    FaceToFaceInterpolant f2f("fluid", "wall");
    f2f.pushFace("wall-TRI", 0, 0, 0);
    f2f.pushFace("wall-QUAD", 0, 1, 0);
    f2f.pushFace("wall-TRI", 1, 0, 1);
    f2f.pushFace("wall-POLYGON", 1, 1, 3);
    f2f.pushFace("wall-QUAD", 0, 2, 0);
    f2f.pushFace("wall-TRI", 0, 3, 2);
    const Sets elements{{"ES1", {10, 11, 12, 13}}, {"ES2", {20, 21}}};

    // All three face arrays: copied type by type.
    const Sets allFaces{{"wall-POLYGON", {1}}, {"wall-QUAD", {2, 3}}, {"wall-TRI", {4, 5, 6}}};
    EXPECT_EQ(run(f2f, *scalarParent(elements, allFaces)), (std::vector<float>{1, 2, 3, 4, 5, 6}));
    // No polygon array: the polygon face is undefined and the others stay in place; a short
    // triangle array leaves its last face undefined; a long quad array is cut at two faces.
    const Sets someFaces{{"wall-QUAD", {2, 3, 99, 99}}, {"wall-TRI", {4, 5}}};
    EXPECT_EQ(run(f2f, *scalarParent(elements, someFaces)), (std::vector<float>{U, 2, 3, 4, 5, U}));

    // No face data of the region: each face takes its element's value, type by type.
    const std::vector<float> fromElements{21, 11, 12, 10, 20, 13};
    EXPECT_EQ(run(f2f, *scalarParent(elements, {{"inlet-TRI", {7}}})), fromElements);
    EXPECT_EQ(run(f2f, *vectorParent(elements)), spread(fromElements));
    // An element set or element the parent lacks gives the undefined value.
    EXPECT_EQ(run(f2f, *scalarParent({{"ES1", {10, 11, 12}}})), (std::vector<float>{U, 11, 12, 10, U, U}));
    // Neither face data for the region nor element data: undefined throughout.
    EXPECT_EQ(run(f2f, *scalarParent({}, {{"inlet-TRI", {7}}})), std::vector<float>(6, U));
}

namespace {

// Sets MOLVERA_BOUNDARY_DATA_FROM_ELEMENTS for the scope and re-reads the cached flag.
class BoundaryFlag {
public:
    explicit BoundaryFlag(bool p_set)
    {
        if (p_set)
            setenv("MOLVERA_BOUNDARY_DATA_FROM_ELEMENTS", "1", 1);
        else
            unsetenv("MOLVERA_BOUNDARY_DATA_FROM_ELEMENTS");
        FaceToFaceInterpolant::boundaryDataFromElements().checkEnv();
    }
    ~BoundaryFlag()
    {
        unsetenv("MOLVERA_BOUNDARY_DATA_FROM_ELEMENTS");
        FaceToFaceInterpolant::boundaryDataFromElements().checkEnv();
    }
};

} // namespace

TEST(FaceToFaceInterpolant, ElementDataFlagAndSymmetryException)
{
    const Sets elements{{"ES1", {10, 11}}};
    const Sets faces{{"wall-TRI", {1, 2}}};
    const std::vector<float> fromFaces{1, 2};
    const std::vector<float> fromElements{11, 10};
    struct Case {
        bool flag;
        bool vector;
        const char* boundary;
        bool expectFaces;
    };
    const Case cases[] = {
        {false, false, "", true},         {false, true, "", true},
        {false, false, "SYMMETRY", true}, {false, true, "SYMMETRY", true},
        {true, false, "", false},         {true, true, "", false},
        {true, false, "SYMMETRY", false}, {true, true, "SYMMETRY", true},
        {true, true, "symmetry", false}, // the boundary type is compared exactly
    };
    for (const Case& c : cases) {
        BoundaryFlag flag(c.flag);
        FaceToFaceInterpolant f2f("fluid", "wall");
        f2f.setBoundaryType(c.boundary);
        f2f.pushFace("wall-TRI", 0, 1, 0);
        f2f.pushFace("wall-TRI", 0, 0, 1);
        const std::vector<float>& expected = c.expectFaces ? fromFaces : fromElements;
        SCOPED_TRACE(testing::Message()
                     << "flag " << c.flag << " vector " << c.vector << " boundary " << c.boundary);
        if (c.vector)
            EXPECT_EQ(run(f2f, *vectorParent(elements, faces)), spread(expected));
        else
            EXPECT_EQ(run(f2f, *scalarParent(elements, faces)), expected);
        // Without element data the flag has nothing to switch to.
        EXPECT_EQ(run(f2f, *scalarParent({}, faces)), fromFaces);
    }
}
