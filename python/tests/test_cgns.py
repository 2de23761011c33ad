"""A CGNS file whose sections carry their own names, written through the CGNS library itself, reads to the
same sets (labelled with the sections' names) and the same figures as the same cells from a VTK file."""
import ctypes
import ctypes.util
import re

import numpy as np
import pytest

import zevgeom

# A unit hexahedron beside a unit cube cut into two wedges; point (i, j, k) is i + 3j + 6k.
POINTS = np.array([(i, j, k) for k in range(2) for j in range(2) for i in range(3)], dtype=float)
HEX = [0, 1, 4, 3, 6, 7, 10, 9]
# The wedges in the CGNS standard's order: the first triangle's normal points towards the second.
WEDGES = [[1, 2, 5, 7, 8, 11], [1, 5, 4, 7, 11, 10]]
F = 1 + POINTS[:, 0] + 2 * POINTS[:, 1] + 3 * POINTS[:, 2]
ZONE = [1.0, 2.0, 3.0]


def write_vtk(path):
    # VTK's wedge runs its first triangle the other way round.
    vtk_wedges = [[w[0], w[2], w[1], w[3], w[5], w[4]] for w in WEDGES]
    lines = ["# vtk DataFile Version 3.0", "hex and wedges", "ASCII", "DATASET UNSTRUCTURED_GRID",
             "POINTS 12 double"] + [" ".join(map(str, p)) for p in POINTS]
    lines += ["CELLS 3 23", "8 " + " ".join(map(str, HEX))] + ["6 " + " ".join(map(str, w)) for w in vtk_wedges]
    lines += ["CELL_TYPES 3", "12", "13", "13", "POINT_DATA 12", "SCALARS f double 1", "LOOKUP_TABLE default",
              " ".join(map(str, F)), "CELL_DATA 3", "SCALARS zone double 1", "LOOKUP_TABLE default",
              " ".join(map(str, ZONE))]
    path.write_text("\n".join(lines) + "\n")


def write_cgns(path):
    name = ctypes.util.find_library("cgns")
    if not name:
        pytest.skip("the CGNS library is not installed")
    lib = ctypes.CDLL(name)
    # cgsize_t is 64 bits only in a CGNS library built so.
    wide = False
    try:
        with open("/usr/include/cgnstypes.h") as header:
            wide = re.search(r"#define\s+CG_BUILD_64BIT\s+1", header.read()) is not None
    except OSError:
        pass
    size_t = np.int64 if wide else np.int32
    c_size = ctypes.c_int64 if wide else ctypes.c_int32

    lib.cg_get_error.restype = ctypes.c_char_p

    def ok(status):
        assert status == 0, lib.cg_get_error()

    def data(array):  # the array must outlive the call
        return ctypes.c_void_p(array.ctypes.data)

    # The enumerations' values: CG_MODE_WRITE 1, Unstructured 3, RealDouble 4, HEXA_8 17, PENTA_6 14,
    # Vertex 2, CellCenter 3.
    fn, base, zone, index = ctypes.c_int(), ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
    ref = ctypes.byref
    ok(lib.cg_open(str(path).encode(), 1, ref(fn)))
    ok(lib.cg_base_write(fn, b"Base", 3, 3, ref(base)))
    size = np.array([12, 3, 0], dtype=size_t)
    ok(lib.cg_zone_write(fn, base, b"Pair", data(size), 3, ref(zone)))
    for axis, name in enumerate([b"CoordinateX", b"CoordinateY", b"CoordinateZ"]):
        values = np.ascontiguousarray(POINTS[:, axis])
        ok(lib.cg_coord_write(fn, base, zone, 4, name, data(values), ref(index)))
    for section, kind, first, cells in [(b"Block", 17, 1, [HEX]), (b"Prisms", 14, 2, WEDGES)]:
        conn = np.array(cells, dtype=size_t).ravel() + 1
        ok(lib.cg_section_write(fn, base, zone, section, kind, c_size(first), c_size(first + len(cells) - 1), 0,
                                data(conn), ref(index)))
    for solution, location, field, values in [(b"FlowSolution", 2, b"f", F),
                                               (b"FlowSolutionCC", 3, b"zone", ZONE)]:
        sol = ctypes.c_int()
        ok(lib.cg_sol_write(fn, base, zone, solution, location, ref(sol)))
        array = np.array(values, dtype=float)
        ok(lib.cg_field_write(fn, base, zone, sol, 4, field, data(array), ref(index)))
    ok(lib.cg_close(fn))


def test_sections_named_by_the_file_answer_as_the_vtk_cells(tmp_path):
    write_vtk(tmp_path / "pair.vtk")
    write_cgns(tmp_path / "pair.cgns")
    vtk = zevgeom.read(str(tmp_path / "pair.vtk"))
    cgns = zevgeom.read(str(tmp_path / "pair.cgns"))

    # Filed by index as the algorithms walk them, labelled with the sections' names.
    assert vtk.sets == {"ES1": ("element", "Hex", 1), "ES2": ("element", "Wedge", 2)}
    assert cgns.sets == {"ES1": ("element", "Hex", 1, "Block"), "ES2": ("element", "Wedge", 2, "Prisms")}
    assert cgns.volume == pytest.approx(2.0, rel=1e-6)

    def carried(derived, name):
        derived.carry(name)
        return derived[name]

    probes = [[0.5, 0.5, 0.5], [1.7, 0.2, 0.6], [1.2, 0.8, 0.3], [3.0, 0.0, 0.0]]
    figures = [
        lambda m: m.volume,
        lambda m: m.boundary().area,
        lambda m: m.integrate("f"),
        lambda m: m.average("zone"),
        lambda m: m.slice((1.5, 0.5, 0.5), (1, 1, 1)).area,
        lambda m: carried(m.slice((1.5, 0.5, 0.5), (0, 0, 1)), "f"),
        lambda m: carried(m.slice((0.5, 0.5, 0.5), (1, 0, 1)), "zone"),
        lambda m: m.iso("f", 3.5).area,
        lambda m: m.select(origin=(0.0, 0.0, 0.0), normal=(1, 0, 0), side="above").volume,
        lambda m: m.select("f", low=2.0).volume,
        lambda m: m.probe(probes, "f"),
        lambda m: m.sample("random", 12, seed=5),
    ]
    for k, figure in enumerate(figures):
        np.testing.assert_array_equal(figure(cgns), figure(vtk), err_msg=str(k))
    assert np.isnan(cgns.probe(probes, "f")[3]) and not np.isnan(cgns.probe(probes, "f")[:3]).any()

    with pytest.raises(ValueError, match="a CGNS file's sets are its sections"):
        zevgeom.read(str(tmp_path / "pair.cgns"), region="zone")
