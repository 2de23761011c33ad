#pragma once
// A pyramid: the base quadrilateral 0, 1, 2, 3 in cyclic order and the apex 4.
// The topology tables are shared by all shapes of the class; a shape holds only its
// vertex indices.

#include "zev/shapes/ElementTables.h"

namespace zev {

class ZEV_EXPORT Pyramid : public PyramidElement {
public:
    // Largest case index of the marching table.
    static constexpr int m_tableIndex = 15;

    // Marching tables of the element cut: one row per case, and each row's used length.
    static const int m_marchingTable[m_tableIndex + 1][8];
    static const int m_marchingListSize[m_tableIndex + 1];

    ~Pyramid() override;

    // Signed volume as a sum of tetrahedra; positive for the standard local numbering.
    float getSimpleVolume(const TripletZEVVector& p_vertices) const final;

protected:
    bool constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                             std::vector<float>& p_weights) const override;

private:
    // Parametric coordinates of the point by Newton's method; false when the iteration
    // failed, with s = t = u = 0.5.
    bool constructSTU(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices, float& p_s,
                      float& p_t, float& p_u) const;
};

static_assert(sizeof(Pyramid) == shapeFootprint(Pyramid::m_numVerts * sizeof(int)),
              "a Pyramid holds only its table pointer, proxy pointer and vertex indices");

} // namespace zev
