#pragma once
// A standard vector with a virtual destructor, push_back and swap, so that owners may hold
// it through a base pointer. Element access, size and iteration are the standard vector's.

#include <utility>
#include <vector>

namespace zev {

template <class T> class ZEVVector : public std::vector<T> {
public:
    using std::vector<T>::vector;
    ZEVVector() = default;
    ZEVVector(const ZEVVector&) = default;
    ZEVVector(ZEVVector&&) noexcept = default;
    ZEVVector& operator=(const ZEVVector&) = default;
    ZEVVector& operator=(ZEVVector&&) noexcept = default;

    virtual ~ZEVVector() = default;
    virtual void push_back(const T& p_value) { std::vector<T>::push_back(p_value); }
    virtual void swap(ZEVVector<T>& p_other) { std::vector<T>::swap(p_other); }

    void push_back(T&& p_value) { std::vector<T>::push_back(std::move(p_value)); }
};

} // namespace zev
