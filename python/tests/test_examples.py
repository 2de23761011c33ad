"""The example scripts run and write their pictures."""
import os
import subprocess
import sys

import pytest

import zevgeom


def run_example(examples, name, *args):
    return subprocess.run([sys.executable, os.path.join(examples, name), *args], capture_output=True, text=True)


def test_slice_example_writes_a_png(examples, tmp_path):
    out = tmp_path / "slice.png"
    r = run_example(examples, "slice_plot.py", "--n", "6", "--var", "pressure", "-o", str(out))
    assert r.returncode == 0, r.stderr
    assert out.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_probe_example_writes_a_png(examples, tmp_path):
    try:
        zevgeom.box(1).probe([[0.5, 0.5, 0.5]], "linear")
    except zevgeom.Error as e:
        pytest.skip(f"probing is not available: {e}")
    out = tmp_path / "probe.png"
    r = run_example(examples, "probe_line.py", "--n", "6", "-o", str(out))
    assert r.returncode == 0, r.stderr
    assert out.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
