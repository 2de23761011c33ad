"""Surfaces and selections derived from a mesh: their figures, what they carry, and how long they live."""
import gc

import numpy as np
import pytest

import zevgeom


def linear(p):
    return 1 + 2 * p[:, 0] + 3 * p[:, 1] + 4 * p[:, 2]


def test_slice_iso_and_boundary_figures(box):
    s = box.slice((0.3, 0.3, 0.3), (0, 0, 2))
    assert s.kind == "slice" and s.num_elements == 0
    assert s.area == pytest.approx(1.0, rel=1e-5)
    np.testing.assert_allclose(s.vertices[:, 2], 0.3, atol=1e-6)
    s.carry("linear")
    np.testing.assert_allclose(s["linear"], linear(s.vertices), rtol=1e-5)
    # The average of a linear field over the mid-height slice is its value at the slice's centre.
    assert s.average("linear") == pytest.approx(1 + 2 * 0.5 + 3 * 0.5 + 4 * 0.3, rel=1e-5)
    assert s.integrate("linear") == pytest.approx(s.average("linear"), rel=1e-5)

    # A slant slice through the centre of the unit box is a rectangle of area sqrt(2).
    d = box.slice((0.5, 0.5, 0.5), (1, 0, 1))
    assert d.area == pytest.approx(2 ** 0.5, rel=1e-5)

    iso = box.iso("linear", 5.5)
    assert iso.kind == "isosurface" and iso.num_faces > 0
    np.testing.assert_allclose(linear(iso.vertices), 5.5, atol=1e-5)

    b = box.boundary()
    assert b.area == pytest.approx(6.0, rel=1e-6) and b.num_faces == 96
    assert set(b.variables) == {"linear", "pressure", "velocity"}
    assert box.num_faces == 0, "the boundary is built without adding face sets to the mesh"
    tri, face = b.triangles()
    assert tri.shape == (192, 3) and face.max() == 95 and len(b.faces()) == 96


def test_element_data_reaches_slice_faces_and_selections(box):
    for z, region in [(0.2, 1.0), (0.8, 2.0)]:
        s = box.slice((0, 0, z), (0, 0, 1))
        s.carry("region")
        assert s.variables["region"] == "face"
        np.testing.assert_array_equal(s["region"], np.full(s.num_faces, region))

    below = box.select("linear", high=5.5)
    above = box.select("linear", low=5.5)
    assert below.num_elements + above.num_elements < box.num_elements  # exclusive: cut elements drop out
    assert below.volume == pytest.approx(above.volume, rel=1e-6)  # the field is symmetric about 5.5
    # Exclusive: every vertex strictly inside; a vertex on a bound counts only with inclusive.
    assert box.select("z", low=0.2, high=0.8).volume == pytest.approx(0.5, rel=1e-6)
    assert box.select("z", low=0.25, high=0.75).volume == 0.0
    assert box.select("z", low=0.25, high=0.75, inclusive=True).volume == pytest.approx(1.0, rel=1e-6)
    half = box.select(origin=(0.5, 0.5, 0.4), normal=(0, 0, 1), side="above")
    assert half.volume == pytest.approx(0.5, rel=1e-6)
    half.carry("region")
    half.carry("linear")
    np.testing.assert_array_equal(half["region"], np.full(half.num_elements, 2.0))
    assert half.average("linear") == pytest.approx(1 + 1 + 1.5 + 4 * 0.75, rel=1e-5)

    with pytest.raises(ValueError, match="select by a field needs low, high or both"):
        box.select("linear")
    with pytest.raises(ValueError, match="the plane's normal must be a finite, non-zero vector"):
        box.slice((0, 0, 0), (0, 0, 0))
    with pytest.raises(ValueError, match="the plane's normal must be a finite, non-zero vector"):
        box.slice((0, 0, 0), (np.inf, 0, 0))
    for n in (1e39, 1e-46, 1e200, 1e-320):  # any finite length keeps its direction
        assert box.slice((0, 0, 0.4), (0, 0, n)).area == pytest.approx(1.0, rel=1e-6)
    with pytest.raises(KeyError):
        box.slice((0, 0, 0.5), (0, 0, 1)).carry("nope")
    with pytest.raises(ValueError, match="has no parent"):
        box.carry("linear")


