#include "zev/derived/SamplePointsGeometry.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/Message.h"
#include "zev/derived/SPGeometryInternal.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryInfoInterface.h"
#include "zev/interpolants/ExternalInterpolant.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/shapes/ShapeSet.h"

#include <cmath>
#include <cstdint>
#include <ctime>
#include <memory>
#include <set>
#include <utility>

namespace zev {

namespace {

const char* const kClass = "SamplePointsGeometry";

bool sameReduction(const ReductionUtility& p_a, const ReductionUtility& p_b)
{
    return p_a.isActive() == p_b.isActive() && p_a.getFraction() == p_b.getFraction() &&
           p_a.getMaxCount() == p_b.getMaxCount();
}

} // namespace

Geometry* SamplePointsGeometry::newGeometry()
{
    return new SamplePointsGeometry();
}

void SamplePointsGeometry::registerType()
{
    GeometryAPI::instance()->registerPrototype("SamplePointsGeometry", new SamplePointsGeometry());
}

// ------------------------------------------------------------------ the method catalogue

bool SamplePointsGeometry::isValidMethod(Method p_method)
{
    return static_cast<unsigned>(p_method) < 7u;
}

bool SamplePointsGeometry::methodNeedFaceSet(Method p_method)
{
    return p_method != Vertex;
}

bool SamplePointsGeometry::methodNeedParentCopy(Method p_method)
{
    return p_method == EquallySpaced || p_method == EquallySpacedRandom || p_method == Random;
}

bool SamplePointsGeometry::methodNeedEdgeFaceMap(Method p_method)
{
    return p_method == EquallySpaced || p_method == EquallySpacedRandom;
}

bool SamplePointsGeometry::methodNeedRandSeed(Method p_method)
{
    return p_method != Vertex && p_method != FaceCenter && p_method != FreeEdge;
}

bool SamplePointsGeometry::methodNeedProportionalDist(Method p_method)
{
    return p_method == EquallySpaced || p_method == EquallySpacedRandom || p_method == Random;
}

bool SamplePointsGeometry::methodNeedProportionalDist(const std::string& p_method)
{
    return methodNeedProportionalDist(getSampleMethodID(p_method));
}

SamplePointsGeometry::Method SamplePointsGeometry::getSampleMethodID(const std::string& p_method)
{
    static const std::pair<const char*, Method> s_names[] = {{"Equally Spaced", EquallySpaced},
                                                             {"Equally Spaced Random", EquallySpacedRandom},
                                                             {"Random", Random},
                                                             {"Rectangular Grid", RectangularGrid},
                                                             {"Vertex", Vertex},
                                                             {"Face Center", FaceCenter},
                                                             {"Free Edge", FreeEdge}};
    if (p_method.empty())
        return EquallySpaced;
    for (const auto& name : s_names)
        if (p_method == name.first)
            return name.second;
    return InvalidMethod;
}

std::string SamplePointsGeometry::getValidAccuracyStr(const std::string& p_accuracy)
{
    if (p_accuracy == "High" || p_accuracy == "Medium" || p_accuracy == "Low")
        return p_accuracy;
    return "High";
}

// ------------------------------------------------------------------ sampling

int SamplePointsGeometry::doSampling(Geometry* p_parent, Method p_method, int p_count, float p_first,
                                     float p_second, float p_third, const TripletBase<float>& p_point,
                                     const std::string& p_accuracy, int p_seed, ReductionUtility* p_reduction,
                                     bool p_createInterpolant, bool p_computeNormals, bool p_force)
{
    if (p_parent == nullptr)
        return 0;
    return doSampling(p_parent->getDomain(), std::vector<Geometry*>{p_parent}, p_method, p_count, p_first,
                      p_second, p_third, std::vector<TripletBase<float>>{p_point}, p_accuracy, p_seed,
                      p_reduction, p_createInterpolant, p_computeNormals, p_force);
}

int SamplePointsGeometry::doSampling(Geometry* p_parent, const std::string& p_method, int p_count,
                                     float p_first, float p_second, float p_third,
                                     const TripletBase<float>& p_point, const std::string& p_accuracy,
                                     int p_seed, ReductionUtility* p_reduction, bool p_createInterpolant,
                                     bool p_computeNormals, bool p_force)
{
    return doSampling(p_parent, getSampleMethodID(p_method), p_count, p_first, p_second, p_third, p_point,
                      p_accuracy, p_seed, p_reduction, p_createInterpolant, p_computeNormals, p_force);
}

int SamplePointsGeometry::doSampling(const std::string& p_domain, const std::vector<Geometry*>& p_parents,
                                     const std::string& p_method, int p_count, float p_first, float p_second,
                                     float p_third, const std::vector<TripletBase<float>>& p_points,
                                     const std::string& p_accuracy, int p_seed, ReductionUtility* p_reduction,
                                     bool p_createInterpolant, bool p_computeNormals, bool p_force)
{
    return doSampling(p_domain, p_parents, getSampleMethodID(p_method), p_count, p_first, p_second, p_third,
                      p_points, p_accuracy, p_seed, p_reduction, p_createInterpolant, p_computeNormals,
                      p_force);
}

void SamplePointsGeometry::filterParents(const std::string& p_domain, const std::vector<Geometry*>& p_parents,
                                         std::vector<Geometry*>& p_kept, std::vector<std::size_t>& p_indices,
                                         std::vector<std::string>& p_domains, bool& p_external) const
{
    std::set<std::string> domains;
    for (std::size_t i = 0; i < p_parents.size(); ++i) {
        Geometry* parent = p_parents[i];
        if (parent == nullptr)
            continue;
        const std::string& d = parent->getDomain();
        if (!p_domain.empty() && d == p_domain) {
            domains.insert(p_domain);
        } else if (!p_domain.empty() && !d.empty()) {
            continue;
        } else if (const auto* external =
                       dynamic_cast<const ExternalInterpolant*>(parent->getInterpolant())) {
            p_external = true;
            for (const std::string& name : external->getDomains())
                domains.insert(name);
        }
        p_kept.push_back(parent);
        p_indices.push_back(i);
    }
    p_domains.assign(domains.begin(), domains.end());
}

bool SamplePointsGeometry::SampleCall::repeats(const SampleCall& p_last) const
{
    if (method != p_last.method || count != p_last.count || first != p_last.first ||
        second != p_last.second || third != p_last.third)
        return false;
    if (method == RectangularGrid && points != p_last.points)
        return false;
    if (accuracy != p_last.accuracy || createInterpolant != p_last.createInterpolant ||
        computeNormals != p_last.computeNormals)
        return false;
    if (!sameReduction(reduction, p_last.reduction))
        return false;
    if (method == Random && (seed < 0 || seed != p_last.seed))
        return false;
    return true;
}

void SamplePointsGeometry::shareCount(Method p_method, int p_count)
{
    m_parentCounts.assign(m_parents.size(), 0);
    if (!methodNeedProportionalDist(p_method))
        return;
    if (m_parents.size() == 1) {
        m_parentCounts[0] = p_count;
        return;
    }
    // Areas in double precision: a float total skews the shares of big meshes.
    std::vector<double> areas(m_parents.size(), 0.0);
    double total = 0.0;
    for (std::size_t i = 0; i < m_parents.size(); ++i) {
        const Geometry& parent = *m_parents[i];
        for (const std::string& name : parent.getFaceSetNames()) {
            const ShapeSet* set = parent.getFaceSet(name);
            if (set == nullptr)
                throw internal::error(kClass, "doSampling",
                                      SystemMsg("Cannot find face set %1 in the parent geometry.").arg(name));
            Triplet areaVector;
            for (std::size_t f = 0; f < set->size(); ++f)
                areas[i] += static_cast<double>((*set)[f].getArea(parent.getVertices(), areaVector));
        }
        total += areas[i];
    }
    // No area to share (or an undefined one): every parent gets no point.
    if (!(total > 0.0) || !std::isfinite(total))
        return;
    for (std::size_t i = 0; i < m_parents.size(); ++i)
        m_parentCounts[i] = static_cast<int>(areas[i] / total * static_cast<double>(p_count) + 0.5);
}

void SamplePointsGeometry::finishPoints(bool p_computeNormals)
{
    const std::size_t n = m_vertices.size();
    getDirections().clear();
    getDirections().resize(n, Triplet(0.0f, 1.0f, 0.0f));
    getOrientations().clear();
    getOrientations().resize(n, Triplet(0.0f, 0.0f, 1.0f));
    TripletZEVVector(m_vertices).swap(m_vertices); // releases the spare capacity
    if (p_computeNormals && m_vertexNormals)
        m_vertexNormals->resize(n);
}

int SamplePointsGeometry::doSampling(const std::string& p_domain, const std::vector<Geometry*>& p_parents,
                                     Method p_method, int p_count, float p_first, float p_second,
                                     float p_third, const std::vector<TripletBase<float>>& p_points,
                                     const std::string& p_accuracy, int p_seed, ReductionUtility* p_reduction,
                                     bool p_createInterpolant, bool p_computeNormals, bool p_force)
{
    if (!isValidMethod(p_method))
        throw internal::badParam(kClass, "doSampling", SystemMsg("Invalid/unsupported sample method."));
    if (p_parents.empty())
        return 0;
    const std::string accuracy = getValidAccuracyStr(p_accuracy);

    // The parents are filtered before anything is stored, so a call whose parents are all
    // skipped leaves the geometry as it was.
    std::vector<Geometry*> parents;
    std::vector<std::size_t> indices;
    std::vector<std::string> domains;
    bool external = false;
    filterParents(p_domain, p_parents, parents, indices, domains, external);
    if (parents.empty())
        return 0;

    const SampleCall call{p_method,
                          p_count,
                          p_first,
                          p_second,
                          p_third,
                          p_points,
                          accuracy,
                          p_reduction ? *p_reduction : ReductionUtility(),
                          p_createInterpolant,
                          p_seed,
                          p_computeNormals};
    const bool parentsChanged = m_parents.empty() || m_vertices.empty() || parents != m_parents;
    if (!p_force && !parentsChanged && p_domain == getDomain() && call.repeats(m_last))
        return getNumVertices();

    setDomain(p_domain);
    m_last = call;
    m_parents = parents;
    m_parentIndices = indices;

    // From here on a failure leaves partial points: mark the stored call invalid so that the
    // next call, however equal, samples again.
    try {
        SampleRandom random;
        if (methodNeedRandSeed(p_method)) {
            const long long seed = p_seed < 0 ? static_cast<long long>(std::time(nullptr)) : p_seed;
            random.seed(static_cast<std::uint32_t>(seed));
        }
        shareCount(p_method, p_count);

        std::unique_ptr<HybridInterpolant> interpolant;
        if (p_createInterpolant && !external)
            interpolant.reset(new HybridInterpolant(p_domain));
        // A fresh normal array: the old one may be of another length or borrowed from the
        // geometry this one was copied from.
        clearDataStores();
        if (p_computeNormals)
            m_vertexNormals = std::make_shared<TripletZEVVector>();
        // The sampled normals are the points' own data, not derived from faces: a later change
        // of the mesh state keeps them.
        m_vertexNormalsAreData = p_computeNormals;
        markChanged();
        setInterpolant(nullptr);
        m_vertices.clear();
        m_vertDomainESNum.clear();
        deleteAllVariables();

        int total = 0;
        const TripletBase<float> centred(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF);
        try {
            for (std::size_t i = 0; i < m_parents.size(); ++i) {
                std::unique_ptr<SPGeometryInternal> internal(new SPGeometryInternal());
                internal->setDomain(p_domain);
                internal->setRandom(&random);
                // Each parent takes the grid point given at its own place in the caller's list.
                const std::size_t at = m_parentIndices[i];
                const TripletBase<float>& point = at < p_points.size() ? p_points[at] : centred;
                total += internal->doSampling(m_parents[i], p_method, m_parentCounts[i], p_first, p_second,
                                              p_third, point, accuracy, interpolant.get(), m_vertices,
                                              p_computeNormals ? m_vertexNormals.get() : nullptr,
                                              m_vertDomainESNum, p_reduction);
            }
        } catch (...) {
            finishPoints(p_computeNormals);
            throw;
        }
        finishPoints(p_computeNormals);

        if (interpolant && interpolant->size() == m_vertices.size())
            setInterpolant(interpolant.release());
        if (external && !domains.empty() && getGeometryInfo())
            if (Interpolant* made = getGeometryInfo()->createExternalInterpolant(m_vertices, domains, false))
                setInterpolant(made);
        return total;
    } catch (...) {
        m_last.method = InvalidMethod;
        throw;
    }
}

} // namespace zev
