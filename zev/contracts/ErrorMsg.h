#pragma once
// A report that does not stop the operation: the same four values as an exception,
// handed to the error reporter by value.

#include "zev/contracts/Error.h"

#include <string>

namespace zev {

struct ErrorMsg {
    ErrorMsg(std::string p_className, std::string p_methodName, std::string p_message,
             errorType p_errorType = eError)
        : m_className(std::move(p_className)), m_methodName(std::move(p_methodName)),
          m_message(std::move(p_message)), m_errorType(p_errorType)
    {
    }

    std::string m_className;
    std::string m_methodName;
    std::string m_message;
    errorType m_errorType;
};

} // namespace zev
