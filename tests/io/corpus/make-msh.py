#!/usr/bin/env python3
# Writes the malformed .msh files of this folder; expected.txt holds the exact diagnostic of each. The
# binary cases are cut from gmsh/box-41-bin.msh. Run it after changing a case; the files are checked in.
import os
D = os.path.dirname(os.path.abspath(__file__))

def write(name, data):
    open(os.path.join(D, name), 'wb').write(data if isinstance(data, bytes) else data.encode())

HEAD22 = '$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$Nodes\n3\n1 0 0 0\n2 1 0 0\n3 0 1 0\n$EndNodes\n'
write('msh-version.msh', '$MeshFormat\n3.0 0 8\n$EndMeshFormat\n')
write('msh-no-format.msh', '$Nodes\n')
write('msh-node-missing.msh', HEAD22 + '$Elements\n1\n1 2 2 0 1 1 2 9\n$EndElements\n')
write('msh-element-type.msh', HEAD22 + '$Elements\n1\n1 99 2 0 1 1 2 3\n$EndElements\n')
write('msh-coordinate.msh', '$MeshFormat\n4.1 0 8\n$EndMeshFormat\n$Nodes\n1 3 1 3\n2 1 0 3\n1\n2\n3\n0 0 0\n1 0 x\n0 1 0\n'
      '$EndNodes\n')
box = bytearray(open(os.path.join(D, 'gmsh', 'box-41-bin.msh'), 'rb').read())
write('msh-truncated-bin.msh', bytes(box[:len(box) - 500]))
at = box.index(b'$Nodes\n') + 7 + 8  # the node count, after the number of blocks
box[at:at + 8] = (1 << 40).to_bytes(8, 'little')
write('msh-node-count-bin.msh', bytes(box[:at + 200]))