def test_derived_meshes_see_their_parents_variables(box):
    # Through the interpolants, on request: vertex values at a slice's vertices, cell values on its faces,
    # so that a cell field's integral over the slice is exact; along cell faces too, where the faces come
    # from the cells above the plane or, on the boundary, from the cells below it.
    for z, region in [(0.3, 1.0), (0.5, 2.0), (1.0, 2.0)]:
        s = box.slice((0, 0, z), (0, 0, 1))
        assert s.area == pytest.approx(1.0, rel=1e-6)
        assert s.integrate("region") == pytest.approx(region * s.area, rel=1e-12), z
        np.testing.assert_array_equal(s["region"], np.full(s.num_faces, region))
        assert s.integrate("3*region") == pytest.approx(3 * region * s.area, rel=1e-12)
        np.testing.assert_allclose(s["linear"], linear(s.vertices), rtol=1e-5)
        assert "region" not in s.variables, "a request does not list the variable; carry does"
    assert box.iso("z", 0.3).average("region") == 1.0
    # A slice of a selection reaches the box through both.
    half = box.select(origin=(0, 0, 0.4), normal=(0, 0, 1), side="above")
    assert half.average("region") == 2.0
    assert half.average("linear") == pytest.approx(1 + 1 + 1.5 + 4 * 0.75, rel=1e-5)
    top = half.slice((0, 0, 0.8), (0, 0, 1))
    assert top.integrate("region") == pytest.approx(2 * top.area, rel=1e-12)
    np.testing.assert_allclose(top["linear"], linear(top.vertices), rtol=1e-5)
    with pytest.raises(KeyError):
        top["nope"]


def test_derived_meshes_keep_their_parents_alive():
    s = zevgeom.box(3).slice((0, 0, 0.5), (0, 0, 1))
    b = zevgeom.box(3, kind="tet").boundary()
    gc.collect()
    s.carry("pressure")  # reads the parent's geometry through the slice's interpolants
    assert s.parent.num_elements == 27 and s["pressure"].shape == (s.num_vertices,)
    assert b.parent.num_elements == 6 * 27 and b.area == pytest.approx(6.0, rel=1e-6)
    # A slice of a slice's parent, with the first slice dropped: the chain stays valid.
    p = s.parent
    del s
    gc.collect()
    assert p.slice((0, 0, 0.25), (0, 0, 1)).area == pytest.approx(1.0, rel=1e-5)


def test_progress_reports_from_the_cut(box):
    seen = []
    big = zevgeom.box(12)
    big.slice((0, 0, 0.5), (0, 1, 1), progress=lambda stage, fraction: seen.append((stage, fraction)))
    assert seen[0] == ("slice", 0.0) and seen[-1] == ("slice", 1.0)
    assert len(seen) > 2, "the library's own reports come through"
    # In the user's terms (the cut, the search structure it builds), about a hundred calls at most.
    assert {s for s, _ in seen} <= {"slice", "indexing"}, seen
    assert len(seen) <= 110
    # Stages may nest (the plane cut builds its octrees level by level inside its own stage):
    # the fractions rise within each stage.
    for stage in {s for s, _ in seen}:
        fractions = [f for s, f in seen if s == stage]
        assert fractions == sorted(fractions) and all(0.0 <= f <= 1.0 for f in fractions), stage
    with pytest.raises(ZeroDivisionError):
        box.iso("linear", 5.0, progress=lambda stage, fraction: 1 / 0)


def test_threads_share_a_mesh_without_harm():
    import threading

    mesh = zevgeom.box(8)
    results, failures = {}, []

    def work(i):
        try:
            s = mesh.slice((0, 0, (i + 0.5) / 8), (0, 0, 1))
            s.carry("linear")
            results[i] = (s.area, s.average("linear"), mesh.volume)
        except Exception as e:  # pragma: no cover - reported below
            failures.append(e)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(6)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not failures
    for i, (area, average, volume) in results.items():
        assert area == pytest.approx(1.0, rel=1e-5) and volume == pytest.approx(1.0, rel=1e-6)
        assert average == pytest.approx(1 + 1 + 1.5 + 4 * (i + 0.5) / 8, rel=1e-5)
