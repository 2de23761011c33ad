#pragma once
// A generated EnSight Gold case for the reading workloads, in C binary: the jittered unit box of N^3
// hexahedra as part 1 ("box", hexa8) and its boundary surface as part 2 ("boundary", quad4), with
// the element variables p (scalar) and U (vector) on both parts, no time set.

#include <cstddef>
#include <string>

namespace bench {

struct EnsightCase {
    std::string caseFile; // the .case file naming the geometry and variable files
    std::size_t cells = 0;
    std::size_t faces = 0;
};

// The case of a size, written once under the system's temporary folder and kept until the program
// ends (then removed).
const EnsightCase& cachedEnsightBox(int p_n);

} // namespace bench
