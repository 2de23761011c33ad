// Reading CGNS files through the CGNS library: the unstructured zones of one base become geometries with
// their element sets (one per element section and shape type, filed as ES1, ES2, ... in the file's order
// and labelled with the section's name), face sets (surface sections and boundary conditions, named after
// them), line segments, and the flow solutions at the vertices and cell centres as variables.
//
// - A section that yields several shape types (MIXED, or NGON_n polygons of several sizes) names (or
//   labels) its sets "SECTION-KIND" (KIND one of TET, PYRAMID, WEDGE, HEX, POLYHEDRON, TRI, QUAD, PENTAGON,
//   HEXAGON, POLYGON).
// - Element corners are taken in the standard's numbering: a PENTA_6 runs its first triangle so that its
//   normal points towards the second (VTK's wedge runs it the other way round), as the library's wedge
//   does; HEXA_8 runs round its bottom and top faces. NGON_n sections that NFACE_n polyhedra refer to hold
//   their faces and make no face set.
// - A boundary condition over faces (a point range or list at FaceCenter, or an element range or list)
//   becomes a face set named after it, split by shape type like a section; one over vertices takes the
//   surface faces whose vertices all belong to it (the outer faces of the elements when the zone has no
//   surface section). A condition repeating a section's faces under the section's name adds nothing; one
//   whose name a different set already has is filed as "ZoneBC/NAME". Conditions of a surface zone
//   (edges) make no set.
// - Cell-centred values number the cells (the elements of the base's cell dimension) by element number.
// - Malformed files are FormatErrors naming the node ("FILE: /Base/Zone/Section: what"); declared sizes
//   are checked against the arrays and the file's size before anything of that size is allocated.
#pragma once

#include "zev/io/IOExport.h"
#include "zev/io/MeshConversion.h"

#include <string>
#include <vector>

namespace zev {
class GeomObject;
}

namespace zev::io {

// What to read from a file. Each field is empty (the default), a node name, or a 1-based index.
// - base: the base (default the first);
// - zone: one zone of the base (default every zone);
// - solution: a FlowSolution node by name; or by index k the k-th solution at the vertices together with
//   the k-th at the cell centres, as a time step written as one solution per location is numbered
//   (default the first of each).
struct ZEV_IO_EXPORT CgnsSelection {
    std::string base;
    std::string zone;
    std::string solution;
};

// The layout of a file, for listings: its bases and, per base, its zones and their solutions.
struct ZEV_IO_EXPORT CgnsZoneInfo {
    std::string name;
    bool structured = false;
    long long vertices = 0;
    long long cells = 0;
    std::vector<std::string> solutions;
};
struct ZEV_IO_EXPORT CgnsBaseInfo {
    std::string name;
    int cellDimension = 0;
    int physicalDimension = 0;
    std::vector<CgnsZoneInfo> zones;
};

class ZEV_IO_EXPORT CgnsReader {
public:
    // True when the file is one the CGNS library opens (HDF5 or ADF).
    static bool isCgnsFile(std::string const& p_path);

    static std::vector<CgnsBaseInfo> listFile(std::string const& p_path);

    // One geometry per selected zone, in the file's zone order; each geometry's name and domain are the
    // zone's name, and the solution fields are held in the LoadedMesh (not filed in the geometry).
    static std::vector<LoadedMesh> readZones(std::string const& p_path, CgnsSelection const& p_selection);

    // Files every selected zone's geometry, its variables filed in it, in p_object under the zone's name
    // as its domain. The object owns them from then on: its deleteAllGeometry() deletes them.
    static void readDomains(zev::GeomObject& p_object, std::string const& p_path,
                            CgnsSelection const& p_selection);

    // The selected zones as one geometry: with several zones the vertex arrays follow one another, the
    // element sets are numbered on from zone to zone and every face set name and element set label is
    // prefixed with "ZONE/"; a field missing from a zone is undefined there.
    static LoadedMesh readMesh(std::string const& p_path, CgnsSelection const& p_selection);
};

} // namespace zev::io
