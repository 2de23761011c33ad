#include "zev/contracts/Error.h"

#include <utility>

namespace zev {

Error::Error(std::string p_className, std::string p_methodName, std::string p_message, errorType p_errorType)
    : m_className(std::move(p_className)), m_methodName(std::move(p_methodName)),
      m_message(std::move(p_message)), m_errorType(p_errorType)
{
}

Error::~Error() = default;

namespace data {
error::~error() = default;
invalid::~invalid() = default;
notFound::~notFound() = default;
duplicate::~duplicate() = default;
} // namespace data

namespace internal {
error::~error() = default;
badParam::~badParam() = default;
bad_cast::~bad_cast() = default;
nullPointer::~nullPointer() = default;
} // namespace internal

namespace expressions {
error::~error() = default;
eval::~eval() = default;
} // namespace expressions

} // namespace zev
