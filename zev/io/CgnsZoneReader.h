// Internal to the CGNS reader: one unstructured zone read into plain arrays (coordinates, element and face
// sets, line segments, solution fields) before the geometry is assembled. The work is split by node kind:
// CgnsZoneReader.cpp (zone, coordinates, solutions), CgnsSections.cpp (element sections) and
// CgnsBoundaryConditions.cpp (boundary conditions). Not part of the API: it includes cgnslib.h.
#pragma once

#include "zev/io/CgnsSupport.h"
#include "zev/io/MeshBuild.h"
#include "zev/io/VtkCellOrder.h"
#include "zev/shapes/ShapeType.h"

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zev::io::cgns {

// The number of values of an array of these dimensions, or -1 when they are negative or their product
// would not fit.
long long valueCount(int p_dim, cgsize_t const* p_dims);

// The polygon shape type of a face with this many corners.
int polygonShape(std::size_t p_corners);

// One set being filled: shapes as vertex lists in the library's corner order (0-based zone vertices), or
// polyhedra; the cell number of each shape (its rank among the zone's cells) for cell-centred fields.
struct SetBuild {
    std::string name;
    int shape = 0;
    bool element = false;
    std::vector<int> vertices;
    std::vector<std::size_t> starts{0};
    std::vector<PolyhedronTopology> polyhedra;
    std::vector<long long> cells;

    std::size_t size() const { return shape == zev::POLYHEDRON ? polyhedra.size() : starts.size() - 1; }
};

struct Field {
    std::string name;
    bool cellCentred = false;
    int components = 1;
    std::vector<double> values; // components values per item
};

struct ZoneData {
    std::string name;
    int cellDimension = 3;
    std::size_t numVertices = 0;
    std::vector<float> xyz;
    std::vector<SetBuild> sets;
    std::vector<int> lines;
    std::vector<Field> fields;
};

// A section as read: its element range and connectivity (offsets per element for every type).
struct Section {
    std::string name;
    std::string node;
    CGNS_ENUMT(ElementType_t) type = CGNS_ENUMV(ElementTypeNull);
    long long start = 0;
    long long end = 0;
    std::vector<cgsize_t> connectivity;
    std::vector<cgsize_t> offsets;
    // Per element: the set and position it went to (-1 when it is a face of the polyhedra only, or a
    // line segment).
    std::vector<int> set;
    std::vector<int> position;
    bool faceTable = false;

    long long count() const { return end - start + 1; }
};

// Reads one zone of a base: coordinates, then sections, then boundary conditions, then solutions.
class ZoneReader {
public:
    ZoneReader(CgnsFile& p_file, int p_base, std::string const& p_baseName, int p_cellDim, int p_physDim,
               int p_zone);
    ZoneData read(std::string const& p_solution);

private:
    [[noreturn]] void fail(std::string const& p_node, std::string const& p_what) const;
    void readCoordinates();
    static int dimensionOf(CGNS_ENUMT(ElementType_t) p_type);
    void readSections();

    // The section and index of an element number, or null.
    Section* locate(long long p_element, std::size_t& p_index);

    // NGON_n sections that the polyhedra of NFACE_n sections refer to hold the polyhedra's faces; they are
    // not surfaces of their own.
    void markFaceTables();
    int vertexOf(cgsize_t p_id, Section const& p_sec, long long p_element) const;
    SetBuild& setFor(Section& p_sec, std::size_t p_sectionIndex, int p_shape, bool p_element, int& p_slot);
    void buildSets();
    void lineFrom(std::vector<int> const& p_ids);
    void addPolyhedron(Section& p_sec, std::size_t p_si, long long p_element, cgsize_t const* p_faces,
                       long long p_n);

    // Sets of one section take the section's name; a section split into several shape types names each
    // set "SECTION-KIND".
    void nameSets();
    void readBoundaryConditions();
    long long maxElement() const { return m_order.empty() ? 0 : m_sections[m_order.back()].end; }

    // A face's vertices, from a set.
    std::vector<int> faceOf(int p_slot, int p_position) const;
    void addBoundarySet(std::string const& p_name, std::vector<std::vector<int>> const& p_faces);
    void addFaceBoundary(std::string const& p_name, std::string const& p_node,
                         std::vector<long long> const& p_items);

    // The faces of the volume elements, outward, as corner positions in the library's order.
    static std::vector<std::vector<int>> const& faceTable(int p_shape);

    // Without surface sections, a boundary given by its vertices takes the faces of the volume elements
    // that no other element shares and whose vertices all belong to it.
    void boundaryFacesWithin(std::vector<char> const& p_in, std::vector<std::vector<int>>& p_faces);

    // The faces of the volume elements that no other element shares, in element order.
    void findOuterFaces();

    // A boundary given by its vertices: the faces of the zone's surface sections whose vertices all belong
    // to it.
    void addVertexBoundary(std::string const& p_name, std::string const& p_node,
                           std::vector<long long> const& p_items, std::size_t p_sectionSets);
    void readSolutions(std::string const& p_solution);
    void readSolution(int p_sol, std::string const& p_name, bool p_cell);
    CgnsFile& m_file;
    int m_base;
    int m_cellDim;
    int m_physDim;
    int m_zone;
    std::string m_zonePath;
    long long m_numVertices = 0;
    long long m_numCells = 0;
    long long m_cellCount = 0;
    long long m_numElements = 0;
    bool m_outerKnown = false;
    std::vector<std::vector<int>> m_outerFaces;
    std::vector<Section> m_sections;
    std::vector<std::size_t> m_order;
    std::map<std::pair<std::size_t, int>, int> m_setSlot;
    std::vector<std::size_t> m_setSections;
    ZoneData m_out;
};

} // namespace zev::io::cgns
