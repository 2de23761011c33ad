#pragma once
// One unstructured mesh, or a piece of one such as a slice or a boundary: its vertex array,
// named element and face sets, line segments, the variables computed on it, the interpolants
// that tie it to parent domains, and lazily built caches of derived quantities and search
// structures. Geometries are created and destroyed through GeometryAPI; their memory comes
// from the class's own tracked operator new.
//
// Threads: once the mesh is built, several threads may query one geometry at once — point
// location (findElement, getElementNodeWeights, PointLocator), the octrees, line and circle
// queries, the measure getters, getNodesAroundNode. The caches these fill on first use are
// built once under the geometry's lock, so the first queries may come concurrently too. Not
// concurrently with any of them: anything that changes the mesh (the writable vertex array,
// adding or removing sets, recalculateVertices, removeDuplicateVertices, ...), clearDataStores,
// clearCache, deleteAllOctrees, variable requests that file new variables, and destruction.
// A search that asks for the virtual layer builds it under the lock; projections fill the
// faces' own normal and area caches, so project once before projecting from several threads.

#include "zev/ZEVExport.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/IntZEVVector.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/ZEVVector.h"
#include "zev/shapes/Edge.h"
#include "zev/shapes/ShapeType.h"
#include "zev/variables/VarKey.h"
#include "zev/variables/VarType.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace zev {

class Element;
class ExpressionTransformationInterface;
class FaceCenterCalculator;
class FaceLineTree;
class GeometricAlgorithmInterface;
class GeometryInfoInterface;
class GeometryVariableProviderIF;
class GeometryVisitor;
class HybridInterpolant;
class Interpolant;
// A later subsystem (zev/search): held by pointer, included only by the geometry sources.
class Octree;
class ProjectionStatistics;
class ScalarVariable;
class ShapeSet;
class Variable;
class VariableLocationProviderIF;
class VectorVariable;
class shapeIndex;
class HybridInterpolantData;

class ZEV_EXPORT Geometry {
    friend class GeometryAPI;

public:
    // Keys of the surface face-set name map: triangles, quadrilaterals, polygons.
    enum FaceType { Triangles = 0, Quadrilaterals = 1, Polygons = 2 };

    Geometry();

    // ---- virtual operations, in slot order
    virtual Interpolant* getInterpolant();
    virtual Variable* getVariable(const std::string& p_name, bool p_flag, const VarLocation& p_location);
    virtual VectorVariable* getVectorVariable(const std::string& p_name, const std::string& p_xExpression,
                                              const std::string& p_yExpression,
                                              const std::string& p_zExpression, VarLocation p_location);
    virtual Geometry* makeWireFrame(float p_featureAngle);
    // Copies name, domain, vertices, lines, face sets (and optionally interpolants) into
    // p_target, or into a new registered geometry when p_target is null; returns the target.
    virtual Geometry* clone(Geometry* p_target, bool p_allowContents, bool p_copyInterpolants) const;
    virtual Geometry* clone(bool p_allowContents, bool p_copyInterpolants) const;
    virtual void calculateTransformVariables(const std::string& p_name);
    virtual Variable* makeSystemVariable(const std::string& p_name, const TripletZEVVector& p_values,
                                         VarLocation p_location);
    virtual Variable* makeSystemVariable(const std::string& p_name, const FloatZEVVectorConcrete& p_values,
                                         VarLocation p_location);
    virtual void getElementVariable(const std::string& p_name);
    virtual void getFaceVariable(const std::string& p_name);
    virtual VarLocation getVariableSearchLocation();

protected:
    // Destroys variables, sets, the virtual layer, octrees, interpolants and caches, in that
    // order, then the algorithm interface. Use GeometryAPI::deleteGeometry.
    virtual ~Geometry();
    // A new, empty geometry of the same dynamic type.
    virtual Geometry* newGeometry();
    virtual Variable* makeFundamentalVariable(const std::string& p_name, VarLocation p_location);
    virtual bool calculateVariable(const std::string& p_name);
    virtual bool createVirtualLayer(float p_tolerance);
    virtual void getSurfaceFaceNames(std::map<FaceType, std::string>& p_names);

private:
    virtual ScalarVariable* makeXYZVariable(const TripletZEVVector& p_values, int p_component,
                                            VarLocation p_location);
    virtual Variable* makeXYZVariable(const std::string& p_name, VarLocation p_location);

public:
    const Interpolant* getInterpolant() const;

