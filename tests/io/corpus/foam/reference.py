"""Reference figures for the OpenFOAM reader's test cases.

Reads every case beside this script with VTK's OpenFOAM reader (cell data
only, no cell-to-point interpolation, every patch, the cell zones, polyhedra
kept whole, every array, 64-bit floats) at each of its times, and writes
reference.json with, per case and time:

  internal  points, cells, cells by VTK type, total volume, bounds, and per
            cell array its components' volume integrals, minima and maxima;
            per point array its components' sums, minima and maxima
  patches   per patch: faces, area, per cell array the area integrals of its
            components, and for U the flux through the patch
  zones     per cell zone: cells and volume

Areas and face normals come from each face's vector area, the sum over its
edges of p_i x p_(i+1) / 2, taken in the face's point order as written
(boundary faces point out of the domain). Volumes come from
vtkCellSizeFilter; polyhedron volumes are checked against a divergence-theorem
sum over their faces, and where a case has the solver's own cell volumes
(field V) their largest relative difference from VTK's is kept as volumeVsV.

Run with: /usr/bin/python3 reference.py
"""

import json
import math
import os
import sys

import vtk
from vtk.util.numpy_support import vtk_to_numpy
import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
CASES = ["cavity", "cavity-binary", "cavity-gz", "pitzDaily", "mixed", "poly", "moving"]
CELL_TYPE_NAMES = {
    vtk.VTK_TETRA: "tetra",
    vtk.VTK_PYRAMID: "pyramid",
    vtk.VTK_WEDGE: "wedge",
    vtk.VTK_HEXAHEDRON: "hexahedron",
    vtk.VTK_POLYHEDRON: "polyhedron",
    vtk.VTK_TRIANGLE: "triangle",
    vtk.VTK_QUAD: "quad",
    vtk.VTK_POLYGON: "polygon",
}


def figure(x):
    """A float rounded to 12 significant digits, so reruns compare as text."""
    x = float(x)
    return 0.0 if x == 0 else float("%.12g" % x)


def figures(values):
    return [figure(v) for v in np.atleast_1d(values)]


def make_reader(path):
    reader = vtk.vtkOpenFOAMReader()
    reader.SetFileName(path)
    reader.SetSkipZeroTime(0)
    reader.SetCreateCellToPoint(0)
    reader.SetDecomposePolyhedra(0)
    reader.SetReadZones(1)
    reader.SetUse64BitFloats(1)
    reader.SetCacheMesh(0)
    reader.UpdateInformation()
    reader.EnableAllPatchArrays()
    reader.EnableAllCellArrays()
    reader.EnableAllPointArrays()
    reader.EnableAllLagrangianArrays()
    reader.UpdateInformation()
    return reader


def named_blocks(multiblock):
    """Yields (name, block) of a vtkMultiBlockDataSet's direct children."""
    for i in range(multiblock.GetNumberOfBlocks()):
        meta = multiblock.GetMetaData(i)
        name = meta.Get(vtk.vtkCompositeDataSet.NAME()) if meta else None
        yield name, multiblock.GetBlock(i)


def cell_faces(grid, cell_id):
    """The faces of a cell as lists of point ids, in VTK's face order."""
    cell = grid.GetCell(cell_id)
    faces = []
    for f in range(cell.GetNumberOfFaces()):
        ids = cell.GetFace(f).GetPointIds()
        faces.append([ids.GetId(k) for k in range(ids.GetNumberOfIds())])
    return faces


def vector_area(points, ids):
    p = points[ids]
    return 0.5 * np.cross(p, np.roll(p, -1, axis=0)).sum(axis=0)


def polyhedron_volume(points, faces):
    """Divergence theorem over faces fanned from their centroids; the sign is
    dropped because VTK may list a polyhedron's faces either way round."""
    volume = 0.0
    for ids in faces:
        p = points[ids]
        c = p.mean(axis=0)
        for a, b in zip(p, np.roll(p, -1, axis=0)):
            volume += np.dot(c, np.cross(a - c, b - c)) / 6.0
    return abs(volume)


def cell_volumes(grid):
    size = vtk.vtkCellSizeFilter()
    size.SetInputData(grid)
    size.SetComputeVertexCount(0)
    size.SetComputeLength(0)
    size.SetComputeArea(0)
    size.SetComputeVolume(1)
    size.Update()
    return vtk_to_numpy(size.GetOutput().GetCellData().GetArray("Volume")).astype(float)


def arrays(data):
    return [data.GetArray(i) for i in range(data.GetNumberOfArrays())]


def column(values):
    return values.reshape(len(values), -1)


