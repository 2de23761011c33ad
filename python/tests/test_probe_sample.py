"""Probing values at points and sampling points on a mesh's surface."""
import numpy as np
import pytest

import zevgeom


def linear(p):
    return 1 + 2 * p[:, 0] + 3 * p[:, 1] + 4 * p[:, 2]


def test_probe_interpolates_inside_and_gives_nan_outside(box):
    points = np.array([[0.25, 0.5, 0.75], [0.1, 0.9, 0.33], [1.0, 1.0, 1.0], [2.0, 0.5, 0.5],
                       [np.nan, 0.5, 0.5]])
    values = box.probe(points, "linear")
    assert values.shape == (5,) and values.dtype == np.float32
    # Trilinear interpolation of a linear field is exact, on the boundary too.
    np.testing.assert_allclose(values[:3], linear(points[:3]), rtol=1e-5)
    assert np.isnan(values[3]) and np.isnan(values[4])
    # Expressions of variables and coordinates, and vectors as (m, 3).
    np.testing.assert_allclose(box.probe(points[:2], "2*linear+x"), 2 * linear(points[:2]) + points[:2, 0],
                               rtol=1e-5)
    velocity = box.probe(points, "velocity")
    assert velocity.shape == (5, 3)
    # Its first two components, 0.5 - y and x - 0.5, are linear: exact.
    np.testing.assert_allclose(velocity[:3, 0], 0.5 - points[:3, 1], atol=1e-6)
    np.testing.assert_allclose(velocity[:3, 1], points[:3, 0] - 0.5, atol=1e-6)
    assert np.isnan(velocity[3]).all()
    # A tetrahedral box answers the same for a linear field.
    tets = zevgeom.box(3, kind="tet")
    np.testing.assert_allclose(tets.probe(points[:3], "linear"), linear(points[:3]), rtol=1e-5)


def test_probe_requests(box):
    with pytest.raises(ValueError, match=r"points must be an \(m, 3\) array"):
        box.probe(np.zeros((2, 2)), "linear")
    with pytest.raises(ValueError, match="probe interpolates vertex data; 'region' lives on elements"):
        box.probe([[0.5, 0.5, 0.5]], "region")
    with pytest.raises(KeyError):
        box.probe([[0.5, 0.5, 0.5]], "nope")


def test_sample_counts_surface_and_seeds(box):
    # The 4x4x4 box's boundary has 98 vertices and 96 faces.
    assert box.sample("vertices", 0).shape == (98, 3)
    assert box.sample("face-centres", 0).shape == (96, 3)
    assert box.sample("face-centres", 10).shape == (10, 3)
    assert box.sample("free-edges", 0).shape == (0, 3)
    for method in ["random", "equal-area", "equal-area-random", "grid"]:
        points = box.sample(method, 50, seed=5)
        assert points.shape[1] == 3 and len(points) > 0, method
        if method == "random":
            assert len(points) == 50
        # Every point lies on a side of the unit box.
        depth = np.minimum(np.abs(points), np.abs(1 - points)).min(axis=1)
        assert (depth <= 1e-5).all(), method
        assert ((points >= -1e-5) & (points <= 1 + 1e-5)).all(), method
    a = box.sample("random", 20, seed=9)
    np.testing.assert_array_equal(a, box.sample("random", 20, seed=9))
    assert not np.array_equal(a, box.sample("random", 20, seed=10))
    with pytest.raises(ValueError, match="method is random, grid, vertices, face-centres, free-edges, "
                                         "equal-area or equal-area-random, not 'spiral'"):
        box.sample("spiral", 10)
