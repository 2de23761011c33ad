// Serves a derived geometry (a slice, an isosurface, a selection) the variables of its parents on request:
// while a ParentVariables lives, a request on a geometry for a variable it does not hold, named by one of
// the parents' variables, goes to the parents its interpolants name and is carried onto it through them
// (and kept there); the coordinates x, y and z the geometry makes itself. The parents are given by the domain
// name their derived geometries' interpolants know them by. The hook is process-wide: one request at a time
// (callers hold the lock that serialises their calls into the library).
#pragma once

#include "zev/geometry/GeometryInfoInterface.h"
#include "zev/variables/VarType.h"

#include <string>
#include <utility>
#include <vector>

namespace zev::analysis {

class ParentVariables : public zev::GeometryInfoInterface {
public:
    // Installs the hook over the given parents (not owned; they outlive this object); the previous hook
    // comes back when this object goes.
    explicit ParentVariables(std::vector<std::pair<std::string, zev::Geometry*>> p_parents);
    ~ParentVariables() override;
    ParentVariables(ParentVariables const&) = delete;
    ParentVariables& operator=(ParentVariables const&) = delete;

    // The parent's variable of that name at the first location holding one (vertex, element, face); a
    // parent derived in turn has it carried from its own parent first.
    void getParentVariables(std::string const& p_name, std::vector<std::string> const& p_domains,
                            std::vector<zev::Variable*>& p_variables) override;
    // The coordinates, and every variable a parent holds, are known: not expressions, so that a request
    // for them goes to the parents through the interpolants.
    bool describeVariable(std::string const& p_name, int& p_numComponents, bool& p_isExpression,
                          std::vector<std::string>& p_expressions, bool& p_needsCalculation, int& p_unused1,
                          int& p_unused2, std::string& p_unused3) const override;
    void hostReserved1() override {}
    void hostReserved2() override {}
    void hostReserved3() override {}
    void hostReserved4() override {}
    zev::Interpolant* createExternalInterpolant(zev::TripletZEVVector const&, std::vector<std::string> const&,
                                                bool) override
    {
        return nullptr;
    }

private:
    zev::Variable* held(zev::Geometry& p_parent, std::string const& p_name,
                        zev::VarLocation& p_location) const;
    zev::Geometry* find(std::string const& p_domain) const;

    std::vector<std::pair<std::string, zev::Geometry*>> m_parents;
    zev::GeometryInfoInterface* m_previous;
};

} // namespace zev::analysis
