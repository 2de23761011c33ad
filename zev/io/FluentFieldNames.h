// Internal to the Fluent reader: the names of the solver's field numbers in a data file.
#pragma once

#include <string>

namespace zev::io {

// The array name of a data file's field number (1 "PRESSURE", 2 "MOMENTUM", ...); "FIELD_<id>" for a
// number that has no name.
std::string fluentFieldName(int p_id);

} // namespace zev::io
