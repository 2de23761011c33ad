#pragma once
// The interpolant of a boundary surface: every target face takes the value the parent stores
// on the matching boundary face or, when that face data is missing or not wanted, the value of
// the parent element the face belongs to. Faces are grouped by face type of one region.

#include "zev/interpolants/TypedInterpolant.h"

#include <cstddef>
#include <map>
#include <vector>

namespace zev {

class BoolFromEnvironment;

class ZEV_EXPORT FaceToFaceInterpolant : public TypedInterpolant<FaceToFaceInterpolant> {
public:
    // One domain; the region's three face types ("POLYGON", "QUAD" and "TRI" kinds) start empty.
    FaceToFaceInterpolant(const std::string& p_domain, const std::string& p_region);
    ~FaceToFaceInterpolant() override;

    // The number of faces listed over all face types.
    std::size_t size() const override;
    // Room is reserved per face type, with reserve(const std::string&, int).
    void reserve(std::size_t) override {}
    void write(std::ostream& p_os) const override;
    VarLocation getDestinationVarLocation() const override { return eFace; }
    std::string getName() const override { return "Face To Face Interpolant"; }

    void setBoundaryType(const std::string& p_type) { m_boundaryType = p_type; }
    const std::string& getBoundaryType() const { return m_boundaryType; }
    const std::string& getRegion() const { return m_region; }
    // Reserves room for p_count ints (three per face) in the list of p_faceType.
    void reserve(const std::string& p_faceType, int p_count);
    // Appends the face (parent element set index, parent element, local face number) to the
    // list of p_faceType.
    void pushFace(const std::string& p_faceType, int p_setIndex, int p_element, int p_localFace);
    // The flat list of triples of p_faceType.
    const std::vector<int>& getFaceSetData(const std::string& p_faceType) const;

    // MOLVERA_BOUNDARY_DATA_FROM_ELEMENTS: when set, parents holding element data are
    // interpolated from it rather than from their boundary face data (vector data on a
    // symmetry boundary excepted). Read once per process.
    static const BoolFromEnvironment& boundaryDataFromElements();

private:
    friend TypedInterpolant;
    // The typed interpolation of both value kinds (see TypedInterpolant). Face types are taken
    // in name order, each from its own start position in the target. From face data: each type
    // copies the parent's face array of the same name, up to its own face count; a type the
    // parent has no face data for stays undefined. From element data: each face takes its
    // parent element's value. Both read Conservative data whatever type is asked. Faces with
    // no source are undefined.
    template <class Parent, class Target>
    void interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                           Target& p_target) const;
    std::vector<int>& listOf(const std::string& p_faceType, const char* p_method);

    // Face type name -> flat list of (set index, element, local face) triples.
    std::map<std::string, std::vector<int>> m_faceTypeData;
    std::string m_region;
    std::string m_boundaryType;
    int m_faceCount = 0;
};

} // namespace zev
