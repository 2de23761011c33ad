#pragma once
// A growable, contiguous array of triplets: vertex coordinates and vector values.

#include "zev/ZEVExport.h"
#include "zev/contracts/Triplet.h"

#include <cstddef>
#include <vector>

namespace zev {

class ZEV_EXPORT TripletZEVVector {
public:
    using const_iterator = std::vector<Triplet>::const_iterator;
    using iterator = std::vector<Triplet>::iterator;

    TripletZEVVector() = default;
    explicit TripletZEVVector(std::size_t p_size) : m_data(p_size) {}
    TripletZEVVector(const TripletZEVVector&) = default;
    TripletZEVVector(TripletZEVVector&&) noexcept = default;
    TripletZEVVector& operator=(const TripletZEVVector&) = default;
    TripletZEVVector& operator=(TripletZEVVector&&) noexcept = default;
    virtual ~TripletZEVVector();

    Triplet& operator[](std::size_t p_i) { return m_data[p_i]; }
    const Triplet& operator[](std::size_t p_i) const { return m_data[p_i]; }
    std::size_t size() const { return m_data.size(); }
    bool empty() const { return m_data.empty(); }
    void resize(std::size_t p_size) { m_data.resize(p_size); }
    void resize(std::size_t p_size, const Triplet& p_value) { m_data.resize(p_size, p_value); }
    void reserve(std::size_t p_size) { m_data.reserve(p_size); }
    void push_back(const Triplet& p_value) { m_data.push_back(p_value); }
    void clear() { m_data.clear(); }
    void swap(TripletZEVVector& p_other) { m_data.swap(p_other.m_data); }

    const_iterator begin() const { return m_data.begin(); }
    const_iterator end() const { return m_data.end(); }
    iterator begin() { return m_data.begin(); }
    iterator end() { return m_data.end(); }

    // The components as one contiguous run of 3 * size() floats.
    float* floatData() { return m_data.empty() ? nullptr : m_data.front().data(); }
    const float* floatData() const { return m_data.empty() ? nullptr : m_data.front().data(); }

    // Component-wise minimum and maximum over all entries; for an empty array the minimum
    // is (+UNDEF, +UNDEF, +UNDEF) and the maximum (-UNDEF, -UNDEF, -UNDEF).
    Triplet getMinExtents() const;
    Triplet getMaxExtents() const;

    // Statistics over all components of all entries that are not the undefined value;
    // getMin and getMax give the undefined value when no component is defined.
    float getMin() const;
    float getMax() const;
    float getSum() const;
    int getNvalid() const;

private:
    std::vector<Triplet> m_data;
};

static_assert(sizeof(Triplet) == 3 * sizeof(float), "triplets must pack as three floats");

} // namespace zev
