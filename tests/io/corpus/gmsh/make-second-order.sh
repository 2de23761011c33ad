#!/bin/sh
# Regenerates the bar and hexahedron files from bar.geo and hex.geo with gmsh (4.8.4 wrote the committed
# files): bar-order1.vtk and bar-order2.vtk hold vertex cells, bar-order2.vtk and hex-order2.vtk
# second-order cells, and bar-order2.vtu is bar-order2.vtk as an ASCII XML file, cell types unchanged
# (gmsh writes VTK only in the legacy format). The tests read the committed files and need no gmsh.
set -e
cd "$(dirname "$0")"
gmsh -3 bar.geo -format vtk -o bar-order1.vtk
gmsh -3 bar.geo -order 2 -format vtk -o bar-order2.vtk
gmsh -3 hex.geo -order 2 -format vtk -o hex-order2.vtk
python3 - bar-order2.vtk bar-order2.vtu <<'PY'
import sys

words = open(sys.argv[1]).read().split()
at = {w: i for i, w in enumerate(words) if w in ("POINTS", "CELLS", "CELL_TYPES", "CELL_DATA")}
n_points = int(words[at["POINTS"] + 1])
points = words[at["POINTS"] + 3 : at["POINTS"] + 3 + 3 * n_points]
n_cells = int(words[at["CELLS"] + 1])
pos, offsets, connectivity = at["CELLS"] + 3, [], []
for _ in range(n_cells):
    k = int(words[pos])
    connectivity += words[pos + 1 : pos + 1 + k]
    offsets.append(str(len(connectivity)))
    pos += k + 1
types = words[at["CELL_TYPES"] + 2 : at["CELL_TYPES"] + 2 + n_cells]
ids = words[at["CELL_DATA"] + 8 : at["CELL_DATA"] + 8 + n_cells]


def array(kind, name, values, components=1):
    return '<DataArray type="%s" Name="%s" NumberOfComponents="%d" format="ascii">\n%s\n</DataArray>\n' % (
        kind, name, components, " ".join(values))


with open(sys.argv[2], "w") as out:
    out.write('<?xml version="1.0"?>\n<VTKFile type="UnstructuredGrid" version="1.0" byte_order="LittleEndian">\n')
    out.write('<UnstructuredGrid>\n<Piece NumberOfPoints="%d" NumberOfCells="%d">\n' % (n_points, n_cells))
    out.write("<Points>\n" + array("Float64", "Points", points, 3) + "</Points>\n")
    out.write("<Cells>\n" + array("Int64", "connectivity", connectivity) + array("Int64", "offsets", offsets))
    out.write(array("UInt8", "types", types) + "</Cells>\n")
    out.write('<CellData Scalars="CellEntityIds">\n' + array("Int32", "CellEntityIds", ids) + "</CellData>\n")
    out.write("</Piece>\n</UnstructuredGrid>\n</VTKFile>\n")
PY
# The same file as the one piece of a partitioned mesh.
cat > bar-order2.pvtu <<'PVTU'
<?xml version="1.0"?>
<VTKFile type="PUnstructuredGrid" version="1.0" byte_order="LittleEndian">
<PUnstructuredGrid>
<PPoints><PDataArray type="Float64" NumberOfComponents="3"/></PPoints>
<PCellData Scalars="CellEntityIds"><PDataArray type="Int32" Name="CellEntityIds"/></PCellData>
<Piece Source="bar-order2.vtu"/>
</PUnstructuredGrid>
</VTKFile>
PVTU
