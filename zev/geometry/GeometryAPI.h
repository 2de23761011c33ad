#pragma once
// The process-wide registry through which geometries are created and destroyed. It keeps a
// prototype per registered geometry type name, records every geometry it creates, and hands
// each new geometry the host hooks it holds.

#include "zev/ZEVExport.h"
#include "zev/contracts/NonCopyable.h"

#include <map>
#include <set>
#include <string>

namespace zev {

class FaceCenterCalculator;
class GeometricAlgorithmInterface;
class Geometry;
class GeometryVariableProviderIF;
class VariableLocationProviderIF;

class ZEV_EXPORT GeometryAPI : public NonCopyable {
public:
    static GeometryAPI* instance();

    // A new geometry of the registered type p_type, or a plain Geometry for the empty name
    // (constructed with p_alg, which it then owns). Recorded until deleteGeometry.
    Geometry* newGeometry(const std::string& p_type, GeometricAlgorithmInterface* p_alg);
    // Registers p_prototype (never deleted) under p_type.
    void registerGeometry(const std::string& p_type, Geometry* p_prototype);
    bool exists(Geometry* p_geometry);
    // Destroys p_geometry if this registry created it and has not destroyed it yet; always
    // returns true.
    bool deleteGeometry(Geometry* p_geometry);

    // The hooks handed to geometries created or registered from now on. The registry owns
    // them; a replaced hook is not deleted.
    void registerVariableProvider(GeometryVariableProviderIF* p_provider);
    void registerFaceCenterCalculator(FaceCenterCalculator* p_calculator);
    void registerVariableLocationProvider(VariableLocationProviderIF* p_provider);

    // Deletes the three hooks and forgets types and geometries without destroying any.
    virtual ~GeometryAPI();

private:
    GeometryAPI() = default;

    std::set<Geometry*> m_geometries;
    std::map<std::string, Geometry*> m_types;
    GeometryVariableProviderIF* m_variableProvider = nullptr;
    FaceCenterCalculator* m_faceCenterCalculator = nullptr;
    VariableLocationProviderIF* m_variableLocationProvider = nullptr;
    static GeometryAPI* s_instance;
};

} // namespace zev
