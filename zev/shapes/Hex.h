#pragma once
// A hexahedron: vertex i sits at the parametric corner (i mod 2, (i div 2) mod 2, i div 4),
// so 0-1, 2-3, 4-5 and 6-7 run along the first parametric direction.
// The topology tables are shared by all shapes of the class; a shape holds only its
// vertex indices.

#include "zev/shapes/ElementTables.h"

namespace zev {

class ZEV_EXPORT Hex : public HexElement {
public:
    // Largest case index of the marching table.
    static constexpr int m_tableIndex = 255;

    // Marching tables of the element cut: one row per case, and each row's used length.
    static const int m_marchingTable[m_tableIndex + 1][46];
    static const int m_marchingListSize[m_tableIndex + 1];

    ~Hex() override;

    // Signed volume as a sum of tetrahedra; positive for the standard local numbering.
    float getSimpleVolume(const TripletZEVVector& p_vertices) const final;
    // The dual regions' volumes from a closed form over the corners alone (the same values
    // as the region faces give, without building them).
    float getVolume(const TripletZEVVector& p_vertices, FloatZEVVectorConcrete& p_vertexVolumes) const final;
    using Element::getVolume;
    float calcVertexVolumes(const TripletZEVVector& p_vertices,
                            FloatZEVVectorConcrete& p_vertexVolumes) const final;

protected:
    bool constructWeightsImp(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices,
                             std::vector<float>& p_weights) const override;

private:
    // Parametric coordinates of the point by Newton's method; false when the iteration
    // failed, with s = t = u = 0.5.
    bool constructSTU(float p_x, float p_y, float p_z, const TripletZEVVector& p_vertices, float& p_s,
                      float& p_t, float& p_u) const;
};

static_assert(sizeof(Hex) == shapeFootprint(Hex::m_numVerts * sizeof(int)),
              "a Hex holds only its table pointer, proxy pointer and vertex indices");

} // namespace zev
