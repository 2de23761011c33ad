#include "zev/io/MeshConversion.h"

#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/io/FormatError.h"
#include "zev/io/VtkCellOrder.h"
#include "zev/io/VtkTypeTables.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeType.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace zev::io {

namespace {

// The shape's vertex ids in the file's order (a polyhedron's as its face stream).
void fileCell(zev::Shape const& p_shape, VtkCellType p_type, std::vector<int>& p_ids)
{
    if (p_type == VtkCellType::Polyhedron) {
        PolyhedronTopology topology;
        topology.vertices.resize(static_cast<std::size_t>(p_shape.getNumVertices()));
        for (int k = 0; k < p_shape.getNumVertices(); ++k) {
            topology.vertices[static_cast<std::size_t>(k)] = p_shape[k];
        }
        topology.faces.resize(static_cast<std::size_t>(p_shape.getNumFaces()));
        for (int f = 0; f < p_shape.getNumFaces(); ++f) {
            int n = 0;
            int const* vertices = nullptr;
            int const* row = p_shape.getVerticesForFace(f, n, &vertices);
            topology.faces[static_cast<std::size_t>(f)].assign(row, row + n);
        }
        p_ids = encodeFaceStream(topology);
        return;
    }
    int const n = p_shape.getNumVertices();
    std::vector<int> library(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        library[static_cast<std::size_t>(k)] = p_shape[k];
    }
    p_ids.resize(static_cast<std::size_t>(n));
    toFileOrder(p_type, library.data(), n, p_ids.data());
}

} // namespace

