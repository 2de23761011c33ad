#pragma once
// The base of the 3-D cells (Tet, Pyramid, Wedge, Hex, Polyhedron): the inside test and the
// interpolation weights shared by the element classes.

#include "zev/shapes/Shape.h"

namespace zev {

class ZEV_EXPORT Element : public Shape {
public:
    ~Element() override;

    bool isInside(const Triplet& p_point, const TripletZEVVector& p_vertices) const override;
    // Sizes the weights to the vertex count, all 0, and lets the element class fill them.
    bool constructWeights(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                          std::vector<float>& p_weights) const override;
    using Shape::constructWeights;

protected:
    Element() = default;
    Element(const Element&) = default;
    Element& operator=(const Element&) = default;

    // Fills weights already sized to the vertex count; true when the point is inside.
    virtual bool constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                                     std::vector<float>& p_weights) const = 0;

    // The dual-region layout of a fixed element type: the region points are the vertices,
    // then the midpoints of the listed edges, then the centres of the listed element faces,
    // then the centroid. Region rows are read with the given stride.
    struct RegionTables {
        const int (*midpoints)[2];
        int numMidpoints;
        const int* centreFaces;
        int numCentreFaces;
        const int (*regionFaces)[4];
        int numRegionFaces;
        const int* regionVertices;
        int regionVerticesStride;
        const int* regionVerticesSize;
    };
    // calculateRegions for the fixed element types, driven by their tables.
    void fillRegions(const RegionTables& p_tables, const TripletZEVVector& p_vertices,
                     TripletZEVVector& p_regionPoints, TripletZEVVector& p_faceCentres,
                     TripletZEVVector& p_faceAreaVectors, TripletZEVVector& p_regionCentres) const;

    // Signed volume of the tetrahedron on local vertices a, b, c, d: the triple product in
    // single precision, the division by 6 in double.
    float tetVolume(const TripletZEVVector& p_vertices, int p_a, int p_b, int p_c, int p_d) const;
};

} // namespace zev
