// The point field p = x + 2 y on the mesh of box.geo, as a node data section after the mesh; make-box.sh
// writes it in versions 4.1 and 2.2, ASCII and binary.
Merge "box-41.msh";
Plugin(NewView).NumComp = 1;
Plugin(NewView).Run;
Plugin(ModifyComponents).Expression0 = "x + 2 * y";
Plugin(ModifyComponents).View = 0;
Plugin(ModifyComponents).Run;
View[0].Name = "p";
PostProcessing.SaveMesh = 1;
Mesh.MshFileVersion = 4.1;
Save View[0] "box-data-41.msh";
Mesh.MshFileVersion = 2.2;
Save View[0] "box-data-22.msh";
Mesh.Binary = 1;
Save View[0] "box-data-22-bin.msh";
Mesh.MshFileVersion = 4.1;
Save View[0] "box-data-41-bin.msh";