    // ---- tracked allocation
    // Every address handed out is recorded; releasing one that is not recorded prints a
    // line on standard output and stops the process unless ZEV_NO_GEOMETRY_CRASH is set.
    static void* operator new(std::size_t p_size);
    static void operator delete(void* p_pointer);
    // Whether p_pointer is an address handed out and not yet released.
    static bool isAllocated(const void* p_pointer);

    // ---- accessors
    std::string getName() const { return m_name; }
    void setName(const std::string& p_name) { m_name = p_name; }
    std::string getBaseName() const;
    const std::string& getDomain() const { return m_domain; }
    void setDomain(const std::string& p_domain) { m_domain = p_domain; }
    // The writable vertex array. Handing it out counts as a change of the mesh (see
    // markChanged): read through a const geometry to keep the caches.
    TripletZEVVector& getVertices()
    {
        markChanged();
        return m_vertices;
    }
    const TripletZEVVector& getVertices() const { return m_vertices; }
    int getNumVertices() const { return static_cast<int>(m_vertices.size()); }
    IntZEVVector& getLines() { return m_lines; }
    const IntZEVVector& getLines() const { return m_lines; }
    const std::list<Interpolant*>& getInterpolantList() const { return m_interpolants; }
    bool hasInterpolant() const { return !m_interpolants.empty(); }
    bool hasFaceData() const { return m_hasFaceData; }
    void hasFaceData(bool p_value) { m_hasFaceData = p_value; }
    bool hasElementData() const { return m_hasElementData; }
    void hasElementData(bool p_value) { m_hasElementData = p_value; }
    bool isFlatSurface() const { return m_flatSurface; }
    void setFlatSurface(bool p_value) { m_flatSurface = p_value; }
    bool generateLines() const { return m_generateLines; }
    void setGenerateLines(bool p_value) { m_generateLines = p_value; }
    bool getVertESNumFlag() const { return m_vertESNumFlag; }
    void setVertESNumFlag(bool p_value) { m_vertESNumFlag = p_value; }
    std::vector<int>& getVertDomainESNumVec() { return m_vertDomainESNum; }
    const std::vector<int>& getVertDomainESNumVec() const { return m_vertDomainESNum; }
    bool hasVertDomainESNum() const;
    GeometricAlgorithmInterface* getGeomAlgIntf() const { return m_geomAlgIntf; }
    int getNumElementSets() const { return static_cast<int>(m_elementSets.size()); }
    int getNumVars() const { return static_cast<int>(m_variables.size()); }
    bool hasVirtualLayer() const { return !m_virtualLayerSets.empty(); }
    int getNumVirtualLayerElementSets() const { return static_cast<int>(m_virtualLayerSets.size()); }
    FaceCenterCalculator* getFaceCenterCalculator() const { return m_faceCenterCalculator; }
    GeometryVariableProviderIF* getVariableProvider() const { return m_variableProvider; }
    VariableLocationProviderIF* getVariableLocationProvider() const { return m_variableLocationProvider; }
    static GeometryInfoInterface* getGeometryInfo() { return s_geometryInfo; }
    static void setGeometryInfo(GeometryInfoInterface* p_info) { s_geometryInfo = p_info; }

    // ---- mesh state
    // A counter that every change of the vertices or of the sets made through the geometry
    // advances: the writable vertex array being handed out, sets added or removed, vertices
    // moved, merged or renumbered. Every cache derived from the mesh (the measures, the
    // octrees, the face line tree, the neighbour table, the sets' extents, the shapes' own
    // normals and areas) remembers the state it was built from and is rebuilt on first use
    // when the state has moved on.
    std::uint64_t getRevision() const { return m_revision; }
    // Declares the mesh changed; for a caller that edits vertices or shapes through a
    // reference obtained before its last query.
    void markChanged() { ++m_revision; }

