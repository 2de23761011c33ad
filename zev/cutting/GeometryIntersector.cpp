#include "zev/cutting/GeometryIntersector.h"

#include "zev/contracts/BoolFromEnvironment.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/Undefined.h"
#include "zev/cutting/Cone.h"
#include "zev/cutting/EdgeHashTable.h"
#include "zev/cutting/ElementCutter.h"
#include "zev/geometry/Geometry.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/ElementToFaceInterpolant.h"
#include "zev/shapes/Face.h"
#include "zev/shapes/Hex.h"
#include "zev/shapes/Pyramid.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeSetBase.h"
#include "zev/shapes/Tet.h"
#include "zev/shapes/Wedge.h"
#include "zev/variables/Variable.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace zev {

namespace {

const char* const kClass = "GeometryIntersector";
const char* const kMethod = "intersectWithGeometry";

// Created with the library, read on first use.
const BoolFromEnvironment s_noOctree("ZEV_NO_OCTREE");

// The output face kinds, in polygon size order; kinds 0 to 3 hold polygons of 3 to 6
// vertices, kind 4 every larger polygon.
constexpr int kKinds = 5;
const char* const kKindNames[kKinds] = {"TRIANGLE", "QUAD", "PENTAGON", "HEXAGON", "POLYGON"};
const ShapeType kKindTypes[kKinds] = {TRI, QUAD, PENTAGON, HEXAGON, POLYGON};
// The kinds in the string order of their names, which is the order the output numbers its
// faces in (its face sets share the output's name as prefix).
const int kKindsByName[kKinds] = {3, 2, 4, 1, 0};

int kindOf(int p_vertexCount)
{
    return std::min(p_vertexCount, 7) - 3;
}

double lengthOf(double p_x, double p_y, double p_z, bool p_undefined)
{
    return p_undefined ? double(ZEV_UNDEF) : std::sqrt(p_x * p_x + p_y * p_y + p_z * p_z);
}

bool hasUndefined(const Triplet& p_v)
{
    return p_v[0] == ZEV_UNDEF || p_v[1] == ZEV_UNDEF || p_v[2] == ZEV_UNDEF;
}

// The correction factor of a face set whose normal is p_normal, when the domain's sets carry
// p_factor: the normal's x and y scaled by the factor, relative to the normal. A zero normal
// has no direction to scale and keeps factor 1.
double scaledFactor(const Triplet& p_normal, double p_factor)
{
    const bool undefined = hasUndefined(p_normal);
    const double length = lengthOf(p_normal[0], p_normal[1], p_normal[2], undefined);
    if (length == 0.0)
        return 1.0;
    return lengthOf(p_factor * p_normal[0], p_factor * p_normal[1], p_normal[2], undefined) / length;
}

// A first guess at how many of p_candidates elements a surface cuts: a smooth surface
// through a volume of m cells meets on the order of m^(2/3) of them. Only used to size
// buffers, which still grow when the guess is short.
std::size_t estimatedCuts(std::size_t p_candidates)
{
    const double m = double(p_candidates);
    return std::min(p_candidates, std::size_t(3.0 * std::cbrt(m * m)) + 64);
}

// The elements of one set a cut walks: the listed candidates, or all of them.
struct Walk {
    const ShapeSet& set;
    const std::vector<int>* candidates; // null for every element
    std::size_t count;
    int setNumber;
    std::size_t step; // elements per progress increment
};

std::size_t elementAt(const Walk& p_walk, std::size_t p_c)
{
    return p_walk.candidates != nullptr ? std::size_t((*p_walk.candidates)[p_c]) : p_c;
}

// Walks a set of one fixed element class with the vertices' above flags at hand: most
// elements of a domain are not cut, and they are passed over on their contiguous storage
// without a virtual call, reading a byte per corner. False when the set does not hold that
// class.
template <class T>
bool walkFixed(const Walk& p_walk, const unsigned char* p_above, ElementCutter<EdgeHashTable>& p_cutter,
               ProgressTracker& p_progress)
{
    const auto* typed = dynamic_cast<const ShapeSetBase<T>*>(&p_walk.set);
    if (typed == nullptr)
        return false;
    const T* elements = typed->data();
    const std::size_t size = typed->size();
    const int corners = T::staticGetNumVertices();
    std::size_t untilIncrement = p_walk.step;
    for (std::size_t c = 0; c < p_walk.count; ++c) {
        const std::size_t e = elementAt(p_walk, c);
        if (e < size) {
            const T& element = elements[e];
            unsigned any = 0;
            unsigned all = 1;
            for (int q = 0; q < corners; ++q) {
                any |= p_above[element[q]];
                all &= p_above[element[q]];
            }
            if (any != all)
                p_cutter.cut(element, p_walk.setNumber, int(e));
        }
        if (--untilIncrement == 0) {
            p_progress.increment();
            untilIncrement = p_walk.step;
        }
    }
    return true;
}

void walkAny(const Walk& p_walk, ElementCutter<EdgeHashTable>& p_cutter, ProgressTracker& p_progress)
{
    const std::size_t size = p_walk.set.size();
    std::size_t untilIncrement = p_walk.step;
    for (std::size_t c = 0; c < p_walk.count; ++c) {
        const std::size_t e = elementAt(p_walk, c);
        if (e < size)
            p_cutter.cut(p_walk.set[e], p_walk.setNumber, int(e));
        if (--untilIncrement == 0) {
            p_progress.increment();
            untilIncrement = p_walk.step;
        }
    }
}

} // namespace

