#pragma once
// A generated OpenFOAM case for the reading workloads: the jittered unit box of N^3 hexahedra
// written as a polyMesh (points, faces, owner, neighbour, boundary with the six patches xmin, xmax,
// ymin, ymax, zmin, zmax) and one written time "1" with a volScalarField p and a volVectorField U,
// in ASCII or in binary (32-bit labels, 64-bit scalars, faces as a faceCompactList).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct FoamCase {
    std::string folder;   // the case folder
    std::string foamFile; // the empty "case.foam" file inside it, which names the case to readers
    std::size_t cells = 0;
    std::size_t faces = 0;
    std::size_t internalFaces = 0;
};

// The faces of the N^3 box of the lattice's points, as the solver orders them: internal faces by owner,
// then neighbour (owner < neighbour, the right-hand normal from owner to neighbour), then the six
// patches xmin, xmax, ymin, ymax, zmin, zmax, their faces pointing out of the box.
struct FoamFaces {
    std::vector<std::int32_t> points; // four per face
    std::vector<std::int32_t> owner;
    std::vector<std::int32_t> neighbour; // one per internal face
    std::size_t patchStart[6] = {};
    std::size_t patchSize[6] = {};
};
FoamFaces boxFaces(int p_n);

// Writes the case into p_folder (created, and replaced when it exists). Faces are in the solver's
// order: internal faces by owner, then neighbour (owner < neighbour, normal from owner to
// neighbour), then the boundary faces patch by patch, pointing out of the box.
FoamCase writeFoamBox(const std::string& p_folder, int p_n, bool p_binary);

// The case of a size and layout, written once under the system's temporary folder and kept until
// the program ends (then removed).
const FoamCase& cachedFoamBox(int p_n, bool p_binary);

} // namespace bench
