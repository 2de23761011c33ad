#pragma once
// The process-wide host hook that describes variable names and supplies the variables of
// parent domains. Installed with Geometry::setGeometryInfo; the library never deletes it.

#include "zev/ZEVExport.h"
#include "zev/variables/VarType.h"

#include <string>
#include <vector>

namespace zev {

class FloatZEVVectorConcrete;
class Geometry;
class Interpolant;
class TripletZEVVector;
class Variable;

class ZEV_EXPORT GeometryInfoInterface {
public:
    // Appends to p_variables the variable p_name of each domain in p_domains, in the order of
    // p_domains (a null entry where a domain has none). The variables stay the host's.
    virtual void getParentVariables(const std::string& p_name, const std::vector<std::string>& p_domains,
                                    std::vector<Variable*>& p_variables) = 0;

    // Lets the host compute p_name directly on p_geometry; true when it did.
    virtual bool calculateVariableOnGeometry(const std::string& p_name, Geometry* p_geometry) const;

    // Fills p_values with the data of p_name on the domain p_domain, laid out by
    // p_interpolant; the base does nothing.
    virtual void getDomainData(const std::string& p_name, FloatZEVVectorConcrete& p_values,
                               const Interpolant* p_interpolant, const std::string& p_domain);

    // Reserved for the host; never called by the library.
    virtual void hostReserved1() = 0;

    // Describes the variable p_name. Writes its component count (1 for a scalar, otherwise
    // a three-component vector), whether it is an expression, its expression texts (one for
    // a scalar, three for a vector), whether it needs calculation, and three values the
    // library does not use. Returns true when the name is known. Callers preset
    // p_isExpression to true and p_needsCalculation to false.
    virtual bool describeVariable(const std::string& p_name, int& p_numComponents, bool& p_isExpression,
                                  std::vector<std::string>& p_expressions, bool& p_needsCalculation,
                                  int& p_unused1, int& p_unused2, std::string& p_unused3) const = 0;

    // Whether p_name is known, by describeVariable (p_domain is not consulted).
    virtual bool variableExists(const std::string& p_name, const std::string& p_domain) const;

    // Reserved for the host; never called by the library.
    virtual void hostReserved2() = 0;
    virtual void hostReserved3() = 0;
    virtual void hostReserved4() = 0;

    // An interpolant, owned by the caller, from the sample points p_points to the domains
    // p_domains; p_flag is passed as false. Null when the host cannot build one.
    virtual Interpolant* createExternalInterpolant(const TripletZEVVector& p_points,
                                                   const std::vector<std::string>& p_domains,
                                                   bool p_flag) = 0;

    virtual void calculateTransformVariables(Geometry* p_geometry, const std::string& p_name) const;
    virtual bool isGeometryWallBoundary(Geometry* p_geometry);
    virtual Variable* getBoundaryFlow(const std::string& p_name, Geometry* p_geometry,
                                      VarLocation p_location);

    virtual ~GeometryInfoInterface();
};

} // namespace zev
