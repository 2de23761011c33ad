import os
import shutil

import pytest

import zevgeom


@pytest.fixture
def box():
    """The built-in hex box, 4 cells per axis: linear = 1 + 2x + 3y + 4z, region 1 below z = 0.5, 2 above."""
    return zevgeom.box(4)


@pytest.fixture(scope="session")
def tool():
    path = os.environ.get("ZEVGEOM_TOOL") or shutil.which("zevgeom")
    if not path:
        pytest.skip("the zevgeom tool is not built")
    return path


@pytest.fixture(scope="session")
def corpus():
    return os.environ.get("ZEVGEOM_CORPUS") or os.path.join(
        os.path.dirname(__file__), "..", "..", "tests", "zevgeom", "corpus")


@pytest.fixture(scope="session")
def examples():
    return os.environ.get("ZEVGEOM_EXAMPLES") or os.path.join(os.path.dirname(__file__), "..", "..", "examples")
