#pragma once
// A cloud of sample points on the surfaces of one or more parent geometries, for symbol
// displays: spread so that each point stands for the same area (regularly or at random), at
// random, on a rectangular grid, at the parents' vertices, face centres or free-edge
// midpoints. The points are the vertices of this geometry; each carries a direction, an
// orientation and optionally a surface normal and the element-set number it came from, and a
// hybrid interpolant ties every point to parent-domain vertices so that the parents'
// variables can be shown at the points. Registered with the registry as
// "SamplePointsGeometry".

#include "zev/contracts/ReductionUtility.h"
#include "zev/contracts/Triplet.h"
#include "zev/derived/SymbolGeometry.h"

#include <string>
#include <vector>

namespace zev {

class ZEV_EXPORT SamplePointsGeometry : public SymbolGeometry {
public:
    enum Method {
        EquallySpaced = 0,
        EquallySpacedRandom = 1,
        Random = 2,
        RectangularGrid = 3,
        Vertex = 4,
        FaceCenter = 5,
        FreeEdge = 6,
        InvalidMethod = 7
    };

    SamplePointsGeometry() = default;

    // Registers a prototype with GeometryAPI under "SamplePointsGeometry". Called by the
    // host, once.
    static void registerType();

    // ---- the method catalogue
    static bool isValidMethod(Method p_method);
    static bool methodNeedFaceSet(Method p_method);
    static bool methodNeedParentCopy(Method p_method);
    static bool methodNeedEdgeFaceMap(Method p_method);
    static bool methodNeedRandSeed(Method p_method);
    static bool methodNeedProportionalDist(Method p_method);
    static bool methodNeedProportionalDist(const std::string& p_method);
    // "Equally Spaced" (or ""), "Equally Spaced Random", "Random", "Rectangular Grid",
    // "Vertex", "Face Center", "Free Edge"; InvalidMethod for any other text.
    static Method getSampleMethodID(const std::string& p_method);
    // p_accuracy when it is "High", "Medium" or "Low", otherwise "High".
    static std::string getValidAccuracyStr(const std::string& p_accuracy);

    // ---- sampling; each returns the number of points this geometry holds afterwards
    // Places points on every parent whose domain is p_domain (every parent when p_domain is
    // empty). p_count is the wanted number of points (methods 0 to 2, shared out in
    // proportion to the parents' areas); p_first, p_second and p_third are the grid's
    // spacing, aspect ratio and rotation in radians, and p_points[i] a point the grid of
    // parent i passes through (method 3; an undefined coordinate centres the grid). A
    // negative p_seed takes the clock. p_reduction thins out the candidates of methods 4 to
    // 6. A call whose arguments and parents equal the previous call's keeps the points
    // unless p_force is set.
    int doSampling(const std::string& p_domain, const std::vector<Geometry*>& p_parents, Method p_method,
                   int p_count, float p_first, float p_second, float p_third,
                   const std::vector<TripletBase<float>>& p_points, const std::string& p_accuracy, int p_seed,
                   ReductionUtility* p_reduction, bool p_createInterpolant, bool p_computeNormals,
                   bool p_force);
    int doSampling(const std::string& p_domain, const std::vector<Geometry*>& p_parents,
                   const std::string& p_method, int p_count, float p_first, float p_second, float p_third,
                   const std::vector<TripletBase<float>>& p_points, const std::string& p_accuracy, int p_seed,
                   ReductionUtility* p_reduction, bool p_createInterpolant, bool p_computeNormals,
                   bool p_force);
    // One parent, sampled in its own domain; 0 for a null parent.
    int doSampling(Geometry* p_parent, Method p_method, int p_count, float p_first, float p_second,
                   float p_third, const TripletBase<float>& p_point, const std::string& p_accuracy,
                   int p_seed, ReductionUtility* p_reduction, bool p_createInterpolant, bool p_computeNormals,
                   bool p_force);
    int doSampling(Geometry* p_parent, const std::string& p_method, int p_count, float p_first,
                   float p_second, float p_third, const TripletBase<float>& p_point,
                   const std::string& p_accuracy, int p_seed, ReductionUtility* p_reduction,
                   bool p_createInterpolant, bool p_computeNormals, bool p_force);

    // The parents of the last sampling (not owned) and the number of points asked of each.
    const std::vector<Geometry*>& getParentList() const { return m_parents; }
    const std::vector<int>& getParentCounts() const { return m_parentCounts; }
    Method getLastMethod() const { return m_last.method; }

protected:
    // Shares the base's pointer-held contents with p_other (see Geometry's copy constructor)
    // and copies the sampling state.
    SamplePointsGeometry(const SamplePointsGeometry&) = default;
    ~SamplePointsGeometry() override = default;
    Geometry* newGeometry() override;

private:
    // The parents kept by p_domain, each with its index in p_parents; sets p_external when a
    // kept parent's interpolant comes from the host, and collects the domain names.
    void filterParents(const std::string& p_domain, const std::vector<Geometry*>& p_parents,
                       std::vector<Geometry*>& p_kept, std::vector<std::size_t>& p_indices,
                       std::vector<std::string>& p_domains, bool& p_external) const;
    // Shares p_count out over m_parents in proportion to their face areas.
    void shareCount(Method p_method, int p_count);
    // Writes the direction, orientation and normal entries of every point.
    void finishPoints(bool p_computeNormals);

    // The arguments of a sampling (the accuracy made valid), kept from the last one so that
    // an unchanged call is answered with the points it made.
    struct SampleCall {
        Method method = EquallySpaced;
        int count = 0;
        float first = 0.0f;
        float second = 1.0f;
        float third = 0.0f;
        std::vector<TripletBase<float>> points;
        std::string accuracy = "High";
        ReductionUtility reduction;
        bool createInterpolant = true;
        int seed = -1;
        // Beyond the catalogue's state: what an unchanged call must also repeat.
        bool computeNormals = false;

        // Whether sampling the same parents and domain with this call would give what
        // p_last gave: the grid points count only for the grid, and a random sampling
        // repeats only with the same, given seed.
        bool repeats(const SampleCall& p_last) const;
    };

    std::vector<Geometry*> m_parents; // not owned
    std::vector<int> m_parentCounts;
    SampleCall m_last;
    std::vector<std::size_t> m_parentIndices; // index of each kept parent in the caller's list
};

} // namespace zev
