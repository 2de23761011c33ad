// A 1 x 2 x 3 box of eight hexahedra meshed at order 2: gmsh writes tri-quadratic hexahedra, bi-quadratic
// quads on the boundary (tag 20) and quadratic edges along one physical curve (tag 5).
SetFactory("OpenCASCADE");
Box(1) = {0, 0, 0, 1, 2, 3};
Transfinite Curve{:} = 3;
Transfinite Surface{:};
Recombine Surface{:};
Transfinite Volume{1};
Physical Curve("edge", 5) = {1};
Physical Volume("fluid", 10) = {1};
Physical Surface("walls", 20) = {1, 2, 3, 4, 5, 6};
