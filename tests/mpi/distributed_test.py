#!/usr/bin/env python3
"""zevgeom under mpiexec gives the figures of a single process.

Every distributed command runs on generated meshes (an ordinary file the first process partitions and
scatters, and the pieces of a partitioned file) and its JSON report is compared with the single-process
report of the same mesh: counts, names and orders exactly, element-based sums (volumes, face areas, element
integrals) to 1e-12 relative. Integrals of vertex values go through the kernel's single-precision vertex
volumes and areas, whose shares a vertex on a piece border splits between processes; they agree to 1e-6.
Failures: a malformed piece ends every process with exit 2 and the first failing piece's message, and a
usage error is reported once. Probes at piece interfaces are answered exactly once.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys

FAILURES = []


def fail(message):
    FAILURES.append(message)
    print("FAIL: " + message)


def run(cmd, timeout=300):
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout, text=True)
    return result.returncode, result.stdout, result.stderr


class Tool:
    def __init__(self, zevgeom, mpiexec, processes):
        self.zevgeom = zevgeom
        self.mpi = [mpiexec, "-n", str(processes), "--oversubscribe", "--mca", "btl", "self,vader"]

    def single(self, args):
        return run([self.zevgeom] + args)

    def distributed(self, args):
        return run(self.mpi + [self.zevgeom] + args)


def close(a, b, tolerance):
    if a == b:
        return True
    return abs(a - b) <= tolerance * max(abs(a), abs(b))


# Keys whose numbers come from vertex volumes or areas (see the module's text).
VERTEX_SUMS = {"integral", "average", "volume", "area"}


def compare(single, distributed, where, loose_keys):
    if isinstance(single, dict):
        if not isinstance(distributed, dict) or list(single) != list(distributed):
            fail("%s: keys %s != %s" % (where, list(single), distributed if not isinstance(distributed, dict)
                                         else list(distributed)))
            return
        for key in single:
            compare(single[key], distributed[key], where + "." + key, loose_keys)
    elif isinstance(single, list):
        if not isinstance(distributed, list) or len(single) != len(distributed):
            fail("%s: %s != %s" % (where, single, distributed))
            return
        for i, (a, b) in enumerate(zip(single, distributed)):
            compare(a, b, "%s[%d]" % (where, i), loose_keys)
    elif isinstance(single, float) or isinstance(distributed, float):
        key = where.rsplit(".", 1)[-1]
        tolerance = 1e-6 if key in loose_keys else 1e-12
        if not isinstance(distributed, (int, float)) or not close(single, distributed, tolerance):
            fail("%s: %r != %r (tolerance %g)" % (where, single, distributed, tolerance))
    elif single != distributed:
        fail("%s: %r != %r" % (where, single, distributed))


def same_figures(tool, args, loose_keys=()):
    code, out, err = tool.single(args + ["--json"])
    if code != 0:
        fail("single %s: exit %d: %s" % (args, code, err))
        return None
    dcode, dout, derr = tool.distributed(args + ["--json"])
    if dcode != 0:
        fail("distributed %s: exit %d: %s" % (args, dcode, derr))
        return None
    compare(json.loads(out), json.loads(dout), " ".join(args), set(loose_keys))
    return json.loads(dout)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--zevgeom", required=True)
    parser.add_argument("--mpiexec", required=True)
    parser.add_argument("--processes", type=int, required=True)
    parser.add_argument("--work", required=True)
    options = parser.parse_args()
    shutil.rmtree(options.work, ignore_errors=True)
    os.makedirs(options.work)
    os.chdir(options.work)
    # Open MPI's session files in a folder of this test's own, so that runs side by side do not collide.
    os.makedirs("mpi-session")
    os.environ["OMPI_MCA_orte_tmpdir_base"] = os.path.abspath("mpi-session")
    tool = Tool(options.zevgeom, options.mpiexec, options.processes)

    for kind, n in (("mixed", 4), ("tet", 4), ("hex", 5)):
        code, _, err = tool.single(["generate", kind, "--n", str(n), "-o", kind + ".vtk"])
        assert code == 0, err
    # More pieces than processes for the hexahedra, fewer for the mixed cells.
    for kind, parts in (("mixed", 2), ("hex", 5)):
        code, _, err = tool.single(["partition", kind + ".vtk", "--parts", str(parts), "-o", kind + ".pvtu"])
        assert code == 0, err

    # The boundary of the partitioned box is the box's: faces between pieces are not counted.
    whole = json.loads(tool.single(["info", "hex.vtk", "--json"])[1])
    pieces = same_figures(tool, ["info", "hex.pvtu"])
    if pieces is not None and not close(whole["boundaryArea"], pieces["boundaryArea"], 1e-12):
        fail("boundary area of the pieces %r, of the whole box %r" % (pieces["boundaryArea"], whole["boundaryArea"]))

    for mesh in ([], ["mixed.pvtu"], ["tet.vtk"]):
        same_figures(tool, ["info"] + mesh)
        same_figures(tool, ["integrate"] + mesh + ["--var", "region"])
        same_figures(tool, ["integrate"] + mesh + ["--var", "pressure"], VERTEX_SUMS)
        same_figures(tool, ["integrate"] + mesh + ["--expr", "2*x+y", "--over", "boundary"], VERTEX_SUMS)
        same_figures(tool, ["slice"] + mesh + ["--plane", "0.5,0.5,0.5,1,0,0", "--var", "pressure"], VERTEX_SUMS)
        same_figures(tool, ["iso"] + mesh + ["--iso-var", "linear", "--value", "4", "--var", "velocity"],
                     VERTEX_SUMS)
        same_figures(tool, ["select"] + mesh + ["--sphere", "0.5,0.5,0.5,0.35", "--side", "inside", "--var",
                                                "pressure"], VERTEX_SUMS)
    same_figures(tool, ["integrate", "hex.pvtu", "--var", "velocity", "--over", "boundary"], VERTEX_SUMS)
    # An OpenFOAM case, read on the first process at a chosen time, its cell data averaged to the points.
    cavity = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "io", "corpus", "foam", "cavity")
    same_figures(tool, ["integrate", cavity, "--time", "0.25", "--var", "p"])
    same_figures(tool, ["slice", cavity, "--plane", "0.05,0.05,0.005,0,1,0", "--var", "p", "--point-data"],
                 VERTEX_SUMS)
    # Answers per set and fluxes come from the whole mesh, read by the first process.
    same_figures(tool, ["integrate", "mixed.pvtu", "--flux", "velocity", "--over", "boundary"])
    same_figures(tool, ["integrate", "mixed.pvtu", "--var", "linear", "--over", "ES1", "--over", "volume"])
    same_figures(tool, ["slice", "mixed.pvtu", "--plane", "0.5,0.5,0.5,0,0,1", "--flux", "velocity"])
    same_figures(tool, ["select", "hex.pvtu", "--range-var", "linear", "--min", "3", "--max", "6",
                        "--inclusive"], VERTEX_SUMS)

    # A slice written as pieces, one per process, reads back with the faces and area reported.
    report = json.loads(tool.distributed(["slice", "hex.pvtu", "--plane", "0.3,0.5,0.5,1,1,0", "-o", "cut.pvtp",
                                          "--json"])[1])
    written = json.loads(tool.single(["info", "cut.pvtp", "--json"])[1])
    if written["faces"]["total"] != report["faces"] or not close(written["boundaryArea"], report["area"], 1e-12):
        fail("the written slice holds %d faces of area %r; the report said %d and %r" %
             (written["faces"]["total"], written["boundaryArea"], report["faces"], report["area"]))

    # Probes: points on the planes between pieces and at shared vertices are answered once each, with the
    # single process's values.
    at = []
    for p in ("0.2,0.2,0.2", "0.4,0.4,0.4", "0.6,0.4,0.2", "0.8,0.6,0.4", "0.5,0.5,0.5", "1.5,0,0", "0,0,0"):
        at += ["--at", p]
    single = json.loads(tool.single(["probe", "hex.pvtu", "--var", "linear"] + at + ["--json"])[1])
    code, out, err = tool.distributed(["probe", "hex.pvtu", "--var", "linear"] + at + ["--json"])
    if code != 0:
        fail("distributed probe: exit %d: %s" % (code, err))
    else:
        probed = json.loads(out)
        if len(probed["points"]) != len(single["points"]):
            fail("probe answered %d points of %d" % (len(probed["points"]), len(single["points"])))
        for a, b in zip(single["points"], probed["points"]):
            if a["inside"] != b["inside"] or (a["inside"] and not close(a["value"], b["value"], 1e-6)):
                fail("probe at %r: %r != %r" % ((a["x"], a["y"], a["z"]), a, b))

    # A malformed piece ends every process with exit 2 and the message a single process gives; a usage
    # error is reported once, with exit 1.
    for name in os.listdir("."):
        if name.startswith("hex_") and name.endswith(".vtu"):
            shutil.copy(name, "bad" + name[3:])
    with open("hex.pvtu") as index:
        text = index.read().replace('Source="hex_', 'Source="bad_')
    with open("bad.pvtu", "w") as index:
        index.write(text)
    with open("bad_1.vtu", "r+b") as piece:
        data = piece.read()
        piece.seek(0)
        piece.write(data[: len(data) // 2])
        piece.truncate()
    code, _, err = tool.single(["info", "bad.pvtu"])
    dcode, _, derr = tool.distributed(["info", "bad.pvtu"])
    if code != 2 or dcode != 2:
        fail("a malformed piece: exit %d single, %d distributed" % (code, dcode))
    if not derr.startswith(err):
        fail("a malformed piece: message %r, single process %r" % (derr, err))
    # Pieces that put one global point in two places are refused wherever the two pieces are read.
    corpus = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "io", "corpus")
    dcode, _, derr = tool.distributed(["info", os.path.join(corpus, "ids-moved.pvtu")])
    if dcode != 2 or "GlobalNodeIds value 1" not in derr or "other coordinates" not in derr:
        fail("pieces that move a shared point: exit %d, message %r" % (dcode, derr))
    dcode, _, derr = tool.distributed(["integrate", "hex.pvtu", "--var", "nosuch"])
    message = "zevgeom: no variable 'nosuch' in hex.pvtu (variables: linear, pressure, velocity, region)\n"
    if dcode != 1 or not derr.startswith(message) or derr.count(message) != 1:
        fail("an unknown variable: exit %d, message %r" % (dcode, derr))

    print("%d failures" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
