#include "zev/contracts/IntZEVVector.h"

namespace zev {

IntZEVVector::~IntZEVVector() = default;

void IntZEVVector::resize(std::size_t p_size)
{
    std::vector<int>::resize(p_size);
}
void IntZEVVector::push_back(int p_value)
{
    std::vector<int>::push_back(p_value);
}
void IntZEVVector::pop_back()
{
    std::vector<int>::pop_back();
}
void IntZEVVector::clear()
{
    std::vector<int>::clear();
}

} // namespace zev