MeshData fromLibrary(zev::Geometry const& p_geometry, std::vector<MeshVariable> const& p_variables,
                     ExportSelection const& p_selection)
{
    MeshData out;
    out.title = p_geometry.getName().empty() ? std::string("zevgeom") : p_geometry.getName();

    struct Block {
        zev::ShapeSet const* set;
        std::string name;
        zev::VarLocation location;
    };
    std::vector<Block> blocks;
    if (p_selection.elements) {
        for (std::string const& name : p_geometry.getElementSetNames()) {
            if (zev::ShapeSet const* set = p_geometry.getElementSet(name)) {
                blocks.push_back({set, name, zev::eElement});
            }
        }
    }
    for (std::string const& name : p_geometry.getFaceSetNames()) {
        bool wanted = p_selection.allFaceSets;
        for (std::string const& n : p_selection.faceSets) {
            wanted = wanted || n == name;
        }
        zev::ShapeSet const* set = p_geometry.getFaceSet(name);
        if (wanted && set != nullptr) {
            blocks.push_back({set, name, zev::eFace});
        }
    }
    bool const volume = std::any_of(blocks.begin(), blocks.end(), [](Block const& b) {
        return b.location == zev::eElement && !b.set->empty();
    });
    out.kind = volume ? DatasetKind::UnstructuredGrid : DatasetKind::PolyData;

    // Lines first: POLYDATA numbers its lines before its polygons.
    auto const& lines = p_geometry.getLines();
    std::size_t const numSegments = p_selection.lines ? lines.size() / 2 : 0;
    std::size_t numShapes = 0;
    for (Block const& b : blocks) {
        numShapes += b.set->size();
    }
    out.cellTypes.reserve(numShapes + numSegments);
    out.offsets.reserve(numShapes + numSegments + 1);
    auto addSegments = [&]() {
        for (std::size_t s = 0; s < numSegments; ++s) {
            out.addCell(VtkCellType::Line, {lines[2 * s], lines[2 * s + 1]});
        }
    };
    if (!volume) {
        addSegments();
    }
    std::vector<int> ids;
    for (Block const& b : blocks) {
        VtkCellType const type = cellTypeOfLibraryShape(b.set->getType());
        for (std::size_t i = 0; i < b.set->size(); ++i) {
            fileCell((*b.set)[i], type, ids);
            out.addCell(type, ids);
        }
    }
    if (volume) {
        addSegments();
    }

    // Vertices, compacted to those the cells use when asked.
    auto const& vertices = p_geometry.getVertices();
    std::vector<int> newIndex;
    if (p_selection.compactVertices) {
        newIndex.assign(vertices.size(), -1);
        std::vector<int>& conn = out.connectivity;
        for (std::size_t c = 0; c < out.numCells(); ++c) {
            bool const stream = out.cellTypes[c] == VtkCellType::Polyhedron;
            std::size_t at = out.offsets[c];
            std::size_t const end = out.offsets[c + 1];
            if (stream) {
                ++at; // the face count
            }
            while (at < end) {
                std::size_t const count = stream ? static_cast<std::size_t>(conn[at++]) : end - at;
                for (std::size_t k = 0; k < count; ++k, ++at) {
                    int& id = conn[at];
                    if (newIndex[static_cast<std::size_t>(id)] < 0) {
                        newIndex[static_cast<std::size_t>(id)] = static_cast<int>(out.points.size() / 3);
                        for (int a = 0; a < 3; ++a) {
                            out.points.push_back(vertices[static_cast<std::size_t>(id)][a]);
                        }
                    }
                    id = newIndex[static_cast<std::size_t>(id)];
                }
            }
        }
    } else {
        out.points.reserve(3 * vertices.size());
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            for (int a = 0; a < 3; ++a) {
                out.points.push_back(vertices[i][a]);
            }
        }
    }

    // Point arrays from the vertex variables.
    for (MeshVariable const& mv : p_variables) {
        if (mv.location != zev::eVertex || !mv.variable) {
            continue;
        }
        DataArray array;
        array.name = mv.name;
        array.type = ValueType::Float;
        auto take = [&](std::size_t i, std::vector<double>& to) {
            if (mv.numComponents == 3) {
                auto const& t = static_cast<zev::VectorVariable const&>(*mv.variable)
                                    .getTripletValues(zev::Variable::Description(mv.variable->getGlobalType(),
                                                                                 zev::eVertex))[i];
                to.insert(to.end(), {double(t[0]), double(t[1]), double(t[2])});
            } else {
                to.push_back(static_cast<zev::Variable const&>(*mv.variable)
                                 .getFloatValues(zev::Variable::Description(mv.variable->getGlobalType(),
                                                                            zev::eVertex))[i]);
            }
        };
        array.numComponents = mv.numComponents == 3 ? 3 : 1;
        array.role = array.numComponents == 3 ? ArrayRole::Vectors : ArrayRole::Scalars;
        array.values.reserve(out.numPoints() * static_cast<std::size_t>(array.numComponents));
        if (p_selection.compactVertices) {
            std::vector<std::size_t> oldOf(out.numPoints());
            for (std::size_t i = 0; i < newIndex.size(); ++i) {
                if (newIndex[i] >= 0) {
                    oldOf[static_cast<std::size_t>(newIndex[i])] = i;
                }
            }
            for (std::size_t i : oldOf) {
                take(i, array.values);
            }
        } else {
            for (std::size_t i = 0; i < vertices.size(); ++i) {
                take(i, array.values);
            }
        }
        out.pointData.push_back(std::move(array));
    }

    // Cell arrays from the element and face variables, set by set in the cells' order. A file names each
    // cell array once, so a name held at the elements and at the faces (as a cell array read from a file
    // with volume and surface cells comes back) becomes one array: element cells take the element
    // variable's values, face cells the face variable's, and every cell neither covers is undefined.
    std::vector<std::string> names;
    for (MeshVariable const& mv : p_variables) {
        if (mv.location != zev::eVertex && mv.variable &&
            std::find(names.begin(), names.end(), mv.name) == names.end()) {
            names.push_back(mv.name);
        }
    }
    for (std::string const& name : names) {
        MeshVariable const* elementVariable = nullptr;
        MeshVariable const* faceVariable = nullptr;
        for (MeshVariable const& mv : p_variables) {
            if (mv.name != name || !mv.variable) {
                continue;
            }
            if (mv.location == zev::eElement && elementVariable == nullptr) {
                elementVariable = &mv;
            } else if (mv.location == zev::eFace && faceVariable == nullptr) {
                faceVariable = &mv;
            }
        }
        auto componentsOf = [](MeshVariable const* mv) { return mv->numComponents == 3 ? 3 : 1; };
        if (elementVariable != nullptr && faceVariable != nullptr &&
            componentsOf(elementVariable) != componentsOf(faceVariable)) {
            throw SelectionError("the variable '" + name + "' is a " +
                                 (componentsOf(elementVariable) == 3 ? "vector" : "scalar") +
                                 " at the elements and a " +
                                 (componentsOf(faceVariable) == 3 ? "vector" : "scalar") +
                                 " at the faces; one cell array cannot hold both");
        }
        DataArray array;
        array.name = name;
        array.numComponents = componentsOf(elementVariable != nullptr ? elementVariable : faceVariable);
        array.role = array.numComponents == 3 ? ArrayRole::Vectors : ArrayRole::Scalars;
        std::size_t const comps = static_cast<std::size_t>(array.numComponents);
        array.values.reserve((numShapes + numSegments) * comps);
        std::set<std::string> const elementKeys =
            elementVariable ? elementVariable->variable->getDataKeysOnLocation(zev::eElement)
                            : std::set<std::string>();
        std::set<std::string> const faceKeys = faceVariable
                                                   ? faceVariable->variable->getDataKeysOnLocation(zev::eFace)
                                                   : std::set<std::string>();
        bool any = false;
        if (!volume) {
            array.values.resize(numSegments * comps, zev::ZEV_UNDEF);
        }
        for (Block const& b : blocks) {
            std::size_t const n = b.set->size();
            bool const elements = b.location == zev::eElement;
            MeshVariable const* mv = elements ? elementVariable : faceVariable;
            if (mv == nullptr || (elements ? elementKeys : faceKeys).count(b.name) == 0) {
                array.values.resize(array.values.size() + n * comps, zev::ZEV_UNDEF);
                continue;
            }
            zev::Variable const& variable = *mv->variable;
            zev::Variable::Description const desc(variable.getGlobalType(), b.location, b.name);
            if (comps == 3) {
                auto const& data = static_cast<zev::VectorVariable const&>(variable).getTripletValues(desc);
                for (std::size_t i = 0; i < n; ++i) {
                    zev::Triplet const t = i < data.size()
                                               ? data[i]
                                               : zev::Triplet(zev::ZEV_UNDEF, zev::ZEV_UNDEF, zev::ZEV_UNDEF);
                    array.values.insert(array.values.end(), {double(t[0]), double(t[1]), double(t[2])});
                }
            } else {
                auto const& data = variable.getFloatValues(desc);
                for (std::size_t i = 0; i < n; ++i) {
                    array.values.push_back(i < data.size() ? double(data[i]) : double(zev::ZEV_UNDEF));
                }
            }
            any = true;
        }
        if (volume) {
            array.values.resize(array.values.size() + numSegments * comps, zev::ZEV_UNDEF);
        }
        if (any) {
            out.cellData.push_back(std::move(array));
        }
    }
    return out;
}

} // namespace zev::io
