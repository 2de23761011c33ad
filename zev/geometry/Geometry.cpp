#include "zev/geometry/Geometry.h"

#include "zev/contracts/BoolFromEnvironment.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/MapContents.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/StringUtilities.h"
#include "zev/contracts/ZEVAssertImpl.h"
#include "zev/geometry/GeometricAlgorithmInterface.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryInfoInterface.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/interpolants/VertexInterpolant.h"
#include "zev/search/Octree.h"
#include "zev/shapes/Element.h"
#include "zev/shapes/ElementFactory.h"
#include "zev/shapes/FaceFactory.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/shapeIndex.h"
#include "zev/variables/Variable.h"
#include "zev/visitors/GeometryVisitor.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <new>

namespace zev {

GeometryInfoInterface* Geometry::s_geometryInfo = nullptr;

namespace {

// The addresses handed out by Geometry::operator new and not yet released, and the lock
// that lets threads allocate and release geometries at once.
std::set<const void*>& allocationRegister()
{
    static std::set<const void*> s_register;
    return s_register;
}

std::mutex& allocationMutex()
{
    static std::mutex s_mutex;
    return s_mutex;
}

const char* const kClass = "Geometry";

} // namespace

// ------------------------------------------------------------------ allocation

void* Geometry::operator new(std::size_t p_size)
{
    void* p = ::operator new(p_size);
    std::lock_guard<std::mutex> lock(allocationMutex());
    allocationRegister().insert(p);
    return p;
}

void Geometry::operator delete(void* p_pointer)
{
    bool recorded = false;
    {
        std::lock_guard<std::mutex> lock(allocationMutex());
        recorded = allocationRegister().erase(p_pointer) != 0;
    }
    if (recorded) {
        ::operator delete(p_pointer);
        return;
    }
    std::cout << "TRIED TO FREE GEOMETRY POINTER NOT ALLOCATED:" << p_pointer << std::endl;
    if (std::getenv("ZEV_NO_GEOMETRY_CRASH") == nullptr)
        ZEVAssertImpl::assertFail("geometry pointer allocated", "Geometry/src/Geometry", __LINE__);
}

bool Geometry::isAllocated(const void* p_pointer)
{
    std::lock_guard<std::mutex> lock(allocationMutex());
    return allocationRegister().count(p_pointer) != 0;
}

// ------------------------------------------------------------------ construction

bool Geometry::octreeUsage()
{
    static BoolFromEnvironment s_noOctree("ZEV_NO_OCTREE");
    return !s_noOctree;
}

bool Geometry::considerStuFailure()
{
    static BoolFromEnvironment s_noStuCheck("ZEV_NO_STU_CHECK");
    return !s_noStuCheck;
}

Geometry::Geometry() : Geometry(nullptr, nullptr) {}

Geometry::Geometry(GeometricAlgorithmInterface* p_alg, GeometryVariableProviderIF* p_provider)
    : m_useOctree(octreeUsage()), m_considerStuFailure(considerStuFailure()), m_geomAlgIntf(p_alg),
      m_variableProvider(p_provider)
{
}

Geometry::Geometry(const Geometry& p_other)
    : m_elementSets(p_other.m_elementSets), m_faceSets(p_other.m_faceSets),
      m_virtualLayerTolerance(p_other.m_virtualLayerTolerance),
      m_virtualLayerSets(p_other.m_virtualLayerSets), m_virtualLayerVertices(p_other.m_virtualLayerVertices),
      m_virtualLayerSetIndices(p_other.m_virtualLayerSetIndices),
      m_virtualLayerRevision(p_other.m_virtualLayerRevision), m_vertexNormals(p_other.m_vertexNormals),
      m_faceNormals(p_other.m_faceNormals), m_name(p_other.m_name), m_domain(p_other.m_domain),
      m_vertices(p_other.m_vertices), m_faceCenters(p_other.m_faceCenters),
      m_elementCenters(p_other.m_elementCenters), m_lines(p_other.m_lines),
      m_interpolants(p_other.m_interpolants), m_variables(p_other.m_variables),
      m_vertexAreaVectors(p_other.m_vertexAreaVectors), m_vertexAreas(p_other.m_vertexAreas),
      m_faceAreas(p_other.m_faceAreas), m_faceAreaVectors(p_other.m_faceAreaVectors),
      m_vertexVolumes(p_other.m_vertexVolumes), m_elementVolumes(p_other.m_elementVolumes),
      m_vertexLengths(p_other.m_vertexLengths), m_octrees(p_other.m_octrees),
      m_vertDomainESNum(p_other.m_vertDomainESNum), m_vertESNumFlag(p_other.m_vertESNumFlag),
      m_flatSurface(p_other.m_flatSurface), m_hasFaceData(p_other.m_hasFaceData),
      m_hasElementData(p_other.m_hasElementData), m_useOctree(p_other.m_useOctree),
      m_considerStuFailure(p_other.m_considerStuFailure), m_nodeNeighbours(p_other.m_nodeNeighbours),
      m_geomAlgIntf(p_other.m_geomAlgIntf), m_variableProvider(p_other.m_variableProvider),
      m_faceCenterCalculator(p_other.m_faceCenterCalculator),
      m_variableLocationProvider(p_other.m_variableLocationProvider),
      m_generateLines(p_other.m_generateLines), m_vertexNormalsAreData(p_other.m_vertexNormalsAreData),
      m_borrowed(p_other.m_borrowed), m_revision(p_other.m_revision),
      m_cacheRevision(p_other.m_cacheRevision.load())
{
    // The virtual layer is a cache of the source's, rebuilt at will: the copy builds its own
    // on first use rather than borrow sets the source may drop.
    for (const auto& entry : p_other.m_virtualLayerSets)
        m_octrees.erase(entry.first);
    m_virtualLayerSets.clear();
    m_virtualLayerVertices.clear();
    m_virtualLayerSetIndices.clear();
    m_virtualLayerTolerance = 0.0f;
    // Everything else held by pointer stays the source's.
    auto borrowMap = [this](const auto& p_map) {
        for (const auto& entry : p_map)
            if (entry.second)
                m_borrowed.insert(entry.second);
    };
    borrowMap(m_elementSets);
    borrowMap(m_faceSets);
    borrowMap(m_virtualLayerSets);
    borrowMap(m_variables);
    for (Interpolant* i : m_interpolants)
        if (i)
            m_borrowed.insert(i);
    if (m_geomAlgIntf)
        m_borrowed.insert(m_geomAlgIntf);
}

bool Geometry::isBorrowed(const void* p_object) const
{
    return !m_borrowed.empty() && m_borrowed.count(p_object) != 0;
}

Geometry::~Geometry()
{
    for (auto& entry : m_variables)
        dispose(entry.second);
    m_variables.clear();

    for (auto& entry : m_elementSets)
        dispose(entry.second);
    m_elementSets.clear();
    for (auto& entry : m_faceSets)
        dispose(entry.second);
    m_faceSets.clear();
    removeVirtualLayer();

    deleteAllOctrees();
    deleteAllInterpolants();

    dispose(m_geomAlgIntf);
}

Geometry* Geometry::newGeometry()
{
    Geometry* g = new Geometry(m_geomAlgIntf, m_variableProvider);
    // The algorithm interface stays this geometry's: the new one must not delete it too.
    if (m_geomAlgIntf)
        g->m_borrowed.insert(m_geomAlgIntf);
    return g;
}

// ------------------------------------------------------------------ virtual slots whose
// behaviour the variable, measure and search layers supply

Interpolant* Geometry::getInterpolant()
{
    return m_interpolants.empty() ? nullptr : m_interpolants.front();
}

const Interpolant* Geometry::getInterpolant() const
{
    return m_interpolants.empty() ? nullptr : m_interpolants.front();
}

void Geometry::calculateTransformVariables(const std::string& p_name)
{
    if (s_geometryInfo)
        s_geometryInfo->calculateTransformVariables(this, p_name);
}

void Geometry::getElementVariable(const std::string&) {}

void Geometry::getFaceVariable(const std::string&) {}

// ------------------------------------------------------------------ accessors

std::string Geometry::getBaseName() const
{
    return StringUtilities::pathBaseName(m_name);
}

bool Geometry::hasVertDomainESNum() const
{
    return !m_vertDomainESNum.empty() && m_vertDomainESNum.size() == m_vertices.size();
}

std::size_t Geometry::getSize(VarLocation p_location) const
{
    if (p_location == eFace)
        return static_cast<std::size_t>(getNumFaces());
    if (p_location == eElement)
        return static_cast<std::size_t>(getNumElements());
    return m_vertices.size();
}

void Geometry::acceptVisitor(GeometryVisitor& p_visitor)
{
    p_visitor.visitGeometry(*this);
}

// ------------------------------------------------------------------ sets

std::string Geometry::getElementSetName(int p_index)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "ES%d", p_index + 1);
    return buffer;
}

