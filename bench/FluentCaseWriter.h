#pragma once
// A generated Fluent case and data file for the reading workloads, with binary sections: the jittered
// unit box of N^3 hexahedra (nodes in double precision, one hexahedral cell zone, its internal faces and
// its six sides as wall zones), and the data file beside it with the pressure and the three velocity
// components at the cells.

#include <cstddef>
#include <string>

namespace bench {

struct FluentCase {
    std::string caseFile; // box.cas; its data file is box.dat beside it
    std::size_t cells = 0;
};

// The case of a size, written once under the system's temporary folder and kept until the program
// ends (then removed).
const FluentCase& cachedFluentBox(int p_n);

} // namespace bench
