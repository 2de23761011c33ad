// The distributed commands. Each is a series of local steps, which may fail, separated by agreement points
// (see phase()), and collectives between them: the processes cut and measure their own pieces, the
// figures are gathered to the first process and added up there in rank order, and the first process
// prints them as a single process prints the figures of the whole mesh.
#include "zev/parallel/DistributedRun.h"

#include "zev/analysis/Cut.h"
#include "zev/analysis/Figures.h"
#include "zev/contracts/Undefined.h"
#include "zev/geometry/Geometry.h"
#include "zev/geometry/GeometryAPI.h"
#include "zev/interpolants/EdgeInterpolant.h"
#include "zev/io/ParallelVtkFile.h"
#include "zev/parallel/GlobalKeys.h"
#include "zev/parallel/Pieces.h"
#include "zev/shapes/ShapeSet.h"
#include "zev/variables/Variable.h"
#include "zev/visitors/AreaVisitor.h"
#include "zev/visitors/VolumeVisitor.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <ostream>
#include <utility>

namespace zev::parallel {

namespace {

bool s_started = false;
// The failure report of the running operation.
FailureReport const* s_report = nullptr;

bool isDefined(float p_value)
{
    return p_value != zev::ZEV_UNDEF && std::isfinite(p_value);
}

// The range of a variable over the items this process counts (its owned vertices; every element).
ValueRange localRange(MeshVariable const& p_variable, std::vector<char> const* p_owned)
{
    ValueRange out;
    zev::Variable const& variable = *p_variable.variable;
    auto const& data = variable.getFloatValues(
        zev::Variable::Description(zev::eUnknown, p_variable.location, zev::Variable::s_allSetName));
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (p_owned != nullptr && i < p_owned->size() && !(*p_owned)[i]) {
            continue;
        }
        ++out.size;
        float const v = data[i];
        if (!isDefined(v)) {
            continue;
        }
        out.min = out.count == 0 ? v : std::min(out.min, static_cast<double>(v));
        out.max = out.count == 0 ? v : std::max(out.max, static_cast<double>(v));
        ++out.count;
    }
    return out;
}

std::string lowerExtension(std::string const& p_path)
{
    std::size_t const dot = p_path.find_last_of('.');
    std::size_t const slash = p_path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::string();
    }
    std::string ext = p_path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// -o under several processes names the index of the pieces every process writes.
void checkOutput(Communicator const& p_comm, analysis::Request const& p_request)
{
    std::string const ext = lowerExtension(p_request.output);
    if (!p_request.output.empty() && p_comm.size() > 1 && ext != ".pvtu" && ext != ".pvtp") {
        throw UsageError("a distributed run writes one piece per process: give -o an index name ending "
                         "in .pvtp or .pvtu, not '" +
                         terminalSafe(p_request.output) + "'");
    }
}

// Writes this process's part of the result: the file itself on a single process, else the piece
// OUT_<rank>.vtp (.vtu) beside the index, which the first process writes once every piece is written.
void writeOutput(Communicator const& p_comm, analysis::Request const& p_request, MeshData const& p_local)
{
    if (p_request.output.empty()) {
        return;
    }
    if (p_comm.size() == 1) {
        phase(p_comm, p_request.command,
              [&] { writeMeshFile(p_local, p_request.output, writeOptions(p_request)); });
        return;
    }
    std::string const& index = p_request.output;
    std::string const stem = index.substr(0, index.size() - 5);
    std::string const pieceExt = lowerExtension(index) == ".pvtp" ? ".vtp" : ".vtu";
    std::size_t const slash = stem.find_last_of('/');
    std::string const base = slash == std::string::npos ? stem : stem.substr(slash + 1);
    auto pieceName = [&](int p_rank) { return base + "_" + std::to_string(p_rank) + pieceExt; };
    phase(p_comm, p_request.command, [&] {
        WriteOptions options = writeOptions(p_request);
        options.format = pieceExt == ".vtp" ? FileFormat::XmlPolyData : FileFormat::XmlUnstructured;
        writeMeshFile(p_local, stem + "_" + std::to_string(p_comm.rank()) + pieceExt, options);
    });
    phase(p_comm, p_request.command, [&] {
        if (p_comm.isRoot()) {
            std::vector<std::string> names;
            for (int r = 0; r < p_comm.size(); ++r) {
                names.push_back(pieceName(r));
            }
            MeshData layout = p_local;
            layout.points.clear();
            layout.cellTypes.clear();
            layout.offsets.assign(1, 0);
            layout.connectivity.clear();
            for (DataArray& a : layout.pointData) {
                a.values.clear();
            }
            for (DataArray& a : layout.cellData) {
                a.values.clear();
            }
            writeParallelFileIndex(index, names, layout, writeOptions(p_request));
        }
    });
}

// Gathers every process's bytes to the first process and, there, runs p_report on them (in rank order);
// every process then agrees on the outcome.
template <typename Report>
void reportOnRoot(Communicator const& p_comm, analysis::Request const& p_request, Bytes const& p_mine,
                  Report&& p_report)
{
    std::vector<Bytes> const all = p_comm.gather(p_mine);
    phase(p_comm, p_request.command, [&] {
        if (p_comm.isRoot()) {
            p_report(all);
        }
    });
}

// The faces of the whole mesh's boundary held by this process, left in p_geometry's boundary sets.
std::vector<std::string> localBoundary(Communicator const& p_comm, analysis::Request const& p_request,
                                       Piece& p_piece, std::int64_t p_globalElements)
{
    zev::Geometry& g = p_piece.mesh.geo();
    std::vector<std::string> sets;
    phase(p_comm, p_request.command, [&] {
        if (p_piece.idle) {
            return;
        }
        // A surface mesh is its own boundary; a piece of a volume mesh with no elements holds none of it.
        if (p_globalElements == 0 || g.getNumElements() > 0) {
            sets = buildBoundary(g);
        }
    });
    if (p_globalElements > 0) {
        removeFacesBetweenPieces(p_comm, g, sets, p_piece.vertexIds);
    }
    return sets;
}

// ---------------------------------------------------------------- info

int info(Communicator const& p_comm, analysis::Request const& p_request, std::ostream& p_out,
         std::ostream& p_err)
{
    Piece piece = loadPiece(p_comm, p_request);
    zev::Geometry& g = piece.mesh.geo();
    std::int64_t const globalElements = p_comm.sum(static_cast<std::int64_t>(g.getNumElements()));
    std::vector<SetRow> elementRows, faceRows;
    ByteWriter mine;
    phase(p_comm, p_request.command, [&] {
        elementRows = setRows(g, true);
        faceRows = setRows(g, false);
        std::int64_t owned = 0;
        double lo[3], hi[3];
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::numeric_limits<double>::infinity();
            hi[a] = -std::numeric_limits<double>::infinity();
        }
        auto const& vertices = std::as_const(g).getVertices();
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            owned += piece.ownedVertices[i] ? 1 : 0;
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], static_cast<double>(vertices[i][a]));
                hi[a] = std::max(hi[a], static_cast<double>(vertices[i][a]));
            }
        }
        VolumeMeasures const volumes = volumeMeasures(g);
        measureSets(g, volumes, elementRows, faceRows);
        mine.put(owned);
        mine.put<std::int64_t>(g.getNumElements());
        mine.put<std::int64_t>(g.getNumFaces());
        mine.put<std::int64_t>(static_cast<std::int64_t>(g.getLines().size() / 2));
        for (int a = 0; a < 3; ++a) {
            mine.put(lo[a]);
            mine.put(hi[a]);
        }
        mine.put(volumes.total);
        mine.put<std::int64_t>(static_cast<std::int64_t>(volumes.inverted));
    });
    std::vector<std::string> const boundary = localBoundary(p_comm, p_request, piece, globalElements);
    phase(p_comm, p_request.command, [&] {
        mine.put(areaMeasures(g, boundary).total);
        mine.put<std::uint64_t>(piece.idle ? 0 : piece.mesh.variables.size());
        for (MeshVariable const& mv : piece.mesh.variables) {
            if (piece.idle) {
                break;
            }
            ValueRange const r = localRange(mv, mv.location == zev::eVertex ? &piece.ownedVertices : nullptr);
            mine.putString(mv.name);
            mine.putString(locationName(mv.location));
            mine.put<std::int32_t>(mv.numComponents);
            mine.put(r.min);
            mine.put(r.max);
            mine.put<std::uint64_t>(r.count);
            mine.put<std::uint64_t>(r.size);
        }
    });
    std::vector<SetRow> const allElementRows = globalElementRows(p_comm, piece, elementRows);
    std::vector<SetRow> const allFaceRows = globalRowsByName(p_comm, faceRows);
    reportOnRoot(p_comm, p_request, mine.bytes(), [&](std::vector<Bytes> const& p_all) {
        InfoFigures f;
        f.source = piece.mesh.source;
        f.elementSets = allElementRows;
        f.faceSets = allFaceRows;
        for (SetRow const& r : allElementRows) {
            f.elementSetVolumes.push_back(r.measure);
        }
        for (SetRow const& r : allFaceRows) {
            f.faceSetAreas.push_back(r.measure);
        }
        double lo[3], hi[3];
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::numeric_limits<double>::infinity();
            hi[a] = -std::numeric_limits<double>::infinity();
        }
        // Variables by name and location, in the order the processes list them.
        std::vector<VariableRow> variables;
        for (Bytes const& bytes : p_all) {
            ByteReader in(bytes);
            f.vertices += static_cast<std::size_t>(in.get<std::int64_t>());
            f.elements += static_cast<std::size_t>(in.get<std::int64_t>());
            f.faces += static_cast<std::size_t>(in.get<std::int64_t>());
            f.lines += static_cast<std::size_t>(in.get<std::int64_t>());
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], in.get<double>());
                hi[a] = std::max(hi[a], in.get<double>());
            }
            f.volume += in.get<double>();
            f.inverted += static_cast<std::size_t>(in.get<std::int64_t>());
            f.boundaryArea += in.get<double>();
            std::uint64_t const n = in.get<std::uint64_t>();
            for (std::uint64_t k = 0; k < n; ++k) {
                VariableRow row;
                row.name = in.getString();
                row.location = in.getString();
                row.components = in.get<std::int32_t>();
                row.range.min = in.get<double>();
                row.range.max = in.get<double>();
                row.range.count = static_cast<std::size_t>(in.get<std::uint64_t>());
                row.range.size = static_cast<std::size_t>(in.get<std::uint64_t>());
                auto found = std::find_if(variables.begin(), variables.end(), [&](VariableRow const& v) {
                    return v.name == row.name && v.location == row.location;
                });
                if (found == variables.end()) {
                    variables.push_back(row);
                    continue;
                }
                ValueRange& r = found->range;
                if (row.range.count > 0) {
                    r.min = r.count == 0 ? row.range.min : std::min(r.min, row.range.min);
                    r.max = r.count == 0 ? row.range.max : std::max(r.max, row.range.max);
                }
                r.count += row.range.count;
                r.size += row.range.size;
            }
        }
        for (int a = 0; a < 3; ++a) {
            f.lo[a] = f.vertices > 0 ? lo[a] : 0.0;
            f.hi[a] = f.vertices > 0 ? hi[a] : 0.0;
        }
        f.variables = variables;
        warnInverted(f.inverted, p_err);
        printInfo(p_request, f, p_out);
    });
    return 0;
}

