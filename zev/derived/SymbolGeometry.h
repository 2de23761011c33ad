#pragma once
// A geometry whose vertices each carry a direction and an orientation, for drawing symbols
// such as arrows and glyphs. The library only stores the two vectors; the geometries that
// place symbols fill them. Registered with the registry as "SymbolGeometry".

#include "zev/contracts/TripletZEVVector.h"
#include "zev/geometry/Geometry.h"

namespace zev {

class ZEV_EXPORT SymbolGeometry : public Geometry {
public:
    SymbolGeometry() = default;

    // Registers a prototype with GeometryAPI under "SymbolGeometry". Called by the host, once.
    static void registerType();

    TripletZEVVector& getDirections() { return m_directions; }
    const TripletZEVVector& getDirections() const { return m_directions; }
    TripletZEVVector& getOrientations() { return m_orientations; }
    const TripletZEVVector& getOrientations() const { return m_orientations; }

protected:
    // Shares the base's pointer-held contents with p_other (see Geometry's copy constructor)
    // and copies the two vectors.
    SymbolGeometry(const SymbolGeometry&) = default;
    ~SymbolGeometry() override = default;
    Geometry* newGeometry() override;

private:
    TripletZEVVector m_directions;
    TripletZEVVector m_orientations;
};

} // namespace zev
