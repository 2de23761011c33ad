#!/usr/bin/env python3
"""Probes a variable along a straight line through a mesh (the built-in box, or a file) and plots it.

    python3 examples/probe_line.py                           # linear along the box's diagonal
    python3 examples/probe_line.py result.vtu --var p --start 0 0 0 --end 1 0 0 -o p-line.png
"""
import argparse

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import zevgeom  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mesh", nargs="?", help="a mesh file (.vtk, .vtu, .vtp); the built-in box without one")
    parser.add_argument("--n", type=int, default=16, help="cells per axis of the built-in box")
    parser.add_argument("--var", default="pressure", help="the variable or expression to probe")
    parser.add_argument("--start", type=float, nargs=3, default=[0.0, 0.0, 0.0])
    parser.add_argument("--end", type=float, nargs=3, default=[1.0, 1.0, 1.0])
    parser.add_argument("--points", type=int, default=200)
    parser.add_argument("-o", "--output", default="probe.png")
    args = parser.parse_args()

    mesh = zevgeom.read(args.mesh) if args.mesh else zevgeom.box(args.n)
    start, end = np.asarray(args.start), np.asarray(args.end)
    t = np.linspace(0.0, 1.0, args.points)
    points = start + t[:, None] * (end - start)
    values = mesh.probe(points, args.var)  # NaN outside the mesh
    if values.ndim == 2:
        values = np.linalg.norm(values, axis=1)
    distance = t * np.linalg.norm(end - start)

    fig, ax = plt.subplots(figsize=(7, 4))
    ax.plot(distance, values)
    ax.set_xlabel(f"distance from {tuple(args.start)}")
    ax.set_ylabel(args.var)
    ax.grid(True)
    fig.tight_layout()
    fig.savefig(args.output, dpi=80)
    print(f"{args.output}: {np.count_nonzero(~np.isnan(values))} of {args.points} points inside")


if __name__ == "__main__":
    main()