    // Vertex count for Vertex (and any other location), face count for Face, element count
    // for Element.
    std::size_t getSize(VarLocation p_location) const;

    void acceptVisitor(GeometryVisitor& p_visitor);

    // ---- element and face sets
    // "ES" followed by p_index + 1.
    static std::string getElementSetName(int p_index);
    ShapeSet* addElementSet(const std::string& p_name, int p_setNumber, ShapeType p_type, int p_count,
                            double p_correctionFactor);
    ShapeSet* addElementSet(int p_index, ShapeType p_type, int p_count, double p_correctionFactor);
    // Files a set built elsewhere; the geometry takes ownership. A refused set stays the
    // caller's.
    void insertElementSet(const std::string& p_name, ShapeSet* p_set);
    ShapeSet* addFaceSet(const std::string& p_name, ShapeType p_type, int p_count, double p_correctionFactor);
    void insertFaceSet(const std::string& p_name, ShapeSet* p_set);
    // Removes and destroys the set of that name (a set borrowed from the geometry this one
    // was copied from is only forgotten); false when there is none. Variables keep their
    // arrays: a caller that removes a set with data removes or refills the variables too.
    bool removeElementSet(const std::string& p_name);
    bool removeFaceSet(const std::string& p_name);

    // Lookups: null when absent. Element sets fall back to the virtual layer.
    ShapeSet* getElementSet(const std::string& p_name);
    const ShapeSet* getElementSet(const std::string& p_name) const;
    ShapeSet* getElementSet(int p_index);
    const ShapeSet* getElementSet(int p_index) const;
    ShapeSet* getFaceSet(const std::string& p_name);
    const ShapeSet* getFaceSet(const std::string& p_name) const;
    // The first face set, in name order, of shape type p_type.
    ShapeSet* getFaceSet(ShapeType p_type) const;

    int getNumElements() const;
    int getNumFaces() const;
    // The number of vertex references over all face sets.
    unsigned int getNumFaceEntries() const;

    // The element p_index names; stores it in p_index's shape pointer. Null when the set
    // does not exist; throws when the shape is not an element.
    const Element* getElement(shapeIndex& p_index) const;

    std::vector<std::string> getElementSetNames() const;
    std::vector<std::string> getFaceSetNames() const;

    // ---- interpolants (the geometry takes ownership of every interpolant passed)
    void addInterpolant(Interpolant* p_interpolant);
    void appendInterpolant(Interpolant* p_interpolant);
    void setInterpolant(Interpolant* p_interpolant);
    void updateInterpolant(Interpolant* p_interpolant);
    bool hasInterpolant(const std::string& p_name, Interpolant*& p_out) const;
    Interpolant* getEdgeInterpolant() const;
    Interpolant* getVertexInterpolant() const;
    std::vector<std::string> getParentDomains() const;
    bool recalculateVertices(const TripletZEVVector& p_parentVertices);

    // ---- life cycle
    void clearDataStores();
    void clearCache();
    void deleteAllOctrees();
    void removeVirtualLayer();

