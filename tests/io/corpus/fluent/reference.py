"""Reference figures for the Fluent reader's test files.

Reads each case beside this script (with the data file of the same name) with
VTK's Fluent reader and writes reference.json with, per case: cells, cells by
VTK type, total volume (vtkCellSizeFilter), and per cell array its
components' volume integrals, minima and maxima. VTK's Fluent reader gives
the cells only, so the face zones' figures come from the OpenFOAM case the
file was converted from, read by VTK's OpenFOAM reader at the converted time:
per patch (a face zone of the same name) its faces, area and the area
integrals of the scalar fields, under the names the data file gives them;
and where the case has the solver's own cell volumes (field V) their sum,
solverVolume: VTK's Fluent reader gives the mixed case (a unit cube) a
volume of 0.6, its prisms coming out inside-out (-0.2, against the
hexahedra's 0.2).

Run with: /usr/bin/python3 reference.py
"""

import json
import os

import numpy as np
import vtk
from vtk.util.numpy_support import vtk_to_numpy

HERE = os.path.dirname(os.path.abspath(__file__))
# Fluent case -> (OpenFOAM case, time converted, OpenFOAM field -> Fluent array)
CASES = {
    "cavity": ("cavity", 0.5, {"p": "PRESSURE"}),
    "mixed": ("mixed", 0.0, {"T": "TEMPERATURE", "V": "DENSITY"}),
}
CELL_TYPE_NAMES = {
    vtk.VTK_TETRA: "tetra",
    vtk.VTK_PYRAMID: "pyramid",
    vtk.VTK_WEDGE: "wedge",
    vtk.VTK_HEXAHEDRON: "hexahedron",
    vtk.VTK_POLYHEDRON: "polyhedron",
}


def figure(x):
    """A float rounded to 12 significant digits, so reruns compare as text."""
    x = float(x)
    return 0.0 if x == 0 else float("%.12g" % x)


def cell_volumes(grid):
    size = vtk.vtkCellSizeFilter()
    size.SetInputData(grid)
    size.SetComputeVertexCount(0)
    size.SetComputeLength(0)
    size.SetComputeArea(0)
    size.SetComputeVolume(1)
    size.Update()
    return vtk_to_numpy(size.GetOutput().GetCellData().GetArray("Volume")).astype(float)


def fluent_figures(path):
    reader = vtk.vtkFLUENTReader()
    reader.SetFileName(path)
    reader.EnableAllCellArrays()
    reader.Update()
    grid = reader.GetOutput().GetBlock(0)
    volumes = cell_volumes(grid)
    types = {}
    for c in range(grid.GetNumberOfCells()):
        name = CELL_TYPE_NAMES[grid.GetCellType(c)]
        types[name] = types.get(name, 0) + 1
    arrays = {}
    data = grid.GetCellData()
    for i in range(data.GetNumberOfArrays()):
        values = vtk_to_numpy(data.GetArray(i)).astype(float).reshape(grid.GetNumberOfCells(), -1)
        arrays[data.GetArrayName(i)] = {
            "components": values.shape[1],
            "volumeIntegral": [figure(v) for v in (values * volumes[:, None]).sum(axis=0)],
            "min": [figure(v) for v in values.min(axis=0)],
            "max": [figure(v) for v in values.max(axis=0)],
        }
    return {
        "cells": grid.GetNumberOfCells(),
        "cellTypes": types,
        "volume": figure(volumes.sum()),
        "cellArrays": arrays,
    }


def patch_figures(case, time, fields):
    reader = vtk.vtkOpenFOAMReader()
    reader.SetFileName(os.path.join(HERE, "..", "foam", case, case + ".foam"))
    reader.SetSkipZeroTime(0)
    reader.SetCreateCellToPoint(0)
    reader.SetUse64BitFloats(1)
    reader.UpdateInformation()
    reader.EnableAllPatchArrays()
    reader.EnableAllCellArrays()
    reader.UpdateTimeStep(time)
    output = reader.GetOutput()
    patches = {}
    solver_volume = None
    for i in range(output.GetNumberOfBlocks()):
        name = output.GetMetaData(i).Get(vtk.vtkCompositeDataSet.NAME())
        if name == "internalMesh" and output.GetBlock(i).GetCellData().GetArray("V") is not None:
            solver_volume = figure(vtk_to_numpy(output.GetBlock(i).GetCellData().GetArray("V")).sum())
        if name != "boundary":
            continue
        boundary = output.GetBlock(i)
        for j in range(boundary.GetNumberOfBlocks()):
            patch = boundary.GetMetaData(j).Get(vtk.vtkCompositeDataSet.NAME())
            surface = boundary.GetBlock(j)
            if surface is None or surface.GetNumberOfCells() == 0:
                continue
            points = vtk_to_numpy(surface.GetPoints().GetData()).astype(float)
            areas = np.empty(surface.GetNumberOfCells())
            for c in range(surface.GetNumberOfCells()):
                ids = surface.GetCell(c).GetPointIds()
                p = points[[ids.GetId(k) for k in range(ids.GetNumberOfIds())]]
                areas[c] = np.linalg.norm(0.5 * np.cross(p, np.roll(p, -1, axis=0)).sum(axis=0))
            integrals = {}
            for field, array in fields.items():
                values = surface.GetCellData().GetArray(field)
                if values is not None and values.GetNumberOfComponents() == 1:
                    integrals[array] = figure((vtk_to_numpy(values).astype(float) * areas).sum())
            patches[patch] = {
                "faces": surface.GetNumberOfCells(),
                "area": figure(areas.sum()),
                "areaIntegrals": integrals,
            }
    return patches, solver_volume


def main():
    cases = {}
    for name, (foam_case, time, fields) in CASES.items():
        figures = fluent_figures(os.path.join(HERE, name + ".cas"))
        figures["patches"], solver_volume = patch_figures(foam_case, time, fields)
        if solver_volume is not None:
            figures["solverVolume"] = solver_volume
        cases[name] = figures
    reference = {
        "reader": "VTK %s vtkFLUENTReader, vtkOpenFOAMReader for the face zones" % vtk.vtkVersion.GetVTKVersion(),
        "cases": cases,
    }
    with open(os.path.join(HERE, "reference.json"), "w") as out:
        json.dump(reference, out, indent=1)
        out.write("\n")


if __name__ == "__main__":
    main()
