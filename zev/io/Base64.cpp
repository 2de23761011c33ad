#include "zev/io/Base64.h"

#include <algorithm>
#include <array>

namespace zev::io {

namespace {
constexpr char s_alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The value of each character in the alphabet, -1 for every other byte.
constexpr std::array<signed char, 256> valueTable()
{
    std::array<signed char, 256> values{};
    for (auto& v : values) {
        v = -1;
    }
    for (int i = 0; i < 64; ++i) {
        values[static_cast<unsigned char>(s_alphabet[i])] = static_cast<signed char>(i);
    }
    return values;
}
constexpr auto s_values = valueTable();

int value(char c)
{
    return s_values[static_cast<unsigned char>(c)];
}

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}
} // namespace

void base64Encode(unsigned char const* p_bytes, std::size_t p_size, std::string& p_out)
{
    p_out.reserve(p_out.size() + (p_size + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= p_size; i += 3) {
        unsigned const v = (unsigned(p_bytes[i]) << 16) | (unsigned(p_bytes[i + 1]) << 8) | p_bytes[i + 2];
        p_out += s_alphabet[(v >> 18) & 63];
        p_out += s_alphabet[(v >> 12) & 63];
        p_out += s_alphabet[(v >> 6) & 63];
        p_out += s_alphabet[v & 63];
    }
    if (i < p_size) {
        unsigned v = unsigned(p_bytes[i]) << 16;
        if (i + 1 < p_size) {
            v |= unsigned(p_bytes[i + 1]) << 8;
        }
        p_out += s_alphabet[(v >> 18) & 63];
        p_out += s_alphabet[(v >> 12) & 63];
        p_out += i + 1 < p_size ? s_alphabet[(v >> 6) & 63] : '=';
        p_out += '=';
    }
}

bool Base64Stream::take(std::size_t p_count, std::string& p_out)
{
    std::size_t const target = p_out.size() + p_count;
    while (m_leftCount > 0 && p_out.size() < target) {
        p_out += m_left[3 - m_leftCount];
        --m_leftCount;
    }
    while (p_out.size() < target) {
        // One quartet: four characters, of which the last one or two may be padding.
        int digits[4];
        int n = 0;
        int pad = 0;
        while (n + pad < 4) {
            while (m_pos < m_text.size() && isSpace(m_text[m_pos])) {
                ++m_pos;
            }
            if (m_pos >= m_text.size()) {
                return false;
            }
            char const c = m_text[m_pos++];
            if (c == '=' && n >= 2) {
                ++pad;
                continue;
            }
            int const v = pad == 0 ? value(c) : -1;
            if (v < 0) {
                m_bad = true;
                return false;
            }
            digits[n++] = v;
        }
        unsigned const v = (unsigned(digits[0]) << 18) | (unsigned(digits[1]) << 12) |
                           (n > 2 ? unsigned(digits[2]) << 6 : 0u) | (n > 3 ? unsigned(digits[3]) : 0u);
        m_left[0] = static_cast<char>((v >> 16) & 255);
        m_left[1] = static_cast<char>((v >> 8) & 255);
        m_left[2] = static_cast<char>(v & 255);
        // Bytes of the quartet beyond the request wait for the next one (a header and its data may share
        // a quartet when they were encoded as one stream).
        int const have = n - 1;
        int const want = static_cast<int>(std::min<std::size_t>(target - p_out.size(), 3));
        int const used = have < want ? have : want;
        p_out.append(m_left, static_cast<std::size_t>(used));
        m_leftCount = have - used;
        if (m_leftCount > 0) {
            // Keep the unused bytes at the end of m_left, where the loop above takes them from.
            for (int k = 0; k < m_leftCount; ++k) {
                m_left[3 - m_leftCount + k] = m_left[used + k];
            }
        }
    }
    return true;
}

} // namespace zev::io
