#pragma once
// A set of shapes of one class, as the rest of the library sees it: the shapes themselves
// (through ShapeSetBase<T>), the set's bounding box, its number, one caller number per shape,
// a correction factor that scales every area and volume measured on the set, and a label.

#include "zev/ZEVExport.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/ZEVVector.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeType.h"

#include <cstddef>
#include <string>

namespace zev {

class ZEV_EXPORT ShapeSet {
public:
    // The order of the virtual operations below is part of the interface; new ones go last.
    virtual ~ShapeSet();

    virtual std::size_t size() const = 0;
    // New shapes are default shapes; new per-shape numbers are 0.
    virtual void resize(std::size_t p_n) = 0;
    virtual ShapeType getType() const = 0;
    // Position p_i must be below size().
    virtual const Shape& operator[](std::size_t p_i) const = 0;
    virtual Shape& operator[](std::size_t p_i) = 0;
    // -1 for the variable-size classes.
    virtual int getNumVerticesPerShape() const = 0;
    virtual int getNumVertices() const;
    virtual int getNumEdgesPerShape() const = 0;
    // Adds each vertex's share of every shape's volume into p_vertexVolumes (indexed like
    // the vertex array) and returns the total volume.
    virtual float calcVertexVolumes(const TripletZEVVector& p_vertices,
                                    FloatZEVVectorConcrete& p_vertexVolumes) const;
    virtual bool empty() const = 0;
    // A new set with the same shapes, extents, correction factor and label; the caller owns it.
    virtual ShapeSet* clone() const = 0;
    // Removes every shape that uses one vertex twice, keeping the order of the others.
    virtual void removeDegenerate() = 0;

    int getNumEdges() const { return getNumEdgesPerShape() * static_cast<int>(size()); }

    void setSetNumber(int p_number) { m_setNumber = p_number; }
    int getSetNumber() const { return m_setNumber; }

    // The caller's number for shape p_i; positions past the per-shape numbers are ignored
    // by setNum and answer -1 from getNum.
    void setNum(std::size_t p_i, int p_value)
    {
        if (p_i < m_nums.size())
            m_nums[p_i] = p_value;
    }
    int getNum(std::size_t p_i) const { return p_i < m_nums.size() ? m_nums[p_i] : -1; }

    // The name the set's source gave it (a file's section name) where the geometry files it under
    // another, such as ES1; empty when the set has none. Only readers, writers and listings use it.
    void setLabel(const std::string& p_label) { m_label = p_label; }
    const std::string& getLabel() const { return m_label; }

    void setCorrectionFactor(const double& p_factor) { m_correctionFactor = p_factor; }
    const double& getCorrectionFactor() const { return m_correctionFactor; }

    void setExtents(const Triplet& p_min, const Triplet& p_max);
    // Copies the stored corners out; true when they have been set.
    bool getExtents(Triplet& p_min, Triplet& p_max) const;
    void clearExtents() const { m_extentsSet = false; }

    // The bounding box of the vertices the shapes use; also stored as the set's extents.
    // With no vertices or no shapes both corners are the undefined value and the stored
    // extents stay as they were.
    void calcExtents(const TripletZEVVector& p_vertices, Triplet& p_min, Triplet& p_max) const;
    // Adds every shape's area shares into the per-vertex arrays; returns the total area.
    float calcVertexAreas(const TripletZEVVector& p_vertices, TripletZEVVector& p_vertexAreaVectors,
                          FloatZEVVectorConcrete& p_vertexAreas) const;
    // Adds every shape's area shares into the per-vertex arrays as calcVertexAreas does, without
    // forming the total.
    void addVertexAreas(const TripletZEVVector& p_vertices, TripletZEVVector& p_vertexAreaVectors,
                        FloatZEVVectorConcrete& p_vertexAreas) const;
    // Drops the cached measures of every shape.
    void clearDataStores();

protected:
    ShapeSet() = default;
    explicit ShapeSet(std::size_t p_n) : m_nums(p_n, 0) {}
    ShapeSet(const ShapeSet&) = default;
    ShapeSet& operator=(const ShapeSet&) = default;

    // Extents are a cache of the vertex positions, so they may be updated on a const set.
    mutable Triplet m_min;
    mutable Triplet m_max;
    mutable bool m_extentsSet = false;
    int m_setNumber = 0;
    ZEVVector<int> m_nums;
    double m_correctionFactor = 1.0;
    std::string m_label;
};

} // namespace zev
