#pragma once
// Failure of an internal consistency check: reports the expression, file and line on
// standard error and aborts. Used only for conditions that mean a bug in the library.

#include "zev/ZEVExport.h"

namespace zev {

class ZEV_EXPORT ZEVAssertImpl {
public:
    [[noreturn]] static void assertFail(const char* p_expression, const char* p_file, int p_line);
};

} // namespace zev

#define ZEV_ASSERT(EXPR)                                                                                     \
    ((EXPR) ? static_cast<void>(0) : ::zev::ZEVAssertImpl::assertFail(#EXPR, __FILE__, __LINE__))
