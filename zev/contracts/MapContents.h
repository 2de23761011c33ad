#pragma once
// The keys, or the values, of an associative container copied into a vector in the
// container's own order (name order for the library's std::map registries).

#include <type_traits>
#include <vector>

namespace zev::internal {

template <class Map> std::vector<typename Map::key_type> keysOf(const Map& p_map)
{
    std::vector<typename Map::key_type> keys;
    keys.reserve(p_map.size());
    for (const auto& entry : p_map)
        keys.push_back(entry.first);
    return keys;
}

// Value names the element type when it differs from the mapped type (a const view of
// stored pointers, for instance).
template <class Value = void, class Map> auto valuesOf(const Map& p_map)
{
    using Element = std::conditional_t<std::is_void_v<Value>, typename Map::mapped_type, Value>;
    std::vector<Element> values;
    values.reserve(p_map.size());
    for (const auto& entry : p_map)
        values.push_back(entry.second);
    return values;
}

} // namespace zev::internal
