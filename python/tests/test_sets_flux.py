"""Answers per set, vector components and fluxes, against linear fields whose integrals are known exactly."""
import math

import pytest

import zevgeom

# The unit cube as one hexahedron with two patches: region 3 on x = 1 wound outwards, region 4 on x = 0
# wound inwards. U = (1 + x, 2y, 3z), of divergence 6; s = x.
CUBE = """# vtk DataFile Version 3.0
cube
ASCII
DATASET UNSTRUCTURED_GRID
POINTS 8 float
0 0 0 1 0 0 1 1 0 0 1 0 0 0 1 1 0 1 1 1 1 0 1 1
CELLS 3 19
8 0 1 2 3 4 5 6 7
4 1 2 6 5
4 0 3 7 4
CELL_TYPES 3
12
9
9
CELL_DATA 3
SCALARS patch int 1
LOOKUP_TABLE default
1 3 4
POINT_DATA 8
VECTORS U float
1 0 0 2 0 0 2 2 0 1 2 0 1 0 3 2 0 3 2 2 3 1 2 3
SCALARS s float 1
LOOKUP_TABLE default
0 1 1 0 0 1 1 0
"""


def test_sets_components_and_fluxes(tmp_path):
    path = tmp_path / "cube.vtk"
    path.write_text(CUBE)
    cube = zevgeom.read(str(path), region="patch")
    assert cube.set_measures == pytest.approx({"ES1": 1.0, "region3-QUAD": 1.0, "region4-QUAD": 1.0})
    assert cube.integrate("s", over="region3-QUAD") == pytest.approx(1.0)
    assert cube.average("s", over="ES1") == pytest.approx(0.5)
    assert cube.integrate("U_x + {U Y} - 2*y", over="region4-QUAD") == pytest.approx(1.0)

    # Out of the volume whatever the winding; along the normal given; towards increasing values.
    assert cube.flux("U") == pytest.approx(6.0)
    assert cube.flux("U", over="region4-QUAD") == pytest.approx(-1.0)
    assert cube.boundary().flux("U") == pytest.approx(6.0)
    assert cube.slice((0.25, 0, 0), (-1, 0, 0)).flux("U") == pytest.approx(-1.25)
    assert cube.iso("-s", -0.25).flux("U") == pytest.approx(-1.25)
    with pytest.raises(ValueError, match="names element sets"):
        cube.flux("U", over="ES1")

    box = zevgeom.box(4)
    assert box.integrate("velocity_x*y") == pytest.approx(box.integrate("(0.5-y)*y"), abs=1e-7)
    assert box.integrate("{Normal Z}", over="boundary") == pytest.approx(0.0, abs=1e-6)
    assert math.isclose(box.slice((0.5, 0.5, 0.3), (0, 0, 1)).integrate("{Normal Z}"), 1.0, rel_tol=1e-6)
