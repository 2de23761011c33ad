#pragma once
// The process-wide registry through which geometries are created and destroyed. It keeps a
// prototype per registered geometry type name, records every geometry it creates, and hands
// each new geometry the host hooks it holds. Each recorded geometry carries a serial number
// that is never reused.
//
// Threads: every member except the destructor may be called from several threads at once;
// the destructor runs alone, after every other use. The registry's lock guards its records
// and hooks, not the geometries it hands out: a geometry is used as Geometry.h says, and
// deleteGeometry must not run while another thread still uses that geometry. A replaced
// hook is not deleted, so a geometry created before the replacement keeps a valid one.

#include "zev/ZEVExport.h"
#include "zev/contracts/NonCopyable.h"

#include <map>
#include <mutex>
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
    // As registerGeometry, taking ownership: a prototype the registry refuses (its name is
    // taken) is deleted before the exception goes on, so the caller's new is not leaked.
    void registerPrototype(const std::string& p_type, Geometry* p_prototype);
    bool exists(Geometry* p_geometry);
    // Destroys p_geometry if this registry created it and has not destroyed it yet; always
    // returns true.
    bool deleteGeometry(Geometry* p_geometry);
    // As deleteGeometry, but only while the geometry recorded at p_geometry still carries
    // p_serial: a geometry created later at the same address is left alone.
    bool deleteGeometry(Geometry* p_geometry, unsigned long long p_serial);
    // The serial number under which p_geometry is recorded; 0 when it is not recorded.
    unsigned long long serialOf(Geometry* p_geometry) const;

    // The hooks handed to geometries created or registered from now on. The registry owns
    // them; a replaced hook is not deleted.
    void registerVariableProvider(GeometryVariableProviderIF* p_provider);
    void registerFaceCenterCalculator(FaceCenterCalculator* p_calculator);
    void registerVariableLocationProvider(VariableLocationProviderIF* p_provider);

    // Deletes the three hooks and forgets types and geometries without destroying any.
    virtual ~GeometryAPI();

private:
    GeometryAPI() = default;

    // Removes p_geometry from the records when p_anySerial is set or its serial is
    // p_serial; true if it was removed.
    bool forget(Geometry* p_geometry, bool p_anySerial, unsigned long long p_serial);

    std::set<Geometry*> m_geometries;
    std::map<std::string, Geometry*> m_types;
    // Serial number of every recorded geometry, counted from 1.
    std::map<Geometry*, unsigned long long> m_serials;
    unsigned long long m_lastSerial = 0;
    // Guards every member above and the hooks below. Recursive because a geometry type's
    // construction may itself create geometries through the registry.
    mutable std::recursive_mutex m_mutex;
    GeometryVariableProviderIF* m_variableProvider = nullptr;
    FaceCenterCalculator* m_faceCenterCalculator = nullptr;
    VariableLocationProviderIF* m_variableLocationProvider = nullptr;
    static GeometryAPI* s_instance;
};

} // namespace zev
