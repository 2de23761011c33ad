#!/usr/bin/env python3
# Writes the malformed-file corpus of this folder and expected.txt, the exact diagnostic of each file.
# Run it after changing a case; the files are checked in.
import struct, os
D = os.path.dirname(os.path.abspath(__file__))
os.makedirs(D, exist_ok=True)
os.makedirs(D + '/valid', exist_ok=True)
expected = []

HEAD = "# vtk DataFile Version 3.0\ntet\nASCII\nDATASET UNSTRUCTURED_GRID\n"
PTS = "POINTS 4 float\n0 0 0 1 0 0 0 1 0 0 0 1\n"
CELLS = "CELLS 1 5\n4 0 1 2 3\n"
TYPES = "CELL_TYPES 1\n10\n"
PDATA = "POINT_DATA 4\nSCALARS p float 1\nLOOKUP_TABLE default\n1 2 3 4\n"
VALID = HEAD + PTS + CELLS + TYPES + PDATA

def put(name, data, msg):
    mode = 'wb'
    if isinstance(data, str):
        data = data.encode('latin-1')
    open(os.path.join(D, name), mode).write(data)
    expected.append((name, msg))

put('empty.vtk', '', "FILE:1: not a VTK legacy file: the first line must start with '# vtk DataFile Version'")
put('not-vtk.vtk', 'solid cube\nfacet normal 0 0 1\n', "FILE:1: not a VTK legacy file: the first line must start with '# vtk DataFile Version'")
put('header-only.vtk', '# vtk DataFile Version 3.0\n', "FILE:2: unexpected end of file in the header")
put('bad-format.vtk', VALID.replace('ASCII', 'TEXT', 1), "FILE:3: expected ASCII or BINARY, found 'TEXT'")
put('no-dataset.vtk', VALID.replace('DATASET UNSTRUCTURED_GRID\n', ''), "FILE:4: expected DATASET, found 'POINTS'")
put('structured-points.vtk', VALID.replace('UNSTRUCTURED_GRID', 'STRUCTURED_POINTS'),
    "FILE:4: unsupported data set type 'STRUCTURED_POINTS'; the tool reads UNSTRUCTURED_GRID and POLYDATA")
put('truncated-points.vtk', HEAD + "POINTS 4 float\n0 0 0 1 0\n", "FILE:5: POINTS: 4 points cannot fit in the rest of the file")
put('truncated-scalars.vtk', HEAD + PTS + CELLS + TYPES + "POINT_DATA 4\nSCALARS p float 1\nLOOKUP_TABLE default\n1.5 2.5 3.5\n",
    "FILE:15: SCALARS 'p': unexpected end of file")
put('non-number.vtk', VALID.replace('0 1 0 0 0 1\n', '0 abc 0 0 0 1\n', 1), "FILE:6: POINTS: expected a number, found 'abc'")
put('nan-coordinate.vtk', VALID.replace('0 1 0 0 0 1\n', '0 1 nan 0 0 1\n', 1), "FILE:6: POINTS: point 2 has a coordinate that is not a finite number")
put('huge-coordinate.vtk', VALID.replace('0 1 0 0 0 1\n', '0 1 0 0 0 1e39\n', 1), "FILE:6: POINTS: point 3 has a coordinate outside the single-precision range")
put('negative-count.vtk', VALID.replace('POINTS 4', 'POINTS -4'), "FILE:5: POINTS: point count -4 is negative")
put('oversized-count.vtk', VALID.replace('POINTS 4', 'POINTS 1000000000'), "FILE:5: POINTS: 1000000000 points cannot fit in the rest of the file")
put('too-large-count.vtk', VALID.replace('POINTS 4', 'POINTS 99999999999'), "FILE:5: POINTS: point count 99999999999 is too large")
put('index-out-of-range.vtk', VALID.replace('4 0 1 2 3', '4 0 1 2 9'), "FILE:8: CELLS: cell 0 uses point 9, but there are 4 points")
put('negative-index.vtk', VALID.replace('4 0 1 2 3', '4 0 -1 2 3'), "FILE:8: CELLS: cell 0 uses point -1, but there are 4 points")
put('index-overflow.vtk', VALID.replace('4 0 1 2 3', '4 0 1 2 99999999999'), "FILE:8: CELLS: cell 0: value 99999999999 is out of range")
put('unknown-cell-type.vtk', VALID.replace('CELL_TYPES 1\n10', 'CELL_TYPES 1\n99'), "FILE:10: CELL_TYPES: cell 0 has the unknown type 99")
put('lagrange-cell-type.vtk', VALID.replace('CELL_TYPES 1\n10', 'CELL_TYPES 1\n72'),
    "FILE:10: CELL_TYPES: cell 0 is a VTK_LAGRANGE_HEXAHEDRON, which is not read")
