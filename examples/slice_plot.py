#!/usr/bin/env python3
"""Slices a mesh (the built-in box, or a file) by a plane, colours the slice by a variable and writes a PNG.

    python3 examples/slice_plot.py                          # the built-in box, pressure, slice.png
    python3 examples/slice_plot.py result.vtu --var p --origin 0 0 0.2 --normal 0 0 1 -o p.png
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
    parser.add_argument("--var", default="pressure", help="the variable or expression to colour by")
    parser.add_argument("--origin", type=float, nargs=3, default=[0.5, 0.5, 0.5])
    parser.add_argument("--normal", type=float, nargs=3, default=[0.0, 0.0, 1.0])
    parser.add_argument("-o", "--output", default="slice.png")
    args = parser.parse_args()

    mesh = zevgeom.read(args.mesh) if args.mesh else zevgeom.box(args.n)
    cut = mesh.slice(args.origin, args.normal)
    if cut.num_faces == 0:
        parser.error("the plane misses the mesh")
    if args.var in mesh:
        cut.carry(args.var)
    values = cut[args.var]  # a variable carried onto the slice, or an expression evaluated on it
    if values.ndim == 2:
        values = np.linalg.norm(values, axis=1)

    # Draw the slice in its own plane: two unit vectors orthogonal to the normal.
    n = np.asarray(args.normal, dtype=float)
    n /= np.linalg.norm(n)
    u = np.cross(n, [1.0, 0.0, 0.0] if abs(n[0]) < 0.9 else [0.0, 1.0, 0.0])
    u /= np.linalg.norm(u)
    w = np.cross(n, u)
    p = cut.vertices - np.asarray(args.origin, dtype=np.float32)
    triangles, face = cut.triangles()

    fig, ax = plt.subplots(figsize=(6, 5))
    if len(values) == cut.num_faces:  # face data: one colour per face
        art = ax.tripcolor(p @ u, p @ w, triangles, facecolors=values[face], cmap="viridis")
    else:
        art = ax.tripcolor(p @ u, p @ w, triangles, values, shading="gouraud", cmap="viridis")
    fig.colorbar(art, ax=ax, label=args.var)
    ax.set_aspect("equal")
    ax.set_title(f"{args.var} on the slice through {tuple(args.origin)}", fontsize=10)
    fig.tight_layout()
    fig.savefig(args.output, dpi=80)
    print(f"{args.output}: {cut.num_faces} faces, area {cut.area:.6g}, average {args.var} "
          f"{cut.average(args.var):.6g}")


if __name__ == "__main__":
    main()