    // ---- variables on a geometry
    // The variable filed under exactly (p_name, p_location), or null.
    Variable* findVariable(const std::string& p_name, VarLocation p_location);
    bool hasVariable(const std::string& p_name, VarLocation p_location) const;
    // Files p_variable under its name and p_location (its own location for Location
    // Unknown); the geometry takes ownership. A refused variable stays the caller's.
    void addVariable(Variable* p_variable, VarLocation p_location);
    // Deletes the variable of that name at Vertex, Face and Element.
    void deleteVariable(const std::string& p_name);
    void deleteAllVariables();
    // Deletes every variable the host describes as an expression.
    void deleteAllExpressions();
    // A filed scalar view of component p_component of the vector variable p_vectorName.
    ScalarVariable* makeComponentVariable(const std::string& p_vectorName, const std::string& p_componentName,
                                          int p_component, VarLocation p_location);
    // True for the coordinate names "x", "X", "X Coordinate" and their y and z forms.
    bool isGeometricVariable(const std::string& p_name) const;
    // Evaluates p_expression at the vertices with its inputs rewritten by p_transform and
    // files the result under the expression's text.
    Variable* getTransformedExpression(const std::string& p_expression,
                                       const ExpressionTransformationInterface* p_transform);
    VectorVariable* getTransformedVector(const std::string& p_name, const std::string& p_xExpression,
                                         const std::string& p_yExpression, const std::string& p_zExpression,
                                         const ExpressionTransformationInterface* p_transform);
    // The names of all keys in key order (a name filed at several locations appears once
    // per location).
    std::vector<std::string> getVariableNames() const;
    void dbprintVariables() const;
    // Where the data of a comma-separated list of expressions lives, as the host's location
    // provider says (Vertex without one).
    VarLocation getLocationForExpression(const std::string& p_text);

    // ---- derived geometric quantities (computed on first request, cached until
    // clearDataStores); face- and element-indexed arrays follow the sets in name order
    const FloatZEVVectorConcrete& getVertexAreas() const;
    const TripletZEVVector& getVertexAreaVectors() const;
    const FloatZEVVectorConcrete& getVertexVolumes() const;
    const FloatZEVVectorConcrete& getVertexLengths() const;
    const TripletZEVVector& getVertexNormals() const;
    const FloatZEVVectorConcrete& getFaceAreas() const;
    const TripletZEVVector& getFaceAreaVectors() const;
    const TripletZEVVector& getFaceNormals() const;
    const FloatZEVVectorConcrete& getElementVolumes() const;
    // Empty while no face-centre calculator is registered.
    const TripletZEVVector& getFaceCenters() const;
    TripletZEVVector& getFaceCenters();
    const TripletZEVVector& getElementCenters() const;
    TripletZEVVector& getElementCenters();
    // Propagates p_theta from p_baseVertex to every vertex reachable through shared shapes,
    // each vertex taking a neighbour's value as reference. False when some vertex could not
    // be reached (it keeps 0).
    bool calculateThetaVariable(int p_baseVertex, float p_seed,
                                float (*p_theta)(void* p_context, const TripletBase<float>& p_point,
                                                 float p_reference),
                                void* p_context, FloatZEVVectorConcrete& p_out) const;

    // ---- face construction, vertex merging and assembly
    // Builds the boundary faces of the element sets into the face sets "ELEMTRIS",
    // "ELEMQUADS" and "ELEMPOLYGONS" (a set whose name is already taken is not replaced).
    // A face survives when no other element face has the same vertex set; survivors keep
    // the orientation of their element and their order of first occurrence. False when
    // there are no elements or no boundary face.
    bool calculateFaces();
    // Merges vertices closer than the tolerance (a negative tolerance derives one from the
    // shapes' length scales), renumbers every shape and line, drops the Tri faces that
    // collapse, and deletes all variables. The surviving vertices are ordered by distance
    // from the origin, even when nothing merges.
    void removeDuplicateVertices(double p_tolerance);
    // Concatenates the vertices, lines and face sets of p_sources into this empty geometry
    // (face sets named "FS" and ten digits), optionally with the vertex map of each source
    // and a hybrid interpolant back to the sources. Returns the total vertex count.
    int unify(std::vector<Geometry*>& p_sources, std::vector<std::vector<int>>& p_vertexMaps, bool p_makeMaps,
              bool p_makeInterpolant);
    // Copies the named element sets of p_domain with the vertices they use, in ascending
    // domain order, and a vertex interpolant to p_domain.
    void constructSubdomain(Geometry* p_domain, const std::vector<std::string>& p_elementSetNames);

