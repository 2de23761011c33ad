// A unit box of about a hundred tetrahedra whose VTK file carries the cell array CellEntityIds on its
// volume cells and on its boundary triangles: the physical volume's tag (10) on every tetrahedron, the
// physical surfaces' tags on the triangles (21 the face x = 0, 22 the face x = 1, 23 the four others).
// make-box.sh turns it into box.vtk.
SetFactory("OpenCASCADE");
Box(1) = {0, 0, 0, 1, 1, 1};
Mesh.MeshSizeMin = 0.7;
Mesh.MeshSizeMax = 0.7;
Physical Volume("fluid", 10) = {1};
Physical Surface("inlet", 21) = {1};
Physical Surface("outlet", 22) = {2};
Physical Surface("walls", 23) = {3, 4, 5, 6};
