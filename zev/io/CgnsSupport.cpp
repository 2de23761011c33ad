#include "zev/io/CgnsSupport.h"

#include "zev/io/FormatError.h"

#include <sys/stat.h>

namespace zev::io::cgns {

namespace {
// Deflate, the strongest compression HDF5 offers by default, shrinks data at most about 1032 times.
constexpr long long s_maxExpansion = 1040;
constexpr long long s_slack = 1 << 20;
} // namespace

CgnsFile::CgnsFile(std::string const& p_path, int p_mode) : path(p_path)
{
    if (p_mode == CG_MODE_READ) {
        struct stat st {};
        if (::stat(p_path.c_str(), &st) != 0) {
            throw FormatError(p_path, 0, FormatError::s_noOffset, "cannot open the file");
        }
        if (!S_ISREG(st.st_mode)) {
            throw FormatError(p_path, 0, FormatError::s_noOffset, "not a regular file");
        }
        m_bound = (static_cast<long long>(st.st_size) * s_maxExpansion + s_slack) / 4;
        int type = 0;
        if (cg_is_cgns(p_path.c_str(), &type) != CG_OK) {
            throw FormatError(p_path, 0, FormatError::s_noOffset, "not a CGNS file");
        }
    }
    if (cg_open(p_path.c_str(), p_mode, &fn) != CG_OK) {
        fn = -1;
        throw FormatError(
            p_path, 0, FormatError::s_noOffset,
            std::string(p_mode == CG_MODE_READ ? "cannot read the file: " : "cannot write the file: ") +
                cg_get_error());
    }
}

CgnsFile::~CgnsFile()
{
    if (fn >= 0) {
        cg_close(fn);
    }
}

void CgnsFile::close()
{
    int const status = cg_close(fn);
    fn = -1;
    if (status != CG_OK) {
        throw FormatError(path, 0, FormatError::s_noOffset,
                          std::string("cannot finish the file: ") + cg_get_error());
    }
}

void CgnsFile::check(int p_status, std::string const& p_node) const
{
    if (p_status != CG_OK) {
        throw FormatError::atNode(path, p_node, cg_get_error());
    }
}

void CgnsFile::checkCount(long long p_count, std::string const& p_node) const
{
    if (p_count < 0 || (m_bound > 0 && p_count > m_bound)) {
        throw FormatError::atNode(
            path, p_node, "declares " + std::to_string(p_count) + " values, more than the file can hold");
    }
}

std::string elementTypeName(int p_type)
{
    if (p_type >= 0 && p_type < NofValidElementTypes) {
        return ElementTypeName[p_type];
    }
    return "number " + std::to_string(p_type);
}

long long parseIndex(std::string const& p_text)
{
    if (p_text.empty() || p_text.size() > 9) {
        return -1;
    }
    long long value = 0;
    for (char c : p_text) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace zev::io::cgns