    // ---- edges, neighbours and wireframes
    // The face edges used by exactly one face, in ascending Edge order.
    void getFreeEdges(ZEVVector<Edge>& p_edges) const;
    // The same, and the vertices of those edges.
    void getFreeEdges(ZEVVector<Edge>& p_edges, std::set<int>& p_vertices) const;
    // Removes from p_vertices the vertices that lie on one of p_boundaries (judged through
    // the parent-domain vertices of the interpolants) and from p_edges every edge that lost
    // a vertex. With p_perBoundary, also collects the removed vertices per boundary.
    void findFreeEdgesOnBoundaries(std::vector<Geometry*>& p_boundaries, ZEVVector<Edge>& p_edges,
                                   std::set<int>& p_vertices, std::vector<std::set<int>>* p_perBoundary);
    // Refills the line array: through the algorithm interface when there is one, otherwise
    // every edge (|cos angle| >= 0.99) or the free and feature edges of the face sets.
    void calculateLines(float p_featureAngle);
    // As calculateLines, into the caller's arrays; the built-in wireframe writes only
    // p_lines, with indices into this geometry's vertices.
    void calculateWireframe(TripletZEVVector& p_vertices, IntZEVVector& p_lines, float p_featureAngle);

    // ---- volume selection
    // Adds to this geometry copies of the whole elements of p_domain that lie on one side of
    // a sphere, a plane or an isosurface (p_side "Below Intersection", "Above Intersection",
    // or anything else for the elements the surface passes through), set by set under the
    // domain's set names, with an element-to-element interpolant named p_domainName when the
    // domain has element data. The copies keep the domain's vertex ids: give this geometry
    // the domain's vertices. An empty p_types considers every element set.
    void calcVolume(const std::string& p_domainName, const Geometry* p_domain, const std::string& p_side,
                    bool p_inclusive, const Triplet& p_centre, float p_radius,
                    const std::vector<ShapeType>& p_types);
    // The plane n·x = d; p_ignored is not used.
    void calcVolume(const std::string& p_domainName, const Geometry* p_domain, const std::string& p_ignored,
                    const std::string& p_side, bool p_inclusive, float p_d, const Triplet& p_normal,
                    const std::vector<ShapeType>& p_types);
    // The isosurface of p_variable's vertex values of p_type at p_isoValue; p_ignored is not used.
    void calcVolume(const std::string& p_domainName, const Geometry* p_domain, const std::string& p_ignored,
                    const std::string& p_side, bool p_inclusive, const Variable* p_variable, VarType p_type,
                    float p_isoValue, const std::vector<ShapeType>& p_types);
    // The general form: p_kind "Plane", "Isosurface", or anything else for a sphere.
    void calcVolume(const std::string& p_kind, const std::string& p_domainName, const Geometry* p_domain,
                    const std::string& p_ignored, const std::string& p_side, bool p_inclusive,
                    const Triplet& p_centre, float p_radius, float p_d, const Triplet& p_normal,
                    const Variable* p_variable, VarType p_type, float p_isoValue,
                    const std::vector<ShapeType>& p_types);
    // The elements whose vertex values of p_variable lie on p_range ("Below Value", "Above
    // Value", "Between Values", or anything else for the elements the first value passes
    // through) of p_first (and p_second).
    void calcIsovolume(const std::string& p_domainName, const Geometry* p_domain, const std::string& p_range,
                       bool p_inclusive, const Variable* p_variable, VarType p_type, float p_first,
                       float p_second, const std::vector<ShapeType>& p_types);
    // ---- projection and the virtual layer (the work is done in zev/search/)
    // Defined in zev/search/ProjectionStatistics.h.
    using ProjectionStatistics = ::zev::ProjectionStatistics;
    // Projects each point onto this surface's faces (falling back to the nearest edge, then
    // the nearest vertex) and pushes one entry per point, in point order, into p_interpolant
    // under this geometry's domain; every outcome is counted in p_statistics. Does nothing
    // without face sets, and pushes nothing when there is no vertex.
    void projectOnGeometry(const TripletZEVVector& p_points, HybridInterpolant* p_interpolant,
                           ProjectionStatistics& p_statistics);
    // Appends, per point, the first face around its nearest vertices that it projects into
    // (face-set position in getFaceSetNames(), face index, face) and the projected point, or
    // (-1, -1, null) and the point itself. Appends nothing without face sets.
    void projectVerticesOnGeometry(const TripletZEVVector& p_points, std::vector<shapeIndex>& p_faces,
                                   TripletZEVVector& p_projected);

private:
    // The nearest vertices by squared distance: at most the projection's node count of
    // distinct distances, each with the lowest vertex index at that distance.
    void findClosestNodes(const Triplet& p_point, std::map<double, int>& p_nodes) const;
    // Whether p_point coincides with the nearest vertex of p_nodes.
    bool isEquivalentNode(const Triplet& p_point, const std::map<double, int>& p_nodes);

public:
    // ---- spatial search (the octrees are zev/search's; this class only caches them)
    // Which element sets point location searches: bit 1 asks for the virtual layer, and
    // exactly SearchVirtualLayer skips the regular sets. Other values without bit 1 search
    // the regular sets only.
    enum SearchMode : int { SearchDomain = 0, SearchVirtualLayer = 2, SearchDomainAndVirtualLayer = 3 };
    // The octree of the element set with index p_index (regular or virtual layer), built on
    // first request and cached until deleteAllOctrees or clearCache; null when the set
    // does not exist.
    const Octree* getOctreeForES(int p_index) const;
    void buildAllOctrees();
    // The element that holds p_point and its vertex weights: the first element accepted in
    // search order (set index, then octree leaf order, or shape order without octrees).
    // A point caught by a virtual-layer element is answered by the element's proxy face,
    // as (-1, -1, proxy) with weights over the regular vertices. p_fallback repeats a
    // failed octree search as a linear scan. Not found: (-1, -1, null).
    shapeIndex findElement(const Triplet& p_point, std::vector<float>& p_weights, bool p_fallback,
                           SearchMode p_mode);
    // findElement packaged as the located shape's vertex ids and weights; false (p_data
    // untouched) when nothing holds the point.
    bool getElementNodeWeights(const Triplet& p_point, HybridInterpolantData& p_data, bool p_fallback,
                               SearchMode p_mode);
    // Appends every element listed in the octree leaf that holds p_point, over the regular
    // sets, without a containment test. Throws when octrees are switched off.
    void findAllElementsNear(const Triplet& p_point, std::vector<shapeIndex>& p_out) const;
    // The ids of the elements of set p_index listed in the octree leaves the plane
    // p_normal . x = p_d crosses, each once, in first-seen order.
    void findElementsOnPlane(const Triplet& p_normal, float p_d, int p_index, std::vector<int>& p_out) const;
    // ---- line and circle queries
private:
    // Search index of the "TRI" and "QUAD" sets kept between the two surface queries below
    // (built from the second query on, dropped by clearCache); only zev/search/ knows its type.
    mutable std::shared_ptr<FaceLineTree> m_faceLineTree;

public:
    // Directions and axes need not be unit vectors: each query normalises what it is given.
    // Appends to this geometry's vertices and lines one segment per element of p_domain the
    // whole line through p_point crosses, in set and element order, and records for each new
    // vertex the length scale of its element in p_lengthScales.
    void intersectLineWithGeometry(const Geometry* p_domain, const Triplet& p_point,
                                   const Triplet& p_direction, std::map<int, double>& p_lengthScales);
    // The first face of the set "TRI", then of "QUAD", that the whole line meets; p_result
    // gets the hit minus p_point. Throws when a set it has to search is missing.
    bool intersectFacesWithLine(const Triplet& p_point, const Triplet& p_direction, Triplet& p_result) const;
    // The signed rotation angle (radians, right-handed about the axis from p_axisStart to
    // p_axisEnd) that carries p_point onto the first face of "TRI", then of "QUAD", that its
    // circle about the axis meets.
    bool intersectFacesWithCircle(const Triplet& p_point, const Triplet& p_axisStart,
                                  const Triplet& p_axisEnd, double& p_angle) const;

protected:
    Geometry(GeometricAlgorithmInterface* p_alg, GeometryVariableProviderIF* p_provider);
    // Member-by-member copy: the copy shares every set, variable, interpolant and hook held
    // by pointer with the source, which keeps owning them. The copy never deletes a shared
    // object (it only forgets it), so the source must outlive the copy's use of them. The
    // cached measures and octrees are co-owned: either side may drop or rebuild its own
    // without the other's going stale or dangling. Used by the copy constructors of derived
    // geometry types.
    Geometry(const Geometry& p_other);
    Geometry& operator=(const Geometry&) = delete;

