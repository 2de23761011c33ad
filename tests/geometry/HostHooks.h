#pragma once
// A scriptable host for the tests of variables on a geometry: it describes names from a
// table and hands out parent-domain variables it holds.

#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryInfoInterface.h"
#include "zev/variables/Variable.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zev {
namespace test {

class TestHost : public GeometryInfoInterface {
public:
    struct Entry {
        int components = 1;
        bool isExpression = false;
        std::vector<std::string> expressions;
        bool needsCalculation = false;
    };

    std::map<std::string, Entry> names;
    // (domain, name) -> variable, owned by the host.
    std::map<std::pair<std::string, std::string>, std::unique_ptr<Variable>> parents;
    int parentRequests = 0;

    void getParentVariables(const std::string& p_name, const std::vector<std::string>& p_domains,
                            std::vector<Variable*>& p_variables) override
    {
        ++parentRequests;
        for (const std::string& d : p_domains) {
            auto it = parents.find({d, p_name});
            p_variables.push_back(it == parents.end() ? nullptr : it->second.get());
        }
    }
    bool describeVariable(const std::string& p_name, int& p_components, bool& p_isExpression,
                          std::vector<std::string>& p_expressions, bool& p_needsCalculation, int&, int&,
                          std::string&) const override
    {
        auto it = names.find(p_name);
        if (it == names.end())
            return false;
        p_components = it->second.components;
        p_isExpression = it->second.isExpression;
        p_expressions = it->second.expressions;
        p_needsCalculation = it->second.needsCalculation;
        return true;
    }
    void hostReserved1() override {}
    void hostReserved2() override {}
    void hostReserved3() override {}
    void hostReserved4() override {}
    Interpolant* createExternalInterpolant(const TripletZEVVector&, const std::vector<std::string>&,
                                           bool) override
    {
        return nullptr;
    }

    // Knows the fixed geometric names.
    void knowGeometricNames()
    {
        for (const char* n : {"x", "X", "X Coordinate", "y", "Y", "z", "Z", "Length", "Area", "Volume",
                              "Normal", "Normal X", "Normal Y", "Normal Z"})
            names[n] = Entry();
    }
};

// Installs a host for the lifetime of the object.
class HostScope {
public:
    explicit HostScope(GeometryInfoInterface* p_host) : m_previous(Geometry::getGeometryInfo())
    {
        Geometry::setGeometryInfo(p_host);
    }
    ~HostScope() { Geometry::setGeometryInfo(m_previous); }

private:
    GeometryInfoInterface* m_previous;
};

} // namespace test
} // namespace zev
