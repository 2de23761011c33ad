// A 2 x 1 x 1 bar of tetrahedra with two physical points, which gmsh writes as vertex cells ahead of the
// others in its VTK files: the point tag (1) on them, the volume's (10) on the tetrahedra and the
// surfaces' (20) on the boundary triangles. make-second-order.sh meshes it at order 1 and 2.
SetFactory("OpenCASCADE");
Box(1) = {0, 0, 0, 2, 1, 1};
Mesh.MeshSizeMin = 0.9;
Mesh.MeshSizeMax = 0.9;
Physical Point("corner", 1) = {1, 2};
Physical Volume("fluid", 10) = {1};
Physical Surface("walls", 20) = {1, 2, 3, 4, 5, 6};
