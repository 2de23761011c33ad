#pragma once
// The interpolant of a surface taken from a volume mesh (a slice, an isosurface, a boundary):
// every target face takes the value of the parent element it belongs to. Faces are grouped
// by parent element set so that each parent array is fetched once per set.

#include "zev/interpolants/TypedInterpolant.h"

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

namespace zev {

class ZEV_EXPORT ElementToFaceInterpolant : public TypedInterpolant<ElementToFaceInterpolant> {
public:
    // One domain; at most p_maxSets distinct parent element sets may be named by faces.
    ElementToFaceInterpolant(const std::string& p_domain, int p_maxSets);
    ~ElementToFaceInterpolant() override;

    std::size_t size() const override { return m_faceCount; }
    // Sizes the face table for p_count target faces; call it before pushing faces.
    void reserve(std::size_t p_count) override;
    void write(std::ostream& p_os) const override;
    VarLocation getDestinationVarLocation() const override { return eFace; }
    std::string getName() const override { return "Element To Face Interpolant"; }

    // Reserves room for p_count faces of parent element set p_setIndex.
    void reserve(int p_setIndex, int p_count);
    // Records that target face p_face comes from element p_element of set p_setIndex. The face
    // must lie in the table sized by reserve(size_t).
    void pushFace(int p_setIndex, int p_element, int p_face);
    // Releases the spare capacity of the per-set arrays once filling is complete.
    void pack();
    // Records that face set p_name covers target faces p_first .. p_first + p_count - 1.
    void setFaceSetData(const std::string& p_name, int p_first, int p_count);
    // (parent element set index, parent element) of each face of face set p_name, as far as
    // the face table reaches.
    std::vector<std::pair<int, int>> getFaceSetData(const std::string& p_name) const;

private:
    friend TypedInterpolant;
    // The typed interpolation of both value kinds (see TypedInterpolant). Element data is read
    // as Conservative whatever type is asked (the variable resolves it). Faces whose element
    // set the parent lacks, that name an element outside the parent's array, or that no pair
    // covers, are undefined.
    template <class Parent, class Target>
    void interpolateValues(const std::vector<const Parent*>& p_parents, VarType p_type,
                           Target& p_target) const;
    // The array id of p_setIndex, handed out in the order sets are first met.
    int getElementArrayID(int p_setIndex);
    // The id p_setIndex has or would get; refuses a set beyond the allowed number.
    int findElementArrayID(int p_setIndex) const;

    // Per array id: (parent element, target face) pairs.
    std::vector<std::vector<std::pair<int, int>>> m_elementArrays;
    // Face set name -> (first target face, face count).
    std::map<std::string, std::pair<int, int>> m_faceSets;
    // Parent element set index -> array id, and back.
    std::map<int, int> m_arrayIds;
    std::vector<int> m_arraySets;
    // Per target face: (parent element set index, parent element).
    std::vector<std::pair<int, int>> m_faceSources;
    std::size_t m_faceCount = 0;
    int m_maxArrays = 0;
    int m_numArrays = 0;
};

} // namespace zev
