#include "zev/io/CgnsZoneReader.h"

#include "zev/io/FormatError.h"
#include "zev/shapes/GeometryUtilities.h"
#include "zev/shapes/Shape.h"

#include <algorithm>
#include <unordered_map>

namespace zev::io::cgns {

int polygonShape(std::size_t p_corners)
{
    return libraryShapeType(VtkCellType::Polygon, static_cast<int>(std::min<std::size_t>(p_corners, 7)));
}

int ZoneReader::dimensionOf(CGNS_ENUMT(ElementType_t) p_type)
{
    cgns::ElementTypeInfo const* info = cgns::elementTypeInfo(p_type);
    return info != nullptr ? info->dimension : 0;
}

void ZoneReader::readSections()
{
    int nsections = 0;
    m_file.check(cg_nsections(m_file.fn, m_base, m_zone, &nsections), m_zonePath);
    m_sections.resize(static_cast<std::size_t>(std::max(nsections, 0)));
    for (int s = 1; s <= nsections; ++s) {
        Section& sec = m_sections[static_cast<std::size_t>(s - 1)];
        char name[64] = {0};
        cgsize_t start = 0, end = 0;
        int nbndry = 0, parentFlag = 0;
        m_file.check(cg_section_read(m_file.fn, m_base, m_zone, s, name, &sec.type, &start, &end, &nbndry,
                                     &parentFlag),
                     m_zonePath);
        sec.name = name;
        sec.node = m_zonePath + "/" + sec.name;
        sec.start = start;
        sec.end = end;
        if (start < 1 || end < start) {
            fail(sec.node, "the element range " + std::to_string(start) + ".." + std::to_string(end) +
                               " is empty or starts below 1");
        }
        bool const poly = sec.type == CGNS_ENUMV(MIXED) || sec.type == CGNS_ENUMV(NGON_n) ||
                          sec.type == CGNS_ENUMV(NFACE_n);
        if (!poly && dimensionOf(sec.type) == 0) {
            fail(sec.node, std::string("unsupported element type ") + cgns::elementTypeName(sec.type));
        }
        long long const count = sec.count();
        cgsize_t size = 0;
        m_file.check(cg_ElementDataSize(m_file.fn, m_base, m_zone, s, &size), sec.node);
        int npe = 0;
        if (!poly) {
            m_file.check(cg_npe(sec.type, &npe), sec.node);
            if (static_cast<long long>(size) != count * npe) {
                fail(sec.node + "/ElementConnectivity", "holds " + std::to_string(size) + " values for " +
                                                            std::to_string(count) + " " +
                                                            cgns::elementTypeName(sec.type) + " elements");
            }
        } else if (size < count) {
            fail(sec.node + "/ElementConnectivity",
                 "holds " + std::to_string(size) + " values for " + std::to_string(count) + " elements");
        }
        m_file.checkCount(size, sec.node + "/ElementConnectivity");
        m_file.checkCount(count, sec.node + "/ElementRange");
        m_numElements += count;
        sec.connectivity.resize(static_cast<std::size_t>(size));
        sec.offsets.resize(static_cast<std::size_t>(count) + 1);
        if (poly) {
            m_file.check(cg_poly_elements_read(m_file.fn, m_base, m_zone, s, sec.connectivity.data(),
                                               sec.offsets.data(), nullptr),
                         sec.node);
            if (sec.offsets[0] != 0 || sec.offsets.back() != size) {
                fail(sec.node + "/ElementStartOffset",
                     "does not run from 0 to the connectivity's " + std::to_string(size) + " values");
            }
            for (std::size_t e = 0; e + 1 < sec.offsets.size(); ++e) {
                if (sec.offsets[e + 1] <= sec.offsets[e]) {
                    fail(sec.node + "/ElementStartOffset",
                         "element " + std::to_string(sec.start + static_cast<long long>(e)) +
                             " has no connectivity");
                }
            }
        } else {
            m_file.check(cg_elements_read(m_file.fn, m_base, m_zone, s, sec.connectivity.data(), nullptr),
                         sec.node);
            for (std::size_t e = 0; e < sec.offsets.size(); ++e) {
                sec.offsets[e] = static_cast<cgsize_t>(e) * npe;
            }
        }
    }
    // Element numbers identify elements across sections: their ranges may not overlap.
    m_order.resize(m_sections.size());
    for (std::size_t s = 0; s < m_sections.size(); ++s) {
        m_order[s] = s;
    }
    std::sort(m_order.begin(), m_order.end(),
              [&](std::size_t a, std::size_t b) { return m_sections[a].start < m_sections[b].start; });
    for (std::size_t k = 1; k < m_order.size(); ++k) {
        Section const& a = m_sections[m_order[k - 1]];
        Section const& b = m_sections[m_order[k]];
        if (b.start <= a.end) {
            fail(b.node, "the element range overlaps that of " + a.node);
        }
    }
    markFaceTables();
    buildSets();
}

Section* ZoneReader::locate(long long p_element, std::size_t& p_index)
{
    auto it = std::upper_bound(m_order.begin(), m_order.end(), p_element,
                               [&](long long e, std::size_t s) { return e < m_sections[s].start; });
    if (it == m_order.begin()) {
        return nullptr;
    }
    Section& sec = m_sections[*(it - 1)];
    if (p_element > sec.end) {
        return nullptr;
    }
    p_index = static_cast<std::size_t>(p_element - sec.start);
    return &sec;
}

void ZoneReader::markFaceTables()
{
    for (Section const& sec : m_sections) {
        if (sec.type != CGNS_ENUMV(NFACE_n)) {
            continue;
        }
        for (cgsize_t ref : sec.connectivity) {
            std::size_t index = 0;
            Section* face = locate(ref < 0 ? -static_cast<long long>(ref) : ref, index);
            if (face != nullptr && face->type == CGNS_ENUMV(NGON_n)) {
                face->faceTable = true;
            }
        }
    }
}

int ZoneReader::vertexOf(cgsize_t p_id, Section const& p_sec, long long p_element) const
{
    if (p_id < 1 || p_id > m_numVertices) {
        fail(p_sec.node, "element " + std::to_string(p_element) + " refers to vertex " +
                             std::to_string(p_id) + " past the " + std::to_string(m_numVertices) +
                             " coordinates");
    }
    return static_cast<int>(p_id - 1);
}

SetBuild& ZoneReader::setFor(Section& p_sec, std::size_t p_sectionIndex, int p_shape, bool p_element,
                             int& p_slot)
{
    auto key = std::make_pair(p_sectionIndex, p_shape);
    auto found = m_setSlot.find(key);
    if (found == m_setSlot.end()) {
        SetBuild build;
        build.name = p_sec.name;
        build.shape = p_shape;
        build.element = p_element;
        m_out.sets.push_back(std::move(build));
        m_setSections.push_back(p_sectionIndex);
        found = m_setSlot.emplace(key, static_cast<int>(m_out.sets.size() - 1)).first;
    }
    p_slot = found->second;
    return m_out.sets[static_cast<std::size_t>(p_slot)];
}

void ZoneReader::buildSets()
{
    std::vector<int> ids;
    std::vector<int> library;
    for (std::size_t si : m_order) {
        Section& sec = m_sections[si];
        long long const count = sec.count();
        sec.set.assign(static_cast<std::size_t>(count), -1);
        sec.position.assign(static_cast<std::size_t>(count), -1);
        if (sec.faceTable) {
            continue;
        }
        for (long long e = 0; e < count; ++e) {
            long long const element = sec.start + e;
            cgsize_t const* row = sec.connectivity.data() + sec.offsets[static_cast<std::size_t>(e)];
            long long n =
                sec.offsets[static_cast<std::size_t>(e) + 1] - sec.offsets[static_cast<std::size_t>(e)];
            CGNS_ENUMT(ElementType_t) type = sec.type;
            if (type == CGNS_ENUMV(MIXED)) {
                // The tag is file data: checked before it is taken as an element type.
                if (row[0] < 0 || row[0] >= NofValidElementTypes) {
                    fail(sec.node, "element " + std::to_string(element) + ": unsupported element type " +
                                       cgns::elementTypeName(static_cast<int>(row[0])));
                }
                type = static_cast<CGNS_ENUMT(ElementType_t)>(row[0]);
                int npe = 0;
                if (dimensionOf(type) == 0 || type == CGNS_ENUMV(NGON_n) || type == CGNS_ENUMV(NFACE_n)) {
                    fail(sec.node, "element " + std::to_string(element) + ": unsupported element type " +
                                       cgns::elementTypeName(type));
                }
                cg_npe(type, &npe);
                if (n != npe + 1) {
                    fail(sec.node, "element " + std::to_string(element) + " has " + std::to_string(n - 1) +
                                       " vertices for its type " + cgns::elementTypeName(type));
                }
                ++row;
                --n;
            }
            int const dim = dimensionOf(type);
            if (type == CGNS_ENUMV(NFACE_n)) {
                addPolyhedron(sec, si, element, row, n);
                continue;
            }
            ids.resize(static_cast<std::size_t>(n));
            for (long long k = 0; k < n; ++k) {
                ids[static_cast<std::size_t>(k)] = vertexOf(row[k], sec, element);
            }
            if (dim == 1) {
                lineFrom(ids);
                continue;
            }
            if (type == CGNS_ENUMV(NGON_n) && n < 3) {
                fail(sec.node, "element " + std::to_string(element) + " is a polygon of " +
                                   std::to_string(n) + " vertices");
            }
            int const shape =
                type == CGNS_ENUMV(NGON_n) ? polygonShape(ids.size()) : cgns::elementTypeInfo(type)->shape;
            int slot = 0;
            SetBuild& set = setFor(sec, si, shape, dim == 3, slot);
            library.resize(ids.size());
            if (shape == zev::HEX) {
                // The file's hexahedron runs round its bottom and top faces as the VTK one does.
                toLibraryOrder(VtkCellType::Hexahedron, ids.data(), 8, library.data());
            } else {
                library = ids;
            }
            sec.set[static_cast<std::size_t>(e)] = slot;
            sec.position[static_cast<std::size_t>(e)] = static_cast<int>(set.size());
            set.vertices.insert(set.vertices.end(), library.begin(), library.end());
            set.starts.push_back(set.vertices.size());
            set.cells.push_back(dim == m_cellDim ? m_cellCount++ : -1);
        }
    }
}

void ZoneReader::lineFrom(std::vector<int> const& p_ids)
{
    m_out.lines.push_back(p_ids[0]);
    m_out.lines.push_back(p_ids[1]);
}

void ZoneReader::addPolyhedron(Section& p_sec, std::size_t p_si, long long p_element, cgsize_t const* p_faces,
                               long long p_n)
{
    if (p_n < 4) {
        fail(p_sec.node, "element " + std::to_string(p_element) + " is a polyhedron of " +
                             std::to_string(p_n) + " faces");
    }
    PolyhedronTopology topology;
    std::unordered_map<int, int> position;
    for (long long f = 0; f < p_n; ++f) {
        long long const ref = p_faces[f] < 0 ? -static_cast<long long>(p_faces[f]) : p_faces[f];
        std::size_t index = 0;
        Section* face = locate(ref, index);
        if (face == nullptr || face->type != CGNS_ENUMV(NGON_n)) {
            fail(p_sec.node, "element " + std::to_string(p_element) + " refers to face " +
                                 std::to_string(p_faces[f]) + ", which is no NGON_n element");
        }
        cgsize_t const* row = face->connectivity.data() + face->offsets[index];
        long long const n = face->offsets[index + 1] - face->offsets[index];
        if (n < 3) {
            fail(face->node,
                 "element " + std::to_string(ref) + " is a polygon of " + std::to_string(n) + " vertices");
        }
        std::vector<int> corners;
        corners.reserve(static_cast<std::size_t>(n));
        for (long long k = 0; k < n; ++k) {
            // A negative reference turns the face round: its normal points into this cell.
            cgsize_t const id = p_faces[f] < 0 ? row[n - 1 - k] : row[k];
            int const v = vertexOf(id, *face, ref);
            auto inserted = position.emplace(v, static_cast<int>(topology.vertices.size()));
            if (inserted.second) {
                topology.vertices.push_back(v);
            }
            corners.push_back(inserted.first->second);
        }
        topology.faces.push_back(std::move(corners));
    }
    int slot = 0;
    SetBuild& set = setFor(p_sec, p_si, zev::POLYHEDRON, true, slot);
    std::size_t const e = static_cast<std::size_t>(p_element - p_sec.start);
    p_sec.set[e] = slot;
    p_sec.position[e] = static_cast<int>(set.size());
    set.polyhedra.push_back(std::move(topology));
    set.cells.push_back(m_cellDim == 3 ? m_cellCount++ : -1);
}

void ZoneReader::nameSets()
{
    std::map<std::size_t, int> perSection;
    for (std::size_t s = 0; s < m_setSections.size(); ++s) {
        ++perSection[m_setSections[s]];
    }
    for (std::size_t s = 0; s < m_setSections.size(); ++s) {
        if (perSection[m_setSections[s]] > 1) {
            m_out.sets[s].name = zev::GeometryUtilities::getFaceSetName(m_out.sets[s].name,
                                                                        upperShapeName(m_out.sets[s].shape));
        }
    }
}

} // namespace zev::io::cgns
