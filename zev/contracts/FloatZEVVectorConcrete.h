#pragma once
// A float array that owns contiguous storage.

#include "zev/contracts/FloatZEVVector.h"

#include <vector>

namespace zev {

class ZEV_EXPORT FloatZEVVectorConcrete final : public FloatZEVVector {
public:
    FloatZEVVectorConcrete() = default;
    explicit FloatZEVVectorConcrete(std::size_t p_size, float p_value = 0.0f) : m_data(p_size, p_value) {}
    // Copies p_count values starting at p_values (p_values may be null when p_count is 0).
    FloatZEVVectorConcrete(const float* p_values, std::size_t p_count);
    FloatZEVVectorConcrete(const FloatZEVVectorConcrete&) = default;
    FloatZEVVectorConcrete(FloatZEVVectorConcrete&&) noexcept = default;
    FloatZEVVectorConcrete& operator=(const FloatZEVVectorConcrete&) = default;
    FloatZEVVectorConcrete& operator=(FloatZEVVectorConcrete&&) noexcept = default;
    ~FloatZEVVectorConcrete() override;

    // final: calls through this type compile to direct array access.
    const float& operator[](std::size_t p_i) const final { return m_data[p_i]; }
    float& operator[](std::size_t p_i) final { return m_data[p_i]; }
    void resize(std::size_t p_size) final { m_data.resize(p_size); }
    std::size_t size() const final { return m_data.size(); }
    Iterator Begin() final { return Iterator(m_data.data(), 1); }
    Iterator End() final { return Iterator(m_data.data() + m_data.size(), 1); }

    void resize(std::size_t p_size, float p_value) { m_data.resize(p_size, p_value); }
    void reserve(std::size_t p_size) { m_data.reserve(p_size); }
    void push_back(float p_value) { m_data.push_back(p_value); }
    bool empty() const { return m_data.empty(); }
    float* data() { return m_data.data(); }
    const float* data() const { return m_data.data(); }
    void swap(FloatZEVVectorConcrete& p_other) { m_data.swap(p_other.m_data); }
    std::vector<float>& vector() { return m_data; }
    const std::vector<float>& vector() const { return m_data; }

    // Empties the array.
    void erase() { std::vector<float>().swap(m_data); }
    // Replaces the contents by a copy of p_count values at p_values.
    void redefine(const float* p_values, std::size_t p_count);

private:
    std::ptrdiff_t getStride() const final { return 1; }
    void updateCache() const final {}
    const float* basePointer() const final { return m_data.data(); }

    std::vector<float> m_data;
};

} // namespace zev