    Geometry* cloneBase(bool p_allowContents, bool p_copyInterpolants, Geometry* p_target) const;

    void registerVariableProvider(GeometryVariableProviderIF* p_provider) { m_variableProvider = p_provider; }
    void registerFaceCenterCalculator(FaceCenterCalculator* p_calculator)
    {
        m_faceCenterCalculator = p_calculator;
    }
    void registerVariableLocationProvider(VariableLocationProviderIF* p_provider)
    {
        m_variableLocationProvider = p_provider;
    }

    // Deletes p_object unless this geometry only borrows it (see the copy constructor).
    template <class T> void dispose(T*& p_object);
    bool isBorrowed(const void* p_object) const;

    static GeometryInfoInterface* s_geometryInfo;

private:
    void deleteAllInterpolants();
    bool removeSet(std::map<std::string, ShapeSet*>& p_sets, const std::string& p_name);

    // variables on a geometry
    Variable* getFundamentalVariable(const std::string& p_name);
    void deleteVariable(const std::string& p_name, VarLocation p_location);
    VarLocation getLocationForExpressions(const std::vector<std::string>& p_expressions);
    Variable* getExpression(const std::string& p_expression, VarLocation p_location);
    Variable* getExpression(const std::string& p_xExpression, const std::string& p_yExpression,
                            const std::string& p_zExpression, VarLocation p_location);
    void evaluateExpression(const std::string& p_expression, float* p_out, int p_count,
                            VarLocation p_location);
    void evaluateExpressionWithTransformation(const std::string& p_expression, float* p_out, int p_count,
                                              const ExpressionTransformationInterface* p_transform);
    void processSubExpression(const std::string& p_subName, std::vector<float>& p_values,
                              VarLocation p_location);
    // Files p_variable; deletes it when it is refused, and passes the error on.
    Variable* fileOrDelete(Variable* p_variable, VarLocation p_location);
    // Deletes the filed component variables that view p_vector's arrays.
    void deleteComponentsOf(const Variable* p_vector);

