#pragma once
// A tetrahedron with corner vertices 0 to 3.
// The topology tables are shared by all shapes of the class; a shape holds only its
// vertex indices.

#include "zev/shapes/ElementTables.h"

namespace zev {

class ZEV_EXPORT Tet : public TetElement {
public:
    // Largest case index of the marching table.
    static constexpr int m_tableIndex = 7;

    // Marching tables of the element cut: one row per case, and each row's used length.
    static const int m_marchingTable[m_tableIndex + 1][5];
    static const int m_marchingListSize[m_tableIndex + 1];

    ~Tet() override;

    // Signed volume as a sum of tetrahedra; positive for the standard local numbering.
    float getSimpleVolume(const TripletZEVVector& p_vertices) const final;
    // The volume from the 4 x 4 coordinate determinant, unsigned, shared equally by the
    // four vertices.
    float calcVertexVolumes(const TripletZEVVector& p_vertices,
                            FloatZEVVectorConcrete& p_vertexVolumes) const final;

protected:
    bool constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                             std::vector<float>& p_weights) const override;

private:
    // Parametric coordinates of the point in closed form (Cramer's rule in double precision).
    // A flat tetrahedron divides by a zero determinant and gives non-finite coordinates.
    void constructSTU(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices, float& p_s,
                      float& p_t, float& p_u) const;
};

static_assert(sizeof(Tet) == shapeFootprint(Tet::m_numVerts * sizeof(int)),
              "a Tet holds only its table pointer, proxy pointer and vertex indices");

} // namespace zev
