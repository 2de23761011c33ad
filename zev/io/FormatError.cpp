#include "zev/io/FormatError.h"

namespace zev::io {

namespace {
std::string locate(std::string const& p_file, std::size_t p_line, std::size_t p_offset)
{
    if (p_line > 0) {
        return p_file + ":" + std::to_string(p_line) + ": ";
    }
    if (p_offset != FormatError::s_noOffset) {
        return p_file + ":byte " + std::to_string(p_offset) + ": ";
    }
    return p_file + ": ";
}

std::string locate(std::string const& p_file, std::string const& p_path, std::size_t p_offset)
{
    std::string out = p_file + ":" + p_path;
    if (p_offset != FormatError::s_noOffset) {
        out += ":byte " + std::to_string(p_offset);
    }
    return out + ": ";
}
} // namespace

FormatError::FormatError(std::string const& p_file, std::size_t p_line, std::size_t p_offset,
                         std::string const& p_message)
    : std::runtime_error(locate(p_file, p_line, p_offset) + p_message), m_file(p_file), m_line(p_line),
      m_offset(p_offset), m_message(p_message)
{
}

FormatError::FormatError(std::string const& p_file, std::string const& p_path, std::size_t p_offset,
                         std::string const& p_message)
    : std::runtime_error(locate(p_file, p_path, p_offset) + p_message), m_file(p_file), m_offset(p_offset),
      m_path(p_path), m_message(p_message)
{
}

FormatError FormatError::atNode(std::string const& p_file, std::string const& p_node,
                                std::string const& p_message)
{
    FormatError error(p_file, 0, s_noOffset, p_node.empty() ? p_message : p_node + ": " + p_message);
    error.m_path = p_node;
    error.m_message = p_message;
    return error;
}

} // namespace zev::io
