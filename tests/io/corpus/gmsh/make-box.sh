#!/bin/sh
# Regenerates box.vtk from box.geo with gmsh (4.8.4 wrote the committed file; that version writes VTK
# only in the legacy format). The tests read the committed file and need no gmsh.
set -e
cd "$(dirname "$0")"
gmsh -3 box.geo -format vtk -o box.vtk
