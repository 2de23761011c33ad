#include "zev/search/Octree.h"

#include <algorithm>
#include <cmath>

namespace zev {

namespace {

// Position of p_value in a leaf's range [p_low, p_low + 255 / p_scale], computed the same way
// for points and box bounds so that the order of values is kept.
float leafCoordinate(float p_value, float p_low, float p_scale)
{
    return p_scale > 0.0f ? (p_value - p_low) * p_scale : 0.0f;
}

// Bounds round outwards; NaN gives the widest code.
unsigned char lowCode(float p_q)
{
    if (!(p_q > 0.0f))
        return 0;
    // Truncation is the floor of a positive value.
    return p_q >= 255.0f ? 255 : static_cast<unsigned char>(p_q);
}

unsigned char highCode(float p_q)
{
    if (!(p_q < 255.0f))
        return 255;
    if (p_q <= 0.0f)
        return 0;
    const int t = static_cast<int>(p_q);
    return static_cast<unsigned char>(static_cast<float>(t) < p_q ? t + 1 : t);
}

// The scale of one axis of a leaf box: 255 codes across it, 0 when it has no usable width.
float leafScale(const float* p_box, int p_axis)
{
    const float width = p_box[p_axis + 3] - p_box[p_axis];
    const float scale = 255.0f / width;
    return width > 0.0f && std::isfinite(scale) && std::isfinite(width) ? scale : 0.0f;
}

} // namespace

void Octree::CodeLeafBoxes()
{
    std::size_t blocks = 0;
    m_firstBlock.assign(m_nodes.size(), 0);
    for (std::size_t i = 0; i < m_nodes.size(); ++i)
        if (m_nodes[i].m_leaf) {
            m_firstBlock[i] = static_cast<int>(blocks);
            blocks += (static_cast<std::size_t>(m_nodes[i].m_count) + kBlock - 1) / kBlock;
        }
    // Unused slots of a last block carry the codes of an empty box.
    m_codes.resize(blocks);
    for (CodedBlock& block : m_codes) {
        std::fill(block.m_codes, block.m_codes + 3 * kBlock, 255);
        std::fill(block.m_codes + 3 * kBlock, block.m_codes + 6 * kBlock, 0);
        std::fill(block.m_ids, block.m_ids + kBlock, 0);
    }
    m_blockCodes.assign(8 * blocks, 0);
    for (std::size_t i = 0; i < m_nodes.size(); ++i) {
        const OctreeNode& leaf = m_nodes[i];
        if (!leaf.m_leaf)
            continue;
        const int* ids = m_ids.data() + leaf.m_payload;
        float scale[3];
        for (int c = 0; c < 3; ++c)
            scale[c] = leafScale(leaf.m_box, c);
        for (int k = 0; k < leaf.m_count; ++k) {
            const std::size_t block = static_cast<std::size_t>(m_firstBlock[i] + k / kBlock);
            unsigned char* codes = m_codes[block].m_codes + k % kBlock;
            m_codes[block].m_ids[k % kBlock] = ids[k];
            const float* b = &m_boxes[6 * static_cast<std::size_t>(ids[k])];
            // An empty box keeps the empty codes: it holds no point.
            if (b[0] > b[3] || b[1] > b[4] || b[2] > b[5])
                continue;
            for (int c = 0; c < 3; ++c) {
                codes[c * kBlock] = lowCode(leafCoordinate(b[c], leaf.m_box[c], scale[c]));
                codes[(c + 3) * kBlock] = highCode(leafCoordinate(b[c + 3], leaf.m_box[c], scale[c]));
            }
        }
        const std::size_t first = static_cast<std::size_t>(m_firstBlock[i]);
        const std::size_t last = first + (static_cast<std::size_t>(leaf.m_count) + kBlock - 1) / kBlock;
        for (std::size_t block = first; block < last; ++block) {
            const unsigned char* codes = m_codes[block].m_codes;
            unsigned char* bound = &m_blockCodes[8 * block];
            for (int c = 0; c < 3; ++c) {
                bound[c] = *std::min_element(codes + c * kBlock, codes + (c + 1) * kBlock);
                bound[c + 3] = *std::max_element(codes + (c + 3) * kBlock, codes + (c + 4) * kBlock);
            }
        }
    }
}

const int* Octree::GetCandidatesAtPoint(const Triplet& p_point, int& p_count, OctreeQuery& p_query) const
{
    IntersectWithPoint(p_point, p_query);
    p_count = 0;
    if (p_query.m_leaves.empty())
        return nullptr;
    p_query.m_cursor = 1;
    const int node = p_query.m_leaves[0];
    const OctreeNode& leaf = m_nodes[static_cast<std::size_t>(node)];
    // The point's codes round inwards: a box bound at or below the point's position has a
    // low code at or below its floor, one at or above has a high code at or above its ceiling.
    unsigned char below[3];
    unsigned char above[3];
    for (int c = 0; c < 3; ++c) {
        const float q = leafCoordinate(p_point[c], leaf.m_box[c], leafScale(leaf.m_box, c));
        below[c] = q != q ? 255 : lowCode(q);
        above[c] = q != q ? 0 : highCode(q);
    }
    p_query.m_candidates.resize(static_cast<std::size_t>(leaf.m_count) + kBlock);
    int* out = p_query.m_candidates.data();
    int n = 0;
    const int blocks = (leaf.m_count + kBlock - 1) / kBlock;
    const std::size_t first = static_cast<std::size_t>(m_firstBlock[static_cast<std::size_t>(node)]);
    for (int b = 0; b < blocks; ++b) {
        const unsigned char* bound = &m_blockCodes[8 * (first + static_cast<std::size_t>(b))];
        if (bound[0] > below[0] || bound[1] > below[1] || bound[2] > below[2] || bound[3] < above[0] ||
            bound[4] < above[1] || bound[5] < above[2])
            continue;
        const CodedBlock& block = m_codes[first + static_cast<std::size_t>(b)];
        const unsigned char* codes = block.m_codes;
        unsigned char passed[kBlock];
        for (int k = 0; k < kBlock; ++k)
            passed[k] = static_cast<unsigned char>(
                (codes[k] <= below[0]) & (codes[kBlock + k] <= below[1]) &
                (codes[2 * kBlock + k] <= below[2]) & (codes[3 * kBlock + k] >= above[0]) &
                (codes[4 * kBlock + k] >= above[1]) & (codes[5 * kBlock + k] >= above[2]));
        const int end = std::min(kBlock, leaf.m_count - b * kBlock);
        for (int k = 0; k < end; ++k) {
            out[n] = block.m_ids[k];
            n += passed[k];
        }
    }
    p_count = n;
    return out;
}

} // namespace zev
