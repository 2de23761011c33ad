#pragma once
// An abstract array of floats: either owned contiguous storage or a strided view of one
// component of a triplet array. Statistics skip entries equal to the undefined value.

#include "zev/ZEVExport.h"

#include <cstddef>
#include <iosfwd>

namespace zev {

class ZEV_EXPORT FloatZEVVector {
public:
    // A forward iterator over the entries of either kind of array (pointer and stride).
    class Iterator {
    public:
        Iterator(float* p_ptr, std::ptrdiff_t p_stride) : m_ptr(p_ptr), m_stride(p_stride) {}
        float& operator*() const { return *m_ptr; }
        Iterator& operator++()
        {
            m_ptr += m_stride;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator r = *this;
            m_ptr += m_stride;
            return r;
        }
        bool operator==(const Iterator& p_o) const { return m_ptr == p_o.m_ptr; }
        bool operator!=(const Iterator& p_o) const { return m_ptr != p_o.m_ptr; }

    private:
        float* m_ptr;
        std::ptrdiff_t m_stride;
    };

    FloatZEVVector() = default;
    FloatZEVVector(const FloatZEVVector&) = default;
    FloatZEVVector& operator=(const FloatZEVVector&) = default;
    virtual ~FloatZEVVector();

    virtual const float& operator[](std::size_t p_i) const = 0;
    virtual float& operator[](std::size_t p_i) = 0;
    virtual void resize(std::size_t p_size) = 0;
    virtual std::size_t size() const = 0;
    virtual Iterator Begin() = 0;
    virtual Iterator End() = 0;
    // Writes entries [p_from, p_to) to standard output, one per line.
    virtual void dbprint(std::size_t p_from, std::size_t p_to) const;
    virtual void dbprint() const;

    // Statistics over the entries that are not the undefined value. With no such entry,
    // getMin and getMax give the undefined value and getSum gives 0. The sum is
    // accumulated in double precision.
    float getMin() const;
    float getMax() const;
    float getSum() const;
    int getNvalid() const;

    // Writes entries [p_from, p_to) (clipped to the size) separated by single spaces,
    // with "UNDEF" for the undefined value.
    void write(std::ostream& p_os, std::size_t p_from, std::size_t p_to) const;

private:
    // Distance in floats between consecutive entries of the underlying storage.
    virtual std::ptrdiff_t getStride() const = 0;
    // Brings any cached pointer up to date with the underlying storage.
    virtual void updateCache() const = 0;

    // Pointer to entry 0 (or null when empty), after updateCache.
    virtual const float* basePointer() const = 0;
};

} // namespace zev