put('quadratic-point-count.vtk', VALID.replace('CELL_TYPES 1\n10', 'CELL_TYPES 1\n24'),
    "FILE:10: CELL_TYPES: cell 0 is a quadratic tetra, which has 10 points, but CELLS gives it 4")
put('wrong-point-count.vtk', VALID.replace('CELLS 1 5\n4 0 1 2 3', 'CELLS 1 4\n3 0 1 2'),
    "FILE:10: CELL_TYPES: cell 0 is a tetra, which has 4 points, but CELLS gives it 3")
put('cells-size-short.vtk', VALID.replace('CELLS 1 5', 'CELLS 1 6'), "FILE:7: CELLS: the cells hold 5 values, not the declared 6")
put('cells-overrun.vtk', VALID.replace('CELLS 1 5', 'CELLS 1 4'), "FILE:8: CELLS: cell 0 runs past the declared size 4")
put('cells-negative-size.vtk', VALID.replace('4 0 1 2 3', '-4 0 1 2 3'), "FILE:8: CELLS: cell 0 has -4 points; it needs at least 0")
put('cell-types-count.vtk', VALID.replace('CELL_TYPES 1\n10', 'CELL_TYPES 2\n10 10'), "FILE:9: CELL_TYPES declares 2 cells but CELLS declares 1")
put('cells-without-types.vtk', HEAD + PTS + CELLS, "FILE:9: CELLS without CELL_TYPES")
put('no-points.vtk', HEAD, "FILE:5: no POINTS section")
put('point-data-count.vtk', VALID.replace('POINT_DATA 4', 'POINT_DATA 5'), "FILE:11: POINT_DATA declares 5 tuples but there are 4 points")
put('cell-data-count.vtk', HEAD + PTS + CELLS + TYPES + "CELL_DATA 2\nSCALARS r int\n1 2\n", "FILE:11: CELL_DATA declares 2 tuples but there are 1 cells")
put('unknown-keyword.vtk', VALID + "FOO 3\n", "FILE:15: unknown keyword 'FOO'")
put('binary-garbage-keyword.vtk', VALID + "\x00\x01\xff\n", "FILE:15: unknown keyword '???'")
put('bad-data-type.vtk', VALID.replace('SCALARS p float 1', 'SCALARS p bit 1'), "FILE:12: SCALARS 'p': unsupported data type 'bit'")
put('scalar-components.vtk', VALID.replace('SCALARS p float 1', 'SCALARS p float 7'), "FILE:12: SCALARS 'p': component count 7 is outside 1..4")
put('scalars-outside-data.vtk', HEAD + PTS + "SCALARS p float 1\nLOOKUP_TABLE default\n1 2 3 4\n", "FILE:7: SCALARS outside POINT_DATA or CELL_DATA")
put('field-tuples.vtk', HEAD + PTS + CELLS + TYPES + "POINT_DATA 4\nFIELD FieldData 1\nq 1 3 float\n1 2 3\n",
    "FILE:13: FIELD 'q' has 3 tuples but POINT_DATA declares 4")
put('integer-array-fraction.vtk', HEAD + PTS + CELLS + TYPES + "CELL_DATA 1\nSCALARS r int 1\nLOOKUP_TABLE default\n1.5\n",
    "FILE:14: SCALARS 'r': expected an integer, found '1.5'")
put('polyhedron-stream.vtk', HEAD + PTS + "CELLS 1 14\n13 3 3 0 1 2 3 0 1 3 3 1 2 3\nCELL_TYPES 1\n42\n",
    "FILE:8: CELLS: cell 0: a polyhedron needs at least 4 faces, not 3")