const BoolFromEnvironment& GeometryIntersector::noOctreeSwitch()
{
    return s_noOctree;
}

void GeometryIntersector::intersectWithGeometry(Geometry& p_output, const std::string& p_domainName,
                                                const Geometry* p_domain, const Variable* p_variable,
                                                VarType p_type, float p_isoValue)
{
    intersectWithGeometry(p_output, IsosurfaceIntersection, p_domainName, p_domain, p_variable, p_type,
                          p_isoValue, nullptr, Triplet(), 0.0f);
}

void GeometryIntersector::intersectWithGeometry(Geometry& p_output, const std::string& p_domainName,
                                                const Geometry* p_domain, const Triplet& p_normal, float p_d)
{
    intersectWithGeometry(p_output, PlaneIntersection, p_domainName, p_domain, nullptr, eUnknown, 0.0f,
                          nullptr, p_normal, p_d);
}

void GeometryIntersector::intersectWithGeometry(Geometry& p_output, const std::string& p_domainName,
                                                const Geometry* p_domain,
                                                const IntersectGeometryIface* p_surface,
                                                const Variable* p_variable)
{
    intersectWithGeometry(p_output, SurfaceIntersection, p_domainName, p_domain, p_variable, eUnknown, 0.0f,
                          p_surface, Triplet(), 0.0f);
}

void GeometryIntersector::intersectWithCone(Geometry& p_output, const std::string& p_domainName,
                                            const Geometry* p_domain, const Triplet& p_axis,
                                            const Triplet& p_tip, const Triplet& p_surfacePoint,
                                            const Variable* p_variable)
{
    const Cone cone(p_axis, p_tip, p_surfacePoint);
    intersectWithGeometry(p_output, p_domainName, p_domain, &cone, p_variable);
}

bool GeometryIntersector::planeCandidates(const Geometry& p_domain, const Triplet& p_normal, float p_d,
                                          int p_index, std::vector<int>& p_candidates)
{
    // The list is reused from set to set, and a set without an octree leaves it as it was.
    p_candidates.clear();
    p_domain.findElementsOnPlane(p_normal, p_d, p_index, p_candidates);
    return true;
}

