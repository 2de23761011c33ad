#include "zev/zev.h"

#include <iostream>

int main()
{
    zev::TripletBase<float> a(1.0f, 2.0f, 3.0f);
    zev::TripletBase<float> b = a + a;
    try {
        b /= 0.0f;
    } catch (const zev::data::invalid& e) {
        std::cout << e.getClassName() << "::" << e.getMethodName() << ": " << e.what() << "\n";
        return b.getRef(2) == 6.0f ? 0 : 1;
    }
    return 1;
}
