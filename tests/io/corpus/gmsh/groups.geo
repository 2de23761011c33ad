// The box of box.geo with its volume in two physical groups, which version 2.2 writes by listing every
// tetrahedron twice; make-box.sh turns it into groups-22.msh.
SetFactory("OpenCASCADE");
Box(1) = {0, 0, 0, 1, 1, 1};
Mesh.MeshSizeMin = 0.7;
Mesh.MeshSizeMax = 0.7;
Physical Volume("fluid", 10) = {1};
Physical Volume("all", 11) = {1};
Physical Surface("inlet", 21) = {1};
