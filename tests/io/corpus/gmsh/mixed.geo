// A 2 x 1 x 1 block of hexahedra (x < 1) and prisms (x > 1) whose VTK file gmsh writes with the prisms'
// corners in an order of its own: the physical volume "solid" (5) and the physical surfaces "bottom" (6)
// and "top" (7). make-box.sh turns it into mixed.vtk and mixed-41.msh.
Point(1) = {0, 0, 0}; Point(2) = {1, 0, 0}; Point(3) = {2, 0, 0};
Point(4) = {2, 1, 0}; Point(5) = {1, 1, 0}; Point(6) = {0, 1, 0};
Line(1) = {1, 2}; Line(2) = {2, 5}; Line(3) = {5, 6}; Line(4) = {6, 1};
Line(5) = {2, 3}; Line(6) = {3, 4}; Line(7) = {4, 5};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
Curve Loop(2) = {5, 6, 7, -2}; Plane Surface(2) = {2};
Transfinite Curve{1, 2, 3, 4} = 3; Transfinite Surface{1}; Recombine Surface{1};
Mesh.MeshSizeMax = 0.5;
out[] = Extrude {0, 0, 1} { Surface{1, 2}; Layers{2}; Recombine; };
Physical Volume("solid", 5) = {out[1], out[7]};
Physical Surface("bottom", 6) = {1, 2};
Physical Surface("top", 7) = {out[0], out[6]};
