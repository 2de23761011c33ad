// Generates the hexahedron marching table of the element cut and writes it as C++ source.
//
//   zev_tablegen <file>           writes the table source to <file>
//   zev_tablegen --check <file>   exits 1 when <file> differs from what would be written
//
// Corner i of the hexahedron sits at x = bit 0, y = bit 1, z = bit 2 of i. For each case
// (bit i set when corner i is above the surface) the table lists polygons of cut edges:
//  1. the chosen side is the above corners when fewer than four are above, or exactly four
//     with corner 7 not above; otherwise the corners that are not above;
//  2. each connected component of chosen corners (through edges with both ends chosen)
//     gives one polygon through the edges that leave it, wound so that its right-hand
//     normal points to the above side;
//  3. only when the above side was chosen, each face holding exactly two above corners on a
//     diagonal adds a quadrilateral through its four edges, wound outward;
//  4. component polygons first, then the face quadrilaterals.
// Where the rule leaves the starting edge and the order of components free, the rows quoted
// in the documentation of the table are kept as written and the rest start at their
// smallest edge, components in order of their smallest corner.

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Polygon = std::vector<int>;
using Case = std::vector<Polygon>;

const int s_edges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                            {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

// Corners of each face in cyclic order, and the same face's edges as an outward-wound
// cycle (the bridge quadrilateral of that face).
const int s_faceCorners[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                 {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
const int s_faceBridge[6][4] = {{4, 1, 5, 0},   {6, 2, 7, 3},  {0, 9, 2, 8},
                                {1, 10, 3, 11}, {4, 8, 6, 10}, {5, 11, 7, 9}};

const std::map<int, Case> s_quotedRows = {
    {1, {{4, 0, 8}}},
    {3, {{4, 5, 9, 8}}},
    {6, {{0, 5, 9}, {4, 10, 1}, {4, 1, 5, 0}}},
    {7, {{8, 10, 1, 5, 9}}},
    {15, {{10, 11, 9, 8}}},
    {23, {{1, 5, 9, 2, 6, 10}}},
    {61, {{6, 10, 11, 7}, {9, 5, 0}}},
    {105,
     {{0, 8, 4},
      {3, 10, 6},
      {5, 1, 11},
      {9, 7, 2},
      {4, 1, 5, 0},
      {6, 2, 7, 3},
      {0, 9, 2, 8},
      {1, 10, 3, 11},
      {4, 8, 6, 10},
      {5, 11, 7, 9}}},
    {150, {{4, 8, 0}, {6, 10, 3}, {11, 1, 5}, {2, 7, 9}}},
    {254, {{8, 0, 4}}},
};

struct Vec {
    double x, y, z;
};

Vec corner(int p_i)
{
    return {double(p_i & 1), double((p_i >> 1) & 1), double((p_i >> 2) & 1)};
}

Vec midpoint(int p_edge)
{
    const Vec a = corner(s_edges[p_edge][0]);
    const Vec b = corner(s_edges[p_edge][1]);
    return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
}

// Newell normal of the polygon through the edge midpoints.
Vec normal(const Polygon& p_polygon)
{
    Vec n{0, 0, 0};
    const std::size_t k = p_polygon.size();
    for (std::size_t i = 0; i < k; ++i) {
        const Vec a = midpoint(p_polygon[i]);
        const Vec b = midpoint(p_polygon[(i + 1) % k]);
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

Vec centre(const Polygon& p_polygon)
{
    Vec c{0, 0, 0};
    for (int e : p_polygon) {
        const Vec m = midpoint(e);
        c.x += m.x;
        c.y += m.y;
        c.z += m.z;
    }
    const double k = double(p_polygon.size());
    return {c.x / k, c.y / k, c.z / k};
}

double dot(const Vec& p_a, const Vec& p_b)
{
    return p_a.x * p_b.x + p_a.y * p_b.y + p_a.z * p_b.z;
}

[[noreturn]] void fail(const std::string& p_what)
{
    std::cerr << "zev_tablegen: " << p_what << "\n";
    std::exit(2);
}

int edgeBetween(int p_a, int p_b)
{
    for (int e = 0; e < 12; ++e)
        if ((s_edges[e][0] == p_a && s_edges[e][1] == p_b) || (s_edges[e][0] == p_b && s_edges[e][1] == p_a))
            return e;
    fail("no edge between corners");
}

// The polygon around one component (bit mask p_component): on every face, each maximal
// run of component corners is bounded by two cut edges, which gives one segment; the
// segments of all faces close into one loop.
Polygon componentPolygon(int p_component)
{
    std::vector<std::array<int, 2>> segments;
    for (const auto& face : s_faceCorners) {
        for (int start = 0; start < 4; ++start) {
            const int prev = face[(start + 3) % 4];
            if (!((p_component >> face[start]) & 1) || ((p_component >> prev) & 1))
                continue;
            int last = start;
            while (((p_component >> face[(last + 1) % 4]) & 1) && (last + 1) % 4 != start)
                last = (last + 1) % 4;
            segments.push_back(
                {edgeBetween(prev, face[start]), edgeBetween(face[last], face[(last + 1) % 4])});
        }
    }
    if (segments.empty())
        fail("component without cut edges");
    Polygon loop{segments[0][0], segments[0][1]};
    std::vector<bool> used(segments.size(), false);
    used[0] = true;
    for (;;) {
        bool extended = false;
        for (std::size_t s = 0; s < segments.size() && !extended; ++s) {
            if (used[s])
                continue;
            for (int end = 0; end < 2; ++end) {
                if (segments[s][end] == loop.back()) {
                    used[s] = true;
                    extended = true;
                    if (segments[s][1 - end] != loop.front())
                        loop.push_back(segments[s][1 - end]);
                    break;
                }
            }
        }
        if (!extended)
            break;
    }
    if (std::find(used.begin(), used.end(), false) != used.end())
        fail("segments of one component do not close into one loop");
    return loop;
}

void rotateToSmallest(Polygon& p_polygon)
{
    std::rotate(p_polygon.begin(), std::min_element(p_polygon.begin(), p_polygon.end()), p_polygon.end());
}

bool isRotation(const Polygon& p_a, const Polygon& p_b)
{
    if (p_a.size() != p_b.size())
        return false;
    for (std::size_t r = 0; r < p_a.size(); ++r) {
        Polygon rotated(p_a);
        std::rotate(rotated.begin(), rotated.begin() + long(r), rotated.end());
        if (rotated == p_b)
            return true;
    }
    return false;
}

Case generateCase(int p_case)
{
    const int above = p_case;
    const int count = __builtin_popcount(unsigned(above));
    const bool aboveChosen = count < 4 || (count == 4 && !((above >> 7) & 1));
    const int chosen = aboveChosen ? above : (~above & 0xff);

    // Components through edges with both ends chosen, found from the smallest corner up.
    std::vector<int> components;
    int remaining = chosen;
    while (remaining != 0) {
        int component = remaining & -remaining;
        for (bool grew = true; grew;) {
            grew = false;
            for (const auto& e : s_edges) {
                const int a = 1 << e[0];
                const int b = 1 << e[1];
                if ((chosen & a) && (chosen & b) && ((component & a) != 0) != ((component & b) != 0)) {
                    component |= a | b;
                    grew = true;
                }
            }
        }
        components.push_back(component);
        remaining &= ~component;
    }

    Case polygons;
    for (int component : components) {
        Polygon polygon = componentPolygon(component);
        // The right-hand normal must point to the chosen corners when they are the above
        // ones, away from them otherwise.
        Vec mean{0, 0, 0};
        int n = 0;
        for (int i = 0; i < 8; ++i)
            if ((component >> i) & 1) {
                const Vec c = corner(i);
                mean.x += c.x;
                mean.y += c.y;
                mean.z += c.z;
                ++n;
            }
        const Vec pc = centre(polygon);
        const Vec towards{mean.x / n - pc.x, mean.y / n - pc.y, mean.z / n - pc.z};
        const double side = dot(normal(polygon), towards);
        if (side == 0.0)
            fail("component polygon without a side");
        if ((side > 0.0) != aboveChosen)
            std::reverse(polygon.begin(), polygon.end());
        rotateToSmallest(polygon);
        polygons.push_back(polygon);
    }

    if (aboveChosen) {
        for (int f = 0; f < 6; ++f) {
            const int* c = s_faceCorners[f];
            const bool diagonal02 = ((above >> c[0]) & 1) && ((above >> c[2]) & 1) &&
                                    !((above >> c[1]) & 1) && !((above >> c[3]) & 1);
            const bool diagonal13 = ((above >> c[1]) & 1) && ((above >> c[3]) & 1) &&
                                    !((above >> c[0]) & 1) && !((above >> c[2]) & 1);
            if (!diagonal02 && !diagonal13)
                continue;
            const Polygon bridge(s_faceBridge[f], s_faceBridge[f] + 4);
            const Vec fc = centre(bridge);
            if (dot(normal(bridge), Vec{fc.x - 0.5, fc.y - 0.5, fc.z - 0.5}) <= 0.0)
                fail("bridge quadrilateral not wound outward");
            polygons.push_back(bridge);
        }
    }

    // Quoted rows: the same polygons, up to the starting edge and component order.
    const auto quoted = s_quotedRows.find(p_case);
    if (quoted != s_quotedRows.end()) {
        const Case& rows = quoted->second;
        if (rows.size() != polygons.size())
            fail("case " + std::to_string(p_case) + " differs from its quoted row in polygon count");
        std::vector<bool> matched(polygons.size(), false);
        for (const Polygon& row : rows) {
            bool found = false;
            for (std::size_t i = 0; i < polygons.size() && !found; ++i)
                if (!matched[i] && isRotation(polygons[i], row))
                    matched[i] = found = true;
            if (!found)
                fail("case " + std::to_string(p_case) + " differs from its quoted row");
        }
        return rows;
    }
    return polygons;
}

std::string render()
{
    std::ostringstream os;
    os << "// Generated by tools/tablegen (zev_tablegen); regenerate rather than edit.\n"
          "// The hexahedron marching table: for each case, polygons as a vertex count followed by\n"
          "// that many local edges.\n\n"
          "#include \"zev/shapes/Hex.h\"\n\n"
          "namespace zev {\n\n"
          "// clang-format off\n";
    std::vector<std::vector<int>> rows;
    std::size_t widest = 0;
    for (int c = 0; c < 256; ++c) {
        std::vector<int> row;
        for (const Polygon& p : generateCase(c)) {
            if (p.size() < 3 || p.size() > 6)
                fail("polygon size out of range");
            row.push_back(int(p.size()));
            row.insert(row.end(), p.begin(), p.end());
        }
        widest = std::max(widest, row.size());
        rows.push_back(row);
    }
    if (widest != 46)
        fail("the longest row is not 46 integers");
    os << "const int Hex::m_marchingTable[m_tableIndex + 1][46] = {\n";
    for (int c = 0; c < 256; ++c) {
        os << "    /* " << c << " */ {";
        for (std::size_t i = 0; i < rows[std::size_t(c)].size(); ++i)
            os << (i ? ", " : "") << rows[std::size_t(c)][i];
        os << "},\n";
    }
    os << "};\n\nconst int Hex::m_marchingListSize[m_tableIndex + 1] = {\n";
    for (int c = 0; c < 256; ++c)
        os << (c % 16 == 0 ? "    " : " ") << rows[std::size_t(c)].size() << ","
           << (c % 16 == 15 ? "\n" : "");
    os << "};\n// clang-format on\n\n} // namespace zev\n";
    return os.str();
}

} // namespace

int main(int p_argc, char** p_argv)
{
    const bool check = p_argc == 3 && std::string(p_argv[1]) == "--check";
    if (p_argc != 2 && !check) {
        std::cerr << "usage: zev_tablegen [--check] <file>\n";
        return 2;
    }
    const std::string text = render();
    const std::string path = p_argv[p_argc - 1];
    if (check) {
        std::ifstream in(path);
        std::stringstream current;
        current << in.rdbuf();
        if (current.str() != text) {
            std::cerr << "zev_tablegen: " << path << " is not the generated table\n";
            return 1;
        }
        return 0;
    }
    std::ofstream out(path);
    out << text;
    return out ? 0 : 2;
}
