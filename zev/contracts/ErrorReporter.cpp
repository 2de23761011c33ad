#include "zev/contracts/ErrorReporter.h"

#include <iostream>

namespace zev {

namespace {
ErrorReporter* s_installed = nullptr;
}

ErrorReporter::~ErrorReporter() = default;

std::string ErrorReporter::formatLine(const std::string& p_className, const std::string& p_methodName,
                                      const std::string& p_message, errorType p_type)
{
    const char* kind = p_type == eError ? "Error" : p_type == eWarning ? "Warning" : "Note";
    return std::string(kind) + ": " + p_className + "::" + p_methodName + ": " + p_message;
}

void ErrorReporter::reportError(const Error& p_error)
{
    std::cerr << formatLine(p_error.getClassName(), p_error.getMethodName(), p_error.getMessage(),
                            p_error.getErrorType())
              << std::endl;
}

void ErrorReporter::reportMessage(const ErrorMsg& p_message)
{
    std::cerr << formatLine(p_message.m_className, p_message.m_methodName, p_message.m_message,
                            p_message.m_errorType)
              << std::endl;
}

ErrorReporter& ErrorReporter::instance()
{
    static ErrorReporter s_default;
    return s_installed ? *s_installed : s_default;
}

ErrorReporter* ErrorReporter::setInstance(ErrorReporter* p_reporter)
{
    ErrorReporter* previous = s_installed;
    s_installed = p_reporter;
    return previous;
}

} // namespace zev
