// Base64 as the XML mesh format uses it: an encoder, and a decoder that reads on demand so that one
// array's bytes can be taken from the middle of a long encoded stream. Padding may end a block in the
// middle of a stream (a header and its data are often encoded separately); decoding carries on after it.
#pragma once

#include "zev/io/IOExport.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace zev::io {

ZEV_IO_EXPORT void base64Encode(unsigned char const* p_bytes, std::size_t p_size, std::string& p_out);

class ZEV_IO_EXPORT Base64Stream {
public:
    explicit Base64Stream(std::string_view p_text) : m_text(p_text) {}

    // Appends the next p_count decoded bytes to p_out; false when the text ends first or holds a
    // character that is not base64 (failed() then tells which).
    bool take(std::size_t p_count, std::string& p_out);
    // At most this many bytes are left to decode.
    std::size_t remainingBound() const { return (m_text.size() - m_pos) / 4 * 3 + 3 + m_leftCount; }
    bool failed() const { return m_bad; }
    // Characters of the text consumed so far.
    std::size_t position() const { return m_pos; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    bool m_bad = false;
    char m_left[3] = {0, 0, 0}; // the last quartet's bytes; the final m_leftCount of them are unread
    int m_leftCount = 0;
};

} // namespace zev::io