// ---------------------------------------------------------------- integrate

int integrateCommand(Communicator const& p_comm, analysis::Request const& p_request, std::ostream& p_out,
                     std::ostream& p_err)
{
    Piece piece = loadPiece(p_comm, p_request);
    zev::Geometry& g = piece.mesh.geo();
    std::string const& quantity = p_request.hasVar ? p_request.var : p_request.expr;
    Domain const domain = p_request.over == "boundary" ? Domain::Boundary : Domain::Volume;
    std::int64_t const globalElements = p_comm.sum(static_cast<std::int64_t>(g.getNumElements()));
    zev::VarLocation location = zev::eVertex;
    std::size_t inverted = 0;
    phase(p_comm, p_request.command, [&] {
        if (piece.idle) {
            return;
        }
        if (domain == Domain::Volume) {
            inverted = volumeMeasures(g).inverted;
        }
        location = fileQuantity(piece.mesh, quantity, p_request.hasExpr);
        if (domain == Domain::Volume) {
            if (globalElements == 0) {
                throw UsageError(piece.mesh.source + " has no volume cells; integrate with --over boundary");
            }
            if (location == zev::eFace) {
                throw UsageError("'" + quantity + "' lives on faces; integrate it with --over boundary");
            }
        } else if (location == zev::eElement) {
            throw UsageError("'" + quantity + "' lives on elements; integrate it with --over volume");
        }
    });
    bool const overBoundaryFaces =
        domain == Domain::Boundary && location == zev::eVertex && globalElements > 0;
    std::vector<std::string> boundary;
    if (p_comm.any(overBoundaryFaces)) {
        boundary = localBoundary(p_comm, p_request, piece, globalElements);
    }
    ByteWriter mine;
    phase(p_comm, p_request.command, [&] {
        bool valid = false;
        double numerator = 0, denominator = 0;
        auto take = [&](zev::IntegrationVisitor const& p_visitor) {
            valid = p_visitor.isValid();
            numerator = valid ? p_visitor.getNumerator() : 0.0;
            denominator = p_visitor.getDenominator();
        };
        if (piece.idle) {
        } else if (domain == Domain::Volume) {
            if (g.getNumElements() > 0) {
                // Weighed by the same cell volumes as a single process's integral.
                Integral const r = volumeIntegral(g, quantity);
                valid = r.valid;
                numerator = r.integral;
                denominator = r.measure;
            }
        } else if (!overBoundaryFaces) {
            zev::AreaVisitor visitor(quantity);
            g.acceptVisitor(visitor);
            take(visitor);
        } else {
            // Vertex data over the boundary: the boundary faces this process holds, over its vertices.
            installLocationProvider();
            GeometryPtr surface(zev::GeometryAPI::instance()->newGeometry("", nullptr));
            surface->getVertices() = std::as_const(g).getVertices();
            for (std::string const& name : boundary) {
                surface->insertFaceSet(name, g.getFaceSet(name)->clone());
            }
            zev::Variable const* values = g.findVariable(quantity, zev::eVertex);
            if (values == nullptr) {
                throw UsageError("no vertex values of '" + quantity + "'");
            }
            std::unique_ptr<zev::Variable> copy(values->clone(quantity));
            surface->addVariable(copy.get(), zev::eVertex);
            copy.release();
            zev::AreaVisitor visitor(quantity);
            surface->acceptVisitor(visitor);
            take(visitor);
        }
        mine.put<std::int32_t>(piece.idle ? 0 : 1);
        mine.put<std::int32_t>(static_cast<std::int32_t>(location));
        mine.put<std::int32_t>(valid ? 1 : 0);
        mine.put(numerator);
        mine.put(denominator);
        mine.put<std::int64_t>(static_cast<std::int64_t>(inverted));
    });
    reportOnRoot(p_comm, p_request, mine.bytes(), [&](std::vector<Bytes> const& p_all) {
        Integral r;
        r.quantity = quantity;
        r.domain = domain;
        bool located = false;
        std::size_t allInverted = 0;
        for (Bytes const& bytes : p_all) {
            ByteReader in(bytes);
            bool const active = in.get<std::int32_t>() != 0;
            auto const where = static_cast<zev::VarLocation>(in.get<std::int32_t>());
            bool const valid = in.get<std::int32_t>() != 0;
            double const numerator = in.get<double>();
            double const denominator = in.get<double>();
            allInverted += static_cast<std::size_t>(in.get<std::int64_t>());
            if (!active) {
                continue;
            }
            if (!located) {
                r.location = locationName(where);
                located = true;
            }
            r.valid = r.valid || valid;
            r.integral += valid ? numerator : 0.0;
            r.measure += denominator;
        }
        r.average = averageOf(r.valid, r.integral, r.measure);
        if (domain == Domain::Volume) {
            warnInverted(allInverted, p_err);
        }
        printIntegral(p_request, piece.mesh.source, r, p_out);
    });
    return 0;
}

