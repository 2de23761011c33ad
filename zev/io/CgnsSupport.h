// Internal to the CGNS reader and writer: an open file that closes itself, the translation of the CGNS
// library's failures into FormatErrors naming the node, and the size bound that keeps a malformed file
// from making the reader allocate more than the file could hold. Not installed: it includes cgnslib.h.
#pragma once

#include <cgnslib.h>

#include <string>

namespace zev::io::cgns {

class CgnsFile {
public:
    // Opens p_path for reading (or writing, p_mode CG_MODE_WRITE); a missing, non-regular or non-CGNS
    // file is a FormatError.
    explicit CgnsFile(std::string const& p_path, int p_mode = CG_MODE_READ);
    ~CgnsFile();
    CgnsFile(CgnsFile const&) = delete;
    CgnsFile& operator=(CgnsFile const&) = delete;

    // Closes the file, reporting a failure to finish writing it as a FormatError.
    void close();

    // Throws a FormatError at p_node with the library's message when p_status is not CG_OK.
    void check(int p_status, std::string const& p_node) const;
    // Throws when p_count values (of at least 4 bytes each) could not come from a file of this size, even
    // compressed: a declared size is checked before anything of that size is allocated.
    void checkCount(long long p_count, std::string const& p_node) const;

    std::string path;
    int fn = -1;

private:
    long long m_bound = 0;
};

// The CGNS name of an element type ("TETRA_4"), or its number for one the library does not name.
std::string elementTypeName(int p_type);

// A 1-based index written as decimal digits, or -1 for anything else.
long long parseIndex(std::string const& p_text);

} // namespace zev::io::cgns