put('polyhedron-index.vtk', HEAD + PTS + "CELLS 1 18\n17 4 3 0 2 1 3 0 1 3 3 1 2 3 3 0 3 7\nCELL_TYPES 1\n42\n",
    "FILE:8: CELLS: cell 0 uses point 7, but there are 4 points")
PD = "# vtk DataFile Version 3.0\nsurface\nASCII\nDATASET POLYDATA\n" + PTS
put('polydata-vertices.vtk', PD + "VERTICES 1 2\n1 0\n", "FILE:7: VERTICES are not supported; the tool reads LINES and POLYGONS")
put('polydata-strips.vtk', PD + "TRIANGLE_STRIPS 1 5\n4 0 1 2 3\n", "FILE:7: TRIANGLE_STRIPS are not supported; the tool reads LINES and POLYGONS")
put('polydata-small-polygon.vtk', PD + "POLYGONS 1 3\n2 0 1\n", "FILE:8: POLYGONS: cell 0 has 2 points; it needs at least 3")
put('polydata-short-line.vtk', PD + "LINES 1 2\n1 0\n", "FILE:8: LINES: cell 0 has 1 point; it needs at least 2")
put('polydata-index.vtk', PD + "POLYGONS 1 4\n3 0 1 4\n", "FILE:8: POLYGONS: cell 0 uses point 4, but there are 4 points")
put('polydata-cells.vtk', PD + CELLS, "FILE:7: 'CELLS' does not belong in a POLYDATA file")
put('points-twice.vtk', HEAD + PTS + PTS, "FILE:7: POINTS appears twice")
put('offsets-float.vtk', HEAD + PTS + "CELLS 2 4\nOFFSETS float\n0 4\nCONNECTIVITY int\n0 1 2 3\n" + TYPES,
    "FILE:8: OFFSETS: the data type must be an integer type")
put('offsets-range.vtk', HEAD + PTS + "CELLS 2 4\nOFFSETS int\n0 3\nCONNECTIVITY int\n0 1 2 3\n" + TYPES,
    "FILE:7: CELLS: the offsets must run from 0 to the connectivity size 4")

# Binary files: big-endian, the data on the line after each header.
def be_f(vals): return b''.join(struct.pack('>f', v) for v in vals)
def be_i(vals): return b''.join(struct.pack('>i', v) for v in vals)
BHEAD = b"# vtk DataFile Version 3.0\ntet\nBINARY\nDATASET UNSTRUCTURED_GRID\n"
pts = [0,0,0, 1,0,0, 0,1,0, 0,0,1]
BPTS = b"POINTS 4 float\n" + be_f(pts) + b"\n"
BCELLS = b"CELLS 1 5\n" + be_i([4,0,1,2,3]) + b"\n"
BTYPES = b"CELL_TYPES 1\n" + be_i([10]) + b"\n"
BVALID = BHEAD + BPTS + BCELLS + BTYPES + b"POINT_DATA 4\nSCALARS p float 1\nLOOKUP_TABLE default\n" + be_f([1,2,3,4]) + b"\n"
open(D + '/valid/tet-binary.vtk', 'wb').write(BVALID)
open(D + '/valid/tet-ascii.vtk', 'w').write(VALID)

put('binary-truncated-points.vtk', BHEAD + b"POINTS 4 float\n" + be_f(pts[:5]), "FILE:5: POINTS: 4 points cannot fit in the rest of the file")
off_cells_data = len(BHEAD + BPTS + b"CELLS 1 5\n")
put('binary-index.vtk', BHEAD + BPTS + b"CELLS 1 5\n" + be_i([4,0,1,2,7]) + b"\n" + BTYPES,
    "FILE:byte %d: CELLS: cell 0 uses point 7, but there are 4 points" % (off_cells_data + 16))
put('binary-negative-size.vtk', BHEAD + BPTS + b"CELLS 1 5\n" + be_i([-1,0,1,2,3]) + b"\n" + BTYPES,
    "FILE:byte %d: CELLS: cell 0 has -1 points; it needs at least 0" % off_cells_data)