// ---------------------------------------------------------------- slice, iso, select

void packCutFigures(ByteWriter& p_out, CutFigures const& p_figures)
{
    p_out.put<std::uint64_t>(p_figures.vertices);
    p_out.put<std::uint64_t>(p_figures.count);
    p_out.put(p_figures.measure);
    p_out.put<std::uint64_t>(p_figures.inverted);
    p_out.put<std::int32_t>(p_figures.valid ? 1 : 0);
    p_out.put(p_figures.integral);
    p_out.put(p_figures.denominator);
    p_out.put<std::int32_t>(std::string(p_figures.location) == "element" ? 1 : 0);
}

// Adds one process's figures to p_total.
void addCutFigures(ByteReader& p_in, CutFigures& p_total)
{
    p_total.vertices += static_cast<std::size_t>(p_in.get<std::uint64_t>());
    p_total.count += static_cast<std::size_t>(p_in.get<std::uint64_t>());
    p_total.measure += p_in.get<double>();
    p_total.inverted += static_cast<std::size_t>(p_in.get<std::uint64_t>());
    bool const valid = p_in.get<std::int32_t>() != 0;
    double const integral = p_in.get<double>();
    double const denominator = p_in.get<double>();
    // Every process files the quantity where the mesh has it; an idle one reports the default.
    if (p_in.get<std::int32_t>() != 0) {
        p_total.location = "element";
    }
    if (valid) {
        p_total.valid = true;
        p_total.integral += integral;
        p_total.denominator += denominator;
    }
}

