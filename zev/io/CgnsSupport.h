// Internal to the CGNS reader and writer: an open file that closes itself, the translation of the CGNS
// library's failures into FormatErrors naming the node, and the size bound that keeps a malformed file
// from making the reader allocate more than the file could hold. Not installed: it includes cgnslib.h.
#pragma once

#include "zev/shapes/ShapeType.h"

#include <cgnslib.h>

#include <string>

namespace zev::io::cgns {

class CgnsFile {
public:
    // Opens p_path for reading (or writing, p_mode CG_MODE_WRITE); a missing, non-regular or non-CGNS
    // file is a FormatError.
    explicit CgnsFile(std::string const& p_path, int p_mode = CG_MODE_READ);
    ~CgnsFile();
    CgnsFile(CgnsFile const&) = delete;
    CgnsFile& operator=(CgnsFile const&) = delete;

    // Closes the file, reporting a failure to finish writing it as a FormatError.
    void close();

    // Throws a FormatError at p_node with the library's message when p_status is not CG_OK.
    void check(int p_status, std::string const& p_node) const;
    // Throws when p_count values (of at least 4 bytes each) could not come from a file of this size, even
    // compressed: a declared size is checked before anything of that size is allocated.
    void checkCount(long long p_count, std::string const& p_node) const;

    std::string path;
    int fn = -1;

private:
    long long m_bound = 0;
};

// The element types the reader and the writer exchange: the dimension of each, the library shape it
// becomes (NGON_n: a polygon, shaped by its corner count when read; BAR_2: none, a line segment) and
// the corner count of the fixed ones. The file's hexahedron runs round its bottom and top faces as the
// VTK one does.
struct ElementTypeInfo {
    CGNS_ENUMT(ElementType_t) type;
    int dimension;
    int shape;   // or -1
    int corners; // or -1
};
inline constexpr ElementTypeInfo s_elementTypes[] = {{CGNS_ENUMV(BAR_2), 1, -1, 2},
                                                     {CGNS_ENUMV(TRI_3), 2, zev::TRI, 3},
                                                     {CGNS_ENUMV(QUAD_4), 2, zev::QUAD, 4},
                                                     {CGNS_ENUMV(TETRA_4), 3, zev::TET, 4},
                                                     {CGNS_ENUMV(PYRA_5), 3, zev::PYRAMID, 5},
                                                     {CGNS_ENUMV(PENTA_6), 3, zev::WEDGE, 6},
                                                     {CGNS_ENUMV(HEXA_8), 3, zev::HEX, 8},
                                                     {CGNS_ENUMV(NGON_n), 2, zev::POLYGON, -1},
                                                     {CGNS_ENUMV(NFACE_n), 3, zev::POLYHEDRON, -1}};

// The entry of p_type, or null for a type neither side handles (MIXED is a section of these).
inline ElementTypeInfo const* elementTypeInfo(CGNS_ENUMT(ElementType_t) p_type)
{
    for (ElementTypeInfo const& t : s_elementTypes) {
        if (t.type == p_type) {
            return &t;
        }
    }
    return nullptr;
}

// The fixed-size element type a library shape is written as, or null for one written as a polygon or
// polyhedron.
inline ElementTypeInfo const* fixedElementTypeOf(int p_shape)
{
    for (ElementTypeInfo const& t : s_elementTypes) {
        if (t.shape == p_shape && t.corners > 0) {
            return &t;
        }
    }
    return nullptr;
}

// The CGNS name of an element type ("TETRA_4"), or its number for one the library does not name.
std::string elementTypeName(int p_type);

// A 1-based index written as decimal digits, or -1 for anything else.
long long parseIndex(std::string const& p_text);

} // namespace zev::io::cgns
