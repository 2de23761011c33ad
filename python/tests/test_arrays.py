"""Arrays in and out: dtypes, shapes, conversion of foreign inputs, the vertex views and the variables listing."""
import os

import numpy as np
import pytest

import zevgeom


def test_arrays_out_have_the_library_layout(box):
    v = box.vertices
    assert v.dtype == np.float32 and v.shape == (125, 3)
    assert v.min() == 0.0 and v.max() == 1.0
    lin = box["linear"]
    assert lin.dtype == np.float32 and lin.shape == (125,)
    np.testing.assert_allclose(lin, 1 + 2 * v[:, 0] + 3 * v[:, 1] + 4 * v[:, 2], rtol=1e-6)
    assert box["velocity"].shape == (125, 3)
    region = box["region"]
    assert region.shape == (64,) and sorted(np.unique(region)) == [1.0, 2.0]
    assert box.variables == {"linear": "vertex", "pressure": "vertex", "velocity": "vertex", "region": "element"}
    assert box.sets == {"ES1": ("element", "Hex", 64)}
    # An expression of variables and coordinates is evaluated where its inputs live.
    np.testing.assert_allclose(box["2*linear - x"], 2 * lin - v[:, 0], rtol=1e-6)


def test_inputs_are_converted_checked_and_copied(box):
    n = box.num_vertices
    # float64 and a strided (non-contiguous) input are copied into float32 storage.
    wide = np.arange(2 * n, dtype=np.float64)[::2]
    assert not wide.flags["C_CONTIGUOUS"]
    box.add_variable("even", wide)
    np.testing.assert_array_equal(box["even"], wide.astype(np.float32))
    wide[0] = 99.0
    assert box["even"][0] == 0.0
    # A vector from an integer array in Fortran order.
    vec = np.asfortranarray(np.arange(3 * n).reshape(n, 3))
    box.add_variable("vec", vec)
    np.testing.assert_array_equal(box["vec"], vec)
    # Element values follow the element sets; NaN goes in as undefined and comes out as NaN.
    cells = np.arange(box.num_elements, dtype=np.float32)
    cells[3] = np.nan
    box.add_variable("cells", cells, location="element")
    out = box["cells"]
    assert np.isnan(out[3]) and out[4] == 4.0
    # New values of a known variable go into its storage: a view taken before sees them.
    before = box["even"]
    box.add_variable("even", np.ones(n))
    assert list(box.variables).count("even") == 1 and before.sum() == n
    with pytest.raises(ValueError, match="'linear' is already a vertex scalar"):
        box.add_variable("linear", np.zeros((n, 3)))
    with pytest.raises(ValueError, match="'region' is already an element scalar"):
        box.add_variable("region", np.zeros(n))
    # An expression's values are a copy: the library may replace its filed result.
    assert box["2*linear"].flags.owndata

    for bad, message in [(np.zeros(n + 1), "has 126 values; the mesh has 125 vertices"),
                         (np.zeros((n, 2)), "must have shape (n,) or (n, 3)"),
                         (np.zeros((n, 3, 1)), "must have shape (n,) or (n, 3)")]:
        with pytest.raises(ValueError, match=message.replace("(", r"\(").replace(")", r"\)")):
            box.add_variable("bad", bad)
    with pytest.raises(ValueError, match="location is vertex, element or face, not 'cell'"):
        box.add_variable("bad", np.zeros(n), location="cell")
    with pytest.raises((ValueError, TypeError)):
        box.add_variable("bad", ["a"] * n)
    assert "bad" not in box


def test_a_variable_named_like_a_coordinate_is_filed_apart(box):
    # x stays the coordinate alone and inside expressions; the values go to x_array, and a warning says so.
    with pytest.warns(UserWarning, match="the array 'x' is filed as 'x_array'; x, y and z name the coordinates"):
        box.add_variable("x", np.full(box.num_vertices, 7.0))
    assert box.average("x") == pytest.approx(0.5, abs=1e-6)
    assert box.average("2*x") == pytest.approx(1.0, abs=1e-6)
    assert box.average("x_array") == pytest.approx(7.0)
    with pytest.warns(UserWarning, match="filed as 'x_array2'"):
        box.add_variable("x", np.zeros(box.num_vertices))


