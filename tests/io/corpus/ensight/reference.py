"""Reference figures for the EnSight Gold reader's test cases.

Reads every case beside this script with VTK's EnSight reader
(vtkGenericEnSightReader, every array) at each of its time values and writes
reference.json with, per case and time, per part (named by its description):

  points, cells, cells by VTK type, size (the total volume of its volume
  cells, or the total area of its surface cells), and per cell array the
  size-weighted integral of each component (sum of value times the cell's
  volume or area, from vtkCellSizeFilter); per point array the integral of
  each component over the part (vtkIntegrateAttributes, linear within each
  cell), for parts without polyhedra.

Run with: /usr/bin/python3 reference.py
"""

import glob
import json
import os

import numpy as np
import vtk
from vtk.util.numpy_support import vtk_to_numpy

HERE = os.path.dirname(os.path.abspath(__file__))


def figure(x):
    """A float rounded to 12 significant digits, so reruns compare as text."""
    x = float(x)
    return 0.0 if x == 0 else float("%.12g" % x)


def parts(output):
    """Yields (description, unstructured grid) of every part."""
    it = output.NewIterator()
    it.InitTraversal()
    while not it.IsDoneWithTraversal():
        name = it.GetCurrentMetaData().Get(vtk.vtkCompositeDataSet.NAME())
        yield name, it.GetCurrentDataObject()
        it.GoToNextItem()


def part_figures(grid):
    sizes = vtk.vtkCellSizeFilter()
    sizes.SetInputData(grid)
    sizes.ComputeVertexCountOff()
    sizes.ComputeLengthOff()
    sizes.Update()
    sized = sizes.GetOutput()
    volume = vtk_to_numpy(sized.GetCellData().GetArray("Volume"))
    area = vtk_to_numpy(sized.GetCellData().GetArray("Area"))
    size = volume if np.any(volume != 0) else area
    types = {}
    for i in range(grid.GetNumberOfCells()):
        name = vtk.vtkCellTypes.GetClassNameFromTypeId(grid.GetCellType(i))
        types[name] = types.get(name, 0) + 1
    out = {
        "points": grid.GetNumberOfPoints(),
        "cells": grid.GetNumberOfCells(),
        "types": dict(sorted(types.items())),
        "size": figure(size.sum()),
        "cellArrays": {},
        "pointArrays": {},
    }
    cd = grid.GetCellData()
    for i in range(cd.GetNumberOfArrays()):
        values = vtk_to_numpy(cd.GetArray(i)).reshape(grid.GetNumberOfCells(), -1)
        out["cellArrays"][cd.GetArrayName(i)] = [figure(v) for v in (values * size[:, None]).sum(axis=0)]
    pd = grid.GetPointData()
    if pd.GetNumberOfArrays() and "vtkPolyhedron" not in types:
        integrate = vtk.vtkIntegrateAttributes()
        integrate.SetInputData(grid)
        integrate.Update()
        result = integrate.GetOutput().GetPointData()
        for i in range(pd.GetNumberOfArrays()):
            name = pd.GetArrayName(i)
            out["pointArrays"][name] = [figure(v) for v in vtk_to_numpy(result.GetArray(name)).ravel()]
    return out


def case_figures(path):
    reader = vtk.vtkGenericEnSightReader()
    reader.SetCaseFileName(path)
    reader.ReadAllVariablesOn()
    reader.UpdateInformation()
    times = sorted(set(reader.GetTimeSets().GetItem(0).GetValue(i)
                       for i in range(reader.GetTimeSets().GetItem(0).GetNumberOfTuples())))
    out = []
    for t in times:
        reader.UpdateTimeStep(t)
        at = {"time": figure(t), "parts": {}}
        for name, grid in parts(reader.GetOutput()):
            at["parts"][name] = part_figures(grid)
        out.append(at)
    return out


def main():
    cases = {}
    for path in sorted(glob.glob(os.path.join(HERE, "*", "*.case"))):
        name = os.path.basename(os.path.dirname(path))
        cases[name] = {"case": os.path.relpath(path, HERE), "times": case_figures(path)}
    with open(os.path.join(HERE, "reference.json"), "w") as f:
        json.dump({"peer": "VTK %s vtkGenericEnSightReader" % vtk.vtkVersion.GetVTKVersion(), "cases": cases},
                  f, indent=1)
        f.write("\n")


if __name__ == "__main__":
    main()
