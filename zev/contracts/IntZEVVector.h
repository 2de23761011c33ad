#pragma once
// A growable array of ints whose size-changing operations are virtual.

#include "zev/ZEVExport.h"
#include "zev/contracts/ZEVVector.h"

#include <cstddef>

namespace zev {

#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif

class ZEV_EXPORT IntZEVVector : public ZEVVector<int> {
public:
    IntZEVVector() = default;
    explicit IntZEVVector(std::size_t p_size) : ZEVVector<int>(p_size) {}
    IntZEVVector(const IntZEVVector&) = default;
    IntZEVVector(IntZEVVector&&) noexcept = default;
    IntZEVVector& operator=(const IntZEVVector&) = default;
    IntZEVVector& operator=(IntZEVVector&&) noexcept = default;
    ~IntZEVVector() override;

    virtual void resize(std::size_t p_size);
    // Hides the inherited push_back(const int&) on purpose: one unambiguous form for ints.
    virtual void push_back(int p_value);
    virtual void pop_back();
    virtual void clear();
};

#if defined(__clang__)
#pragma clang diagnostic pop
#endif

} // namespace zev
