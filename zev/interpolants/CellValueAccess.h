#pragma once
// Internal: what the interpolants need to read the arrays of scalar and vector parents and
// write their targets with one loop for both value kinds.

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/interpolants/FloatArrayAccess.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zev {
namespace detail {

// The name under which a geometry files element set p_index: "ES" followed by p_index + 1.
// Interpolants sit below the geometry, so they spell it here rather than ask Geometry.
inline std::string elementSetName(int p_index)
{
    return "ES" + std::to_string(static_cast<long long>(p_index) + 1);
}

// Refuses a typed interpolation given another number of parents than the interpolant takes.
inline void checkParentCount(std::size_t p_parents, std::size_t p_expected, const char* p_class,
                             const char* p_message)
{
    if (p_parents != p_expected)
        throw internal::error(p_class, "interpolate", SystemMsg(p_message));
}

// Reads entry i of a triplet array; the counterpart of FloatReader, cheap to copy.
class TripletReader {
public:
    explicit TripletReader(const TripletZEVVector& p_array) : m_array(&p_array) {}
    std::size_t size() const { return m_array->size(); }
    const Triplet& operator[](std::size_t p_i) const { return (*m_array)[p_i]; }

private:
    const TripletZEVVector* m_array;
};

// Per parent kind: its value type, how one of its arrays is read, and the undefined value.
template <class Parent> struct ValueKind;

template <> struct ValueKind<ScalarVariable> {
    using Value = float;
    using Reader = FloatReader;
    static Reader read(const ScalarVariable& p_parent, const Variable::Description& p_desc)
    {
        return Reader(p_parent.getFloatValues(p_desc));
    }
    static float undefined() { return ZEV_UNDEF; }
};

template <> struct ValueKind<VectorVariable> {
    using Value = Triplet;
    using Reader = TripletReader;
    static Reader read(const VectorVariable& p_parent, const Variable::Description& p_desc)
    {
        return Reader(p_parent.getTripletValues(p_desc));
    }
    static Triplet undefined() { return Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF); }
};

// The two undefined tests the interpolants use: a triplet counts as undefined when its first
// component is (the typed interpolations), or when any component is (the sparse-map and
// hybrid sums). A scalar is undefined when it equals the undefined value.
inline bool firstUndefined(float p_value)
{
    return p_value == ZEV_UNDEF;
}

inline bool firstUndefined(const Triplet& p_value)
{
    return p_value[0] == ZEV_UNDEF;
}

inline bool anyUndefined(float p_value)
{
    return p_value == ZEV_UNDEF;
}

inline bool anyUndefined(const Triplet& p_value)
{
    return p_value[0] == ZEV_UNDEF || p_value[1] == ZEV_UNDEF || p_value[2] == ZEV_UNDEF;
}

// The vertex array of type p_type of the single parent of an interpolant that takes exactly
// one, after refusing another number of parents with p_message.
template <class Parent>
typename ValueKind<Parent>::Reader soleParentVertices(const std::vector<const Parent*>& p_parents,
                                                      VarType p_type, const char* p_class,
                                                      const char* p_message)
{
    checkParentCount(p_parents.size(), 1, p_class, p_message);
    return ValueKind<Parent>::read(*p_parents[0], Variable::Description(p_type, eVertex, "All"));
}

// Sizes a target to p_count entries without touching the values it keeps.
inline void resizeTarget(FloatZEVVector& p_target, std::size_t p_count)
{
    p_target.resize(p_count);
}

inline void resizeTarget(TripletZEVVector& p_target, std::size_t p_count)
{
    p_target.clear();
    p_target.resize(p_count);
}

// Sizes a target to p_count entries, every one of them undefined.
inline void resetTarget(FloatZEVVector& p_target, std::size_t p_count)
{
    p_target.resize(p_count);
    FloatWriter out(p_target);
    for (std::size_t i = 0; i < p_count; ++i)
        out[i] = ZEV_UNDEF;
}

inline void resetTarget(TripletZEVVector& p_target, std::size_t p_count)
{
    p_target.clear();
    p_target.resize(p_count, ValueKind<VectorVariable>::undefined());
}

inline FloatWriter writerOf(FloatZEVVector& p_target)
{
    return FloatWriter(p_target);
}

inline TripletZEVVector& writerOf(TripletZEVVector& p_target)
{
    return p_target;
}

} // namespace detail
} // namespace zev
