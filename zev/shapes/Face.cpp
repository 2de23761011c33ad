#include "zev/shapes/Face.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"

namespace zev {

Face::~Face() = default;

const int* Face::getVerticesForFace(int, int&, const int**) const
{
    throw data::invalid("Face", "getVerticesForFace", UserMsg("getVerticesForFace called on a Face object"));
}

const int* Face::getIPsForFace(int, int&, const int**) const
{
    throw data::invalid("Face", "getIPsForFace", UserMsg("getVerticesForFace called on a Face object"));
}

float Face::calcVertexVolumes(const TripletZEVVector&, FloatZEVVectorConcrete&) const
{
    return 0.0f;
}

void Face::clearDataStores()
{
    resetNormalCalcFlag();
    resetAreaCalcFlag();
}

void Face::constructSTU(float, float, float, const TripletZEVVector&, float&, float&, float&) const
{
    throw data::invalid("Face", "constructSTU", UserMsg("constructSTU called on a Face object"));
}

} // namespace zev
