#pragma once
// Shared fixtures of the sample-point tests: registered surfaces built from vertices and
// faces, and a recording error reporter.

#include "tests/support/MeshBuilders.h"
#include "zev/contracts/ErrorReporter.h"
#include "zev/derived/SamplePointsGeometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/shapes/ShapeType.h"

#include <string>
#include <vector>

namespace zevtest {

inline void registerSamplePoints()
{
    try {
        zev::SamplePointsGeometry::registerType();
    } catch (const zev::internal::error&) {
        // already registered by an earlier test in this process
    }
}

// Every builder returns a registered geometry for the caller to hold in a GeometryAutoPtr.
inline zev::SamplePointsGeometry* newSampler()
{
    registerSamplePoints();
    return dynamic_cast<zev::SamplePointsGeometry*>(
        zev::GeometryAPI::instance()->newGeometry("SamplePointsGeometry", nullptr));
}

// A registered plain geometry holding the given vertices and one face set.
inline zev::Geometry* surface(const std::vector<float>& p_xyz, const std::vector<std::vector<int>>& p_faces,
                              int p_type = zev::QUAD, const std::string& p_set = "faces",
                              const std::string& p_domain = "")
{
    zev::Geometry* g = zev::GeometryAPI::instance()->newGeometry("", nullptr);
    zev::test::addVertices(*g, p_xyz);
    zev::test::addFaces(*g, p_set, p_type, p_faces);
    g->setDomain(p_domain);
    return g;
}

// The rectangle [x0, x0 + w] x [0, h] at height 0 as an n x m grid of quadrilaterals.
inline zev::Geometry* rectangle(float p_x0, float p_w, float p_h, int p_n, int p_m,
                                const std::string& p_domain = "")
{
    std::vector<float> xyz;
    for (int j = 0; j <= p_m; ++j)
        for (int i = 0; i <= p_n; ++i)
            xyz.insert(xyz.end(), {p_x0 + p_w * i / p_n, p_h * j / p_m, 0.0f});
    std::vector<std::vector<int>> quads;
    for (int j = 0; j < p_m; ++j)
        for (int i = 0; i < p_n; ++i) {
            const int a = j * (p_n + 1) + i;
            quads.push_back({a, a + 1, a + p_n + 2, a + p_n + 1});
        }
    return surface(xyz, quads, zev::QUAD, "faces", p_domain);
}

// The boundary of the unit cube cut into n^3 hexahedra: 6 n^2 quadrilaterals.
inline zev::Geometry* cubeSurface(int p_n)
{
    zev::GeometryAutoPtr box(zev::GeometryAPI::instance()->newGeometry("", nullptr));
    zev::test::buildHexBox(*box.get(), p_n);
    box->calculateFaces();
    return box->clone(true, false);
}

class RecordingReporter : public zev::ErrorReporter {
public:
    RecordingReporter() : m_previous(zev::ErrorReporter::setInstance(this)) {}
    ~RecordingReporter() override { zev::ErrorReporter::setInstance(m_previous); }
    void reportMessage(const zev::ErrorMsg& p_message) override { m_messages.push_back(p_message); }
    std::vector<zev::ErrorMsg> m_messages;

private:
    zev::ErrorReporter* m_previous;
};

} // namespace zevtest
