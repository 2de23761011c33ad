#pragma once
// A float array that owns contiguous storage.

#include "zev/contracts/FloatZEVVector.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace zev {

namespace detail {

// The standard allocator, except that an element made without a value is left as the
// allocation holds it (default-initialised): resizeForOverwrite uses it to grow the array
// without writing every new entry twice. Every other way of making entries value-initialises.
template <class T> struct OverwriteAllocator : std::allocator<T> {
    using std::allocator<T>::allocator;
    OverwriteAllocator() = default;
    template <class U> OverwriteAllocator(const OverwriteAllocator<U>&) noexcept {}
    template <class U> struct rebind {
        using other = OverwriteAllocator<U>;
    };
    template <class U> void construct(U* p_at) noexcept { ::new (static_cast<void*>(p_at)) U; }
    template <class U, class... A> void construct(U* p_at, A&&... p_args)
    {
        ::new (static_cast<void*>(p_at)) U(std::forward<A>(p_args)...);
    }
};

} // namespace detail

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
    // New entries are 0.
    void resize(std::size_t p_size) final { m_data.resize(p_size, 0.0f); }
    std::size_t size() const final { return m_data.size(); }
    Iterator Begin() final { return Iterator(m_data.data(), 1); }
    Iterator End() final { return Iterator(m_data.data() + m_data.size(), 1); }

    void resize(std::size_t p_size, float p_value) { m_data.resize(p_size, p_value); }
    // Sizes the array for a caller that writes every entry next: new entries are left
    // unwritten (their values are unspecified until then), and an array that already has the
    // size is left as it is, so a kept array is refilled in place.
    void resizeForOverwrite(std::size_t p_size) { m_data.resize(p_size); }
    void reserve(std::size_t p_size) { m_data.reserve(p_size); }
    void push_back(float p_value) { m_data.push_back(p_value); }
    bool empty() const { return m_data.empty(); }
    float* data() { return m_data.data(); }
    const float* data() const { return m_data.data(); }
    void swap(FloatZEVVectorConcrete& p_other) { m_data.swap(p_other.m_data); }
    using Storage = std::vector<float, detail::OverwriteAllocator<float>>;
    Storage& vector() { return m_data; }
    const Storage& vector() const { return m_data; }

    // Empties the array.
    void erase() { Storage().swap(m_data); }
    // Replaces the contents by a copy of p_count values at p_values.
    void redefine(const float* p_values, std::size_t p_count);

private:
    std::ptrdiff_t getStride() const final { return 1; }
    void updateCache() const final {}
    const float* basePointer() const final { return m_data.data(); }

    Storage m_data;
};

} // namespace zev
