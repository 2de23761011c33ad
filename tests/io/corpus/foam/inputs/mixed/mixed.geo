// Unit box in two layers. The lower layer (z < 0.4) is extruded in
// structured layers: its x < 0.5 half from a quadrangle mesh gives
// hexahedra, its x > 0.5 half from a triangle mesh gives prisms. The upper
// layer is meshed with tetrahedra; the quadrangles it meets at z = 0.4
// become the bases of pyramids.
lc = 0.125;
Point(1) = {0, 0, 0, lc};
Point(2) = {0.5, 0, 0, lc};
Point(3) = {1, 0, 0, lc};
Point(4) = {1, 1, 0, lc};
Point(5) = {0.5, 1, 0, lc};
Point(6) = {0, 1, 0, lc};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 5};
Line(5) = {5, 6};
Line(6) = {6, 1};
Line(7) = {2, 5};
Curve Loop(1) = {1, 7, 5, 6};
Plane Surface(1) = {1};
Curve Loop(2) = {2, 3, 4, -7};
Plane Surface(2) = {2};
Transfinite Curve{1, 5} = 5;
Transfinite Curve{6, 7} = 9;
Transfinite Surface{1};
Recombine Surface{1};

lower[] = Extrude {0, 0, 0.4} { Surface{1, 2}; Layers{4}; Recombine; };
// lower[0] top of 1, lower[1] volume 1, lower[2..5] its sides;
// lower[6] top of 2, lower[7] volume 2, lower[8..11] its sides.
upperA[] = Extrude {0, 0, 0.6} { Surface{lower[0]}; };
upperB[] = Extrude {0, 0, 0.6} { Surface{lower[6]}; };

Physical Volume("lower") = {lower[1], lower[7]};
Physical Volume("upper") = {upperA[1], upperB[1]};
Physical Surface("bottom") = {1, 2};
Physical Surface("top") = {upperA[0], upperB[0]};
Physical Surface("sides") = {lower[2], lower[4], lower[5], lower[8], lower[9], lower[10],
                             upperA[2], upperA[4], upperA[5], upperB[2], upperB[3], upperB[4]};
