#pragma once
// The process-wide receiver of failures and warnings that do not stop an operation. A host
// installs its own subclass with setInstance; the default writes one line per report to
// standard error.

#include "zev/ZEVExport.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/ErrorMsg.h"
#include "zev/contracts/NonCopyable.h"

namespace zev {

class ZEV_EXPORT ErrorReporter : public NonCopyable {
public:
    virtual ~ErrorReporter();

    // Both return to the caller, which carries on; neither may throw.
    virtual void reportError(const Error& p_error);
    virtual void reportMessage(const ErrorMsg& p_message);

    // The installed reporter, or the default one.
    static ErrorReporter& instance();
    // Installs p_reporter (not owned; null restores the default) and returns the previous
    // one. Not thread-safe: install before the library is used from several threads.
    static ErrorReporter* setInstance(ErrorReporter* p_reporter);

    // The line the default reporter writes, without line end:
    // "Error: Class::method: message" ("Warning" for eWarning, "Note" for the others).
    static std::string formatLine(const std::string& p_className, const std::string& p_methodName,
                                  const std::string& p_message, errorType p_type);
};

} // namespace zev
