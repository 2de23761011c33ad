#include "zev/io/CgnsReader.h"

#include "zev/contracts/Undefined.h"
#include "zev/geometry/GeomObject.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/io/CgnsZoneReader.h"
#include "zev/io/FormatError.h"
#include "zev/io/MeshBuild.h"
#include "zev/io/VtkCellOrder.h"
#include "zev/shapes/GeometryUtilities.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <map>

namespace zev::io {

namespace {

using cgns::CgnsFile;
using cgns::Field;
using cgns::SetBuild;
using cgns::ZoneData;
using cgns::ZoneReader;

struct BaseChoice {
    int index = 0;
    std::string name;
    int cellDim = 0;
    int physDim = 0;
};

BaseChoice chooseBase(CgnsFile& p_file, std::string const& p_base)
{
    int nbases = 0;
    p_file.check(cg_nbases(p_file.fn, &nbases), "/");
    if (nbases < 1) {
        throw FormatError::atNode(p_file.path, "/", "the file has no base");
    }
    std::vector<BaseChoice> bases(static_cast<std::size_t>(nbases));
    for (int b = 1; b <= nbases; ++b) {
        char name[64] = {0};
        BaseChoice& c = bases[static_cast<std::size_t>(b - 1)];
        p_file.check(cg_base_read(p_file.fn, b, name, &c.cellDim, &c.physDim), "/");
        c.index = b;
        c.name = name;
    }
    BaseChoice const* chosen = &bases.front();
    if (!p_base.empty()) {
        chosen = nullptr;
        for (BaseChoice const& c : bases) {
            if (c.name == p_base) {
                chosen = &c;
            }
        }
        long long const k = cgns::parseIndex(p_base);
        if (chosen == nullptr && k > 0 && k <= nbases) {
            chosen = &bases[static_cast<std::size_t>(k - 1)];
        }
        if (chosen == nullptr) {
            throw FormatError::atNode(p_file.path, "/",
                                      "no base '" + p_base + "' (the file has " + std::to_string(nbases) +
                                          (nbases == 1 ? " base)" : " bases)"));
        }
    }
    if (chosen->cellDim < 1 || chosen->cellDim > 3 || chosen->physDim < 1 || chosen->physDim > 3) {
        throw FormatError::atNode(p_file.path, "/" + chosen->name,
                                  "cell dimension " + std::to_string(chosen->cellDim) +
                                      " and physical dimension " + std::to_string(chosen->physDim) +
                                      " are not a mesh in space");
    }
    return *chosen;
}

std::vector<ZoneData> readSelected(std::string const& p_path, CgnsSelection const& p_selection)
{
    CgnsFile file(p_path);
    BaseChoice const base = chooseBase(file, p_selection.base);
    int nzones = 0;
    std::string const basePath = "/" + base.name;
    file.check(cg_nzones(file.fn, base.index, &nzones), basePath);
    std::vector<int> zones;
    if (p_selection.zone.empty()) {
        for (int z = 1; z <= nzones; ++z) {
            zones.push_back(z);
        }
        if (zones.empty()) {
            throw FormatError::atNode(p_path, basePath, "the base has no zone");
        }
    } else {
        for (int z = 1; z <= nzones && zones.empty(); ++z) {
            char name[64] = {0};
            cgsize_t size[9] = {0};
            file.check(cg_zone_read(file.fn, base.index, z, name, size), basePath);
            if (p_selection.zone == name) {
                zones.push_back(z);
            }
        }
        long long const k = cgns::parseIndex(p_selection.zone);
        if (zones.empty() && k > 0 && k <= nzones) {
            zones.push_back(static_cast<int>(k));
        }
        if (zones.empty()) {
            throw FormatError::atNode(p_path, basePath,
                                      "no zone '" + p_selection.zone + "' (the base has " +
                                          std::to_string(nzones) + (nzones == 1 ? " zone)" : " zones)"));
        }
    }
    std::vector<ZoneData> out;
    for (int z : zones) {
        ZoneReader reader(file, base.index, base.name, base.cellDim, base.physDim, z);
        out.push_back(reader.read(p_selection.solution));
    }
    return out;
}

void fillShape(zev::Shape& p_shape, SetBuild const& p_set, std::size_t p_i, int p_offset)
{
    if (p_set.shape == zev::POLYHEDRON) {
        fillPolyhedron(p_shape, p_set.polyhedra[p_i], p_offset);
        return;
    }
    int const n = static_cast<int>(p_set.starts[p_i + 1] - p_set.starts[p_i]);
    if (p_set.shape == zev::POLYGON) {
        p_shape.setNumVertices(n);
    }
    for (int k = 0; k < n; ++k) {
        p_shape[k] = p_set.vertices[p_set.starts[p_i] + static_cast<std::size_t>(k)] + p_offset;
    }
}

// Builds one geometry from zones; p_prefix puts "ZONE/" before every set name.
LoadedMesh assemble(std::vector<ZoneData> const& p_zones, std::string const& p_source, bool p_prefix,
                    std::string const& p_name)
{
    LoadedMesh out = startLoadedMesh(p_source);
    zev::Geometry& g = out.geo();
    g.setDomain(p_name);

    std::size_t total = 0;
    for (ZoneData const& z : p_zones) {
        total += z.numVertices;
    }
    if (total > static_cast<std::size_t>(INT_MAX)) {
        throw FormatError(p_source, 0, FormatError::s_noOffset,
                          "the zones hold more vertices than a mesh can");
    }
    auto& vertices = g.getVertices();
    vertices.resize(total);
    std::size_t base = 0;
    for (ZoneData const& z : p_zones) {
        for (std::size_t i = 0; i < z.numVertices; ++i) {
            vertices[base + i] = zev::Triplet(z.xyz[3 * i], z.xyz[3 * i + 1], z.xyz[3 * i + 2]);
        }
        base += z.numVertices;
    }

    // Sets, and for each zone the name under which each of its sets is filed. Element sets are filed as
    // ES1, ES2, ... in the file's order, the names by which search, cutting and line queries walk them,
    // and keep the section's name as their label; face sets are reached by their own names.
    std::vector<std::vector<std::string>> setNames(p_zones.size());
    base = 0;
    int elementSetNumber = 0;
    auto& lines = g.getLines();
    for (std::size_t zi = 0; zi < p_zones.size(); ++zi) {
        ZoneData const& z = p_zones[zi];
        int const offset = static_cast<int>(base);
        for (SetBuild const& set : z.sets) {
            std::string const label = p_prefix ? z.name + "/" + set.name : set.name;
            int const count = static_cast<int>(set.size());
            zev::ShapeSet* shapes = nullptr;
            if (set.element) {
                std::string const name = zev::Geometry::getElementSetName(elementSetNumber);
                shapes = g.addElementSet(name, elementSetNumber++, static_cast<zev::ShapeType>(set.shape),
                                         count, 1.0);
                if (label != name) {
                    shapes->setLabel(label);
                }
                setNames[zi].push_back(name);
            } else {
                if (g.getFaceSet(label) != nullptr) {
                    throw FormatError(p_source, 0, FormatError::s_noOffset,
                                      "two sets are named '" + label + "'");
                }
                shapes = g.addFaceSet(label, static_cast<zev::ShapeType>(set.shape), count, 1.0);
                setNames[zi].push_back(label);
            }
            for (std::size_t i = 0; i < set.size(); ++i) {
                fillShape((*shapes)[i], set, i, offset);
            }
        }
        for (int v : z.lines) {
            lines.push_back(v + offset);
        }
        base += z.numVertices;
    }

    // Fields, in order of first appearance over the zones.
    std::vector<std::pair<std::string, bool>> keys;
    std::map<std::pair<std::string, bool>, int> components;
    for (ZoneData const& z : p_zones) {
        for (Field const& f : z.fields) {
            auto key = std::make_pair(f.name, f.cellCentred);
            auto found = components.find(key);
            if (found == components.end()) {
                keys.push_back(key);
                components[key] = f.components;
            } else if (found->second != f.components) {
                throw FormatError(p_source, 0, FormatError::s_noOffset,
                                  "the field '" + f.name +
                                      "' is a vector in one zone and a scalar in another");
            }
        }
    }
    for (auto const& key : keys) {
        int const comps = components[key];
        bool const cell = key.second;
        MeshVariable mv;
        mv.name = key.first;
        mv.numComponents = comps;
        if (!cell) {
            mv.location = zev::eVertex;
            std::vector<float> values(total * static_cast<std::size_t>(comps), zev::ZEV_UNDEF);
            base = 0;
            for (ZoneData const& z : p_zones) {
                for (Field const& f : z.fields) {
                    if (f.name == key.first && !f.cellCentred) {
                        for (std::size_t i = 0; i < f.values.size(); ++i) {
                            values[base * static_cast<std::size_t>(comps) + i] = toFloat(f.values[i]);
                        }
                    }
                }
                base += z.numVertices;
            }
            if (comps == 3) {
                auto* v = new zev::VectorVariable(s_fileType, zev::eVertex);
                mv.variable.reset(v);
                auto& data = v->getTripletValues(zev::Variable::Description(s_fileType, zev::eVertex));
                data.resize(total);
                for (std::size_t i = 0; i < total; ++i) {
                    data[i] = zev::Triplet(values[3 * i], values[3 * i + 1], values[3 * i + 2]);
                }
            } else {
                mv.variable.reset(new zev::ScalarVariable(values.data(), static_cast<int>(total), s_fileType,
                                                          zev::eVertex));
            }
        } else {
            // Cell-centred values belong to the cells: elements of a volume zone, faces of a surface one.
            bool const volume = p_zones.front().cellDimension == 3;
            zev::VarLocation const location = volume ? zev::eElement : zev::eFace;
            mv.location = location;
            zev::Variable* variable =
                comps == 3 ? static_cast<zev::Variable*>(new zev::VectorVariable(s_fileType, location))
                           : new zev::ScalarVariable(s_fileType, location);
            mv.variable.reset(variable);
            for (std::size_t zi = 0; zi < p_zones.size(); ++zi) {
                ZoneData const& z = p_zones[zi];
                Field const* field = nullptr;
                for (Field const& f : z.fields) {
                    if (f.name == key.first && f.cellCentred) {
                        field = &f;
                    }
                }
                for (std::size_t s = 0; s < z.sets.size(); ++s) {
                    SetBuild const& set = z.sets[s];
                    if (set.element != volume || set.cells.empty() || set.cells.front() < 0) {
                        continue;
                    }
                    zev::Variable::Description const desc(s_fileType, location, setNames[zi][s]);
                    std::size_t const n = set.size();
                    auto value = [&](std::size_t i, int c) {
                        return field ? toFloat(
                                           field->values[static_cast<std::size_t>(set.cells[i]) * comps + c])
                                     : zev::ZEV_UNDEF;
                    };
                    if (comps == 3) {
                        auto& data = static_cast<zev::VectorVariable*>(variable)->getTripletValues(desc);
                        data.resize(n);
                        for (std::size_t i = 0; i < n; ++i) {
                            data[i] = zev::Triplet(value(i, 0), value(i, 1), value(i, 2));
                        }
                    } else {
                        auto& data = variable->getFloatValues(desc);
                        data.resize(n);
                        for (std::size_t i = 0; i < n; ++i) {
                            data[i] = value(i, 0);
                        }
                    }
                }
            }
        }
        mv.variable->setName(mv.name);
        out.variables.push_back(std::move(mv));
    }
    return out;
}

} // namespace

bool CgnsReader::isCgnsFile(std::string const& p_path)
{
    int type = 0;
    return cg_is_cgns(p_path.c_str(), &type) == CG_OK;
}

std::vector<CgnsBaseInfo> CgnsReader::listFile(std::string const& p_path)
{
    CgnsFile file(p_path);
    std::vector<CgnsBaseInfo> out;
    int nbases = 0;
    file.check(cg_nbases(file.fn, &nbases), "/");
    for (int b = 1; b <= nbases; ++b) {
        char name[64] = {0};
        CgnsBaseInfo info;
        file.check(cg_base_read(file.fn, b, name, &info.cellDimension, &info.physicalDimension), "/");
        info.name = name;
        int nzones = 0;
        file.check(cg_nzones(file.fn, b, &nzones), "/" + info.name);
        for (int z = 1; z <= nzones; ++z) {
            CgnsZoneInfo zone;
            cgsize_t size[9] = {0};
            char zname[64] = {0};
            file.check(cg_zone_read(file.fn, b, z, zname, size), "/" + info.name);
            zone.name = zname;
            CGNS_ENUMT(ZoneType_t) type;
            file.check(cg_zone_type(file.fn, b, z, &type), "/" + info.name + "/" + zone.name);
            zone.structured = type == CGNS_ENUMV(Structured);
            zone.vertices = zone.structured ? 0 : size[0];
            zone.cells = zone.structured ? 0 : size[1];
            int nsols = 0;
            file.check(cg_nsols(file.fn, b, z, &nsols), "/" + info.name + "/" + zone.name);
            for (int s = 1; s <= nsols; ++s) {
                char sname[64] = {0};
                CGNS_ENUMT(GridLocation_t) location;
                file.check(cg_sol_info(file.fn, b, z, s, sname, &location),
                           "/" + info.name + "/" + zone.name);
                zone.solutions.push_back(sname);
            }
            info.zones.push_back(std::move(zone));
        }
        out.push_back(std::move(info));
    }
    return out;
}

std::vector<LoadedMesh> CgnsReader::readZones(std::string const& p_path, CgnsSelection const& p_selection)
{
    std::vector<ZoneData> zones = readSelected(p_path, p_selection);
    std::vector<LoadedMesh> out;
    for (ZoneData& z : zones) {
        std::vector<ZoneData> one;
        one.push_back(std::move(z));
        out.push_back(assemble(one, p_path, false, one.front().name));
    }
    return out;
}

void CgnsReader::readDomains(zev::GeomObject& p_object, std::string const& p_path,
                             CgnsSelection const& p_selection)
{
    std::vector<LoadedMesh> zones = readZones(p_path, p_selection);
    for (LoadedMesh& mesh : zones) {
        zev::Geometry& g = mesh.geo();
        for (MeshVariable& mv : mesh.variables) {
            if (!mv.variable || g.hasVariable(mv.name, mv.location)) {
                continue;
            }
            mv.variable->setLocation(mv.location);
            g.addVariable(mv.variable.get(), mv.location);
            mv.variable.release(); // the geometry owns it now
        }
        mesh.variablesFiled = true;
        std::string const domain = g.getDomain();
        p_object.setGeometry(domain, mesh.geometry.get());
        mesh.geometry.release(); // the object owns it now
    }
}

LoadedMesh CgnsReader::readMesh(std::string const& p_path, CgnsSelection const& p_selection)
{
    std::vector<ZoneData> zones = readSelected(p_path, p_selection);
    bool const several = zones.size() > 1;
    return assemble(zones, p_path, several, several ? p_path : zones.front().name);
}

} // namespace zev::io
