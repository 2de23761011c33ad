#pragma once
// Three components x, y, z copied by value: the library's point and vector type.

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"

#include <cmath>

namespace zev {

template <class T> class TripletBase {
public:
    using value_type = T;

    TripletBase() = default;
    TripletBase(T p_x, T p_y, T p_z) : m_v{p_x, p_y, p_z} {}

    // Unchecked component access for hot loops; index 0, 1 or 2.
    T& operator[](int p_i) { return m_v[p_i]; }
    const T& operator[](int p_i) const { return m_v[p_i]; }

    // Checked component access.
    T& getRef(int p_index)
    {
        checkIndex(p_index);
        return m_v[p_index];
    }
    const T& getRef(int p_index) const
    {
        checkIndex(p_index);
        return m_v[p_index];
    }

    T& x() { return m_v[0]; }
    T& y() { return m_v[1]; }
    T& z() { return m_v[2]; }
    T x() const { return m_v[0]; }
    T y() const { return m_v[1]; }
    T z() const { return m_v[2]; }

    void set(T p_x, T p_y, T p_z)
    {
        m_v[0] = p_x;
        m_v[1] = p_y;
        m_v[2] = p_z;
    }
    T* data() { return m_v; }
    const T* data() const { return m_v; }

    TripletBase& operator+=(const TripletBase& p_o)
    {
        m_v[0] += p_o.m_v[0];
        m_v[1] += p_o.m_v[1];
        m_v[2] += p_o.m_v[2];
        return *this;
    }
    TripletBase& operator-=(const TripletBase& p_o)
    {
        m_v[0] -= p_o.m_v[0];
        m_v[1] -= p_o.m_v[1];
        m_v[2] -= p_o.m_v[2];
        return *this;
    }
    TripletBase& operator*=(T p_s)
    {
        m_v[0] *= p_s;
        m_v[1] *= p_s;
        m_v[2] *= p_s;
        return *this;
    }
    // Refuses a zero divisor and leaves the triplet unchanged.
    TripletBase& operator/=(T p_s)
    {
        if (p_s == T(0))
            throw data::invalid("Triplet", "operator/=", UserMsg("Attempt to divide by zero."));
        m_v[0] /= p_s;
        m_v[1] /= p_s;
        m_v[2] /= p_s;
        return *this;
    }

    TripletBase operator-() const { return TripletBase(-m_v[0], -m_v[1], -m_v[2]); }

    T dot(const TripletBase& p_o) const
    {
        return m_v[0] * p_o.m_v[0] + m_v[1] * p_o.m_v[1] + m_v[2] * p_o.m_v[2];
    }
    TripletBase cross(const TripletBase& p_o) const
    {
        return TripletBase(m_v[1] * p_o.m_v[2] - m_v[2] * p_o.m_v[1],
                           m_v[2] * p_o.m_v[0] - m_v[0] * p_o.m_v[2],
                           m_v[0] * p_o.m_v[1] - m_v[1] * p_o.m_v[0]);
    }
    T length() const { return std::sqrt(dot(*this)); }

    bool operator==(const TripletBase& p_o) const
    {
        return m_v[0] == p_o.m_v[0] && m_v[1] == p_o.m_v[1] && m_v[2] == p_o.m_v[2];
    }
    bool operator!=(const TripletBase& p_o) const { return !(*this == p_o); }

private:
    static void checkIndex(int p_index)
    {
        if (p_index < 0 || p_index > 2)
            throw data::invalid("Triplet", "getRef", SystemMsg("Index (%1) out of range 0..2").arg(p_index));
    }

    T m_v[3] = {T(0), T(0), T(0)};
};

using Triplet = TripletBase<float>;

template <class T> TripletBase<T> operator+(TripletBase<T> p_a, const TripletBase<T>& p_b)
{
    return p_a += p_b;
}
template <class T> TripletBase<T> operator-(TripletBase<T> p_a, const TripletBase<T>& p_b)
{
    return p_a -= p_b;
}
// The scalar takes the triplet's component type without being deduced from the argument, so
// an int or double scalar converts as it would for a plain float parameter.
template <class T> TripletBase<T> operator*(TripletBase<T> p_a, typename TripletBase<T>::value_type p_s)
{
    return p_a *= p_s;
}
template <class T> TripletBase<T> operator*(typename TripletBase<T>::value_type p_s, TripletBase<T> p_a)
{
    return p_a *= p_s;
}

// The divisor is compared with zero after widening to double, then each component is
// divided in the triplet's own precision.
template <class T>
TripletBase<T> operator/(const TripletBase<T>& p_a, typename TripletBase<T>::value_type p_s)
{
    if (static_cast<double>(p_s) == 0.0)
        throw data::invalid("Triplet", "operator/", UserMsg("Attempt to divide by zero."));
    return TripletBase<T>(p_a[0] / p_s, p_a[1] / p_s, p_a[2] / p_s);
}

template <class T> T dot(const TripletBase<T>& p_a, const TripletBase<T>& p_b)
{
    return p_a.dot(p_b);
}
template <class T> TripletBase<T> cross(const TripletBase<T>& p_a, const TripletBase<T>& p_b)
{
    return p_a.cross(p_b);
}

} // namespace zev
