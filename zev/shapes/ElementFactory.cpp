#include "zev/shapes/ElementFactory.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/shapes/ShapeDispatch.h"

namespace zev {

ElementFactory* ElementFactory::m_instance = nullptr;

ElementFactory::ElementFactory()
{
    m_numVertices[TET] = Tet::staticGetNumVertices();
    m_numVertices[WEDGE] = Wedge::staticGetNumVertices();
    m_numVertices[HEX] = Hex::staticGetNumVertices();
    m_numVertices[PYRAMID] = Pyramid::staticGetNumVertices();
    m_numVertices[POLYHEDRON] = Polyhedron::staticGetNumVertices();
}

ElementFactory* ElementFactory::instance()
{
    if (m_instance == nullptr)
        m_instance = new ElementFactory();
    return m_instance;
}

ShapeSet* ElementFactory::getElementSetByType(ShapeType p_type, int p_n)
{
    const bool known =
        p_type == TET || p_type == WEDGE || p_type == HEX || p_type == PYRAMID || p_type == POLYHEDRON;
    if (!known)
        throw data::invalid("ElementFactory", "getElementByType",
                            UserMsg("Invalid element type '%1'.").arg(static_cast<int>(p_type)));
    if (p_n < 0)
        throw data::invalid("ElementFactory", "getElementByType",
                            UserMsg("Invalid element count %1.").arg(p_n));
    const std::size_t n = static_cast<std::size_t>(p_n);
    ShapeSet* set = nullptr;
    withShapeClass(p_type, [&](auto* p_tag) {
        using T = std::remove_pointer_t<decltype(p_tag)>;
        if constexpr (std::is_base_of<Element, T>::value)
            set = new ShapeSetBase<T>(n);
    });
    return set;
}

int ElementFactory::getNumVertex(ShapeType p_type)
{
    return m_numVertices[p_type];
}

} // namespace zev
