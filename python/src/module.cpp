// The Python module zevgeom: meshes as objects, their arrays as numpy arrays (the vertex arrays without a
// copy), the library's failures as Python exceptions, and the long calls run without the GIL.
#include "python/src/Mesh.h"

#include "zev/analysis/Measures.h"
#include "zev/analysis/UsageError.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/Undefined.h"
#include "zev/io/FormatError.h"

#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace py = pybind11;
using zevpy::Mesh;
using MeshPtr = std::shared_ptr<Mesh>;

namespace {

// The exception types, created once when the module is imported and kept for the translator.
PyObject* s_error = nullptr;
PyObject* s_formatError = nullptr;

zev::VarLocation parseLocation(std::string const& p_location)
{
    if (p_location == "vertex")
        return zev::eVertex;
    if (p_location == "element")
        return zev::eElement;
    if (p_location == "face")
        return zev::eFace;
    throw zevpy::RequestError("location is vertex, element or face, not '" + p_location + "'");
}

char const* locationName(zev::VarLocation p_location)
{
    return p_location == zev::eVertex ? "vertex" : p_location == zev::eElement ? "element" : "face";
}

// Raises p_type with the text p_text and the given attributes set on the instance.
void raise(PyObject* p_type, std::string const& p_text,
           std::vector<std::pair<char const*, py::object>> const& p_attributes)
{
    py::object instance = py::reinterpret_borrow<py::object>(p_type)(p_text);
    for (auto const& attribute : p_attributes)
        instance.attr(attribute.first) = attribute.second;
    PyErr_SetObject(p_type, instance.ptr());
}

// A note for the user that does not stop the call: a UserWarning (an error when warnings are errors).
void warn(std::string const& p_note)
{
    if (PyErr_WarnEx(PyExc_UserWarning, p_note.c_str(), 1) != 0)
        throw py::error_already_set();
}

void translate(std::exception_ptr p_exception)
{
    try {
        if (p_exception)
            std::rethrow_exception(p_exception);
    } catch (zev::io::FormatError const& e) {
        raise(s_formatError, e.what(),
              {{"file", py::str(e.file())},
               {"line", e.line() > 0 ? py::object(py::int_(e.line())) : py::none()},
               {"offset", e.byteOffset() != zev::io::FormatError::s_noOffset && e.line() == 0
                              ? py::object(py::int_(e.byteOffset()))
                              : py::none()},
               {"element_path", e.elementPath().empty() ? py::none() : py::object(py::str(e.elementPath()))},
               {"message", py::str(e.message())}});
    } catch (zev::Error const& e) {
        raise(s_error, e.getClassName() + "::" + e.getMethodName() + ": " + e.getMessage(),
              {{"class_name", py::str(e.getClassName())},
               {"method", py::str(e.getMethodName())},
               {"message", py::str(e.getMessage())}});
    } catch (zevpy::UnknownName const& e) {
        PyErr_SetString(PyExc_KeyError, e.what());
    } catch (zev::analysis::UsageError const& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    }
}

// A numpy array over memory the mesh owns; the array holds the mesh's Python object.
py::array view(py::handle p_owner, float const* p_data, std::size_t p_count, int p_components,
               bool p_writable = true)
{
    std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(p_count)};
    std::vector<py::ssize_t> strides{static_cast<py::ssize_t>(sizeof(float) * p_components)};
    if (p_components > 1) {
        shape.push_back(p_components);
        strides.push_back(sizeof(float));
    }
    if (p_data == nullptr) // an empty array has no storage to view
        return py::array_t<float>(shape);
    py::array_t<float> out(shape, strides, p_data, p_owner);
    if (!p_writable)
        out.attr("setflags")(py::arg("write") = false);
    return std::move(out);
}

py::array copyOut(std::vector<float> const& p_values, std::size_t p_count, int p_components)
{
    std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(p_count)};
    if (p_components > 1)
        shape.push_back(p_components);
    py::array_t<float> out(shape);
    float* to = out.mutable_data();
    for (std::size_t i = 0; i < p_values.size(); ++i)
        to[i] = p_values[i] == zev::ZEV_UNDEF ? std::numeric_limits<float>::quiet_NaN() : p_values[i];
    return std::move(out);
}

