#include "zev/shapes/FaceFactory.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/shapes/ShapeDispatch.h"

namespace zev {

FaceFactory* FaceFactory::m_instance = nullptr;

FaceFactory::FaceFactory()
{
    m_numVertices[TRI] = Tri::staticGetNumVertices();
    m_numVertices[QUAD] = Quad::staticGetNumVertices();
    m_numVertices[PENTAGON] = Pentagon::staticGetNumVertices();
    m_numVertices[HEXAGON] = Hexagon::staticGetNumVertices();
    m_numVertices[POLYGON] = Polygon::staticGetNumVertices();
}

FaceFactory* FaceFactory::instance()
{
    if (m_instance == nullptr)
        m_instance = new FaceFactory();
    return m_instance;
}

ShapeSet* FaceFactory::getFaceSetByType(ShapeType p_type, int p_n)
{
    const bool known =
        p_type == TRI || p_type == QUAD || p_type == PENTAGON || p_type == HEXAGON || p_type == POLYGON;
    if (!known)
        throw data::invalid("FaceFactory", "getFaceByType",
                            UserMsg("Invalid face type '%1'.").arg(static_cast<int>(p_type)));
    if (p_n < 0)
        throw data::invalid("FaceFactory", "getFaceByType", UserMsg("Invalid face count %1.").arg(p_n));
    const std::size_t n = static_cast<std::size_t>(p_n);
    ShapeSet* set = nullptr;
    withShapeClass(p_type, [&](auto* p_tag) {
        using T = std::remove_pointer_t<decltype(p_tag)>;
        if constexpr (std::is_base_of<Face, T>::value)
            set = new ShapeSetBase<T>(n);
    });
    return set;
}

int FaceFactory::getNumVertex(ShapeType p_type)
{
    return m_numVertices[p_type];
}

} // namespace zev
