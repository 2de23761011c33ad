#include "zev/shapes/Polyhedron.h"

#include "zev/contracts/Error.h"
#include "zev/contracts/Message.h"

namespace zev {

Polyhedron::~Polyhedron() = default;

void Polyhedron::setVertices(const IntZEVVector& p_vertices)
{
    // Checked like the other classes: reading past the end of a short list is never wanted.
    setVerticesChecked(m_vertices.data(), getNumVertices(), p_vertices, "Polyhedron");
}

void Polyhedron::setNumVertices(int p_n)
{
    if (p_n < 0)
        throw data::invalid("Polyhedron", "setNumVertices", UserMsg("Invalid vertex count %1").arg(p_n));
    m_vertices.resize(static_cast<std::size_t>(p_n), 0);
}

void Polyhedron::setNumFaces(int p_n)
{
    if (p_n < 0)
        throw data::invalid("Polyhedron", "setNumFaces", UserMsg("Invalid face count %1").arg(p_n));
    m_faces.resize(static_cast<std::size_t>(p_n));
}

void Polyhedron::setFaceVertSize(int p_face, int p_n)
{
    assert(p_face >= 0 && static_cast<std::size_t>(p_face) < m_faces.size());
    if (p_n < 0)
        throw data::invalid("Polyhedron", "setFaceVertSize", UserMsg("Invalid corner count %1").arg(p_n));
    m_faces[static_cast<std::size_t>(p_face)].resize(static_cast<std::size_t>(p_n), 0);
}

const int* Polyhedron::getVerticesForFace(int p_face, int& p_n, const int** p_vertices) const
{
    assert(p_face >= 0 && static_cast<std::size_t>(p_face) < m_faces.size());
    const std::vector<int>& face = m_faces[static_cast<std::size_t>(p_face)];
    p_n = static_cast<int>(face.size());
    *p_vertices = m_vertices.data();
    return face.data();
}

const int* Polyhedron::getIPsForFace(int p_face, int& p_n, const int** p_vertices) const
{
    getVerticesForFace(p_face, p_n, p_vertices);
    return nullptr;
}

bool Polyhedron::isInside(const Triplet&, const TripletZEVVector&) const
{
    return false;
}

float Polyhedron::getVolume(const TripletZEVVector& p_vertices, FloatZEVVectorConcrete& p_vertexVolumes) const
{
    return Element::getVolume(p_vertices, p_vertexVolumes);
}

void Polyhedron::print() const
{
    printVertices("Polyhedron: ", m_vertices.data(), getNumVertices());
}

void Polyhedron::copyFromImp(const Shape& p_other)
{
    const Polyhedron* other = dynamic_cast<const Polyhedron*>(&p_other);
    if (other == nullptr)
        throw internal::badParam("Polyhedron", "copyFromImp", UserMsg("Invalid shapes for copying"));
    *this = *other;
}

bool Polyhedron::constructWeightsImp(float, float, float, const TripletZEVVector&, std::vector<float>&) const
{
    return false;
}

} // namespace zev
