#pragma once
// The edge lookup of the element cut over the caller's std::map<Edge, int>: the cut vertex
// already created on an edge, found and inserted with one search of the map.

#include "zev/shapes/Edge.h"

#include <map>

namespace zev {

class EdgeMapLookup {
public:
    explicit EdgeMapLookup(std::map<Edge, int>& p_map) : m_map(p_map), m_hint(p_map.end()) {}

    // The id stored for the edge (p_low, p_high), p_low < p_high, or -1. Remembers where
    // the edge belongs for the insert that follows a miss.
    int find(int p_low, int p_high)
    {
        const Edge key(p_low, p_high);
        m_hint = m_map.lower_bound(key);
        return m_hint != m_map.end() && m_hint->first == key ? m_hint->second : -1;
    }
    // Stores p_id for the edge of the last find, which missed.
    void insert(int p_low, int p_high, int p_id) { m_map.emplace_hint(m_hint, Edge(p_low, p_high), p_id); }

private:
    std::map<Edge, int>& m_map; // not owned
    std::map<Edge, int>::iterator m_hint;
};

} // namespace zev