namespace {

void checkNewName(const std::map<std::string, ShapeSet*>& p_map, const std::string& p_name,
                  const char* p_method, const char* p_kind, bool p_userMessage)
{
    if (p_name.empty())
        throw data::invalid(kClass, p_method, SystemMsg("Input parameter %1 is empty.").arg("p_name"));
    if (p_map.count(p_name)) {
        const std::string text =
            p_userMessage ? std::string(UserMsg("%1 '%2' already exists.").arg(p_kind).arg(p_name))
                          : std::string(SystemMsg("%1 '%2' already exists.").arg(p_kind).arg(p_name));
        throw data::duplicate(kClass, p_method, text);
    }
}

// The number of shapes over the sets of p_map (null entries hold none).
int shapeCount(const std::map<std::string, ShapeSet*>& p_map)
{
    std::size_t n = 0;
    for (const auto& entry : p_map)
        if (entry.second)
            n += entry.second->size();
    return static_cast<int>(n);
}

// Files a set the caller made under a new name; the geometry owns it from then on.
void insertNewSet(std::map<std::string, ShapeSet*>& p_map, const std::string& p_name, ShapeSet* p_set,
                  const char* p_method, const char* p_kind, bool p_userMessage)
{
    checkNewName(p_map, p_name, p_method, p_kind, p_userMessage);
    if (p_set == nullptr)
        throw data::notFound(
            kClass, p_method,
            SystemMsg("Insertion of %1 '%2' failed - nothing provided.").arg(p_kind).arg(p_name));
    p_map[p_name] = p_set;
}

} // namespace