def internal_figures(grid):
    points = vtk_to_numpy(grid.GetPoints().GetData()).astype(float)
    types = vtk_to_numpy(grid.GetCellTypesArray()) if grid.GetNumberOfCells() else []
    counts = {}
    for t in types:
        name = CELL_TYPE_NAMES.get(int(t), str(int(t)))
        counts[name] = counts.get(name, 0) + 1
    volumes = cell_volumes(grid)
    poly = [i for i, t in enumerate(types) if t == vtk.VTK_POLYHEDRON]
    if poly:
        own = np.array([polyhedron_volume(points, cell_faces(grid, i)) for i in poly])
        worst = np.max(np.abs(own - volumes[poly]) / own)
        if worst > 1e-9:
            sys.exit("polyhedron volumes disagree by %g" % worst)
    out = {
        "points": grid.GetNumberOfPoints(),
        "cells": grid.GetNumberOfCells(),
        "cellTypes": dict(sorted(counts.items())),
        "volume": figure(volumes.sum()),
        "bounds": figures(grid.GetBounds()),
        "cellArrays": {},
        "pointArrays": {},
    }
    solver_volumes = grid.GetCellData().GetArray("V")
    if solver_volumes is not None:
        # V, where a case has it, holds the solver's own cell volumes.
        v = vtk_to_numpy(solver_volumes).astype(float)
        out["volumeVsV"] = figure(np.max(np.abs(v - volumes) / v))
    for a in arrays(grid.GetCellData()):
        v = column(vtk_to_numpy(a).astype(float))
        out["cellArrays"][a.GetName()] = {
            "components": v.shape[1],
            "volumeIntegral": figures((v * volumes[:, None]).sum(axis=0)),
            "min": figures(v.min(axis=0)),
            "max": figures(v.max(axis=0)),
        }
    for a in arrays(grid.GetPointData()):
        v = column(vtk_to_numpy(a).astype(float))
        out["pointArrays"][a.GetName()] = {
            "components": v.shape[1],
            "sum": figures(v.sum(axis=0)),
            "min": figures(v.min(axis=0)),
            "max": figures(v.max(axis=0)),
        }
    return out


def patch_figures(surface):
    points = vtk_to_numpy(surface.GetPoints().GetData()).astype(float)
    polys = surface.GetPolys()
    offsets = vtk_to_numpy(polys.GetOffsetsArray()).astype(int)
    conn = vtk_to_numpy(polys.GetConnectivityArray()).astype(int)
    if surface.GetNumberOfCells() != polys.GetNumberOfCells():
        sys.exit("patch holds cells that are not polygons")
    s = np.array([vector_area(points, conn[offsets[i]:offsets[i + 1]])
                  for i in range(len(offsets) - 1)]).reshape(-1, 3)
    area = np.linalg.norm(s, axis=1)
    out = {
        "faces": surface.GetNumberOfCells(),
        "area": figure(area.sum()),
        "vectorArea": figures(s.sum(axis=0)),
        "cellArrays": {},
    }
    for a in arrays(surface.GetCellData()):
        v = column(vtk_to_numpy(a).astype(float))
        entry = {"components": v.shape[1],
                 "areaIntegral": figures((v * area[:, None]).sum(axis=0))}
        if a.GetName() == "U" and v.shape[1] == 3:
            entry["flux"] = figure((v * s).sum())
        out["cellArrays"][a.GetName()] = entry
    return out


def zone_figures(grid):
    return {"cells": grid.GetNumberOfCells(),
            "volume": figure(cell_volumes(grid).sum()) if grid.GetNumberOfCells() else 0.0}


def read_time(reader, time):
    reader.UpdateTimeStep(time)
    out = {"time": figure(time), "internal": None, "patches": {}, "zones": {}}
    for name, block in named_blocks(reader.GetOutput()):
        if name == "internalMesh":
            out["internal"] = internal_figures(block)
        elif name == "boundary":
            for patch, surface in named_blocks(block):
                out["patches"][patch] = patch_figures(surface)
        elif name == "zones":
            for kind, zones in named_blocks(block):
                for zone, grid in named_blocks(zones):
                    out["zones"].setdefault(kind, {})[zone] = zone_figures(grid)
    return out


def read_case(name):
    path = os.path.join(HERE, name, name + ".foam")
    reader = make_reader(path)
    times = reader.GetTimeValues()
    times = [times.GetValue(i) for i in range(times.GetNumberOfTuples())] if times else [0.0]
    return {
        "readerArrays": {
            "patch": [reader.GetPatchArrayName(i) for i in range(reader.GetNumberOfPatchArrays())],
            "cell": [reader.GetCellArrayName(i) for i in range(reader.GetNumberOfCellArrays())],
            "point": [reader.GetPointArrayName(i) for i in range(reader.GetNumberOfPointArrays())],
        },
        "times": [read_time(reader, t) for t in times],
    }


def main():
    names = [c for c in CASES if os.path.isdir(os.path.join(HERE, c))]
    result = {
        "reader": "VTK %s vtkOpenFOAMReader" % vtk.vtkVersion.GetVTKVersion(),
        "cases": {name: read_case(name) for name in names},
    }
    with open(os.path.join(HERE, "reference.json"), "w") as f:
        json.dump(result, f, indent=1)
        f.write("\n")


if __name__ == "__main__":
    main()
