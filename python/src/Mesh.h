// The Python module's mesh: one geometry of the library with the variables filed on it, and, for a
// surface or selection derived from another mesh, a shared hold on that parent so that the parent's
// geometry (which the derived one's interpolants refer to) lives as long as the derived mesh. A derived
// mesh sees its parents' variables: a request for one is carried onto it through its interpolants.
// Nothing here knows Python; the bindings in module.cpp translate arrays, errors and the GIL.
#pragma once

#include "zev/contracts/Triplet.h"
#include "zev/io/MeshConversion.h"
#include "zev/variables/VarType.h"

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zev {
class Geometry;
class Variable;
} // namespace zev

namespace zev::analysis {
class ParentVariables;
} // namespace zev::analysis

namespace zevpy {

// A request the mesh cannot serve (unknown name, wrong size, wrong location): a Python ValueError or
// KeyError rather than a library failure.
class RequestError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};
class UnknownName : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

// Called with a stage name and the fraction done (0 at the start of a stage, 1 at its end).
using Progress = std::function<void(std::string const&, double)>;

struct SetInfo {
    std::string name;
    std::string kind; // "element" or "face"
    std::string type; // the shape type's name ("Hex", "Tri", ...)
    std::size_t count = 0;
    std::string label; // the file's own name of the set; empty when it has none
};

struct IntegralResult {
    double integral = 0;
    double measure = 0;
    double average = 0;
    bool valid = false;
};

class Mesh : public std::enable_shared_from_this<Mesh> {
public:
    // Meshes share geometries with their parents and the library keeps caches and process-wide
    // settings, so calls into it take turns: every public operation below that reaches the library
    // holds this lock. Callers that hold another lock the library's callbacks need (Python's GIL)
    // give it up before calling.
    static std::recursive_mutex& libraryMutex();
    using Lock = std::lock_guard<std::recursive_mutex>;

    // A mesh file; p_region names an integer cell array that splits the cells into element sets.
    static std::shared_ptr<Mesh> read(std::string const& p_path, std::string const& p_region,
                                      std::string const& p_format, std::string const& p_time = "",
                                      bool p_pointData = false);
    // The built-in unit box of p_n cells per axis ("hex", "tet" or "mixed") with its analytic fields.
    static std::shared_ptr<Mesh> box(std::string const& p_kind, int p_n);

    zev::Geometry& geo() const;
    std::string const& source() const { return m_loaded.source; }
    std::string const& kind() const { return m_kind; }
    std::shared_ptr<Mesh> const& parent() const { return m_parent; }

    std::size_t numVertices() const;
    std::size_t numElements() const;
    std::size_t numFaces() const;
    std::vector<SetInfo> sets() const;
    // The variables this mesh holds, in the order they came (file order, then added or carried).
    std::vector<std::pair<std::string, zev::VarLocation>> variables() const;

    // The faces of the face sets in name order as corner lists: face f's vertices are
    // p_corners[p_offsets[f] .. p_offsets[f + 1]).
    void faces(std::vector<int>& p_offsets, std::vector<int>& p_corners) const;

    // The library's own vertex storage: 3 floats per vertex, for reading only (a change must go
    // through setVertices, so that the geometry's caches follow it).
    float const* vertexData() const;
    // Replaces the coordinates of every vertex (p_count must be the vertex count) and lets the
    // geometry rebuild whatever it derived from the old ones.
    void setVertices(float const* p_xyz, std::size_t p_count);

    // A variable's values. A vertex variable's values are the library's storage (view points into
    // it); element and face values, and expressions of variables and x, y, z (whose filed results the
    // library may replace), are gathered over the sets in name order into copy.
    struct Values {
        zev::VarLocation location = zev::eVertex;
        int components = 1;
        float* view = nullptr;
        std::vector<float> copy;
        std::size_t count = 0;
    };
    Values values(std::string const& p_name);

    // Files p_count values (p_components 1 or 3 per item) under p_name at p_location. A variable of
    // that name and layout takes the new values in its existing storage; one of another layout stays.
    // A coordinate's name (x, y, z) is filed under a name of its own, as the tool files a file's array;
    // the name it was filed under is returned.
    std::string addVariable(std::string const& p_name, float const* p_values, std::size_t p_count,
                            int p_components, zev::VarLocation p_location);

    // The notes on how the file was read (cells skipped or simplified) and how the variables read with the
    // mesh were filed (an array named like a coordinate), handed out once.
    std::vector<std::string> takeNotes();

    // Whole-mesh measures, recomputed from the current vertex positions.
    double volume() const;
    // The area of this mesh's face sets.
    double area() const;