ShapeSet* Geometry::addElementSet(const std::string& p_name, int p_setNumber, ShapeType p_type, int p_count,
                                  double p_correctionFactor)
{
    checkNewName(m_elementSets, p_name, "addElementSet", "ElementSet", true);
    ShapeSet* set = ElementFactory::instance()->getElementSetByType(p_type, p_count);
    set->setSetNumber(p_setNumber);
    set->setCorrectionFactor(p_correctionFactor);
    m_elementSets[p_name] = set;
    markChanged();
    return set;
}

ShapeSet* Geometry::addElementSet(int p_index, ShapeType p_type, int p_count, double p_correctionFactor)
{
    return addElementSet(getElementSetName(p_index), p_index, p_type, p_count, p_correctionFactor);
}

void Geometry::insertElementSet(const std::string& p_name, ShapeSet* p_set)
{
    insertNewSet(m_elementSets, p_name, p_set, "insertElementSet", "ElementSet", true);
    markChanged();
}

ShapeSet* Geometry::addFaceSet(const std::string& p_name, ShapeType p_type, int p_count,
                               double p_correctionFactor)
{
    checkNewName(m_faceSets, p_name, "addFaceSet", "FaceSet", false);
    ShapeSet* set = FaceFactory::instance()->getFaceSetByType(p_type, p_count);
    set->setCorrectionFactor(p_correctionFactor);
    m_faceSets[p_name] = set;
    markChanged();
    return set;
}

void Geometry::insertFaceSet(const std::string& p_name, ShapeSet* p_set)
{
    insertNewSet(m_faceSets, p_name, p_set, "insertFaceSet", "FaceSet", false);
    markChanged();
}

bool Geometry::removeElementSet(const std::string& p_name)
{
    return removeSet(m_elementSets, p_name);
}

bool Geometry::removeFaceSet(const std::string& p_name)
{
    return removeSet(m_faceSets, p_name);
}

