// Geometry: the interpolants that tie a geometry to its parent domains.

#include "zev/geometry/Geometry.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/interpolants/VertexInterpolant.h"

namespace zev {

// ------------------------------------------------------------------ interpolants

void Geometry::addInterpolant(Interpolant* p_interpolant)
{
    if (p_interpolant == nullptr)
        return;
    // Before the first interpolant of a strictly higher rank: among equal ranks the newest
    // comes last.
    const int rank = p_interpolant->getQualityRank();
    auto it = m_interpolants.begin();
    while (it != m_interpolants.end() && !(*it && rank < (*it)->getQualityRank()))
        ++it;
    m_interpolants.insert(it, p_interpolant);
}

void Geometry::appendInterpolant(Interpolant* p_interpolant)
{
    if (p_interpolant)
        m_interpolants.push_back(p_interpolant);
}

void Geometry::setInterpolant(Interpolant* p_interpolant)
{
    // An interpolant that is already held survives as the only one instead of being
    // deleted and then filed again.
    for (Interpolant*& slot : m_interpolants)
        if (slot == p_interpolant)
            slot = nullptr;
    deleteAllInterpolants();
    addInterpolant(p_interpolant);
}

void Geometry::updateInterpolant(Interpolant* p_interpolant)
{
    if (p_interpolant == nullptr)
        return;
    for (Interpolant*& slot : m_interpolants) {
        if (slot && slot->getQualityRank() == p_interpolant->getQualityRank()) {
            if (slot != p_interpolant)
                dispose(slot);
            slot = p_interpolant;
            return;
        }
    }
    addInterpolant(p_interpolant);
}

bool Geometry::hasInterpolant(const std::string& p_name, Interpolant*& p_out) const
{
    for (Interpolant* i : m_interpolants)
        if (i && i->getName() == p_name) {
            p_out = i;
            return true;
        }
    return false;
}

Interpolant* Geometry::getEdgeInterpolant() const
{
    for (Interpolant* i : m_interpolants)
        if (dynamic_cast<EdgeInterpolant*>(i))
            return i;
    return nullptr;
}

Interpolant* Geometry::getVertexInterpolant() const
{
    for (Interpolant* i : m_interpolants)
        if (dynamic_cast<VertexInterpolant*>(i))
            return i;
    return nullptr;
}

std::vector<std::string> Geometry::getParentDomains() const
{
    const Interpolant* first = getInterpolant();
    return first ? first->getDomains() : std::vector<std::string>();
}

bool Geometry::recalculateVertices(const TripletZEVVector& p_parentVertices)
{
    Interpolant* chosen = nullptr;
    for (Interpolant* i : m_interpolants) {
        if (!i)
            continue;
        const int rank = i->getQualityRank();
        if (rank < 1)
            continue;
        if (rank == 1)
            chosen = i;
        break;
    }
    if (!chosen)
        return false;
    chosen->interpolate(p_parentVertices, m_vertices);
    clearDataStores();
    markChanged();
    return true;
}

void Geometry::deleteAllInterpolants()
{
    for (Interpolant*& i : m_interpolants)
        dispose(i);
    m_interpolants.clear();
}

} // namespace zev
