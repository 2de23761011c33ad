#pragma once
// Internal: direct pointer access to float arrays for the interpolation loops, so that the
// common case (owned, contiguous storage) costs no virtual call per value. Strided views
// fall back to their virtual operator[].

#include "zev/contracts/FloatZEVVectorConcrete.h"

#include <cstddef>

namespace zev {
namespace detail {

// Reads entry i of a float array, through a raw pointer when the array is contiguous.
class FloatReader {
public:
    explicit FloatReader(const FloatZEVVector& p_array) : m_array(&p_array), m_size(p_array.size())
    {
        if (const auto* c = dynamic_cast<const FloatZEVVectorConcrete*>(&p_array))
            m_data = c->data();
    }
    std::size_t size() const { return m_size; }
    // The contiguous storage, or null for a strided view.
    const float* data() const { return m_data; }
    float operator[](std::size_t p_i) const { return m_data ? m_data[p_i] : (*m_array)[p_i]; }

private:
    const FloatZEVVector* m_array;
    const float* m_data = nullptr;
    std::size_t m_size;
};

// Writes entry i of a float array, through a raw pointer when the array is contiguous.
class FloatWriter {
public:
    explicit FloatWriter(FloatZEVVector& p_array) : m_array(&p_array)
    {
        if (auto* c = dynamic_cast<FloatZEVVectorConcrete*>(&p_array))
            m_data = c->data();
    }
    float& operator[](std::size_t p_i) { return m_data ? m_data[p_i] : (*m_array)[p_i]; }

private:
    FloatZEVVector* m_array;
    float* m_data = nullptr;
};

} // namespace detail
} // namespace zev