bool Geometry::removeSet(std::map<std::string, ShapeSet*>& p_sets, const std::string& p_name)
{
    auto found = p_sets.find(p_name);
    if (found == p_sets.end())
        return false;
    ShapeSet* set = found->second;
    p_sets.erase(found);
    dispose(set);
    markChanged();
    return true;
}

ShapeSet* Geometry::getElementSet(const std::string& p_name)
{
    return const_cast<ShapeSet*>(static_cast<const Geometry*>(this)->getElementSet(p_name));
}

const ShapeSet* Geometry::getElementSet(const std::string& p_name) const
{
    auto it = m_elementSets.find(p_name);
    if (it != m_elementSets.end())
        return it->second;
    if (!m_virtualLayerSets.empty()) {
        auto vit = m_virtualLayerSets.find(p_name);
        if (vit != m_virtualLayerSets.end())
            return vit->second;
    }
    return nullptr;
}

ShapeSet* Geometry::getElementSet(int p_index)
{
    return getElementSet(getElementSetName(p_index));
}

const ShapeSet* Geometry::getElementSet(int p_index) const
{
    return getElementSet(getElementSetName(p_index));
}

ShapeSet* Geometry::getFaceSet(const std::string& p_name)
{
    auto it = m_faceSets.find(p_name);
    return it == m_faceSets.end() ? nullptr : it->second;
}

const ShapeSet* Geometry::getFaceSet(const std::string& p_name) const
{
    auto it = m_faceSets.find(p_name);
    return it == m_faceSets.end() ? nullptr : it->second;
}

ShapeSet* Geometry::getFaceSet(ShapeType p_type) const
{
    for (const auto& entry : m_faceSets)
        if (entry.second && entry.second->getType() == p_type)
            return entry.second;
    return nullptr;
}

int Geometry::getNumElements() const
{
    return shapeCount(m_elementSets);
}

int Geometry::getNumFaces() const
{
    return shapeCount(m_faceSets);
}

unsigned int Geometry::getNumFaceEntries() const
{
    unsigned int n = 0;
    for (const auto& entry : m_faceSets) {
        const ShapeSet* set = entry.second;
        if (!set || set->size() == 0)
            continue;
        if (set->getType() == POLYGON) {
            for (std::size_t i = 0; i < set->size(); ++i)
                n += static_cast<unsigned int>((*set)[i].getNumVertices());
        } else {
            n += static_cast<unsigned int>(set->size()) *
                 static_cast<unsigned int>((*set)[0].getNumVertices());
        }
    }
    return n;
}

const Element* Geometry::getElement(shapeIndex& p_index) const
{
    const ShapeSet* set = getElementSet(getElementSetName(p_index.m_setIndex));
    if (set == nullptr)
        return nullptr;
    // A shape number outside the set finds nothing, as a missing set does, rather than
    // reading past the set's shapes.
    if (p_index.m_shapeIndex < 0 || static_cast<std::size_t>(p_index.m_shapeIndex) >= set->size())
        return nullptr;
    const Element* element =
        dynamic_cast<const Element*>(&(*set)[static_cast<std::size_t>(p_index.m_shapeIndex)]);
    if (element == nullptr)
        throw internal::error(kClass, "getElement", SystemMsg("Element requested is not 3D."));
    p_index.m_shape = element;
    return element;
}

std::vector<std::string> Geometry::getElementSetNames() const
{
    return internal::keysOf(m_elementSets);
}

std::vector<std::string> Geometry::getFaceSetNames() const
{
    return internal::keysOf(m_faceSets);
}

// ------------------------------------------------------------------ life cycle

Geometry* Geometry::clone(Geometry* p_target, bool p_allowContents, bool p_copyInterpolants) const
{
    return cloneBase(p_allowContents, p_copyInterpolants, p_target);
}

Geometry* Geometry::clone(bool p_allowContents, bool p_copyInterpolants) const
{
    return cloneBase(p_allowContents, p_copyInterpolants, nullptr);
}

