#pragma once
// The whole public interface of libZEVGeometry.

#include "zev/ZEVExport.h"

// Foundation contracts
#include "zev/contracts/BoolFromEnvironment.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/ErrorMsg.h"
#include "zev/contracts/ErrorReporter.h"
#include "zev/contracts/ExpressionEvaluator.h"
#include "zev/contracts/ExpressionTransformationInterface.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/FloatZEVVector.h"
#include "zev/contracts/FloatZEVVectorComponent.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/IntZEVVector.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/NonCopyable.h"
#include "zev/contracts/Preferences.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/ReductionUtility.h"
#include "zev/contracts/StringUtilities.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/contracts/ZEVAssertImpl.h"
#include "zev/contracts/ZEVMatrix4.h"
#include "zev/contracts/ZEVVector.h"

// Shapes, shape sets and factories
#include "zev/shapes/Edge.h"
#include "zev/shapes/Element.h"
#include "zev/shapes/ElementFactory.h"
#include "zev/shapes/Face.h"
#include "zev/shapes/FaceFactory.h"
#include "zev/shapes/GeometryUtilities.h"
#include "zev/shapes/Hex.h"
#include "zev/shapes/Hexagon.h"
#include "zev/shapes/IntersectionType.h"
#include "zev/shapes/Pentagon.h"
#include "zev/shapes/Polygon.h"
#include "zev/shapes/Polyhedron.h"
#include "zev/shapes/Pyramid.h"
#include "zev/shapes/Quad.h"
#include "zev/shapes/Shape.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/shapes/ShapeSetBase.h"
#include "zev/shapes/ShapeType.h"
#include "zev/shapes/Tet.h"
#include "zev/shapes/Tri.h"
#include "zev/shapes/Wedge.h"
#include "zev/shapes/shapeIndex.h"

// Variables
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VarKey.h"
#include "zev/variables/VarType.h"
#include "zev/variables/Variable.h"
#include "zev/variables/VectorVariable.h"

// Geometry container, registry and host hooks
#include "zev/geometry/FaceCenterCalculator.h"
#include "zev/geometry/GeomObject.h"
#include "zev/geometry/GeometricAlgorithmInterface.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/geometry/GeometryAutoPtr.h"
#include "zev/geometry/GeometryInfoInterface.h"
#include "zev/geometry/GeometryVariableProviderIF.h"
#include "zev/geometry/VariableLocationProviderIF.h"

// Interpolants
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/interpolants/EdgeInterpolantData.h"
#include "zev/interpolants/ElementToElementInterpolant.h"
#include "zev/interpolants/ElementToFaceInterpolant.h"
#include "zev/interpolants/ExternalInterpolant.h"
#include "zev/interpolants/ExternalInterpolantData.h"
#include "zev/interpolants/ExternalInterpolantNodedef.h"
#include "zev/interpolants/FaceToFaceInterpolant.h"
#include "zev/interpolants/GeneralInterpolant.h"
#include "zev/interpolants/GeneralInterpolantData.h"
#include "zev/interpolants/GeneralInterpolantNodedef.h"
#include "zev/interpolants/HybridInterpolant.h"
#include "zev/interpolants/HybridInterpolantData.h"
#include "zev/interpolants/Interpolant.h"
#include "zev/interpolants/VertexInterpolant.h"

// Spatial search
#include "zev/search/Octree.h"

// Cutting
#include "zev/cutting/IntersectGeometryIface.h"

// Visitors
#include "zev/visitors/AreaVisitor.h"
#include "zev/visitors/GeometryVisitor.h"
#include "zev/visitors/IntegrationVisitor.h"
#include "zev/visitors/LengthVisitor.h"
#include "zev/visitors/SummationVisitor.h"
#include "zev/visitors/VolumeVisitor.h"

// Derived geometry types
#include "zev/derived/ContourGeometry.h"
#include "zev/derived/SurfaceGroupGeometry.h"
#include "zev/derived/SymbolGeometry.h"
#include "zev/derived/SamplePointsGeometry.h"