void GeometryIntersector::intersectWithGeometry(Geometry& p_output, IntersectionType p_kind,
                                                const std::string& p_domainName, const Geometry* p_domain,
                                                const Variable* p_variable, VarType p_type, float p_isoValue,
                                                const IntersectGeometryIface* p_surface,
                                                const Triplet& p_normal, float p_d)
{
    if (p_kind == SurfaceIntersection && p_surface == nullptr)
        return;
    if (p_domain == nullptr)
        throw internal::nullPointer(kClass, kMethod,
                                    SystemMsg("Domain geometry '%1' is null.").arg(p_domainName));
    // Cut vertex ids are counted from 0 and must equal the output's vertex positions.
    if (p_output.getNumVertices() != 0)
        throw internal::badParam(kClass, kMethod,
                                 SystemMsg("Output geometry '%1' already holds %2 vertices.")
                                     .arg(p_output.getName())
                                     .arg(p_output.getNumVertices()));
    const Geometry& domain = *p_domain;
    const TripletZEVVector& domainVertices = domain.getVertices();
    const std::size_t vertexCount = domainVertices.size();
    const bool plane = p_kind == PlaneIntersection;

    // Vertex values from the variable, where the cut reads them. Every vertex needs one:
    // a short array would leave part of the domain uncut without notice.
    const bool fieldValues =
        p_kind == IsosurfaceIntersection || (p_kind == SurfaceIntersection && p_surface->useNodeValue());
    const FloatZEVVector* field = nullptr;
    if (fieldValues && p_variable != nullptr)
        field = &p_variable->getFloatValues(Variable::Description(p_type, eVertex, "All"));
    if (p_kind == IsosurfaceIntersection && field == nullptr)
        throw internal::badParam(
            kClass, kMethod,
            SystemMsg("No variable given for the isosurface of domain '%1'.").arg(p_domainName));
    if (field != nullptr && field->size() < vertexCount)
        throw internal::badParam(
            kClass, kMethod,
            SystemMsg("Variable '%1' has %2 vertex values for the %3 vertices of domain '%4'.")
                .arg(p_variable->getName())
                .arg(field->size())
                .arg(vertexCount)
                .arg(p_domainName));

    // Progress: one stage per element set (two for planes, the first for the octree
    // query), weighted by the set's share of the domain's elements.
    const int setCount = domain.getNumElementSets();
    std::size_t total = 0;
    for (int i = 0; i < setCount; ++i)
        if (const ShapeSet* set = domain.getElementSet(i))
            total += set->size();
    const std::size_t step = std::max<std::size_t>(1, total / 1000);
    ProgressTracker progress;
    std::vector<int> octreeStages(std::size_t(setCount), -1);
    std::vector<int> cutStages(std::size_t(setCount), -1);
    for (int i = 0; i < setCount; ++i) {
        const ShapeSet* set = domain.getElementSet(i);
        const int increments = set != nullptr ? int(set->size() / step) : 0;
        const std::string name = Geometry::getElementSetName(i);
        if (plane)
            octreeStages[std::size_t(i)] = progress.add(name + "-octree", 0.0, -1, increments);
        cutStages[std::size_t(i)] = progress.add(name, 0.0, -1, increments);
    }
    if (total > 0) {
        const double share = double(step) / (double(total) * (plane ? 2.0 : 1.0));
        for (int s = 0; s < progress.size(); ++s)
            progress.setWeight(s, progress.getTotalIncrements(s) * share);
    }

    // The output owns both interpolants from here on.
    auto* edgeInterpolant = new EdgeInterpolant(p_domainName);
    p_output.setInterpolant(edgeInterpolant);
    ElementToFaceInterpolant* faceInterpolant = nullptr;
    if (domain.hasElementData()) {
        faceInterpolant = new ElementToFaceInterpolant(p_domainName, setCount);
        p_output.appendInterpolant(faceInterpolant);
        p_output.hasFaceData(true);
    }

    const float threshold = plane                              ? p_d
                            : p_kind == IsosurfaceIntersection ? p_isoValue
                                                               : p_surface->onValue();

    const std::size_t expectedVertices = estimatedCuts(total) + estimatedCuts(total) / 4;
    TripletZEVVector& outVertices = p_output.getVertices();
    outVertices.reserve(expectedVertices);
    edgeInterpolant->reserve(expectedVertices);
    EdgeHashTable edges(expectedVertices);
    std::map<int, std::vector<int>> polygons; // no entry is erased while the cutter lives
    int nextVertex = 0;
    ElementCutter<EdgeHashTable> cutter(p_kind, domainVertices, p_normal, field, p_surface, threshold, edges,
                                        p_output, edgeInterpolant, nextVertex, polygons);

    // Vertex values computed once rather than once per element that uses the vertex. A
    // plane's and a field's are the same for every set; a surface's may depend on the set
    // and are computed per set when the set touches at least as many corners as the domain
    // has vertices.
    std::vector<float> values;
    const float* sharedValues = nullptr;
    const bool perSetValues = !plane && field == nullptr;
    if (!perSetValues) {
        const auto* concrete = dynamic_cast<const FloatZEVVectorConcrete*>(field);
        if (concrete != nullptr && concrete->size() != 0) {
            sharedValues = concrete->data();
        } else {
            cutter.computeVertexValues(0, values);
            sharedValues = values.data();
        }
        cutter.useVertexValues(sharedValues);
    }

    std::vector<int> candidates;
    std::vector<unsigned char> above;  // per vertex: its value lies above the threshold
    const float* classified = nullptr; // the values the flags were made from
    for (int i = 0; i < setCount; ++i) {
        progress.start(plane ? octreeStages[std::size_t(i)] : cutStages[std::size_t(i)], 0);
        const ShapeSet* set = domain.getElementSet(i);
        if (set == nullptr)
            throw internal::badParam("Geometry", "intersectWithGeometry",
                                     SystemMsg("Cannot find element set %1 in domain geometry.")
                                         .arg(Geometry::getElementSetName(i)));
        const bool listed = plane && !s_noOctree && planeCandidates(domain, p_normal, p_d, i, candidates);
        const Walk walk{*set, listed ? &candidates : nullptr, listed ? candidates.size() : set->size(),
                        set->getSetNumber(), step};
        if (plane) {
            progress.setTotalIncrements(cutStages[std::size_t(i)], int(walk.count / step));
            progress.start(cutStages[std::size_t(i)], 0);
        }
        if (faceInterpolant != nullptr)
            faceInterpolant->reserve(walk.setNumber, int(walk.count / 4));
        const float* setValues = sharedValues;
        if (perSetValues) {
            const std::size_t corners = set->size() * std::size_t(std::max(1, set->getNumVerticesPerShape()));
            setValues = nullptr;
            // The cutter evaluates through values it was given; it must not be holding any.
            cutter.useVertexValues(nullptr);
            if (corners >= vertexCount) {
                cutter.computeVertexValues(walk.setNumber, values);
                setValues = values.data();
                classified = nullptr; // same buffer, new values
            }
            cutter.useVertexValues(setValues);
        }

        if (setValues != nullptr && setValues != classified) {
            // The cut's own test: above when strictly greater than the threshold.
            above.resize(vertexCount);
            for (std::size_t v = 0; v < vertexCount; ++v)
                above[v] = setValues[v] > threshold;
            classified = setValues;
        }
        const unsigned char* flags = above.data();
        const bool walked =
            setValues != nullptr && vertexCount != 0 &&
            (walkFixed<Tet>(walk, flags, cutter, progress) || walkFixed<Hex>(walk, flags, cutter, progress) ||
             walkFixed<Wedge>(walk, flags, cutter, progress) ||
             walkFixed<Pyramid>(walk, flags, cutter, progress));
        if (!walked)
            walkAny(walk, cutter, progress);
    }

    // An estimate well above the outcome leaves its spare room with the output for good.
    if (std::size_t(nextVertex) * 5 < expectedVertices * 4) {
        TripletZEVVector exact;
        exact.reserve(outVertices.size());
        for (const Triplet& p : outVertices)
            exact.push_back(p);
        outVertices.swap(exact);
        std::vector<EdgeInterpolantData> records;
        records.reserve(edgeInterpolant->size());
        for (std::size_t v = 0; v < edgeInterpolant->size(); ++v)
            records.push_back(edgeInterpolant->getInternalData(v));
        edgeInterpolant->swapInternalData(records);
    }

    // Face sets by polygon size; the face interpolant numbers faces by kind name.
    std::size_t kindCounts[kKinds] = {};
    for (const auto& entry : polygons)
        if (entry.first >= 3)
            kindCounts[kindOf(entry.first)] += entry.second.size() / std::size_t(entry.first + 2);
    std::size_t firstFace[kKinds] = {};
    std::size_t faceCount = 0;
    for (int kind : kKindsByName) {
        firstFace[kind] = faceCount;
        faceCount += kindCounts[kind];
    }
    if (faceInterpolant != nullptr)
        faceInterpolant->reserve(faceCount);

    const std::string prefix = p_output.getName() + ":";
    for (int kind = 0; kind < kKinds; ++kind) {
        if (kindCounts[kind] == 0)
            continue;
        const std::string name = prefix + kKindNames[kind];
        ShapeSet* faces = p_output.addFaceSet(name, kKindTypes[kind], int(kindCounts[kind]), 1.0);
        if (faceInterpolant != nullptr)
            faceInterpolant->setFaceSetData(name, int(firstFace[kind]), int(kindCounts[kind]));
        std::size_t j = 0;
        for (const auto& entry : polygons) {
            const int k = entry.first;
            if (k < 3 || kindOf(k) != kind)
                continue;
            const std::vector<int>& records = entry.second;
            for (std::size_t r = 0; r + std::size_t(k) + 2 <= records.size(); r += std::size_t(k) + 2, ++j) {
                Shape& face = (*faces)[j];
                if (kind == kKinds - 1)
                    face.setNumVertices(k);
                for (int v = 0; v < k; ++v)
                    face[v] = records[r + 2 + std::size_t(v)];
                if (faceInterpolant != nullptr)
                    faceInterpolant->pushFace(records[r], records[r + 1], int(firstFace[kind] + j));
            }
        }
    }
    if (faceInterpolant != nullptr)
        faceInterpolant->pack();

    // Domains whose sets carry a correction factor other than 1 pass it on, scaled by the
    // direction of the surface.
    if (setCount == 0)
        return;
    const double factor = domain.getElementSet(setCount - 1)->getCorrectionFactor();
    if (!(std::fabs(factor - 1.0) > 1.1920928955078125e-07))
        return;
    const std::vector<std::string> names = p_output.getFaceSetNames();
    if (lengthOf(p_normal[0], p_normal[1], p_normal[2], hasUndefined(p_normal)) != 0.0) {
        const double f = scaledFactor(p_normal, factor);
        for (const std::string& name : names)
            p_output.getFaceSet(name)->setCorrectionFactor(f);
        return;
    }
    bool found = false;
    double f = 1.0;
    for (const std::string& name : names) {
        ShapeSet* faces = p_output.getFaceSet(name);
        if (!found) {
            if (faces->size() == 0) {
                faces->setCorrectionFactor(1.0);
                continue;
            }
            const auto* face = dynamic_cast<const Face*>(&(*faces)[0]);
            if (face == nullptr)
                throw internal::error(kClass, kMethod, SystemMsg("Invalid cast from Shape to Face"));
            Triplet normal;
            face->getNormal(std::as_const(p_output).getVertices(), normal, false);
            f = scaledFactor(normal, factor);
            found = true;
        }
        faces->setCorrectionFactor(f);
    }
}

} // namespace zev