def test_a_file_array_named_like_a_coordinate_is_filed_apart(tmp_path):
    path = tmp_path / "x.vtk"
    path.write_text("# vtk DataFile Version 3.0\nt\nASCII\nDATASET UNSTRUCTURED_GRID\nPOINTS 4 float\n"
                    "0 0 0 1 0 0 0 1 0 0 0 1\nCELLS 1 5\n4 0 1 2 3\nCELL_TYPES 1\n10\nPOINT_DATA 4\n"
                    "SCALARS x float 1\nLOOKUP_TABLE default\n5 5 5 5\n")
    with pytest.warns(UserWarning, match="the array 'x' is filed as 'x_array'"):
        mesh = zevgeom.read(str(path))
    assert mesh.average("x") == pytest.approx(0.25, abs=1e-6)
    assert mesh.average("x_array") == pytest.approx(5.0)


def test_views_share_the_library_storage(box):
    v = box.vertices
    assert np.shares_memory(v, box.vertices)
    # The coordinates are read-only; set_vertices replaces them, and the library's measures follow.
    with pytest.raises(ValueError, match="read-only"):
        v[:, 0] *= 2.0
    assert box.volume == pytest.approx(1.0, rel=1e-6)
    stretched = v.copy()
    stretched[:, 0] *= 2.0
    box.set_vertices(stretched)
    assert box.volume == pytest.approx(2.0, rel=1e-6)
    np.testing.assert_array_equal(box.vertices, stretched)
    with pytest.raises(ValueError, match="set_vertices takes"):
        box.set_vertices(stretched[:-1])
    # Writing a variable's values through its view changes what the library integrates.
    lin = box["linear"]
    lin[:] = 3.0
    assert box.integrate("linear") == pytest.approx(6.0, rel=1e-6)
    assert box["linear"][0] == 3.0


def test_views_keep_the_mesh_alive():
    v = zevgeom.box(2).vertices
    lin = zevgeom.box(2)["linear"]
    import gc
    gc.collect()
    assert v.shape == (27, 3) and v[-1].tolist() == [1.0, 1.0, 1.0]
    assert lin[-1] == pytest.approx(10.0)


def test_a_cell_array_of_volume_and_surface_cells_is_listed_at_both(tmp_path):
    # gmsh tags the tetrahedra (10) and the boundary triangles (21, 22, 23) in one cell array.
    gmsh = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "io", "corpus", "gmsh", "box.vtk")
    mesh = zevgeom.read(gmsh)
    assert mesh.variables == {"CellEntityIds": ("element", "face")}
    mesh.write(str(tmp_path / "box.vtu"), binary=True)
    assert zevgeom.read(str(tmp_path / "box.vtu")).variables == mesh.variables


def test_the_readers_notes_on_skipped_and_simplified_cells_are_warnings():
    gmsh = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "io", "corpus", "gmsh", "bar-order2.vtk")
    with pytest.warns(UserWarning) as notes:
        mesh = zevgeom.read(gmsh)
    assert [str(n.message) for n in notes] == [
        "2 vertex cells were skipped",
        "175 second-order cells were read as the linear cells of their corners; their mid-side nodes were dropped"]
    assert mesh.volume == pytest.approx(2.0)


def test_an_openfoam_case_reads_at_a_chosen_time_with_its_cell_data_at_the_vertices():
    cavity = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "io", "corpus", "foam", "cavity")
    with pytest.warns(UserWarning, match="read the time 0.25 of the 3 written times 0 to 0.5"):
        mesh = zevgeom.read(cavity, time="0.25", point_data=True)
    assert mesh.volume == pytest.approx(1e-4, rel=1e-6)
    assert mesh.variables["p"] == ("vertex", "element", "face")
    # The patch's own values give no flow through the lid; averaged to the vertices they do not.
    assert zevgeom.read(cavity).flux("U", over="movingWall") == pytest.approx(0.0, abs=1e-12)
    assert mesh.flux("U", over="movingWall") > 1e-7
    with pytest.raises(Exception, match="no time '7'"):
        zevgeom.read(cavity, time="7")
    with pytest.raises(Exception, match="not one"):
        zevgeom.read(os.path.join(cavity, "..", "..", "gmsh", "box.vtk"), time="1")
