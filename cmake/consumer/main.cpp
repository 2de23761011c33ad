#include "zev/analysis/BoxGenerator.h"
#include "zev/analysis/Measures.h"
#include "zev/io/io.h"
#include "zev/zev.h"

#include <iostream>

int main(int argc, char** argv)
{
    zev::TripletBase<float> a(1.0f, 2.0f, 3.0f);
    zev::TripletBase<float> b = a + a;
    try {
        b /= 0.0f;
        return 1;
    } catch (const zev::data::invalid& e) {
        std::cout << e.getClassName() << "::" << e.getMethodName() << ": " << e.what() << "\n";
        if (b.getRef(2) != 6.0f)
            return 1;
    }
    // A host opens a mesh file: one tetrahedron with a point array, written and read back as .vtu.
    std::string const path = argc > 1 ? argv[1] : "consumer-tet.vtu";
    zev::io::MeshData mesh;
    mesh.points = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    mesh.addCell(zev::io::VtkCellType::Tetra, {0, 1, 2, 3});
    zev::io::DataArray p;
    p.name = "p";
    p.values = {1, 2, 3, 4};
    mesh.pointData.push_back(p);
    zev::io::writeMeshFile(mesh, path, zev::io::WriteOptions{zev::io::FileFormat::Auto, true, true});
    zev::GeometryAutoPtr g = zev::io::readGeometry(path);
    std::cout << path << ": " << g->getNumElements() << " element, variable p "
              << (g->hasVariable("p", zev::eVertex) ? "filed" : "missing") << "\n";
    // And asks the operations a question: the volume of the built-in box.
    zev::io::LoadedMesh box =
        zev::io::toLibrary(zev::analysis::generateBox(zev::analysis::BoxKind::Tet, 2), "box", "");
    double const volume = zev::analysis::volumeMeasures(box.geo()).total;
    std::cout << "box volume " << volume << "\n";
    if (volume < 0.999999 || volume > 1.000001)
        return 1;
    return g->getNumElements() == 1 && g->hasVariable("p", zev::eVertex) ? 0 : 1;
}