// The keys of a cut surface's vertices: the global ids of the edge each lies on. The cut makes one vertex
// per cut edge (even where the cut passes through a mesh vertex), so a vertex on an edge that two pieces
// share is counted once, by the lowest rank holding it.
KeyList cutVertexKeys(zev::Geometry const& p_surface, std::vector<std::int64_t> const& p_ids)
{
    KeyList keys;
    auto const* edges = dynamic_cast<zev::EdgeInterpolant const*>(p_surface.getEdgeInterpolant());
    std::size_t const n = static_cast<std::size_t>(p_surface.getNumVertices());
    if (n > 0 && (edges == nullptr || edges->size() != n)) {
        throw std::logic_error("a cut surface without an edge for each of its vertices");
    }
    for (std::size_t i = 0; i < n; ++i) {
        zev::EdgeInterpolantData const& e = edges->getInternalData(i);
        std::int64_t const a = p_ids.at(static_cast<std::size_t>(e.m_vertex1));
        std::int64_t const b = p_ids.at(static_cast<std::size_t>(e.m_vertex2));
        std::int64_t const edge[2] = {std::min(a, b), std::max(a, b)};
        keys.add(edge, 2);
    }
    return keys;
}

int cutCommand(Communicator const& p_comm, analysis::Request const& p_request, std::ostream& p_out,
               std::ostream& p_err)
{
    bool const select = p_request.command == "select";
    phase(p_comm, p_request.command, [&] { checkOutput(p_comm, p_request); });
    Piece piece = loadPiece(p_comm, p_request);
    if (p_request.command == "slice") {
        // A slice adds the boundary faces lying in its plane: the mesh's own, found here before the cut, not
        // the faces between pieces.
        std::int64_t const globalElements =
            p_comm.sum(static_cast<std::int64_t>(piece.mesh.geo().getNumElements()));
        localBoundary(p_comm, p_request, piece, globalElements);
    }
    MadeCut cut;
    MeshData written;
    CutFigures local;
    KeyList keys;
    std::string label, text;
    Json what;
    phase(p_comm, p_request.command, [&] {
        if (piece.idle) {
            return;
        }
        cut = select                         ? makeSelection(p_request, piece.mesh)
              : p_request.command == "slice" ? makeSlice(p_request, piece.mesh)
                                             : makeIso(p_request, piece.mesh);
        if (select) {
            std::vector<MeshVariable> const variables =
                selectionVariables(p_request, piece.mesh, *cut.surface);
            if (!p_request.output.empty()) {
                written = selectionMeshData(*cut.surface, variables);
            }
            local = selectionFigures(p_request, *cut.surface);
        } else {
            std::vector<MeshVariable> const variables = carryOntoCut(p_request, piece.mesh, *cut.surface);
            if (!p_request.output.empty()) {
                written = cutMeshData(*cut.surface, variables);
            }
            local = cutFigures(p_request, *cut.surface);
            keys = cutVertexKeys(*cut.surface, piece.vertexIds);
        }
        label = cut.what.first;
        text = cut.what.second;
        what = cut.whatJson;
    });
    if (!select) {
        std::vector<KeyCensus> const counted = census(p_comm, keys);
        local.vertices =
            static_cast<std::size_t>(std::count_if(counted.begin(), counted.end(), [&](KeyCensus const& c) {
                return c.firstRank == p_comm.rank();
            }));
    }
    writeOutput(p_comm, p_request, written);
    std::vector<SetRow> const rows =
        select ? globalElementRows(p_comm, piece, local.sets) : globalRowsByName(p_comm, local.sets);
    // The description of the cut comes from the first process that made one.
    ByteWriter mine;
    mine.put<std::int32_t>(piece.idle ? 0 : 1);
    mine.putString(label);
    mine.putString(text);
    mine.putString(what.dump());
    packCutFigures(mine, local);
    reportOnRoot(p_comm, p_request, mine.bytes(), [&](std::vector<Bytes> const& p_all) {
        CutFigures f;
        f.sets = rows;
        std::string firstLabel, firstText, firstWhat;
        for (Bytes const& bytes : p_all) {
            ByteReader in(bytes);
            bool const active = in.get<std::int32_t>() != 0;
            std::string const l = in.getString(), t = in.getString(), w = in.getString();
            if (active && firstWhat.empty()) {
                firstLabel = l;
                firstText = t;
                firstWhat = w;
            }
            addCutFigures(in, f);
        }
        Json const whatJson = firstWhat.empty() ? Json::object() : Json::parse(firstWhat);
        if (select) {
            warnInverted(f.inverted, p_err);
            printSelection(p_request, piece.mesh.source, firstLabel, firstText, whatJson, f, p_out);
        } else {
            printCut(p_request, piece.mesh.source, {firstLabel, firstText}, whatJson, f, p_out);
        }
    });
    return 0;
}

