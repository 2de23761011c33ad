#include "zev/contracts/Message.h"

#include <iostream>

namespace zev {

void MessageText::substitute(const std::string& p_value)
{
    ++m_counter;
    const std::string token = "%" + std::to_string(m_counter);
    bool used = false;
    // Scan forward past each inserted value so a value that itself contains the token is
    // not substituted again.
    for (std::string::size_type pos = m_text.find(token); pos != std::string::npos;
         pos = m_text.find(token, pos)) {
        m_text.replace(pos, token.size(), p_value);
        pos += p_value.size();
        used = true;
    }
    if (!used) {
        std::cerr << "Warning: token %" << m_counter << " was not used in the message: \"" << p_value << "\"";
    }
}

} // namespace zev
