#pragma once
// A geometry that carries the contour-line and fringe-face index lists its creator fills for
// contour displays. The library stores the lists and does not interpret them. Registered
// with the registry as "ContourGeometry".

#include "zev/geometry/Geometry.h"

#include <utility>
#include <vector>

namespace zev {

class ZEV_EXPORT ContourGeometry : public Geometry {
public:
    using FringeFaceVectors = std::vector<std::vector<std::pair<int, int>>>;
    using ContourLineVectors = std::vector<std::vector<int>>;

    ContourGeometry() = default;

    // Registers a prototype with GeometryAPI under "ContourGeometry". Called by the host, once.
    static void registerType();

    FringeFaceVectors& getFringeFaceVectors() { return m_fringeFaceVectors; }
    const FringeFaceVectors& getFringeFaceVectors() const { return m_fringeFaceVectors; }
    ContourLineVectors& getContourLineVectors() { return m_contourLineVectors; }
    const ContourLineVectors& getContourLineVectors() const { return m_contourLineVectors; }

protected:
    // Shares the base's pointer-held contents with p_other (see Geometry's copy constructor)
    // and copies the two lists.
    ContourGeometry(const ContourGeometry&) = default;
    ~ContourGeometry() override = default;
    Geometry* newGeometry() override;

private:
    FringeFaceVectors m_fringeFaceVectors;
    ContourLineVectors m_contourLineVectors;
};

} // namespace zev