// ---------------------------------------------------------------- probe

// Each point is answered by the process holding the containing element of the lowest global id; the element
// is then numbered within its set as a single process numbers it, by the cells of that set before it.
int probeCommand(Communicator const& p_comm, analysis::Request const& p_request, std::ostream& p_out)
{
    std::vector<Point> points;
    phase(p_comm, p_request.command, [&] { points = probePoints(p_request); });
    Piece piece = loadPiece(p_comm, p_request);
    std::string const& quantity = p_request.hasVar ? p_request.var : p_request.expr;
    ByteWriter mine;
    phase(p_comm, p_request.command, [&] {
        mine.put<std::int32_t>(piece.idle ? 0 : 1);
        if (piece.idle) {
            return;
        }
        zev::VarLocation const location = fileQuantity(piece.mesh, quantity, p_request.hasExpr);
        if (location == zev::eFace) {
            throw UsageError("'" + quantity + "' lives on faces; probe a vertex or element quantity");
        }
        mine.putString(locationName(location));
        for (Probe const& p : probeGeometry(piece.mesh.geo(), points, quantity, location)) {
            auto const set = std::find_if(piece.elementSets.begin(), piece.elementSets.end(),
                                          [&](PieceSet const& s) { return s.localName == p.set; });
            bool const found = !p.set.empty() && set != piece.elementSets.end() && p.element >= 0 &&
                               static_cast<std::size_t>(p.element) < set->cellIds.size();
            mine.put<std::int32_t>(found ? 1 : 0);
            if (found) {
                std::size_t const s = static_cast<std::size_t>(set - piece.elementSets.begin());
                std::size_t const k = static_cast<std::size_t>(p.element);
                mine.put(set->cellIds[k]);
                mine.put(set->positions[k]);
                mine.putString(piece.globalNames[s]);
                mine.put(p.value);
            }
        }
    });
    std::vector<Bytes> const all = p_comm.gather(mine.bytes());

    // The first process picks the answers and asks every process how many cells of the answer's set come
    // before the answering cell.
    std::vector<Probe> probes(points.size());
    std::vector<std::int64_t> answerIds(points.size(), -1);
    std::vector<std::int64_t> answerPositions(points.size(), -1);
    std::string location;
    ByteWriter questions;
    phase(p_comm, p_request.command, [&] {
        if (!p_comm.isRoot()) {
            return;
        }
        for (std::size_t i = 0; i < points.size(); ++i) {
            probes[i].point = points[i];
        }
        for (Bytes const& bytes : all) {
            ByteReader in(bytes);
            if (in.get<std::int32_t>() == 0) {
                continue;
            }
            std::string const where = in.getString();
            location = location.empty() ? where : location;
            for (std::size_t i = 0; i < points.size(); ++i) {
                if (in.get<std::int32_t>() == 0) {
                    continue;
                }
                std::int64_t const id = in.get<std::int64_t>();
                std::int64_t const position = in.get<std::int64_t>();
                std::string const set = in.getString();
                double const value = in.get<double>();
                if (answerIds[i] < 0 || id < answerIds[i]) {
                    answerIds[i] = id;
                    answerPositions[i] = position;
                    probes[i].set = set;
                    probes[i].value = value;
                }
            }
        }
        for (std::size_t i = 0; i < points.size(); ++i) {
            questions.putString(probes[i].set);
            questions.put(answerPositions[i]);
        }
    });
    p_comm.broadcast(questions.bytes());
    std::vector<std::int64_t> before(points.size(), 0);
    phase(p_comm, p_request.command, [&] {
        ByteReader in(questions.bytes());
        for (std::size_t i = 0; i < points.size(); ++i) {
            std::string const set = in.getString();
            std::int64_t const position = in.get<std::int64_t>();
            for (std::size_t s = 0; s < piece.elementSets.size() && !set.empty(); ++s) {
                if (piece.globalNames[s] != set) {
                    continue;
                }
                for (std::int64_t p : piece.elementSets[s].positions) {
                    before[i] += p < position ? 1 : 0;
                }
            }
        }
    });
    before = p_comm.sum(before);
    phase(p_comm, p_request.command, [&] {
        if (!p_comm.isRoot()) {
            return;
        }
        for (std::size_t i = 0; i < probes.size(); ++i) {
            probes[i].element = probes[i].set.empty() ? -1 : static_cast<int>(before[i]);
        }
        printProbes(p_request, piece.mesh.source, location, probes, p_out);
    });
    return 0;
}

