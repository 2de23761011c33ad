#pragma once
// The uniform numbers of the random sampling methods: a linear congruential generator with
// outputs 0..32767, private to one sampling call so that a seed gives the same points on
// every platform and the host's own random stream is never reseeded.

#include <cstdint>

namespace zev {

class SampleRandom {
public:
    explicit SampleRandom(std::uint32_t p_seed = 1u) : m_state(p_seed) {}

    void seed(std::uint32_t p_seed) { m_state = p_seed; }

    // The next output, 0..32767.
    int next()
    {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

    // A uniform number in [0, 1], both ends included.
    float uniform() { return static_cast<float>(next()) / 32767.0f; }

private:
    std::uint32_t m_state;
};

} // namespace zev
