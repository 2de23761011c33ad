#pragma once
// A view of one component (0, 1 or 2) of a triplet array, stride three floats. Reads and
// writes go to the triplet array in place; the view never owns storage, so the triplet
// array must outlive it.

#include "zev/contracts/FloatZEVVector.h"
#include "zev/contracts/TripletZEVVector.h"

namespace zev {

class ZEV_EXPORT FloatZEVVectorComponent final : public FloatZEVVector {
public:
    // Throws zev::data::invalid for a component other than 0, 1 or 2.
    FloatZEVVectorComponent(TripletZEVVector& p_triplets, int p_component);
    ~FloatZEVVectorComponent() override;

    const float& operator[](std::size_t p_i) const final { return (*m_triplets)[p_i][m_component]; }
    float& operator[](std::size_t p_i) final { return (*m_triplets)[p_i][m_component]; }
    // Resizes the viewed triplet array (new triplets are zero).
    void resize(std::size_t p_size) final { m_triplets->resize(p_size); }
    std::size_t size() const final { return m_triplets->size(); }
    Iterator Begin() final;
    Iterator End() final;

    int getComponent() const { return m_component; }
    TripletZEVVector& getTriplets() const { return *m_triplets; }

private:
    std::ptrdiff_t getStride() const final { return 3; }
    void updateCache() const final {}
    const float* basePointer() const final;

    TripletZEVVector* m_triplets; // not owned
    int m_component;
};

} // namespace zev