    // derived geometric quantities
    template <class T, class... Companion>
    const T& cachedMeasure(void (Geometry::*p_calculate)() const, const std::shared_ptr<T>& p_cache,
                           const Companion&... p_companions) const;
    void calculateVertexAreas() const;
    void calculateVertexVolumes() const;
    void calculateVertexLengths() const;
    void calculateVertexNormals() const;
    void calculateFaceAreas() const;
    void calculateFaceNormals() const;
    void calculateElementVolumes() const;
    void calculateElementCenters() const;
    void calculateFaceCenters() const;
    // The existing element sets (virtual-layer fallback) in name order, and their shape count.
    std::vector<const ShapeSet*> elementSetsInNameOrder(std::size_t& p_total) const;
    static bool octreeUsage();
    static bool considerStuFailure();

protected:
    std::map<std::string, ShapeSet*> m_elementSets;
    std::map<std::string, ShapeSet*> m_faceSets;
    float m_virtualLayerTolerance = 0.0f;
    std::map<std::string, ShapeSet*> m_virtualLayerSets;
    TripletZEVVector m_virtualLayerVertices;
    std::vector<int> m_virtualLayerSetIndices;
    // The mesh state the virtual layer was built from.
    std::uint64_t m_virtualLayerRevision = 0;
    // Derived data, co-owned with copies (see the copy constructor); filled under m_cacheMutex.
    mutable std::shared_ptr<TripletZEVVector> m_vertexNormals;
    mutable std::shared_ptr<TripletZEVVector> m_faceNormals;
    std::string m_name;
    std::string m_domain;
    TripletZEVVector m_vertices;
    mutable TripletZEVVector m_faceCenters;
    mutable TripletZEVVector m_elementCenters;
    IntZEVVector m_lines;
    std::list<Interpolant*> m_interpolants;
    std::map<VarKey, Variable*> m_variables;
    mutable std::shared_ptr<TripletZEVVector> m_vertexAreaVectors;
    mutable std::shared_ptr<FloatZEVVectorConcrete> m_vertexAreas;
    mutable std::shared_ptr<FloatZEVVectorConcrete> m_faceAreas;
    mutable std::shared_ptr<TripletZEVVector> m_faceAreaVectors;
    mutable std::shared_ptr<FloatZEVVectorConcrete> m_vertexVolumes;
    mutable std::shared_ptr<FloatZEVVectorConcrete> m_elementVolumes;
    mutable std::shared_ptr<FloatZEVVectorConcrete> m_vertexLengths;
    mutable std::map<std::string, std::shared_ptr<const Octree>> m_octrees;
    std::vector<int> m_vertDomainESNum;
    bool m_vertESNumFlag = false;
    bool m_flatSurface = false;
    bool m_hasFaceData = false;
    bool m_hasElementData = false;
    bool m_useOctree;
    bool m_considerStuFailure;
    mutable std::vector<std::set<int>> m_nodeNeighbours;
    GeometricAlgorithmInterface* m_geomAlgIntf;                       // owned
    GeometryVariableProviderIF* m_variableProvider;                   // not owned
    FaceCenterCalculator* m_faceCenterCalculator = nullptr;           // not owned
    VariableLocationProviderIF* m_variableLocationProvider = nullptr; // not owned
    bool m_generateLines = true;

protected:
    // ---- edges, neighbours and wireframes: internals
    // The vertices that share a face edge with p_node; the table behind it is built once,
    // on first use, from the face sets.
    void getNodesAroundNode(int p_node, std::set<int>& p_neighbours);

private:
    void calculateFullWireframe(IntZEVVector& p_lines);
    void calculateVisibleWireframe(IntZEVVector& p_lines, float p_cosine);
    void builtInWireframe(IntZEVVector& p_lines, float p_featureAngle);

protected:
    // Brings the caches to the current mesh state: when the state has moved on since they
    // were built, drops every one of them. Cheap when nothing changed (one atomic read); safe
    // from concurrent const queries.
    void ensureCachesCurrent() const;
    // The lock under which lazily built caches are filled (and dropped by ensureCachesCurrent).
    std::recursive_mutex& cacheMutex() const { return m_cacheMutex; }
    // Set by a geometry whose vertex normals are data of their own (sampled, not derived from
    // faces): a change of state then keeps them; clearDataStores still drops them.
    bool m_vertexNormalsAreData = false;

private:
    // Drops every derived array, octree and search index, and the shapes' own cached measures.
    void dropDerivedData() const;
    void releaseDataStores() const;

    // Objects held by pointer that this geometry shares with another and must not delete.
    std::set<const void*> m_borrowed;
    std::uint64_t m_revision = 0;
    // The state the caches were last brought to.
    mutable std::atomic<std::uint64_t> m_cacheRevision{0};
    // The built octrees of the first element sets by index, published for lock-free reads; every
    // path that drops an octree from m_octrees clears them (forgetFastOctrees).
    static constexpr int s_fastOctrees = 16;
    mutable std::atomic<const Octree*> m_fastOctrees[s_fastOctrees] = {};
    void forgetFastOctrees() const;
    mutable std::recursive_mutex m_cacheMutex;
};

template <class T> void Geometry::dispose(T*& p_object)
{
    if (p_object) {
        if (isBorrowed(p_object))
            m_borrowed.erase(p_object);
        else
            delete p_object;
    }
    p_object = nullptr;
}

} // namespace zev
