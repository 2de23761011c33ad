// Assembly of a geometry from others: the concatenation of surfaces, and the subdomain of
// chosen element sets.

#include "zev/topology/GeometryAssembly.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/geometry/Geometry.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/shapes/ShapeDispatch.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

namespace zev {

namespace {

const char* const kClass = "Geometry";

// Refuses to copy p_needed items into a target sized for p_available; p_text names the
// array and carries the two counts.
void requireTargetSize(const char* p_text, std::size_t p_needed, std::size_t p_available)
{
    if (p_available < p_needed)
        throw internal::error(kClass, "unify", SystemMsg(p_text).arg(p_needed).arg(p_available));
}

} // namespace

int unifyGeometries(Geometry& p_target, std::vector<Geometry*>& p_sources,
                    std::vector<std::vector<int>>& p_vertexMaps, bool p_makeMaps, bool p_makeInterpolant)
{
    TripletZEVVector& vertices = p_target.getVertices();
    IntZEVVector& targetLines = p_target.getLines();
    if (p_target.getNumElements() > 0)
        throw data::invalid(kClass, "unify", SystemMsg("Target Geometry already contains Elements."));
    if (!p_target.getFaceSetNames().empty())
        throw data::invalid(kClass, "unify", SystemMsg("Target Geometry already contains face sets."));
    if (p_target.getNumVars() != 0)
        throw data::invalid(kClass, "unify", SystemMsg("Target Geometry already contains Variables."));
    if (p_target.hasInterpolant())
        throw data::invalid(kClass, "unify", SystemMsg("Target Geometry already contains an interpolant."));
    if (p_sources.empty())
        throw data::invalid(kClass, "unify", SystemMsg("Geometry Vector provided is empty."));

    std::size_t vertexTotal = 0;
    std::size_t lineTotal = 0;
    for (const Geometry* source : p_sources) {
        if (source == nullptr)
            throw internal::nullPointer(kClass, "unify", SystemMsg("GeometryVector contains null pointers."));
        vertexTotal += source->getVertices().size();
        lineTotal += source->getLines().size();
    }

    HybridInterpolant* hybrid = nullptr;
    if (p_makeInterpolant) {
        hybrid = new HybridInterpolant();
        p_target.setInterpolant(hybrid);
        hybrid->reserve(vertexTotal);
    }

    vertices.resize(vertexTotal);
    targetLines.resize(lineTotal);
    if (p_makeMaps)
        p_vertexMaps.resize(p_sources.size());

    std::size_t vertexOffset = 0;
    std::size_t lineOffset = 0;
    int faceCounter = 0;
    for (std::size_t k = 0; k < p_sources.size(); ++k) {
        Geometry* source = p_sources[k];
        const std::size_t count = std::as_const(*source).getVertices().size();
        if (p_makeMaps)
            p_vertexMaps[k].resize(count);
        requireTargetSize("Vertex sizing of new geometry insufficient, need at least %1, got %2.",
                          vertexOffset + count, vertices.size());
        for (std::size_t i = 0; i < count; ++i) {
            vertices[vertexOffset + i] = std::as_const(*source).getVertices()[i];
            if (p_makeMaps)
                p_vertexMaps[k][i] = static_cast<int>(vertexOffset + i);
        }

        if (hybrid) {
            const Interpolant* first =
                source->getInterpolantList().empty() ? nullptr : source->getInterpolantList().front();
            for (std::size_t i = 0; i < count; ++i) {
                HybridInterpolantData data;
                std::string domain;
                if (first)
                    first->getInternalData(static_cast<int>(i), data, domain);
                hybrid->pushVertex(data, domain);
            }
        }

        const std::size_t lines = source->getLines().size();
        requireTargetSize("Lines sizing of new geometry insufficient, need at least %1, got %2.",
                          lineOffset + lines, targetLines.size());
        const int shift = static_cast<int>(vertexOffset);
        for (std::size_t i = 0; i < lines; ++i)
            targetLines[lineOffset + i] = source->getLines()[i] + shift;

        for (const std::string& name : source->getFaceSetNames()) {
            const ShapeSet* set = source->getFaceSet(name);
            if (set == nullptr)
                continue;
            std::unique_ptr<ShapeSet> copy(set->clone());
            forEachShape(*copy, [shift](auto& p_shape) {
                const int n = p_shape.getNumVertices();
                for (int v = 0; v < n; ++v)
                    p_shape[v] += shift;
            });
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%s%010d", "FS", faceCounter);
            while (p_target.getFaceSet(buffer) != nullptr) {
                ++faceCounter;
                std::snprintf(buffer, sizeof buffer, "%s%010d", "FS", faceCounter);
            }
            p_target.insertFaceSet(buffer, copy.get());
            copy.release();
            ++faceCounter;
        }

        vertexOffset += count;
        lineOffset += lines;
    }
    return static_cast<int>(vertexTotal);
}

void assembleSubdomain(Geometry& p_target, Geometry* p_domain,
                       const std::vector<std::string>& p_elementSetNames)
{
    if (p_domain == nullptr)
        throw internal::nullPointer(kClass, "constructSubdomain", SystemMsg("No domain geometry provided."));
    if (p_elementSetNames.empty())
        return;

    const std::size_t domainVertices = std::as_const(*p_domain).getVertices().size();
    std::vector<ShapeSet*> inserted;
    std::vector<int> used;
    for (const std::string& name : p_elementSetNames) {
        const ShapeSet* set = p_domain->getElementSet(name);
        if (set == nullptr)
            throw internal::nullPointer(kClass, "constructSubdomain",
                                        UserMsg("Could not find element set %1 for domain %2.")
                                            .arg(name)
                                            .arg(p_domain->getBaseName()));
        std::unique_ptr<ShapeSet> copy(set->clone());
        // Variable-size elements take part with their own vertex lists, so a polyhedron
        // set is renumbered like the others.
        std::size_t before = used.size();
        bool valid = true;
        forEachShape(*copy, [&](auto& p_shape) {
            const int n = p_shape.getNumVertices();
            for (int v = 0; v < n; ++v) {
                const int index = p_shape[v];
                valid = valid && index >= 0 && static_cast<std::size_t>(index) < domainVertices;
                used.push_back(index);
            }
        });
        if (!valid) {
            used.resize(before);
            throw data::invalid(kClass, "constructSubdomain",
                                SystemMsg("Element set %1 refers to vertices domain %2 does not have.")
                                    .arg(name)
                                    .arg(p_domain->getBaseName()));
        }
        p_target.insertElementSet(name, copy.get());
        inserted.push_back(copy.release());
    }

    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());

    TripletZEVVector& vertices = p_target.getVertices();
    vertices.resize(used.size());
    auto* interpolant = new VertexInterpolant(p_domain->getName());
    std::unique_ptr<VertexInterpolant> owner(interpolant);
    interpolant->reserve(used.size());
    for (std::size_t k = 0; k < used.size(); ++k) {
        interpolant->pushVertex(used[k]);
        vertices[k] = std::as_const(*p_domain).getVertices()[static_cast<std::size_t>(used[k])];
    }

    for (ShapeSet* set : inserted)
        forEachShape(*set, [&](auto& p_shape) {
            const int n = p_shape.getNumVertices();
            for (int v = 0; v < n; ++v)
                p_shape[v] =
                    static_cast<int>(std::lower_bound(used.begin(), used.end(), p_shape[v]) - used.begin());
        });

    p_target.setInterpolant(owner.release());
}

} // namespace zev
