#include "zev/contracts/ZEVAssertImpl.h"

#include <cstdio>
#include <cstdlib>

namespace zev {

void ZEVAssertImpl::assertFail(const char* p_expression, const char* p_file, int p_line)
{
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", p_expression ? p_expression : "",
                 p_file ? p_file : "", p_line);
    std::fflush(stderr);
    std::abort();
}

} // namespace zev
