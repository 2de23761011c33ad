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
    static std::mutex s_creation;
    std::lock_guard<std::mutex> lock(s_creation);
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
    m_serials.clear();
    if (s_instance == this)
        s_instance = nullptr;
}

Geometry* GeometryAPI::newGeometry(const std::string& p_type, GeometricAlgorithmInterface* p_alg)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
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
    m_serials[g] = ++m_lastSerial;
    return g;
}

void GeometryAPI::registerGeometry(const std::string& p_type, Geometry* p_prototype)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (p_prototype) {
        p_prototype->registerVariableProvider(m_variableProvider);
        p_prototype->registerFaceCenterCalculator(m_faceCenterCalculator);
        p_prototype->registerVariableLocationProvider(m_variableLocationProvider);
    }
    if (!m_types.emplace(p_type, p_prototype).second)
        throw internal::error("GeometryAPI", "registerType",
                              SystemMsg("Insertion of Geometry type '%1' failed.").arg(p_type));
}

void GeometryAPI::registerPrototype(const std::string& p_type, Geometry* p_prototype)
{
    try {
        registerGeometry(p_type, p_prototype);
    } catch (...) {
        delete p_prototype;
        throw;
    }
}

bool GeometryAPI::exists(Geometry* p_geometry)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_geometries.count(p_geometry) != 0;
}

unsigned long long GeometryAPI::serialOf(Geometry* p_geometry) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    auto it = m_serials.find(p_geometry);
    return it == m_serials.end() ? 0 : it->second;
}

bool GeometryAPI::forget(Geometry* p_geometry, bool p_anySerial, unsigned long long p_serial)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    auto it = m_geometries.find(p_geometry);
    if (it == m_geometries.end())
        return false;
    auto serial = m_serials.find(p_geometry);
    if (!p_anySerial && (serial == m_serials.end() || serial->second != p_serial))
        return false;
    m_geometries.erase(it);
    if (serial != m_serials.end())
        m_serials.erase(serial);
    return true;
}

// The geometry is destroyed outside the lock: its destructor may delete the geometries it
// holds through this registry.
bool GeometryAPI::deleteGeometry(Geometry* p_geometry)
{
    if (forget(p_geometry, true, 0))
        delete p_geometry;
    return true;
}

bool GeometryAPI::deleteGeometry(Geometry* p_geometry, unsigned long long p_serial)
{
    if (forget(p_geometry, false, p_serial))
        delete p_geometry;
    return true;
}

void GeometryAPI::registerVariableProvider(GeometryVariableProviderIF* p_provider)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_variableProvider = p_provider;
}

void GeometryAPI::registerFaceCenterCalculator(FaceCenterCalculator* p_calculator)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_faceCenterCalculator = p_calculator;
}

void GeometryAPI::registerVariableLocationProvider(VariableLocationProviderIF* p_provider)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_variableLocationProvider = p_provider;
}

} // namespace zev