// Commands without a distributed form run on the first process alone, on the whole mesh.
int onFirstProcess(Communicator const& p_comm, analysis::Request const& p_request,
                   std::function<int()> const& p_single)
{
    int code = 0;
    phase(p_comm, p_request.command, [&] {
        if (p_comm.isRoot()) {
            code = p_single();
        }
    });
    std::string text = std::to_string(code);
    p_comm.broadcast(text);
    return std::stoi(text);
}

} // namespace

bool startDistributed()
{
    if (!Communicator::launchedByMpiexec()) {
        return false;
    }
    Communicator::initialise();
    s_started = true;
    return true;
}

void finishDistributed()
{
    if (s_started) {
        Communicator::finalise();
        s_started = false;
    }
}

bool distributedRun()
{
    return s_started;
}

bool reportingProcess()
{
    return !s_started || Communicator().isRoot();
}

int describeFailure(std::string const& p_operation, std::ostream& p_message)
{
    if (s_report == nullptr || !*s_report) {
        try {
            throw;
        } catch (std::exception const& e) {
            p_message << e.what() << '\n';
        } catch (...) {
            p_message << "unknown failure\n";
        }
        return 3;
    }
    return (*s_report)(p_operation, p_message);
}

int runDistributed(analysis::Request const& p_request, std::ostream& p_out, std::ostream& p_err,
                   FailureReport const& p_report, std::function<int()> const& p_single)
{
    Communicator const comm;
    s_report = &p_report;
    try {
        std::string const& name = p_request.command;
        // The pieces add up volume and boundary integrals; an answer per set or a flux takes the whole
        // mesh, on the first process.
        auto const given = [&p_request](char const* p_option) {
            auto const found = p_request.values.find(p_option);
            return found == p_request.values.end() ? std::size_t(0) : found->second.size();
        };
        if (given("--flux") > 0 || given("--over") > 1 ||
            (name == "integrate" && p_request.over != "volume" && p_request.over != "boundary")) {
            return onFirstProcess(comm, p_request, p_single);
        }
        if (name == "info") {
            return info(comm, p_request, p_out, p_err);
        }
        if (name == "integrate") {
            return integrateCommand(comm, p_request, p_out, p_err);
        }
        if (name == "probe") {
            return probeCommand(comm, p_request, p_out);
        }
        if (name == "slice" || name == "iso" || name == "select") {
            return cutCommand(comm, p_request, p_out, p_err);
        }
        return onFirstProcess(comm, p_request, p_single);
    } catch (AgreedFailure const& e) {
        p_err << e.failure.message;
        return e.failure.code;
    }
}

} // namespace zev::parallel