off_pts = len(BHEAD + b"POINTS 4 float\n")
put('binary-nan.vtk', BHEAD + b"POINTS 4 float\n" + be_f(pts[:7]) + struct.pack('>I', 0x7fc00000) + be_f(pts[8:]) + b"\n" + BCELLS + BTYPES,
    "FILE:byte %d: POINTS: point 2 has a coordinate that is not a finite number" % (off_pts + 28))
# The largest float marks undefined data: no coordinate may take it.
put('binary-largest-float.vtk', BHEAD + b"POINTS 4 float\n" + be_f(pts[:7]) + struct.pack('>I', 0x7f7fffff) + be_f(pts[8:]) + b"\n" + BCELLS + BTYPES,
    "FILE:byte %d: POINTS: point 2 has a coordinate of 3.4028235e38, the value that marks undefined data" % (off_pts + 28))
off_types = len(BHEAD + BPTS + BCELLS + b"CELL_TYPES 1\n")
put('binary-cell-type.vtk', BHEAD + BPTS + BCELLS + b"CELL_TYPES 1\n" + be_i([-7]) + b"\n",
    "FILE:byte %d: CELL_TYPES: cell 0 has the unknown type -7" % off_types)
put('binary-text-after-header.vtk', BHEAD + b"POINTS 4 float extra\n" + be_f(pts) + b"\n",
    "FILE:5: POINTS: unexpected text before the binary data")
# After binary data, places are byte offsets even for keywords.
off_kw = len(BHEAD + BPTS + BCELLS + BTYPES)
put('binary-unknown-keyword.vtk', BHEAD + BPTS + BCELLS + BTYPES + b"BOGUS 1\n", "FILE:byte %d: unknown keyword 'BOGUS'" % off_kw)
put('binary-huge-size.vtk', BHEAD + BPTS + b"CELLS 1 2000000000\n" + be_i([4,0,1,2,3]) + b"\n",
    "FILE:byte %d: CELLS: 2000000000 values cannot fit in the rest of the file" % len(BHEAD + BPTS))

# Data sections before what they describe are checked against the final counts, at the array's line.
put('data-before-cells.vtk', HEAD + PTS + "CELL_DATA 0\nSCALARS c float 1\nLOOKUP_TABLE default\n" + CELLS + TYPES,
    "FILE:8: SCALARS 'c': holds 0 tuples but there are 1 cells")
put('data-before-points.vtk', HEAD + "POINT_DATA 0\nSCALARS p float 1\nLOOKUP_TABLE default\n" + PTS + CELLS + TYPES,
    "FILE:6: SCALARS 'p': holds 0 tuples but there are 4 points")
put('polydata-data-between.vtk', "# vtk DataFile Version 3.0\nsurface\nASCII\nDATASET POLYDATA\n" + PTS +
    "LINES 1 3\n2 0 1\nCELL_DATA 1\nSCALARS c float 1\nLOOKUP_TABLE default\n5\nPOLYGONS 1 4\n3 0 1 2\n",
    "FILE:10: SCALARS 'c': holds 1 tuples but there are 2 cells")
put('duplicate-array.vtk', VALID + "SCALARS p float 1\nLOOKUP_TABLE default\n1 2 3 4\n",
    "FILE:15: SCALARS 'p': a second array named 'p' in POINT_DATA")
put('uchar-range.vtk', HEAD + PTS + CELLS + TYPES + "CELL_DATA 1\nSCALARS zone unsigned_char 1\nLOOKUP_TABLE default\n300\n",
    "FILE:14: SCALARS 'zone': value 300 is outside the range of unsigned_char")
off_u64 = len(BVALID + b"FIELD f 1\nbig 1 4 vtktypeuint64\n")
put('binary-uint64.vtk', BVALID + b"FIELD f 1\nbig 1 4 vtktypeuint64\n" + struct.pack('>4Q', 1, 2, 1 << 63, 3) + b"\n",
    "FILE:byte %d: FIELD 'big': value 2 is beyond the signed 64-bit range" % (off_u64 + 16))

with open(D + '/expected.txt', 'w') as f:
    f.write("# Each malformed file of this folder and the exact diagnostic the reader gives for it;\n")
    f.write("# FILE stands for the path the file was read under.\n")
    for n, m in expected:
        f.write(n + "\t" + "zevgeom: " + m + "\n")
print(len(expected))
