// Internal to the mesh readers: the character tests and message quoting the text formats share.
#pragma once

#include <string>
#include <string_view>

namespace zev::io {

bool isSpace(char c);

// Text from a file as it may appear in a message: printable and not too long.
std::string printable(std::string_view p_text);

} // namespace zev::io
