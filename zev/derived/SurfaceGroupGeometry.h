#pragma once
// Several surface geometries joined into one: the group holds the union of the members'
// vertices and face sets and serves each member variable as one variable laid out like the
// group. The members are borrowed and must outlive the group. Registered with the registry
// as "SurfaceGroupGeometry".

#include "zev/geometry/Geometry.h"

#include <string>
#include <vector>

namespace zev {

class ZEV_EXPORT SurfaceGroupGeometry : public Geometry {
public:
    SurfaceGroupGeometry() = default;

    // Registers a prototype with GeometryAPI under "SurfaceGroupGeometry". Called by the
    // host, once.
    static void registerType();

    // The members, not owned: destroying or clearing the group never deletes one.
    std::vector<Geometry*>& getGeometryVec() { return m_geometries; }
    const std::vector<Geometry*>& getGeometryVec() const { return m_geometries; }
    // Per member, the group vertex index of each of its vertices; filled by unify.
    const std::vector<std::vector<int>>& getVertexMaps() const { return m_vertexMaps; }

    // Joins the members' vertices, lines and face sets into this (empty) geometry, with a
    // hybrid interpolant back to the members when p_makeInterpolant. The group has face
    // data when every member has.
    void unify(bool p_makeInterpolant);

    // A new registered group with the same members and vertex maps, then the base clone's
    // contents. Not virtual: through a Geometry pointer the base clone applies. The base
    // forms stay visible beside it.
    using Geometry::clone;
    Geometry* clone(bool p_allowContents, bool p_copyInterpolants);

    // A variable held by the group, or one assembled from the members' variables of that
    // name: member values land at the member's vertices (through its vertex map) or, for
    // members with face data, in the member's run of the group's items. Items of members
    // without the variable are undefined. Null before unification or when no member has it.
    Variable* getVariable(const std::string& p_name, bool p_flag, const VarLocation& p_location) override;
    // The members' common search location, or Vertex when they disagree.
    VarLocation getVariableSearchLocation() override;

protected:
    // Shares the base's pointer-held contents with p_other (see Geometry's copy constructor)
    // and copies the member list and vertex maps.
    SurfaceGroupGeometry(const SurfaceGroupGeometry&) = default;
    ~SurfaceGroupGeometry() override = default;
    Geometry* newGeometry() override;

private:
    std::vector<Geometry*> m_geometries; // not owned
    std::vector<std::vector<int>> m_vertexMaps;
};

} // namespace zev
