"""The module and the zevgeom tool give the same figures for the same file."""
import json
import subprocess

import pytest

import zevgeom


def run(tool, *args):
    out = subprocess.run([tool, *args], check=True, capture_output=True, text=True)
    return json.loads(out.stdout)


@pytest.mark.parametrize("kind", ["hex", "tet", "mixed"])
def test_same_figures_as_the_tool(tool, tmp_path, kind):
    path = str(tmp_path / f"{kind}.vtk")
    subprocess.run([tool, "generate", kind, "--n", "3", "-o", path], check=True, capture_output=True)
    mesh = zevgeom.read(path)

    info = run(tool, "info", path, "--json")
    assert mesh.num_vertices == info["vertices"]
    assert mesh.num_elements == info["elements"]["total"]
    assert mesh.volume == pytest.approx(info["volume"], rel=1e-9)
    assert mesh.boundary().area == pytest.approx(info["boundaryArea"], rel=1e-9)
    assert list(mesh.variables) == [v["name"] for v in info["variables"]]

    for args, over in [(["--var", "pressure"], ""), (["--var", "velocity"], ""),
                       (["--expr", "2*x+linear"], ""), (["--var", "region"], ""),
                       (["--expr", "2*x+y"], "boundary")]:
        ref = run(tool, "integrate", path, *args, *(["--over", over] if over else []), "--json")
        quantity = args[1]
        assert mesh.integrate(quantity, over=over) == pytest.approx(ref["integral"], rel=1e-9), args
        assert mesh.average(quantity, over=over) == pytest.approx(ref["average"], rel=1e-9), args

    # What the module writes, the tool reads to the same figures.
    mesh.add_variable("twice", 2 * mesh["linear"])
    copy = str(tmp_path / f"{kind}-copy.vtu")
    mesh.write(copy)
    ref = run(tool, "integrate", copy, "--var", "twice", "--json")
    assert ref["integral"] == pytest.approx(2 * mesh.integrate("linear"), rel=1e-6)


def test_reads_the_pieces_of_a_partitioned_mesh(tool, tmp_path):
    path = str(tmp_path / "mixed.vtk")
    subprocess.run([tool, "generate", "mixed", "--n", "4", "-o", path], check=True, capture_output=True)
    help_text = subprocess.run([tool, "--help"], check=True, capture_output=True, text=True).stdout
    if "partition" not in help_text:
        pytest.skip("the tool was built without the distributed layer")
    pieces = str(tmp_path / "mixed.pvtu")
    subprocess.run([tool, "partition", path, "--parts", "3", "-o", pieces], check=True, capture_output=True)

    whole = zevgeom.read(path)
    for fmt in ["auto", "pvtu"]:
        mesh = zevgeom.read(pieces, format=fmt)
        assert mesh.num_vertices == whole.num_vertices
        assert mesh.num_elements == whole.num_elements
        assert mesh.volume == pytest.approx(whole.volume, rel=1e-12)
        assert mesh.boundary().area == pytest.approx(whole.boundary().area, rel=1e-12)
    with pytest.raises(Exception, match="pvtu, pvtp, msh, foam, case or cas"):
        zevgeom.read(pieces, format="xyz")
