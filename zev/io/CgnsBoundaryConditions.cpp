#include "zev/io/CgnsZoneReader.h"

#include "zev/io/FormatError.h"
#include "zev/shapes/GeometryUtilities.h"
#include "zev/shapes/Shape.h"

#include <algorithm>
#include <cstddef>

namespace zev::io::cgns {

void ZoneReader::readBoundaryConditions()
{
    nameSets();
    int nbocos = 0;
    m_file.check(cg_nbocos(m_file.fn, m_base, m_zone, &nbocos), m_zonePath);
    std::size_t const sectionSets = m_out.sets.size();
    for (int bc = 1; bc <= nbocos; ++bc) {
        char name[64] = {0};
        CGNS_ENUMT(BCType_t) bcType;
        CGNS_ENUMT(PointSetType_t) ptsetType;
        cgsize_t npnts = 0, normalListSize = 0;
        int normalIndex[3] = {0, 0, 0};
        CGNS_ENUMT(DataType_t) normalType;
        int ndataset = 0;
        std::string node = m_zonePath + "/ZoneBC";
        m_file.check(cg_boco_info(m_file.fn, m_base, m_zone, bc, name, &bcType, &ptsetType, &npnts,
                                  normalIndex, &normalListSize, &normalType, &ndataset),
                     node);
        node += "/" + std::string(name);
        CGNS_ENUMT(GridLocation_t) location = CGNS_ENUMV(Vertex);
        m_file.check(cg_boco_gridlocation_read(m_file.fn, m_base, m_zone, bc, &location), node);
        bool const range = ptsetType == CGNS_ENUMV(PointRange) || ptsetType == CGNS_ENUMV(ElementRange);
        bool const list = ptsetType == CGNS_ENUMV(PointList) || ptsetType == CGNS_ENUMV(ElementList);
        if (!range && !list) {
            fail(node, "the boundary condition has neither a point range nor a point list");
        }
        bool const elements = ptsetType == CGNS_ENUMV(ElementRange) || ptsetType == CGNS_ENUMV(ElementList) ||
                              location == CGNS_ENUMV(FaceCenter);
        if (m_cellDim != 3 || (!elements && location != CGNS_ENUMV(Vertex))) {
            continue; // edges of a surface zone, or cells: no face set to make
        }
        if ((range && npnts != 2) || npnts < 0) {
            fail(node, "a point range needs 2 values, not " + std::to_string(npnts));
        }
        m_file.checkCount(npnts, node + "/PointList");
        std::vector<cgsize_t> points(static_cast<std::size_t>(npnts));
        if (npnts > 0) {
            m_file.check(cg_boco_read(m_file.fn, m_base, m_zone, bc, points.data(), nullptr), node);
        }
        std::vector<long long> items;
        if (range) {
            long long const lo = points[0], hi = points[1];
            long long const limit = elements ? maxElement() : m_numVertices;
            if (lo < 1 || hi < lo || hi > limit) {
                fail(node, "the point range " + std::to_string(lo) + ".." + std::to_string(hi) +
                               " lies outside 1.." + std::to_string(limit));
            }
            // Every element of the range must exist: it cannot be longer than the zone has elements.
            if (elements && hi - lo + 1 > m_numElements) {
                fail(node, "the point range " + std::to_string(lo) + ".." + std::to_string(hi) +
                               " is longer than the zone's " + std::to_string(m_numElements) + " elements");
            }
            items.reserve(static_cast<std::size_t>(hi - lo + 1));
            for (long long i = lo; i <= hi; ++i) {
                items.push_back(i);
            }
        } else {
            items.assign(points.begin(), points.end());
        }
        if (elements) {
            addFaceBoundary(name, node, items);
        } else {
            addVertexBoundary(name, node, items, sectionSets);
        }
    }
}

std::vector<int> ZoneReader::faceOf(int p_slot, int p_position) const
{
    SetBuild const& from = m_out.sets[static_cast<std::size_t>(p_slot)];
    std::size_t const p = static_cast<std::size_t>(p_position);
    return std::vector<int>(from.vertices.begin() + static_cast<std::ptrdiff_t>(from.starts[p]),
                            from.vertices.begin() + static_cast<std::ptrdiff_t>(from.starts[p + 1]));
}

void ZoneReader::addBoundarySet(std::string const& p_name, std::vector<std::vector<int>> const& p_faces)
{
    // The faces by shape type, in the boundary condition's order.
    std::map<int, SetBuild> byShape;
    for (std::vector<int> const& face : p_faces) {
        int const shape = polygonShape(face.size());
        SetBuild& to = byShape[shape];
        to.shape = shape;
        to.vertices.insert(to.vertices.end(), face.begin(), face.end());
        to.starts.push_back(to.vertices.size());
        to.cells.push_back(-1);
    }
    for (auto& [shape, set] : byShape) {
        set.name = byShape.size() > 1 ? zev::GeometryUtilities::getFaceSetName(p_name, upperShapeName(shape))
                                      : p_name;
        // A boundary condition naming a section's own faces is that section's face set.
        bool same = false;
        for (SetBuild const& existing : m_out.sets) {
            if (existing.name == set.name) {
                same = !existing.element && existing.shape == set.shape &&
                       existing.vertices == set.vertices && existing.starts == set.starts;
                if (!same) {
                    set.name = "ZoneBC/" + set.name;
                }
                break;
            }
        }
        if (!same) {
            m_out.sets.push_back(std::move(set));
        }
    }
}

void ZoneReader::addFaceBoundary(std::string const& p_name, std::string const& p_node,
                                 std::vector<long long> const& p_items)
{
    std::vector<std::vector<int>> faces;
    faces.reserve(p_items.size());
    for (long long element : p_items) {
        std::size_t index = 0;
        Section* sec = locate(element, index);
        int const slot = sec != nullptr ? sec->set[index] : -1;
        if (slot < 0 || m_out.sets[static_cast<std::size_t>(slot)].element) {
            fail(p_node, "element " + std::to_string(element) + " is not a face of the zone");
        }
        faces.push_back(faceOf(slot, sec->position[index]));
    }
    addBoundarySet(p_name, faces);
}

std::vector<std::vector<int>> const& ZoneReader::faceTable(int p_shape)
{
    static std::vector<std::vector<int>> const tet{{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};
    static std::vector<std::vector<int>> const pyramid{
        {0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
    static std::vector<std::vector<int>> const wedge{
        {0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
    static std::vector<std::vector<int>> const hex{{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                                   {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    switch (p_shape) {
    case zev::TET:
        return tet;
    case zev::PYRAMID:
        return pyramid;
    case zev::WEDGE:
        return wedge;
    default:
        return hex;
    }
}

void ZoneReader::boundaryFacesWithin(std::vector<char> const& p_in, std::vector<std::vector<int>>& p_faces)
{
    if (!m_outerKnown) {
        findOuterFaces();
        m_outerKnown = true;
    }
    for (auto const& face : m_outerFaces) {
        bool all = true;
        for (std::size_t k = 0; k < face.size() && all; ++k) {
            all = p_in[static_cast<std::size_t>(face[k])] != 0;
        }
        if (all) {
            p_faces.push_back(face);
        }
    }
}

void ZoneReader::findOuterFaces()
{
    std::vector<std::vector<int>> candidates;
    for (SetBuild const& set : m_out.sets) {
        if (!set.element) {
            continue;
        }
        for (std::size_t i = 0; i < set.size(); ++i) {
            if (set.shape == zev::POLYHEDRON) {
                PolyhedronTopology const& t = set.polyhedra[i];
                for (auto const& face : t.faces) {
                    candidates.emplace_back();
                    for (int local : face) {
                        candidates.back().push_back(t.vertices[static_cast<std::size_t>(local)]);
                    }
                }
                continue;
            }
            int const* corners = set.vertices.data() + set.starts[i];
            for (auto const& row : faceTable(set.shape)) {
                candidates.emplace_back();
                for (int k : row) {
                    candidates.back().push_back(corners[k]);
                }
            }
        }
    }
    std::map<std::vector<int>, int> uses;
    std::vector<std::vector<int>> keys(candidates.size());
    for (std::size_t f = 0; f < candidates.size(); ++f) {
        keys[f] = candidates[f];
        std::sort(keys[f].begin(), keys[f].end());
        ++uses[keys[f]];
    }
    for (std::size_t f = 0; f < candidates.size(); ++f) {
        if (uses[keys[f]] == 1) {
            m_outerFaces.push_back(std::move(candidates[f]));
        }
    }
}

void ZoneReader::addVertexBoundary(std::string const& p_name, std::string const& p_node,
                                   std::vector<long long> const& p_items, std::size_t p_sectionSets)
{
    std::vector<char> in(static_cast<std::size_t>(m_numVertices), 0);
    for (long long v : p_items) {
        if (v < 1 || v > m_numVertices) {
            fail(p_node, "vertex " + std::to_string(v) + " lies outside 1.." + std::to_string(m_numVertices));
        }
        in[static_cast<std::size_t>(v - 1)] = 1;
    }
    std::vector<std::vector<int>> faces;
    bool surfaces = false;
    for (std::size_t s = 0; s < p_sectionSets; ++s) {
        SetBuild const& set = m_out.sets[s];
        if (set.element) {
            continue;
        }
        surfaces = true;
        for (std::size_t i = 0; i + 1 < set.starts.size(); ++i) {
            bool all = true;
            for (std::size_t k = set.starts[i]; k < set.starts[i + 1] && all; ++k) {
                all = in[static_cast<std::size_t>(set.vertices[k])] != 0;
            }
            if (all) {
                faces.push_back(faceOf(static_cast<int>(s), static_cast<int>(i)));
            }
        }
    }
    if (!surfaces) {
        boundaryFacesWithin(in, faces);
    }
    addBoundarySet(p_name, faces);
}

} // namespace zev::io::cgns
