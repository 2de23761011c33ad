#include "zev/geometry/GeometryAPI.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"
#include "zev/geometry/FaceCenterCalculator.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryVariableProviderIF.h"
#include "zev/geometry/VariableLocationProviderIF.h"

namespace zev {

GeometryAPI* GeometryAPI::s_instance = nullptr;

GeometryAPI* GeometryAPI::instance()
{
    if (s_instance == nullptr)
        s_instance = new GeometryAPI();
    return s_instance;
}

GeometryAPI::~GeometryAPI()
{
    delete m_variableProvider;
    delete m_faceCenterCalculator;
    delete m_variableLocationProvider;
    m_types.clear();
    m_geometries.clear();
    if (s_instance == this)
        s_instance = nullptr;
}

Geometry* GeometryAPI::newGeometry(const std::string& p_type, GeometricAlgorithmInterface* p_alg)
{
    Geometry* g = nullptr;
    if (!p_type.empty()) {
        auto it = m_types.find(p_type);
        if (it == m_types.end() || it->second == nullptr)
            throw data::notFound("GeometryAPI", "newGeometry",
                                 SystemMsg("Geometry type '%1' was not found.").arg(p_type));
        g = it->second->newGeometry();
        g->registerVariableProvider(m_variableProvider);
    } else {
        g = new Geometry(p_alg, m_variableProvider);
    }
    g->registerFaceCenterCalculator(m_faceCenterCalculator);
    g->registerVariableLocationProvider(m_variableLocationProvider);
    m_geometries.insert(g);
    return g;
}

void GeometryAPI::registerGeometry(const std::string& p_type, Geometry* p_prototype)
{
    if (p_prototype) {
        p_prototype->registerVariableProvider(m_variableProvider);
        p_prototype->registerFaceCenterCalculator(m_faceCenterCalculator);
        p_prototype->registerVariableLocationProvider(m_variableLocationProvider);
    }
    if (!m_types.emplace(p_type, p_prototype).second)
        throw internal::error("GeometryAPI", "registerType",
                              SystemMsg("Insertion of Geometry type '%1' failed.").arg(p_type));
}

bool GeometryAPI::exists(Geometry* p_geometry)
{
    return m_geometries.count(p_geometry) != 0;
}

bool GeometryAPI::deleteGeometry(Geometry* p_geometry)
{
    auto it = m_geometries.find(p_geometry);
    if (it == m_geometries.end())
        return true;
    m_geometries.erase(it);
    delete p_geometry;
    return true;
}

void GeometryAPI::registerVariableProvider(GeometryVariableProviderIF* p_provider)
{
    m_variableProvider = p_provider;
}

void GeometryAPI::registerFaceCenterCalculator(FaceCenterCalculator* p_calculator)
{
    m_faceCenterCalculator = p_calculator;
}

void GeometryAPI::registerVariableLocationProvider(VariableLocationProviderIF* p_provider)
{
    m_variableLocationProvider = p_provider;
}

} // namespace zev
