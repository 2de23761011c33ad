#include "zev/shapes/ElementFactory.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/shapes/ShapeDispatch.h"

namespace zev {

ElementFactory* ElementFactory::m_instance = nullptr;

ElementFactory::ElementFactory() : m_numVertices(vertexCounts(ElementClasses{})) {}

ElementFactory* ElementFactory::instance()
{
    if (m_instance == nullptr)
        m_instance = new ElementFactory();
    return m_instance;
}

ShapeSet* ElementFactory::getElementSetByType(ShapeType p_type, int p_n)
{
    const bool known = withShapeClassIn(ElementClasses{}, p_type, [](auto*) {});
    if (!known)
        throw data::invalid("ElementFactory", "getElementByType",
                            UserMsg("Invalid element type '%1'.").arg(static_cast<int>(p_type)));
    if (p_n < 0)
        throw data::invalid("ElementFactory", "getElementByType",
                            UserMsg("Invalid element count %1.").arg(p_n));
    return newShapeSet(ElementClasses{}, p_type, static_cast<std::size_t>(p_n));
}

int ElementFactory::getNumVertex(ShapeType p_type)
{
    return m_numVertices[p_type];
}

} // namespace zev