std::array<double, 3> point(py::object const& p_value, char const* p_what)
{
    auto a = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(p_value);
    if (!a || a.size() != 3)
        throw zevpy::RequestError(std::string(p_what) + " must be 3 numbers");
    return {a.data()[0], a.data()[1], a.data()[2]};
}

// Runs a library call without the GIL; a progress callback takes the GIL back for each report.
template <class F> auto released(py::object const& p_progress, F&& p_call)
{
    py::function callback;
    if (!p_progress.is_none())
        callback = p_progress.cast<py::function>();
    zevpy::Progress progress;
    if (callback)
        progress = [&callback](std::string const& p_stage, double p_fraction) {
            py::gil_scoped_acquire acquire;
            callback(p_stage, p_fraction);
        };
    py::gil_scoped_release release;
    return p_call(progress);
}

} // namespace

PYBIND11_MODULE(zevgeom, m)
{
    m.doc() = "Meshes of CFD results as numpy arrays: read, measure, cut, select, integrate and write.";

    static py::exception<zev::Error> error(m, "Error", PyExc_RuntimeError);
    static py::exception<zev::io::FormatError> formatError(m, "FormatError", PyExc_ValueError);
    s_error = error.ptr();
    s_formatError = formatError.ptr();
    error.doc() = "A failure of the library; class_name, method and message say where and what.";
    formatError.doc() =
        "A malformed or unreadable mesh file: file, and line, offset (a byte in binary data) or "
        "element_path (in an XML file) where known, else None.";
    py::register_exception_translator(&translate);

    m.attr("UNDEFINED") = py::float_(zev::ZEV_UNDEF);

    py::class_<Mesh, MeshPtr> mesh(m, "Mesh",
                                   R"(An unstructured mesh: vertices, element and face sets, variables.

Meshes come from zevgeom.read() and zevgeom.box(); slices, isosurfaces, boundaries and selections are
meshes derived from a parent, which they keep alive.)");

    m.def(
        "read",
        [](std::string const& path, std::string const& region, std::string const& format,
           std::string const& time, bool point_data) {
            MeshPtr mesh;
            {
                py::gil_scoped_release release;
                mesh = Mesh::read(path, region, format, time, point_data);
            }
            for (std::string const& note : mesh->takeNotes())
                warn(note);
            return mesh;
        },
        py::arg("path"), py::kw_only(), py::arg("region") = "", py::arg("format") = "auto",
        py::arg("time") = "", py::arg("point_data") = false,
        R"(Reads a mesh file (.vtk legacy, .vtu or .vtp XML, .cgns, gmsh's .msh) or an OpenFOAM case (its
folder, a .foam file in it, or its system/controlDict) into a Mesh.

region names an integer cell array whose values split the cells into element sets; format is "auto"
(from the extension), "vtk", "vtu", "vtp", "pvtu" or "pvtp" for the pieces of a partitioned mesh
read as one mesh, "cgns" (every zone of the first base; a CGNS file's sets are its sections, so it
takes no region), or "msh" (split by the physical tag, CellEntityIds, unless region names another
array), or "foam". time chooses an OpenFOAM case's written time: "latest" (the default), "first", or a
time's name or value. point_data also gives each cell array at the vertices, as the plain mean of the
values of the volume cells around each vertex. A malformed file raises zevgeom.FormatError.)");

    m.def(
        "box",
        [](int n, std::string const& kind) {
            py::gil_scoped_release release;
            return Mesh::box(kind, n);
        },
        py::arg("n") = 8, py::arg("kind") = "hex",
        R"(The built-in mesh: the unit box cut into n cells per axis ("hex", "tet" or "mixed" cells), with
the vertex variables linear (1 + 2x + 3y + 4z), pressure and velocity and the element variable region.)");

    mesh.def_property_readonly(
            "vertices",
            [](py::object self) {
                Mesh& me = self.cast<Mesh&>();
                return view(self, me.vertexData(), me.numVertices(), 3, false);
            },
            "The (n, 3) float32 vertex coordinates: a read-only view of the library's array, not a copy.\n"
            "Change them with set_vertices.")
        .def(
            "set_vertices",
            [](Mesh& self, py::array_t<float, py::array::c_style | py::array::forcecast> const& xyz) {
                if (xyz.ndim() != 2 || xyz.shape(1) != 3)
                    throw py::value_error("set_vertices takes an (n, 3) array");
                std::vector<float> values(xyz.data(), xyz.data() + xyz.size());
                py::gil_scoped_release release;
                self.setVertices(values.data(), values.size() / 3);
            },
            py::arg("xyz"),
            R"(Replaces the coordinates of every vertex with the rows of an (n, 3) array (n the vertex count).
Everything derived from the old coordinates (measures, search structures) is rebuilt on next use;
derived meshes already made keep their own vertices.)")
        .def(
            "faces",
            [](Mesh const& self) {
                std::vector<int> offsets, corners;
                {
                    py::gil_scoped_release release;
                    self.faces(offsets, corners);
                }
                py::list out;
                for (std::size_t f = 0; f + 1 < offsets.size(); ++f)
                    out.append(py::array_t<int>(offsets[f + 1] - offsets[f], corners.data() + offsets[f]));
                return out;
            },
            "The faces of the face sets in name order, each an int32 array of its vertex indices.")
        .def(
            "triangles",
            [](Mesh const& self) {
                std::vector<int> offsets, corners;
                {
                    py::gil_scoped_release release;
                    self.faces(offsets, corners);
                }
                std::vector<int> triangles, faceOf;
                for (std::size_t f = 0; f + 1 < offsets.size(); ++f)
                    for (int k = offsets[f] + 1; k + 1 < offsets[f + 1]; ++k) {
                        triangles.insert(triangles.end(), {corners[offsets[f]], corners[k], corners[k + 1]});
                        faceOf.push_back(static_cast<int>(f));
                    }
                py::array_t<int> tri({static_cast<py::ssize_t>(faceOf.size()), py::ssize_t(3)});
                std::copy(triangles.begin(), triangles.end(), tri.mutable_data());
                return py::make_tuple(tri, py::array_t<int>(faceOf.size(), faceOf.data()));
            },
            R"(The faces cut into triangles (fans from each face's first corner): an (m, 3) int32 array of
vertex indices and, for each triangle, the index of its face (as faces() and face variables count).)")
        .def_property_readonly("source", &Mesh::source, "The file name, or what the mesh was derived from.")
        .def_property_readonly("kind", &Mesh::kind,
                               "\"file\", \"box\", \"boundary\", \"slice\", \"isosurface\" or \"selection\".")
        .def_property_readonly("parent", &Mesh::parent, "The mesh this one was derived from, or None.")
        .def_property_readonly("num_vertices", &Mesh::numVertices, "The number of vertices.")
        .def_property_readonly("num_elements", &Mesh::numElements, "The number of volume elements.")
        .def_property_readonly("num_faces", &Mesh::numFaces, "The number of faces over all face sets.")
        .def_property_readonly(
            "sets",
            [](Mesh const& self) {
                std::vector<zevpy::SetInfo> sets;
                {
                    py::gil_scoped_release release;
                    sets = self.sets();
                }
                py::dict out;
                for (zevpy::SetInfo const& s : sets)
                    out[py::str(s.name)] = s.label.empty() ? py::make_tuple(s.kind, s.type, s.count)
                                                           : py::make_tuple(s.kind, s.type, s.count, s.label);
                return out;
            },
            "The element and face sets: name -> (\"element\" or \"face\", shape type, count), and the "
            "file's own name of the set as a fourth item where it has one (a CGNS section's name).")
        .def_property_readonly(
            "variables",
            [](Mesh const& self) {
                std::vector<std::pair<std::string, zev::VarLocation>> variables;
                {
                    py::gil_scoped_release release;
                    variables = self.variables();
                }
                // A name held at more than one location (a cell array of a file with volume and surface
                // cells is an element and a face variable) lists every location it is held at.
                std::vector<std::pair<std::string, std::vector<std::string>>> byName;
                for (auto const& entry : variables) {
                    auto const same = [&entry](auto const& named) { return named.first == entry.first; };
                    auto at = std::find_if(byName.begin(), byName.end(), same);
                    if (at == byName.end())
                        at = byName.insert(byName.end(), {entry.first, {}});
                    at->second.push_back(locationName(entry.second));
                }
                py::dict out;
                for (auto const& named : byName) {
                    if (named.second.size() == 1)
                        out[py::str(named.first)] = named.second.front();
                    else
                        out[py::str(named.first)] = py::tuple(py::cast(named.second));
                }
                return out;
            },
            R"(The variables: name -> "vertex", "element" or "face", in the order they came; a name held at
more than one location maps to the tuple of its locations, such as ("element", "face").)")
        .def(
            "__contains__",
            [](Mesh const& self, std::string const& name) {
                py::gil_scoped_release release;
                for (auto const& entry : self.variables())
                    if (entry.first == name)
                        return true;
                return false;
            },
            py::arg("name"), "Whether the mesh has a variable of that name.")
        .def(
            "__getitem__",
            [](py::object self, std::string const& name) {
                Mesh& mesh = self.cast<Mesh&>();
                Mesh::Values v;
                {
                    py::gil_scoped_release release;
                    v = mesh.values(name);
                }
                if (v.view)
                    return view(self, v.view, v.count, v.components);
                return copyOut(v.copy, v.count, v.components);
            },
            py::arg("name"),
            R"(The values of a variable, or of an expression of variables and x, y, z: shape (n,) for a scalar,
(n, 3) for a vector, float32. Vertex variables are views of the library's arrays (writing to them changes
the variable; undefined entries read as zevgeom.UNDEFINED); element and face values are copies over the
sets in name order, with NaN where undefined. An unknown name raises KeyError.)")
        .def(
            "add_variable",
            [](Mesh& self, std::string const& name, py::object values, std::string const& location) {
                zev::VarLocation const where = parseLocation(location);
                auto a = py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(values);
                if (!a)
                    throw zevpy::RequestError("'" + name + "' needs an array of numbers");
                int components = 1;
                if (a.ndim() == 2 && (a.shape(1) == 3 || a.shape(1) == 1))
                    components = static_cast<int>(a.shape(1));
                else if (a.ndim() != 1)
                    throw zevpy::RequestError("'" + name + "' must have shape (n,) or (n, 3)");
                std::size_t const count = a.ndim() == 0 ? 0 : static_cast<std::size_t>(a.shape(0));
                // NaN marks an undefined value; the library's own mark is zevgeom.UNDEFINED.
                std::vector<float> data(a.data(), a.data() + a.size());
                for (float& v : data)
                    if (std::isnan(v))
                        v = zev::ZEV_UNDEF;
                std::string filed;
                {
                    py::gil_scoped_release release;
                    filed = self.addVariable(name, data.data(), count, components, where);
                }
                if (filed != name)
                    warn(zev::analysis::coordinateNote(name, filed));
            },
            py::arg("name"), py::arg("values"), py::arg("location") = "vertex",
            R"(Files values (shape (n,) or (n, 3); converted to a contiguous float32 copy when needed) as the
variable name at "vertex", "element" or "face", replacing a variable of that name. Element and face values
follow the sets in name order; NaN marks an undefined value. x, y and z name the coordinates: such a
variable is filed as "x_array" (or "x_array2", ...) with a UserWarning that says so, as zevgeom.read files
an array of such a name.)")
        .def_property_readonly(
            "volume",
            [](Mesh const& self) {
                py::gil_scoped_release release;
                return self.volume();
            },
            "The total volume of the elements, from the current vertex positions.")
        .def_property_readonly(
            "area",
            [](Mesh const& self) {
                py::gil_scoped_release release;
                return self.area();
            },
            "The total area of the face sets (of a volume mesh: its own face sets, see boundary()).")
        .def(
            "boundary",
            [](MeshPtr const& self) {
                py::gil_scoped_release release;
                return self->boundary();
            },
            R"(The boundary surface: the element faces no other element shares (a surface mesh is its own
boundary), over the mesh's vertices and with its vertex variables.)")
        .def(
            "slice",
            [](MeshPtr const& self, py::object origin, py::object normal, py::object progress) {
                auto const o = point(origin, "origin");
                auto const n = point(normal, "normal");
                return released(progress, [&](zevpy::Progress const& p) { return self->slice(o, n, p); });
            },
            py::arg("origin"), py::arg("normal"), py::kw_only(), py::arg("progress") = py::none(),
            R"(The slice by the plane through origin with that normal: a surface mesh that sees the parent's
variables through its interpolants (vertex values at its vertices, cell values on the faces cut from each
cell; see carry()). Faces of no area are left out and boundary faces lying in the plane are included.
progress(stage, fraction) is called as the cut proceeds.)")
        .def(
            "iso",
            [](MeshPtr const& self, std::string const& field, double value, py::object progress) {
                return released(progress,
                                [&](zevpy::Progress const& p) { return self->iso(field, value, p); });
            },
            py::arg("field"), py::arg("value"), py::kw_only(), py::arg("progress") = py::none(),
            "The isosurface where the vertex scalar field (a variable or expression) equals value; it sees\n"
            "the parent's variables as a slice does.")
        .def(
            "select",
            [](MeshPtr const& self, std::optional<std::string> const& field, std::optional<double> low,
               std::optional<double> high, py::object origin, py::object normal, std::string const& side,
               bool inclusive) {
                if (field) {
                    if (!origin.is_none() || !normal.is_none())
                        throw zevpy::RequestError("select by a field or by a plane, not both");
                    if (!low && !high)
                        throw zevpy::RequestError("select by a field needs low, high or both");
                    std::string const range = low && high ? "Between Values"
                                              : high      ? "Below Value"
                                                          : "Above Value";
                    double const first = low ? *low : *high;
                    double const second = low && high ? *high : 0.0;
                    py::gil_scoped_release release;
                    return self->selectRange(*field, range, first, second, inclusive);
                }
                if (origin.is_none() || normal.is_none())
                    throw zevpy::RequestError("select needs a field, or a plane's origin and normal");
                if (side != "below" && side != "above")
                    throw zevpy::RequestError("side is below or above, not '" + side + "'");
                auto const o = point(origin, "origin");
                auto const n = point(normal, "normal");
                py::gil_scoped_release release;
                return self->selectPlane(o, n, side == "below" ? "Below Intersection" : "Above Intersection",
                                         inclusive);
            },
            py::arg("field") = py::none(), py::kw_only(), py::arg("low") = py::none(),
            py::arg("high") = py::none(), py::arg("origin") = py::none(), py::arg("normal") = py::none(),
            py::arg("side") = "below", py::arg("inclusive") = false,
            R"(Whole elements: those whose vertex values of field (a variable or expression) lie above low, below
high, or between both; or those on one side ("below": against the normal) of the plane through origin.
Without inclusive every vertex must lie strictly on the wanted side; with it, an element counts when any
vertex does or lies on the bound. The selection shares the mesh's vertices, so its vertex variables come along through carry().)")
        .def(
            "probe",
            [](MeshPtr const& self, py::object points, std::string const& name) -> py::array {
                auto a = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(points);
                if (!a || (a.ndim() == 2 ? a.shape(1) != 3 : !(a.ndim() == 1 && a.size() == 3)))
                    throw zevpy::RequestError("points must be an (m, 3) array");
                std::size_t const m = a.ndim() == 2 ? static_cast<std::size_t>(a.shape(0)) : 1;
                int components = 1;
                std::vector<float> values;
                {
                    py::gil_scoped_release release;
                    values = self->probe(a.data(), m, name, components);
                }
                std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(m)};
                if (components > 1)
                    shape.push_back(components);
                py::array_t<float> out(shape);
                float* to = out.mutable_data();
                for (std::size_t i = 0; i < values.size(); ++i)
                    to[i] = values[i] == zev::ZEV_UNDEF ? std::numeric_limits<float>::quiet_NaN() : values[i];
                return std::move(out);
            },
            py::arg("points"), py::arg("name"),
            R"(The values of the vertex variable or expression name at an (m, 3) array of points: an (m,) array
for a scalar, (m, 3) for a vector; NaN where undefined or outside the mesh.)")
        .def(
            "sample",
            [](MeshPtr const& self, std::string const& method, int count,
               std::optional<long long> seed) -> py::array {
                if (seed &&
                    (*seed < std::numeric_limits<int>::min() || *seed > std::numeric_limits<int>::max()))
                    throw zevpy::RequestError("seed must fit in 32 bits");
                int const s = seed ? static_cast<int>(*seed) : -1;
                std::vector<float> points;
                {
                    py::gil_scoped_release release;
                    points = self->sample(method, count, s);
                }
                py::array_t<float> out(
                    std::vector<py::ssize_t>{static_cast<py::ssize_t>(points.size() / 3), 3});
                std::copy(points.begin(), points.end(), out.mutable_data());
                return std::move(out);
            },
            py::arg("method"), py::arg("count"), py::kw_only(), py::arg("seed") = py::none(),
            R"(count sample points on the boundary surface (a surface mesh: its faces) by method: "random",
"grid", "vertices", "face-centres", "free-edges" (at most count of these), "equal-area" or
"equal-area-random"; reproducible with seed (without one, or a negative one, the clock seeds it). An (m, 3) array.)")
        .def("carry", &Mesh::carry, py::arg("name"), py::call_guard<py::gil_scoped_release>(),
             R"(Carries the parent's variable name onto this derived mesh through the interpolants the cut or
selection kept, and files it here (vertex data at the vertices, element data on a slice's faces), so that
it is listed in variables and written with the mesh. Without it, the parent's variables are still seen on
request: integrate, average and indexing carry them.)")
        .def(
            "integrate",
            [](Mesh& self, std::string const& expr, std::string const& over) {
                py::gil_scoped_release release;
                zevpy::IntegralResult const r = self.integrate(expr, over);
                return r.valid ? r.integral : std::numeric_limits<double>::quiet_NaN();
            },
            py::arg("expr"), py::kw_only(), py::arg("over") = "",
            R"(The integral of a variable or expression of variables and x, y, z: over the volume of a mesh with
elements (or its boundary with over="boundary"), over the area of a surface, or over a face or element set
named by its name or label (over="inlet"). A vector is integrated by its magnitude; velocity_x or
{velocity X} names a component, {Normal X} a component of a surface's unit normal. NaN when no value is
defined.)")
        .def(
            "average",
            [](Mesh& self, std::string const& expr, std::string const& over) {
                py::gil_scoped_release release;
                zevpy::IntegralResult const r = self.integrate(expr, over);
                return r.valid && r.measure != 0 ? r.average : std::numeric_limits<double>::quiet_NaN();
            },
            py::arg("expr"), py::kw_only(), py::arg("over") = "",
            "The integral divided by the volume or area over which the values are defined; NaN without any.")
        .def(
            "flux",
            [](Mesh& self, std::string const& vector, std::string const& over) {
                py::gil_scoped_release release;
                return self.flux(vector, over);
            },
            py::arg("vector"), py::kw_only(), py::arg("over") = "",
            R"(The flux of a vector variable, the integral of V . n over faces: out through a volume mesh's boundary
(default) or one of its face sets (over="inlet", by name or label); through a surface's faces, n along a
slice's normal, towards increasing values on an isosurface, out of the volume on a boundary. A slice or
isosurface carries the vector from its parent when it does not hold it. NaN when no value is defined.)")
        .def_property_readonly(
            "set_measures",
            [](Mesh const& self) {
                std::vector<std::pair<std::string, double>> measures;
                {
                    py::gil_scoped_release release;
                    measures = self.setMeasures();
                }
                py::dict out;
                for (auto const& entry : measures)
                    out[py::str(entry.first)] = entry.second;
                return out;
            },
            "The volume of every element set and the area of every face set, by set name, from the current "
            "vertex positions.")
        .def(
            "write",
            [](Mesh const& self, std::string const& path, bool binary, bool compress) {
                py::gil_scoped_release release;
                self.write(path, binary, compress);
            },
            py::arg("path"), py::kw_only(), py::arg("binary") = false, py::arg("compress") = false,
            "Writes the sets and variables to a mesh file; the format follows the extension (.vtk, or no\n"
            "extension, legacy; .vtu, .vtp, .pvtu, .pvtp XML; .cgns). binary writes binary data, compress\n"
            "zlib-compressed blocks (XML formats only); another extension is a ValueError.")
        .def(
            "__repr__",
            [](Mesh const& self) {
                return "<zevgeom.Mesh " + self.kind() + " '" + self.source() +
                       "': " + std::to_string(self.numVertices()) + " vertices, " +
                       std::to_string(self.numElements()) + " elements, " + std::to_string(self.numFaces()) +
                       " faces>";
            },
            "The kind, source and counts of the mesh.");
}