Geometry* Geometry::cloneBase(bool p_allowContents, bool p_copyInterpolants, Geometry* p_target) const
{
    if (!m_elementSets.empty() && !p_allowContents)
        throw data::invalid(kClass, "clone",
                            SystemMsg("%1 - Cannot clone Geometry with Element Sets.").arg(getBaseName()));
    if (!m_variables.empty() && !p_allowContents)
        throw data::invalid(kClass, "clone",
                            SystemMsg("%1 - Cannot clone Geometry with Variables.").arg(getBaseName()));

    Geometry* target = p_target ? p_target : GeometryAPI::instance()->newGeometry("", nullptr);
    target->m_name = m_name;
    target->m_domain = m_domain;
    target->m_vertices.resize(m_vertices.size());
    for (std::size_t i = 0; i < m_vertices.size(); ++i)
        target->m_vertices[i] = m_vertices[i];
    target->m_lines.resize(m_lines.size());
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        target->m_lines[i] = m_lines[i];

    for (const std::string& name : getFaceSetNames()) {
        const ShapeSet* set = getFaceSet(name);
        if (set == nullptr)
            throw internal::nullPointer(
                kClass, "clone",
                SystemMsg("getFaceSet by name returned null ptr for geom %1, faceset %2.")
                    .arg(getBaseName())
                    .arg(name));
        ShapeSet* copy = set->clone();
        try {
            target->insertFaceSet(name, copy);
        } catch (...) {
            delete copy; // refused (the target already has that name): not leaked
            throw;
        }
    }

    if (hasVertDomainESNum())
        target->m_vertDomainESNum = m_vertDomainESNum;

    if (p_copyInterpolants && !m_interpolants.empty()) {
        target->deleteAllInterpolants();
        for (const Interpolant* i : m_interpolants)
            if (i)
                target->addInterpolant(i->clone());
    }
    return target;
}

void Geometry::clearCache()
{
    std::lock_guard<std::recursive_mutex> lock(m_cacheMutex);
    deleteAllOctrees();
    m_faceLineTree.reset();
    for (int i = 0; i < getNumElementSets(); ++i)
        if (const ShapeSet* set = getElementSet(getElementSetName(i)))
            set->clearExtents();
}

void Geometry::deleteAllOctrees()
{
    std::lock_guard<std::recursive_mutex> lock(m_cacheMutex);
    forgetFastOctrees();
    m_octrees.clear();
}

void Geometry::forgetFastOctrees() const
{
    for (auto& slot : m_fastOctrees)
        slot.store(nullptr, std::memory_order_release);
}

void Geometry::ensureCachesCurrent() const
{
    if (m_cacheRevision.load(std::memory_order_acquire) == m_revision)
        return;
    std::lock_guard<std::recursive_mutex> lock(m_cacheMutex);
    if (m_cacheRevision.load(std::memory_order_relaxed) == m_revision)
        return;
    dropDerivedData();
    m_cacheRevision.store(m_revision, std::memory_order_release);
}

void Geometry::dropDerivedData() const
{
    const bool keepNormals = m_vertexNormalsAreData;
    std::shared_ptr<TripletZEVVector> normals = m_vertexNormals;
    releaseDataStores();
    if (keepNormals)
        m_vertexNormals = std::move(normals);
    forgetFastOctrees();
    m_octrees.clear();
    m_faceLineTree.reset();
    m_nodeNeighbours.clear();
    // The virtual layer itself is rebuilt by the next search that asks for it (findElement
    // compares the state it was built from).
    for (const auto& entry : m_elementSets)
        if (entry.second)
            entry.second->clearExtents();
    for (const auto& entry : m_virtualLayerSets)
        if (entry.second)
            entry.second->clearExtents();
}

void Geometry::removeVirtualLayer()
{
    // The layer's octrees index the layer's sets and vertices: they go with them.
    {
        std::lock_guard<std::recursive_mutex> lock(m_cacheMutex);
        forgetFastOctrees();
        for (const auto& entry : m_virtualLayerSets)
            m_octrees.erase(entry.first);
    }
    m_virtualLayerVertices.clear();
    for (auto& entry : m_virtualLayerSets)
        dispose(entry.second);
    m_virtualLayerSets.clear();
    m_virtualLayerSetIndices.clear();
    m_virtualLayerTolerance = 0.0f;
}

} // namespace zev
