#pragma once
// Internal: what the element and face interpolants need to read per-set arrays of scalar and
// vector parents and write their targets with one loop for both value kinds.

#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/interpolants/FloatArrayAccess.h"
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VectorVariable.h"

#include <cstddef>
#include <string>

namespace zev {
namespace detail {

// The name under which a geometry files element set p_index: "ES" followed by p_index + 1.
// Interpolants sit below the geometry, so they spell it here rather than ask Geometry.
inline std::string elementSetName(int p_index)
{
    return "ES" + std::to_string(static_cast<long long>(p_index) + 1);
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

// Per value kind: the parent class, how one of its arrays is read, and the undefined value.
struct ScalarCells {
    using Parent = ScalarVariable;
    using Reader = FloatReader;
    static Reader read(const Parent& p_parent, const Variable::Description& p_desc)
    {
        return Reader(p_parent.getFloatValues(p_desc));
    }
    static float undefined() { return ZEV_UNDEF; }
};

struct VectorCells {
    using Parent = VectorVariable;
    using Reader = TripletReader;
    static Reader read(const Parent& p_parent, const Variable::Description& p_desc)
    {
        return Reader(p_parent.getTripletValues(p_desc));
    }
    static Triplet undefined() { return Triplet(ZEV_UNDEF, ZEV_UNDEF, ZEV_UNDEF); }
};

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
    p_target.resize(p_count, VectorCells::undefined());
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
