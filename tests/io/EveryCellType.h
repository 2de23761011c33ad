// A mesh file's content with every cell type the readers take (polyhedron included) and arrays of many
// value types, roles and component counts: the fixture of the round-trip tests of both file formats.
#pragma once

#include "zev/io/MeshData.h"

#include <string>

namespace zev::io::testing {

inline DataArray makeArray(std::string name, ValueType type, ArrayRole role, int comps, std::size_t tuples,
                           double scale)
{
    DataArray a;
    a.name = std::move(name);
    a.type = type;
    a.role = role;
    a.numComponents = comps;
    for (std::size_t i = 0; i < tuples * static_cast<std::size_t>(comps); ++i) {
        bool const unsignedType = std::string(valueTypeKeyword(type)).rfind("unsigned", 0) == 0;
        double const v = a.isInteger() ? double(static_cast<int>(i * 7) % 11 - (unsignedType ? 0 : 3))
                                       : scale * (double(i) - 2.25) / 3.0;
        a.values.push_back(type == ValueType::Float ? double(float(v)) : v);
    }
    return a;
}

// Every cell type the tool exchanges, on a 3 x 3 x 3 lattice of points.
inline MeshData everyCellType(ValueType p_pointType)
{
    MeshData m;
    m.title = "every cell type";
    m.pointType = p_pointType;
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 3; ++i) {
                double const x = i + 0.1 * j, y = j / 3.0, z = k * 1.7;
                for (double v : {x, y, z}) {
                    m.points.push_back(p_pointType == ValueType::Float ? double(float(v)) : v);
                }
            }
        }
    }
    auto id = [](int i, int j, int k) { return i + 3 * j + 9 * k; };
    m.addCell(VtkCellType::Tetra, {id(0, 0, 0), id(1, 0, 0), id(0, 1, 0), id(0, 0, 1)});
    m.addCell(VtkCellType::Voxel, {id(1, 0, 0), id(2, 0, 0), id(1, 1, 0), id(2, 1, 0), id(1, 0, 1),
                                   id(2, 0, 1), id(1, 1, 1), id(2, 1, 1)});
    m.addCell(VtkCellType::Hexahedron, {id(0, 1, 0), id(1, 1, 0), id(1, 2, 0), id(0, 2, 0), id(0, 1, 1),
                                        id(1, 1, 1), id(1, 2, 1), id(0, 2, 1)});
    m.addCell(VtkCellType::Wedge,
              {id(1, 1, 1), id(1, 2, 1), id(2, 1, 1), id(1, 1, 2), id(1, 2, 2), id(2, 1, 2)});
    m.addCell(VtkCellType::Pyramid, {id(0, 0, 1), id(1, 0, 1), id(1, 1, 1), id(0, 1, 1), id(0, 0, 2)});
    // A tetrahedron as a polyhedron.
    m.addCell(VtkCellType::Polyhedron,
              {4, 3, id(2, 2, 0), id(2, 1, 0), id(1, 2, 0), 3, id(2, 2, 0), id(1, 2, 0), id(2, 2, 1), 3,
               id(2, 2, 0), id(2, 2, 1), id(2, 1, 0), 3, id(2, 1, 0), id(2, 2, 1), id(1, 2, 0)});
    m.addCell(VtkCellType::Triangle, {id(0, 0, 2), id(1, 0, 2), id(0, 1, 2)});
    m.addCell(VtkCellType::Quad, {id(1, 0, 2), id(2, 0, 2), id(2, 1, 2), id(1, 1, 2)});
    m.addCell(VtkCellType::Polygon, {id(0, 1, 2), id(1, 1, 2), id(2, 2, 2), id(1, 2, 2), id(0, 2, 2)});
    m.addCell(VtkCellType::Line, {id(0, 0, 0), id(2, 2, 2)});
    m.addCell(VtkCellType::PolyLine, {id(0, 2, 0), id(1, 2, 1), id(2, 2, 2)});

    std::size_t const np = m.numPoints(), nc = m.numCells();
    m.pointData.push_back(makeArray("pressure", ValueType::Float, ArrayRole::Scalars, 1, np, 1e5));
    m.pointData.push_back(makeArray("velocity", ValueType::Double, ArrayRole::Vectors, 3, np, 0.1));
    m.pointData.push_back(makeArray("wall normal", ValueType::Float, ArrayRole::Normals, 3, np, 1.0));
    m.pointData.push_back(makeArray("node%id", ValueType::Int64, ArrayRole::Field, 2, np, 1.0));
    m.cellData.push_back(makeArray("region", ValueType::Int, ArrayRole::Scalars, 1, nc, 1.0));
    m.cellData.push_back(makeArray("stress", ValueType::Double, ArrayRole::Tensors, 9, nc, 3.0));
    m.cellData.push_back(makeArray("flags", ValueType::UnsignedChar, ArrayRole::Field, 1, nc, 1.0));
    m.cellData.push_back(makeArray("rgba", ValueType::Float, ArrayRole::Scalars, 4, nc, 1.0));
    m.cellData.push_back(makeArray("many", ValueType::Short, ArrayRole::Field, 6, nc, 1.0));
    return m;
}

} // namespace zev::io::testing
