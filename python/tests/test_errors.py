"""Every exception the module raises: its type, its base and what it carries."""
import os

import numpy as np
import pytest

import zevgeom


def test_exception_types():
    assert issubclass(zevgeom.Error, RuntimeError)
    assert issubclass(zevgeom.FormatError, ValueError)


def test_malformed_files_name_the_file_and_line(corpus, tmp_path):
    path = os.path.join(corpus, "header-only.vtk")
    with pytest.raises(zevgeom.FormatError) as caught:
        zevgeom.read(path)
    e = caught.value
    assert (e.file, e.line, e.message) == (path, 2, "unexpected end of file in the header")
    assert str(e) == f"{path}:2: unexpected end of file in the header"

    xml = os.path.join(corpus, "..", "..", "io", "corpus", "ascii-short.vtu")
    with pytest.raises(zevgeom.FormatError) as caught:
        zevgeom.read(xml)
    e = caught.value
    assert e.line is None and e.offset is None
    assert e.element_path == "VTKFile/UnstructuredGrid/Piece[0]/PointData/DataArray[@Name='p']"
    assert e.message == "4 tuples cannot fit in the element's text"

    missing = str(tmp_path / "missing.vtk")
    with pytest.raises(zevgeom.FormatError) as caught:
        zevgeom.read(missing)
    assert caught.value.file == missing and caught.value.line is None


def test_library_failures_carry_class_method_and_message(box):
    # A malformed expression fails inside the library's evaluator, also when probed.
    for call in [lambda: box["2*(x"], lambda: box.probe(np.zeros((2, 3)), "2*(x")]:
        with pytest.raises(zevgeom.Error) as caught:
            call()
        e = caught.value
        assert e.class_name and e.method and e.message
        assert str(e) == f"{e.class_name}::{e.method}: {e.message}"


def test_requests_the_mesh_cannot_serve(box):
    with pytest.raises(KeyError, match="no variable 'nope' in built-in hex box 4x4x4"):
        box["nope"]
    with pytest.raises(ValueError, match="'velocity' must be a scalar at the vertices"):
        box.iso("velocity", 1.0)
    with pytest.raises(ValueError, match=r"no face or element set 'faces' \(sets: ES1\)"):
        box.integrate("linear", over="faces")
    with pytest.raises(ValueError, match="the box kind is hex, tet or mixed, not 'cube'"):
        zevgeom.box(2, kind="cube")
    with pytest.raises(ValueError, match="lives on elements"):
        box.boundary().parent.integrate("region", over="boundary")


def test_paths_with_a_nul_are_refused(corpus, box, tmp_path):
    # The file system would end the path at the NUL and open or write another file.
    valid = os.path.join(corpus, "valid", "tet-ascii.vtk")
    with pytest.raises(ValueError, match="a path cannot hold a NUL character"):
        zevgeom.read(valid + "\x00.anything")
    with pytest.raises(ValueError, match="a path cannot hold a NUL character"):
        box.write(str(tmp_path / "out.vtk") + "\x00.vtu")
    assert os.listdir(tmp_path) == []


def test_written_formats_follow_the_tool(box, tmp_path):
    # The extension names the format; compression is for the XML formats only.
    with pytest.raises(ValueError, match=r"cannot write '.*box\.msh': the formats are \.vtk, \.vtu"):
        box.write(str(tmp_path / "box.msh"))
    with pytest.raises(ValueError, match="--compress applies to the XML formats"):
        box.write(str(tmp_path / "box.vtk"), compress=True)
    box.write(str(tmp_path / "box.vtu"), compress=True)
    assert b"vtkZLibDataCompressor" in (tmp_path / "box.vtu").read_bytes()
    box.write(str(tmp_path / "box.cgns"))
    assert zevgeom.read(str(tmp_path / "box.cgns")).volume == pytest.approx(box.volume, rel=1e-6)
