#pragma once
// A wedge (triangular prism): the triangle 0, 1, 2 at the bottom and 3, 4, 5 above
// them (3 over 0, 4 over 1, 5 over 2).
// The topology tables are shared by all shapes of the class; a shape holds only its
// vertex indices.

#include "zev/shapes/ElementTables.h"

namespace zev {

class ZEV_EXPORT Wedge : public WedgeElement {
public:
    // Largest case index of the marching table.
    static constexpr int m_tableIndex = 31;

    // Marching tables of the element cut: one row per case, and each row's used length.
    static const int m_marchingTable[m_tableIndex + 1][9];
    static const int m_marchingListSize[m_tableIndex + 1];

    ~Wedge() override;

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

static_assert(sizeof(Wedge) == shapeFootprint(Wedge::m_numVerts * sizeof(int)),
              "a Wedge holds only its table pointer, proxy pointer and vertex indices");

} // namespace zev
