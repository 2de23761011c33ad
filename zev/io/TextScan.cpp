#include "zev/io/TextScan.h"

namespace zev::io {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string printable(std::string_view p_text)
{
    constexpr std::size_t maxLength = 40;
    std::string out;
    for (std::size_t i = 0; i < p_text.size() && i < maxLength; ++i) {
        unsigned char const c = static_cast<unsigned char>(p_text[i]);
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    if (p_text.size() > maxLength) {
        out += "...";
    }
    return out;
}

} // namespace zev::io
