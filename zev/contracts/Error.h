#pragma once
// The library's exception families. Every failure the library raises is one of these,
// carrying the reporting class, the method, the filled message and an error type, so a
// host can catch by family and report all four.

#include "zev/ZEVExport.h"

#include <exception>
#include <string>

namespace zev {

// Severity codes shared with the host's error reporting. The library throws and reports
// with eError (4); the one warning it reports without throwing uses eWarning (8).
enum errorType { eInformation = 1, eNotice = 2, eError = 4, eWarning = 8 };

class ZEV_EXPORT Error : public std::exception {
public:
    Error(std::string p_className, std::string p_methodName, std::string p_message,
          errorType p_errorType = eError);
    ~Error() override;

    const char* what() const noexcept override { return m_message.c_str(); }
    const std::string& getClassName() const { return m_className; }
    const std::string& getMethodName() const { return m_methodName; }
    const std::string& getMessage() const { return m_message; }
    errorType getErrorType() const { return m_errorType; }

private:
    std::string m_className;
    std::string m_methodName;
    std::string m_message;
    errorType m_errorType;
};

// Each class gets an out-of-line destructor so that its type information lives in the
// shared library and a host catches the same type the library threw.
// The root under a second name, so the family macros can inherit its constructor.
using ErrorRoot = Error;

#define ZEV_DECLARE_ERROR(NAME, BASE)                                                                        \
    class ZEV_EXPORT NAME : public BASE {                                                                    \
    public:                                                                                                  \
        using BASE::BASE;                                                                                    \
        ~NAME() override;                                                                                    \
    };

namespace data {
ZEV_DECLARE_ERROR(error, ErrorRoot)
ZEV_DECLARE_ERROR(invalid, error)
ZEV_DECLARE_ERROR(notFound, error)
ZEV_DECLARE_ERROR(duplicate, error)
} // namespace data

namespace internal {
ZEV_DECLARE_ERROR(error, ErrorRoot)
ZEV_DECLARE_ERROR(badParam, error)
ZEV_DECLARE_ERROR(bad_cast, error)
ZEV_DECLARE_ERROR(nullPointer, error)
} // namespace internal

namespace expressions {
ZEV_DECLARE_ERROR(error, ErrorRoot)
ZEV_DECLARE_ERROR(eval, error)
} // namespace expressions

#undef ZEV_DECLARE_ERROR

} // namespace zev
