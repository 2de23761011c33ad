#include "zev/shapes/FaceFactory.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/shapes/ShapeDispatch.h"

namespace zev {

FaceFactory* FaceFactory::m_instance = nullptr;

FaceFactory::FaceFactory() : m_numVertices(vertexCounts(FaceClasses{})) {}

FaceFactory* FaceFactory::instance()
{
    if (m_instance == nullptr)
        m_instance = new FaceFactory();
    return m_instance;
}

ShapeSet* FaceFactory::getFaceSetByType(ShapeType p_type, int p_n)
{
    const bool known = withShapeClassIn(FaceClasses{}, p_type, [](auto*) {});
    if (!known)
        throw data::invalid("FaceFactory", "getFaceByType",
                            UserMsg("Invalid face type '%1'.").arg(static_cast<int>(p_type)));
    if (p_n < 0)
        throw data::invalid("FaceFactory", "getFaceByType", UserMsg("Invalid face count %1.").arg(p_n));
    return newShapeSet(FaceClasses{}, p_type, static_cast<std::size_t>(p_n));
}

int FaceFactory::getNumVertex(ShapeType p_type)
{
    return m_numVertices[p_type];
}

} // namespace zev