    std::shared_ptr<Mesh> boundary();
    std::shared_ptr<Mesh> slice(std::array<double, 3> const& p_origin, std::array<double, 3> const& p_normal,
                                Progress const& p_progress);
    std::shared_ptr<Mesh> iso(std::string const& p_field, double p_value, Progress const& p_progress);
    // The whole elements whose vertex values of p_field lie on p_range ("Below Value", "Above Value",
    // "Between Values") of p_first (and p_second).
    std::shared_ptr<Mesh> selectRange(std::string const& p_field, std::string const& p_range, double p_first,
                                      double p_second, bool p_inclusive);
    // The whole elements on one side ("Below Intersection", "Above Intersection") of a plane.
    std::shared_ptr<Mesh> selectPlane(std::array<double, 3> const& p_origin,
                                      std::array<double, 3> const& p_normal, std::string const& p_side,
                                      bool p_inclusive);

    // Carries the parent's variable p_name onto this derived mesh and files it here (a request for it
    // carries it on its own; carry lists it among the mesh's variables and writes it with the mesh).
    void carry(std::string const& p_name);

    // Integral, measure and average of a variable or expression: over the volume when the mesh has
    // elements, else over its faces (p_over "" or "volume"); over a volume mesh's boundary ("boundary");
    // or over a face or element set by name or label.
    IntegralResult integrate(std::string const& p_expression, std::string const& p_over);
    // The volume of each element set and the area of each face set, by set name.
    std::vector<std::pair<std::string, double>> setMeasures() const;
    // The flux of the vector variable p_vector: out through a volume mesh's boundary or one of its face
    // sets (p_over); through a surface's faces (or a face set of it) along a slice's normal, towards
    // increasing values on an isosurface, out of the volume on a boundary, as wound otherwise. A derived
    // surface carries the vector from its parent when it does not hold it. NaN without defined values.
    double flux(std::string const& p_vector, std::string const& p_over);

    // The values of the vertex variable or expression p_name at p_count points (3 doubles each),
    // interpolated in the element that holds each point; p_components values per point, the undefined
    // value outside the mesh or where a value is undefined.
    std::vector<float> probe(double const* p_points, std::size_t p_count, std::string const& p_name,
                             int& p_components);
    // Sample points on the boundary surface (a surface mesh: its faces) by p_method ("random", "grid",
    // "vertices", "face-centres", "free-edges", "equal-area", "equal-area-random"), 3 floats each.
    std::vector<float> sample(std::string const& p_method, int p_count, int p_seed);

    // Writes the mesh's sets and variables; the format follows the extension.
    void write(std::string const& p_path, bool p_binary, bool p_compress = false) const;

private:
    Mesh();
    static std::shared_ptr<Mesh> fromLoaded(zev::io::LoadedMesh p_loaded, std::string p_kind);
    std::shared_ptr<Mesh> derived(std::string const& p_kind, std::string const& p_name);
    // Gives a selection, which numbers its vertices as its parent does, vertex records to the parent.
    void addSharedVertices();
    // While it lives, requests on a derived mesh's geometry reach its ancestors' variables through its
    // interpolants; null for a mesh without interpolants.
    std::unique_ptr<zev::analysis::ParentVariables> parentVariables() const;
    // The parents' variable p_name carried onto this mesh at the first location it reaches, or null.
    zev::Variable* fromParents(std::string const& p_name, zev::VarLocation& p_location);
    // The variable of that name, or the expression evaluated where its inputs live.
    zev::Variable* resolve(std::string const& p_name, zev::VarLocation& p_location,
                           bool* p_isVariable = nullptr);
    zev::Variable const* vertexScalar(std::string const& p_name);
    void file(zev::Variable* p_variable, std::string const& p_name, zev::VarLocation p_location);
    // The variables a message about an unknown name offers: at most ten, in the order they came.
    std::string knownNames() const;
    // Copies p_from's arrays into p_to's storage, which keeps its place in memory.
    void overwrite(zev::Variable& p_to, zev::Variable const& p_from, zev::VarLocation p_location);

    zev::io::LoadedMesh m_loaded;
    std::string m_kind;
    // The name by which the interpolants of the meshes derived from this one know it, unique among meshes.
    std::string m_domain;
    std::shared_ptr<Mesh> m_parent;
    // True when this geometry numbers its vertices as the parent does (boundary, selection).
    bool m_sharesParentVertices = false;
    // How a cut's faces are turned for a flux: a slice's unit normal, an isosurface's field in the parent.
    bool m_hasPlane = false;
    zev::Triplet m_planeNormal;
    std::string m_isoField;
    std::vector<std::pair<std::string, zev::VarLocation>> m_variables;
    std::vector<std::string> m_notes;
};

} // namespace zevpy
