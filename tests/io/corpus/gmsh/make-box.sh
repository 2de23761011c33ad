#!/bin/sh
# Regenerates box.vtk and the .msh files from box.geo with gmsh (4.8.4 wrote the committed files; that
# version writes VTK only in the legacy format): the same first-order mesh in versions 4.1 and 2.2, ASCII
# and binary, and the mesh of second order; data.geo the mesh with a point field in the same four forms;
# mixed.geo a mesh of hexahedra and prisms; groups.geo the box with its volume in two physical groups.
# The tests read the committed files and need no gmsh.
set -e
cd "$(dirname "$0")"
gmsh -3 box.geo -format vtk -o box.vtk
gmsh -3 box.geo -format msh41 -o box-41.msh
gmsh -3 box.geo -format msh41 -bin -o box-41-bin.msh
gmsh -3 box.geo -format msh22 -o box-22.msh
gmsh -3 box.geo -format msh22 -bin -o box-22-bin.msh
gmsh -3 box.geo -order 2 -format msh41 -o box-41-order2.msh
gmsh data.geo -parse_and_exit
gmsh -3 mixed.geo -format vtk -o mixed.vtk
gmsh -3 mixed.geo -format msh41 -o mixed-41.msh
gmsh -3 groups.geo -format msh22 -o groups-22.msh
