#include "zev/io/OpenFoamReader.h"

#include "zev/io/FaceCells.h"
#include "zev/io/FileAccess.h"
#include "zev/io/FoamFile.h"
#include "zev/io/FormatError.h"
#include "zev/io/TextScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <regex>

namespace zev::io {

using foam::Dictionary;
using foam::Entry;
using foam::File;
using foam::NumberList;
using foam::Token;

namespace {

// The largest coordinate magnitude the library's single-precision vertices hold.
constexpr double s_maxCoordinate = 3.4028235e38;

struct Patch {
    std::string name;
    std::string type;
    std::vector<std::string> groups;
    std::size_t start = 0;
    std::size_t size = 0;
};

// The mesh of a case as its polyMesh files give it.
struct PolyMesh {
    std::vector<double> points;
    std::vector<int> faceOffsets; // one more than there are faces; the total of corners fits an int
    std::vector<int> faceLabels;
    std::vector<int> owner;
    std::vector<int> neighbour; // one per internal face
    int numCells = 0;
    std::vector<Patch> patches;
    std::vector<std::pair<std::string, std::vector<int>>> zones;

    // Once the cells are built only the boundary faces are kept: faces, offsets and owners then start at
    // face firstKept.
    std::size_t firstKept = 0;
    std::size_t keptFaces = 0;
    std::size_t keptInternal = 0;

    std::size_t numFaces() const { return firstKept > 0 ? keptFaces : owner.size(); }
    std::size_t numInternal() const { return firstKept > 0 ? keptInternal : neighbour.size(); }
    int faceSize(std::size_t f) const
    {
        return static_cast<int>(faceOffsets[f - firstKept + 1] - faceOffsets[f - firstKept]);
    }
    int const* face(std::size_t f) const { return faceLabels.data() + faceOffsets[f - firstKept]; }
    int ownerOf(std::size_t f) const { return owner[f - firstKept]; }

    // Frees the internal faces (the larger part of the mesh's memory) once the cells no longer need them.
    void keepBoundaryOnly()
    {
        std::size_t const internal = numInternal();
        std::size_t const faces = numFaces();
        if (internal == 0 || firstKept > 0) {
            return;
        }
        int const base = faceOffsets[internal];
        std::vector<int> offsets(faceOffsets.begin() + static_cast<std::ptrdiff_t>(internal),
                                 faceOffsets.end());
        for (int& o : offsets) {
            o -= base;
        }
        std::vector<int> labels(faceLabels.begin() + static_cast<std::ptrdiff_t>(base), faceLabels.end());
        std::vector<int> owners(owner.begin() + static_cast<std::ptrdiff_t>(internal), owner.end());
        faceOffsets.swap(offsets);
        faceLabels.swap(labels);
        owner.swap(owners);
        std::vector<int>().swap(neighbour);
        keptFaces = faces;
        keptInternal = internal;
        firstKept = internal;
    }
};

bool parseTime(std::string const& p_name, double& p_value)
{
    if (p_name.empty()) {
        return false;
    }
    auto const result = std::from_chars(p_name.data(), p_name.data() + p_name.size(), p_value);
    return result.ec == std::errc() && result.ptr == p_name.data() + p_name.size() && std::isfinite(p_value);
}

bool endsWith(std::string const& p_text, std::string const& p_end)
{
    return p_text.size() >= p_end.size() &&
           p_text.compare(p_text.size() - p_end.size(), p_end.size(), p_end) == 0;
}

bool isFolderPath(std::string const& p_path)
{
    struct stat info;
    return ::stat(p_path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(std::string const& p_path)
{
    struct stat info;
    return ::stat(p_path.c_str(), &info) == 0;
}

std::string parentOf(std::string const& p_path)
{
    std::string path = p_path;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    std::size_t const slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string baseName(std::string const& p_path)
{
    std::string path = p_path;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    std::size_t const slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A whole regular file, mapped into memory (read into a string where it cannot be mapped): the parsers
// read the page cache in place, with no copy and no zero-filled buffer.
FoamBytes mapFile(std::string const& p_path)
{
    FoamBytes bytes;
    // Non-blocking, so that a FIFO put in a case cannot hold the reader up before it is refused.
    int const fd = ::open(p_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        std::size_t const size = static_cast<std::size_t>(info.st_size);
        void* const map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map != MAP_FAILED) {
            ::close(fd);
            bytes.owner = std::shared_ptr<void const>(
                map, [size](void const* p_map) { ::munmap(const_cast<void*>(p_map), size); });
            bytes.text = std::string_view(static_cast<char const*>(map), size);
            return bytes;
        }
    }
    if (fd >= 0) {
        ::close(fd);
    }
    // Empty, special or unmappable: the checked reading names what is wrong.
    auto text = std::make_shared<std::string const>(readRegularFile(
        p_path, [](std::string_view) {}, "a case file"));
    bytes.text = *text;
    bytes.owner = std::move(text);
    return bytes;
}

class CaseReader {
public:
    CaseReader(OpenFoamReader::Source const& p_source) : m_source(p_source) {}

    MeshData read(OpenFoamReader::TimeChoice const& p_time);

    // After read: the time read ("" for none), the cell count, the patches and the cell zones' names.
    std::string const& time() const { return m_time; }
    int numCells() const { return m_mesh.numCells; }
    std::vector<Patch> const& patches() const { return m_mesh.patches; }
    std::vector<std::string> zoneNames() const
    {
        std::vector<std::string> names;
        for (auto const& zone : m_mesh.zones) {
            names.push_back(zone.first);
        }
        return names;
    }

    // The file at p_relative (or its .gz twin), or null when neither exists and it is not required.
    std::unique_ptr<File> load(std::string const& p_relative, bool p_required) const;

private:
    std::string nameOf(std::string const& p_relative) const { return m_source.name + "/" + p_relative; }

    void readPoints(File const& p_file);
    void readFaces(File const& p_file);
    void readOwnerNeighbour(File const& p_owner, File const& p_neighbour);
    void readBoundary(File const& p_file);
    void readZones(File const& p_file);
    std::string chooseTime(OpenFoamReader::TimeChoice const& p_time, std::vector<std::string> const& p_times);

    void buildCells(MeshData& p_out) const;
    void readFields(std::string const& p_time, MeshData& p_out) const;
    void readField(File const& p_file, std::string const& p_name, MeshData& p_out) const;
    void boundaryValues(File const& p_file, Dictionary const& p_boundary, Patch const& p_patch,
                        NumberList const& p_internal, double* p_out) const;

    OpenFoamReader::Source const& m_source;
    PolyMesh m_mesh;
    std::string m_time;
};

std::unique_ptr<File> CaseReader::load(std::string const& p_relative, bool p_required) const
{
    FoamBytes data;
    std::string relative = p_relative;
    if (!m_source.read(relative, data)) {
        relative = p_relative + ".gz";
        if (!m_source.read(relative, data)) {
            if (p_required) {
                throw FormatError(nameOf(p_relative), 0, FormatError::s_noOffset,
                                  "the case has no file " + p_relative);
            }
            return nullptr;
        }
    }
    std::string const name = nameOf(relative);
    return std::make_unique<File>(name, foam::decompressIfNeeded(std::move(data), name));
}

void CaseReader::readPoints(File const& p_file)
{
    std::size_t pos = p_file.bodyStart();
    NumberList list = p_file.readList(pos, 3, false, "the points");
    if (list.size() > static_cast<std::size_t>(INT_MAX)) {
        p_file.fail(p_file.bodyStart(), "more points than the library can number");
    }
    for (std::size_t i = 0; i < list.values.size(); ++i) {
        double const v = list.values[i];
        if (!(std::fabs(v) < s_maxCoordinate)) {
            p_file.fail(p_file.bodyStart(), "point " + std::to_string(i / 3) + " has the coordinate " +
                                                std::to_string(v) +
                                                " (coordinates are finite and below 3.4028235e38)");
        }
    }
    m_mesh.points = std::move(list.values);
}

void CaseReader::readFaces(File const& p_file)
{
    std::size_t pos = p_file.bodyStart();
    int const numPoints = static_cast<int>(m_mesh.points.size() / 3);
    if (numPoints == 0) {
        p_file.fail(pos, "the mesh has no points");
    }
    if (p_file.className() != "faceCompactList") {
        p_file.readFaces(pos, numPoints, m_mesh.faceOffsets, m_mesh.faceLabels);
        return;
    }
    // A compact face list is the faces' start offsets (one more than there are faces), then every face's
    // point labels one after the other.
    std::vector<int> starts = p_file.readLabels(pos, 0, INT_MAX, "the face offsets");
    p_file.skipSpace(pos);
    std::size_t const labelsAt = pos;
    m_mesh.faceLabels = p_file.readLabels(pos, 0, numPoints - 1, "the face point labels");
    if (starts.empty() || starts.front() != 0 ||
        static_cast<std::size_t>(starts.back()) != m_mesh.faceLabels.size()) {
        p_file.fail(labelsAt, "the face offsets do not span the face point labels");
    }
    for (std::size_t f = 0; f + 1 < starts.size(); ++f) {
        if (starts[f + 1] - starts[f] < 3) {
            p_file.fail(labelsAt, "face " + std::to_string(f) + " has " +
                                      std::to_string(std::max(0, starts[f + 1] - starts[f])) +
                                      " corners (at least 3 are needed)");
        }
    }
    m_mesh.faceOffsets = std::move(starts);
}

void CaseReader::readOwnerNeighbour(File const& p_owner, File const& p_neighbour)
{
    std::size_t pos = p_owner.bodyStart();
    m_mesh.owner = p_owner.readLabels(pos, 0, INT_MAX - 1, "the face owners");
    std::size_t const numFaces = m_mesh.faceOffsets.size() - 1;
    if (m_mesh.owner.size() != numFaces) {
        p_owner.fail(p_owner.bodyStart(), "the mesh has " + std::to_string(numFaces) + " faces but " +
                                              std::to_string(m_mesh.owner.size()) + " owners");
    }
    pos = p_neighbour.bodyStart();
    m_mesh.neighbour = p_neighbour.readLabels(pos, -1, INT_MAX - 1, "the face neighbours");
    // Older cases pad the list to one entry per face with -1 for the boundary faces.
    auto const firstBoundary =
        std::find_if(m_mesh.neighbour.begin(), m_mesh.neighbour.end(), [](int p_n) { return p_n < 0; });
    if (std::any_of(firstBoundary, m_mesh.neighbour.end(), [](int p_n) { return p_n >= 0; })) {
        p_neighbour.fail(p_neighbour.bodyStart(), "internal faces follow boundary faces");
    }
    m_mesh.neighbour.erase(firstBoundary, m_mesh.neighbour.end());
    if (m_mesh.neighbour.size() > numFaces) {
        p_neighbour.fail(p_neighbour.bodyStart(), "more neighbours (" +
                                                      std::to_string(m_mesh.neighbour.size()) +
                                                      ") than faces (" + std::to_string(numFaces) + ")");
    }
    int maxCell = -1;
    for (int c : m_mesh.owner) {
        maxCell = std::max(maxCell, c);
    }
    for (std::size_t f = 0; f < m_mesh.neighbour.size(); ++f) {
        if (m_mesh.neighbour[f] == m_mesh.owner[f]) {
            p_neighbour.fail(p_neighbour.bodyStart(), "face " + std::to_string(f) + " has cell " +
                                                          std::to_string(m_mesh.owner[f]) + " on both sides");
        }
        maxCell = std::max(maxCell, m_mesh.neighbour[f]);
    }
    // A cell has at least four faces and a face two cells: more cells than half the faces cannot be (and
    // would claim memory for cells that do not exist).
    if (static_cast<std::size_t>(maxCell) + 1 > numFaces / 2) {
        p_owner.fail(p_owner.bodyStart(), "the faces name the cell " + std::to_string(maxCell) + ", but " +
                                              std::to_string(numFaces) + " faces bound at most " +
                                              std::to_string(numFaces / 2) + " cells");
    }
    m_mesh.numCells = maxCell + 1;
}

// The words of an entry such as "inGroups 2(wall walls);" or "inGroups List<word> 1(wall);".
std::vector<std::string> wordsOf(Entry const* p_entry)
{
    std::vector<std::string> out;
    if (p_entry != nullptr) {
        for (Token const& t : p_entry->tokens) {
            if ((t.kind == Token::Kind::Word && t.text.compare(0, 5, "List<") != 0) ||
                t.kind == Token::Kind::String) {
                out.push_back(t.text);
            }
        }
    }
    return out;
}

// A whole non-negative number entry ("nFaces 20;"), or -1.
long long countOf(Dictionary const& p_dict, char const* p_key)
{
    Entry const* e = p_dict.find(p_key);
    if (e == nullptr || e->dict || e->tokens.size() != 1 || e->tokens[0].kind != Token::Kind::Number) {
        return -1;
    }
    double const v = e->tokens[0].number;
    return v >= 0 && v <= 9.0e15 && v == std::floor(v) ? static_cast<long long>(v) : -1;
}

// Reads a list of named dictionaries, "N ( name { ... } ... )", as the boundary and zone files hold.
std::vector<std::pair<std::string, std::unique_ptr<Dictionary>>> readNamedList(File const& p_file,
                                                                               char const* p_what)
{
    std::size_t pos = p_file.bodyStart();
    std::int64_t const count = p_file.readLabel(pos, p_what);
    if (count < 0 || count > 1000000) {
        p_file.fail(p_file.bodyStart(), std::string("implausible entry count in ") + p_what);
    }
    p_file.expect(pos, '(', p_what);
    std::vector<std::pair<std::string, std::unique_ptr<Dictionary>>> out;
    for (std::int64_t i = 0; i < count; ++i) {
        Token const name = p_file.next(pos);
        if (name.kind != Token::Kind::Word && name.kind != Token::Kind::String) {
            p_file.fail(name.offset, std::string("expected a name in ") + p_what);
        }
        p_file.expect(pos, '{', p_what);
        out.emplace_back(name.text, p_file.readDictionary(pos, nullptr, true));
    }
    p_file.expect(pos, ')', p_what);
    return out;
}

void CaseReader::readBoundary(File const& p_file)
{
    std::size_t const numFaces = m_mesh.numFaces();
    std::size_t const numInternal = m_mesh.numInternal();
    std::size_t next = numInternal;
    for (auto& [name, dict] : readNamedList(p_file, "the boundary")) {
        Patch patch;
        patch.name = name;
        patch.type = dict->word("type");
        patch.groups = wordsOf(dict->find("inGroups"));
        long long const size = countOf(*dict, "nFaces");
        long long const start = countOf(*dict, "startFace");
        if (size < 0 || start < 0) {
            p_file.fail(p_file.bodyStart(), "the patch '" + printable(name) + "' lacks nFaces or startFace");
        }
        patch.start = static_cast<std::size_t>(start);
        patch.size = static_cast<std::size_t>(size);
        // The patches share out the boundary faces in order, each starting where the one before ends.
        if (patch.start != next || patch.size > numFaces - next) {
            p_file.fail(p_file.bodyStart(),
                        "the patch '" + printable(name) + "' takes faces " + std::to_string(start) + " to " +
                            std::to_string(start + size) + " where the boundary faces " +
                            std::to_string(next) + " to " + std::to_string(numFaces) + " remain");
        }
        next += patch.size;
        m_mesh.patches.push_back(std::move(patch));
    }
    if (next != numFaces) {
        p_file.fail(p_file.bodyStart(), "the patches leave the faces " + std::to_string(next) + " to " +
                                            std::to_string(numFaces) + " without a patch");
    }
}

void CaseReader::readZones(File const& p_file)
{
    for (auto& [name, dict] : readNamedList(p_file, "the cell zones")) {
        Entry const* labels = dict->find("cellLabels");
        std::vector<int> cells;
        if (labels != nullptr) {
            for (Token const& t : labels->tokens) {
                if (t.kind == Token::Kind::List) {
                    for (double v : t.list->values) {
                        cells.push_back(static_cast<int>(std::clamp(v, -1.0, double(INT_MAX))));
                    }
                } else if (t.kind == Token::Kind::Number && &t != &labels->tokens.front()) {
                    cells.push_back(static_cast<int>(std::clamp(t.number, -1.0, double(INT_MAX))));
                }
            }
        }
        for (int c : cells) {
            if (c < 0 || c >= m_mesh.numCells) {
                p_file.fail(labels->offset, "the cell zone '" + printable(name) + "' names the cell " +
                                                std::to_string(c) + " of " + std::to_string(m_mesh.numCells));
            }
        }
        m_mesh.zones.emplace_back(name, std::move(cells));
    }
}

std::string CaseReader::chooseTime(OpenFoamReader::TimeChoice const& p_time,
                                   std::vector<std::string> const& p_times)
{
    using Kind = OpenFoamReader::TimeChoice::Kind;
    if (p_times.empty()) {
        return {};
    }
    if (p_time.kind == Kind::Latest) {
        return p_times.back();
    }
    if (p_time.kind == Kind::First) {
        return p_times.front();
    }
    double wanted = 0;
    bool const numeric = parseTime(p_time.value, wanted);
    for (std::string const& t : p_times) {
        double value = 0;
        if (t == p_time.value || (numeric && parseTime(t, value) && value == wanted)) {
            return t;
        }
    }
    std::string offered;
    for (std::size_t i = 0; i < p_times.size() && i < 10; ++i) {
        offered += (i > 0 ? ", " : "") + p_times[i];
    }
    throw SelectionError("no time '" + printable(p_time.value) + "' in " + m_source.name +
                         " (times: " + offered + (p_times.size() > 10 ? ", ..." : "") + ")");
}

MeshData CaseReader::read(OpenFoamReader::TimeChoice const& p_time)
{
    std::vector<std::string> const times = OpenFoamReader::times(m_source);
    std::string const time = chooseTime(p_time, times);
    m_time = time;

    // A moving mesh writes its points into the time folders.
    std::unique_ptr<File> points = time.empty() ? nullptr : load(time + "/polyMesh/points", false);
    if (!points) {
        points = load("constant/polyMesh/points", true);
    }
    readPoints(*points);
    points.reset();
    readFaces(*load("constant/polyMesh/faces", true));
    readOwnerNeighbour(*load("constant/polyMesh/owner", true), *load("constant/polyMesh/neighbour", true));
    readBoundary(*load("constant/polyMesh/boundary", true));
    if (std::unique_ptr<File> zones = load("constant/polyMesh/cellZones", false)) {
        readZones(*zones);
    }

    MeshData out;
    out.title = m_source.name;
    out.pointType = ValueType::Double;
    buildCells(out);
    m_mesh.keepBoundaryOnly();
    if (!time.empty()) {
        readFields(time, out);
    }
    out.points = std::move(m_mesh.points);
    if (times.size() > 1) {
        out.notes.push_back("note: read the time " + time + " of the " + std::to_string(times.size()) +
                            " written times " + times.front() + " to " + times.back());
    }
    return out;
}

VtkCellType faceType(int p_size)
{
    return p_size == 3 ? VtkCellType::Triangle : p_size == 4 ? VtkCellType::Quad : VtkCellType::Polygon;
}

void CaseReader::buildCells(MeshData& p_out) const
{
    std::size_t const numCells = static_cast<std::size_t>(m_mesh.numCells);
    std::size_t const numFaces = m_mesh.numFaces();
    std::size_t const numBoundary = numFaces - m_mesh.numInternal();
    p_out.cellTypes.reserve(numCells + numBoundary);
    p_out.offsets.reserve(numCells + numBoundary + 1);
    p_out.connectivity.reserve(8 * numCells + 4 * numBoundary);
    FaceCells const faces{m_mesh.faceOffsets, m_mesh.faceLabels,        m_mesh.owner,
                          m_mesh.neighbour,   m_mesh.points.size() / 3, m_mesh.numCells};
    FaceCells::Failure const failure = faces.appendCells(p_out);
    if (failure.cell >= 0) {
        throw FormatError(nameOf("constant/polyMesh/owner"), 0, FormatError::s_noOffset,
                          "cell " + std::to_string(failure.cell) + " has " + std::to_string(failure.faces) +
                              (failure.faces == 1 ? " face" : " faces") + " (a cell has at least 4)");
    }
    for (Patch const& patch : m_mesh.patches) {
        for (std::size_t f = patch.start; f < patch.start + patch.size; ++f) {
            int const n = m_mesh.faceSize(f);
            p_out.cellTypes.push_back(faceType(n));
            p_out.connectivity.insert(p_out.connectivity.end(), m_mesh.face(f), m_mesh.face(f) + n);
            p_out.offsets.push_back(p_out.connectivity.size());
        }
    }

    // The regions: cell zones for the cells (the first zone naming a cell wins), patches for the faces.
    DataArray regions;
    regions.name = OpenFoamReader::s_regionArray;
    regions.type = ValueType::Int;
    regions.values.assign(numCells, -1.0);
    std::size_t claimedTwice = 0;
    for (std::size_t z = 0; z < m_mesh.zones.size(); ++z) {
        for (int c : m_mesh.zones[z].second) {
            double& region = regions.values[static_cast<std::size_t>(c)];
            if (region < 0) {
                region = static_cast<double>(z);
            } else if (region != static_cast<double>(z)) {
                ++claimedTwice;
            }
        }
        p_out.regionLabels[{3, static_cast<long long>(z)}] = m_mesh.zones[z].first;
    }
    for (std::size_t p = 0; p < m_mesh.patches.size(); ++p) {
        regions.values.resize(regions.values.size() + m_mesh.patches[p].size, static_cast<double>(p));
        p_out.regionLabels[{2, static_cast<long long>(p)}] = m_mesh.patches[p].name;
    }
    if (claimedTwice > 0) {
        p_out.notes.push_back("note: " + std::to_string(claimedTwice) +
                              " cells are in several cell zones; each is kept in the first");
    }
    p_out.cellData.push_back(std::move(regions));
    p_out.regionArray = OpenFoamReader::s_regionArray;
}

void CaseReader::readFields(std::string const& p_time, MeshData& p_out) const
{
    std::vector<std::string> names = m_source.list(p_time);
    std::sort(names.begin(), names.end());
    for (std::string const& entry : names) {
        std::string name = entry;
        if (endsWith(name, ".gz")) {
            name.resize(name.size() - 3);
            // A file present both plain and compressed is read once, plain.
            if (std::binary_search(names.begin(), names.end(), name)) {
                continue;
            }
        }
        if (name.empty() || name[0] == '.' || endsWith(name, "~") || endsWith(name, ".orig") ||
            m_source.isFolder(p_time + "/" + entry)) {
            continue;
        }
        std::unique_ptr<File> file;
        try {
            // A listed name that cannot be read as a file (a dangling link, as decomposing leaves) is none.
            file = load(p_time + "/" + name, false);
        } catch (FormatError const& e) {
            // Files without a FoamFile header (notes, scripts) are not fields.
            if (e.message().find("FoamFile header") != std::string::npos) {
                continue;
            }
            throw;
        }
        if (file) {
            readField(*file, name, p_out);
        }
    }
}

void CaseReader::readField(File const& p_file, std::string const& p_name, MeshData& p_out) const
{
    std::string const& kind = p_file.className();
    bool const volume = kind.compare(0, 3, "vol") == 0 && endsWith(kind, "Field");
    bool const point = kind.compare(0, 5, "point") == 0 && endsWith(kind, "Field");
    if (!volume && !point) {
        return;
    }
    std::string const type = volume ? kind.substr(3, kind.size() - 8) : kind.substr(5, kind.size() - 10);
    std::string lowered = type;
    if (!lowered.empty()) {
        lowered[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lowered[0])));
    }
    int const comps = foam::componentsOf(lowered);
    if (comps == 0) {
        return;
    }
    std::size_t pos = p_file.bodyStart();
    std::unique_ptr<Dictionary> dict = p_file.readDictionary(pos, nullptr, false);
    Entry const* internal = dict->find("internalField");
    if (internal == nullptr) {
        p_file.fail(p_file.bodyStart(), "the field has no internalField");
    }
    DataArray array;
    array.name = p_name;
    array.numComponents = comps;
    array.type = ValueType::Double;
    array.role = comps == 3 ? ArrayRole::Vectors : comps == 9 ? ArrayRole::Tensors : ArrayRole::Scalars;
    if (comps != 1 && comps != 3 && comps != 9) {
        array.role = ArrayRole::Field;
    }
    if (point) {
        array.values = p_file.fieldValues(*internal, *dict, comps, m_mesh.points.size() / 3)->values;
        p_out.pointData.push_back(std::move(array));
        return;
    }
    std::size_t const numCells = static_cast<std::size_t>(m_mesh.numCells);
    std::shared_ptr<NumberList const> const held = p_file.fieldValues(*internal, *dict, comps, numCells);
    NumberList const& values = *held;
    array.values.reserve(p_out.numCells() * static_cast<std::size_t>(comps));
    array.values.assign(values.values.begin(), values.values.end());
    array.values.resize(p_out.numCells() * static_cast<std::size_t>(comps));
    Dictionary const* boundary = dict->subDictionary("boundaryField");
    double* out = array.values.data() + numCells * static_cast<std::size_t>(comps);
    for (Patch const& patch : m_mesh.patches) {
        if (boundary != nullptr) {
            boundaryValues(p_file, *boundary, patch, values, out);
        } else {
            Dictionary const none;
            boundaryValues(p_file, none, patch, values, out);
        }
        out += patch.size * static_cast<std::size_t>(comps);
    }
    p_out.cellData.push_back(std::move(array));
}

void CaseReader::boundaryValues(File const& p_file, Dictionary const& p_boundary, Patch const& p_patch,
                                NumberList const& p_internal, double* p_out) const
{
    // The patch's entry: by its name, then by a pattern ("(inlet|outlet)", ".*Wall"), then by a group.
    Dictionary const* dict = p_boundary.subDictionary(p_patch.name);
    for (auto it = p_boundary.entries.rbegin(); dict == nullptr && it != p_boundary.entries.rend(); ++it) {
        if (!it->dict || it->key.find_first_of("().*|[]+?") == std::string::npos) {
            continue;
        }
        try {
            if (std::regex_match(p_patch.name, std::regex(it->key, std::regex::extended))) {
                dict = it->dict.get();
            }
        } catch (std::regex_error const&) {
            p_file.fail(it->offset, "the patch pattern '" + printable(it->key) + "' is not a valid pattern");
        }
    }
    for (auto g = p_patch.groups.begin(); dict == nullptr && g != p_patch.groups.end(); ++g) {
        dict = p_boundary.subDictionary(*g);
    }
    std::size_t const comps = static_cast<std::size_t>(p_internal.components);
    std::string const type = dict != nullptr ? dict->word("type") : std::string();
    Entry const* value = dict != nullptr ? dict->find("value") : nullptr;
    bool const cellValue = type == "zeroGradient" || type == "empty" || dict == nullptr;
    if (!cellValue && value != nullptr) {
        std::shared_ptr<NumberList const> const values =
            p_file.fieldValues(*value, *dict, p_internal.components, p_patch.size);
        std::copy(values->values.begin(), values->values.end(), p_out);
        return;
    }
    if (type == "noSlip") {
        std::fill(p_out, p_out + p_patch.size * comps, 0.0);
        return;
    }
    bool const tangential = comps == 3 && (type == "symmetry" || type == "symmetryPlane" || type == "slip");
    for (std::size_t i = 0; i < p_patch.size; ++i) {
        std::size_t const f = p_patch.start + i;
        std::size_t const cell = static_cast<std::size_t>(m_mesh.ownerOf(f));
        double* item = p_out + i * comps;
        std::copy(p_internal.values.begin() + static_cast<std::ptrdiff_t>(cell * comps),
                  p_internal.values.begin() + static_cast<std::ptrdiff_t>((cell + 1) * comps), item);
        if (!tangential) {
            continue;
        }
        // The face's unit normal (Newell's sum), and the value less its normal part.
        double normal[3] = {0, 0, 0};
        int const n = m_mesh.faceSize(f);
        int const* ids = m_mesh.face(f);
        for (int k = 0; k < n; ++k) {
            double const* a = &m_mesh.points[3 * static_cast<std::size_t>(ids[k])];
            double const* b = &m_mesh.points[3 * static_cast<std::size_t>(ids[(k + 1) % n])];
            normal[0] += (a[1] - b[1]) * (a[2] + b[2]);
            normal[1] += (a[2] - b[2]) * (a[0] + b[0]);
            normal[2] += (a[0] - b[0]) * (a[1] + b[1]);
        }
        double const length =
            std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
        if (length > 0) {
            double const dot = (item[0] * normal[0] + item[1] * normal[1] + item[2] * normal[2]) / length;
            for (int k = 0; k < 3; ++k) {
                item[k] -= dot * normal[k] / length;
            }
        }
    }
}

// The processor folders of a decomposed case ("processor0", "processor1", ...), in number order.
std::vector<std::string> processorFolders(OpenFoamReader::Source const& p_source)
{
    std::vector<std::pair<long long, std::string>> found;
    for (std::string const& name : p_source.list("")) {
        std::string const digits = name.compare(0, 9, "processor") == 0 ? name.substr(9) : std::string();
        if (!digits.empty() && digits.size() < 10 &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
            p_source.isFolder(name)) {
            found.emplace_back(std::stoll(digits), name);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto const& f : found) {
        out.push_back(f.second);
    }
    return out;
}

// The files of one folder of a case, as a case of their own.
OpenFoamReader::Source subSource(OpenFoamReader::Source const& p_source, std::string const& p_folder)
{
    OpenFoamReader::Source sub;
    sub.name = p_source.name + "/" + p_folder;
    std::string const prefix = p_folder + "/";
    sub.read = [p_source, prefix](std::string const& p_relative, FoamBytes& p_data) {
        return p_source.read(prefix + p_relative, p_data);
    };
    sub.list = [p_source, p_folder, prefix](std::string const& p_relative) {
        return p_source.list(p_relative.empty() ? p_folder : prefix + p_relative);
    };
    sub.isFolder = [p_source, prefix](std::string const& p_relative) {
        return p_source.isFolder(prefix + p_relative);
    };
    return sub;
}

// Appends cell p_cell of p_from to p_to with its point numbers mapped through p_points.
void appendMapped(MeshData const& p_from, std::size_t p_cell, std::vector<int> const& p_points,
                  MeshData& p_to)
{
    VtkCellType const type = p_from.cellTypes[p_cell];
    int const* ids = p_from.cellPoints(p_cell);
    int const n = p_from.cellSize(p_cell);
    p_to.cellTypes.push_back(type);
    if (type != VtkCellType::Polyhedron) {
        for (int k = 0; k < n; ++k) {
            p_to.connectivity.push_back(p_points[static_cast<std::size_t>(ids[k])]);
        }
    } else {
        // The face stream: counts stay, corners are mapped.
        p_to.connectivity.push_back(ids[0]);
        for (int k = 1; k < n;) {
            int const corners = ids[k];
            p_to.connectivity.push_back(corners);
            for (int i = 1; i <= corners; ++i) {
                p_to.connectivity.push_back(p_points[static_cast<std::size_t>(ids[k + i])]);
            }
            k += corners + 1;
        }
    }
    p_to.offsets.push_back(p_to.connectivity.size());
}

// A decomposed case (no constant/polyMesh of its own; one processorN folder per part): every part read
// as a case, then merged back into the whole by the parts' addressing files: points by their global
// number, cells in their global order, the patches' faces in their global order, the faces between parts
// dropped. The answer is the mesh the reconstructed case gives.
MeshData readDecomposed(OpenFoamReader::Source const& p_source, std::vector<std::string> const& p_folders,
                        OpenFoamReader::TimeChoice const& p_time)
{
    struct Part {
        OpenFoamReader::Source source;
        std::unique_ptr<CaseReader> reader;
        MeshData mesh;
        std::vector<int> points, cells, faces;
    };
    std::vector<Part> parts(p_folders.size());
    std::size_t totalPoints = 0, totalCells = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        Part& part = parts[i];
        part.source = subSource(p_source, p_folders[i]);
        part.reader = std::make_unique<CaseReader>(part.source);
        part.mesh = part.reader->read(p_time);
        if (part.reader->time() != parts[0].reader->time()) {
            throw FormatError(part.source.name, 0, FormatError::s_noOffset,
                              "holds the time '" + part.reader->time() + "' where " + p_folders[0] +
                                  " holds '" + parts[0].reader->time() + "'");
        }
        auto addressing = [&](char const* p_file, std::int64_t p_min, std::size_t p_count) {
            std::unique_ptr<File> const file =
                part.reader->load(std::string("constant/polyMesh/") + p_file, true);
            std::size_t pos = file->bodyStart();
            std::vector<int> values = file->readLabels(pos, p_min, INT_MAX - 1, p_file);
            if (values.size() != p_count) {
                file->fail(file->bodyStart(), "holds " + std::to_string(values.size()) + " entries for " +
                                                  std::to_string(p_count));
            }
            return values;
        };
        part.points = addressing("pointProcAddressing", 0, part.mesh.numPoints());
        part.cells = addressing("cellProcAddressing", 0, static_cast<std::size_t>(part.reader->numCells()));
        std::size_t faces = 0;
        for (Patch const& patch : part.reader->patches()) {
            faces = std::max(faces, patch.start + patch.size);
        }
        part.faces = addressing("faceProcAddressing", INT_MIN + 1, faces);
        totalPoints += part.mesh.numPoints();
        totalCells += part.cells.size();
    }

    // Points by their global number; the parts share the points on the faces between them.
    MeshData out;
    out.title = p_source.name;
    out.pointType = ValueType::Double;
    std::size_t numPoints = 0;
    for (Part const& part : parts) {
        for (int g : part.points) {
            numPoints = std::max(numPoints, static_cast<std::size_t>(g) + 1);
        }
    }
    if (numPoints > totalPoints) {
        throw FormatError(p_source.name, 0, FormatError::s_noOffset,
                          "the parts number their points up to " + std::to_string(numPoints - 1) +
                              " but hold " + std::to_string(totalPoints));
    }
    out.points.assign(3 * numPoints, 0.0);
    for (Part const& part : parts) {
        for (std::size_t l = 0; l < part.points.size(); ++l) {
            std::copy_n(part.mesh.points.begin() + static_cast<std::ptrdiff_t>(3 * l), 3,
                        out.points.begin() + 3 * static_cast<std::ptrdiff_t>(part.points[l]));
        }
    }

    // The cells in global order, then the patches' faces: (part, cell of the part's mesh) per cell.
    std::vector<std::pair<std::size_t, std::size_t>> order(totalCells, {SIZE_MAX, 0});
    for (std::size_t i = 0; i < parts.size(); ++i) {
        for (std::size_t c = 0; c < parts[i].cells.size(); ++c) {
            std::size_t const g = static_cast<std::size_t>(parts[i].cells[c]);
            if (g >= totalCells || order[g].first != SIZE_MAX) {
                throw FormatError(parts[i].source.name + "/constant/polyMesh/cellProcAddressing", 0,
                                  FormatError::s_noOffset,
                                  "the global cell " + std::to_string(g) + " is not one of 0 to " +
                                      std::to_string(totalCells - 1) + " or is claimed twice");
            }
            order[g] = {i, c};
        }
    }
    std::vector<std::string> patchNames, zoneNames;
    auto indexOf = [](std::vector<std::string>& p_names, std::string const& p_name) {
        auto const at = std::find(p_names.begin(), p_names.end(), p_name);
        if (at != p_names.end()) {
            return static_cast<long long>(at - p_names.begin());
        }
        p_names.push_back(p_name);
        return static_cast<long long>(p_names.size() - 1);
    };
    std::vector<long long> regions(totalCells, -1);
    for (std::size_t g = 0; g < totalCells; ++g) {
        Part const& part = parts[order[g].first];
        DataArray const* partRegions = part.mesh.findCellArray(OpenFoamReader::s_regionArray);
        long long const zone =
            partRegions ? static_cast<long long>(partRegions->values[order[g].second]) : -1;
        regions[g] =
            zone < 0 ? -1 : indexOf(zoneNames, part.reader->zoneNames()[static_cast<std::size_t>(zone)]);
    }
    // Boundary faces, ordered by global patch and global face; the faces between parts are left out.
    struct Face {
        long long patch;
        long long global;
        std::size_t part;
        std::size_t cell;
    };
    std::vector<Face> boundary;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::size_t cell = parts[i].cells.size();
        for (Patch const& patch : parts[i].reader->patches()) {
            bool const between = patch.type == "processor" || patch.type == "processorCyclic";
            long long const global = between ? -1 : indexOf(patchNames, patch.name);
            for (std::size_t f = 0; f < patch.size; ++f, ++cell) {
                if (!between) {
                    boundary.push_back({global, std::llabs(parts[i].faces[patch.start + f]), i, cell});
                }
            }
        }
    }
    std::sort(boundary.begin(), boundary.end(), [](Face const& a, Face const& b) {
        return a.patch != b.patch ? a.patch < b.patch : a.global < b.global;
    });
    for (Face const& face : boundary) {
        order.emplace_back(face.part, face.cell);
        regions.push_back(face.patch);
    }

    for (auto const& [part, cell] : order) {
        appendMapped(parts[part].mesh, cell, parts[part].points, out);
    }
    DataArray regionArray;
    regionArray.name = OpenFoamReader::s_regionArray;
    regionArray.type = ValueType::Int;
    regionArray.values.assign(regions.begin(), regions.end());
    out.cellData.push_back(std::move(regionArray));
    for (std::size_t z = 0; z < zoneNames.size(); ++z) {
        out.regionLabels[{3, static_cast<long long>(z)}] = zoneNames[z];
    }
    for (std::size_t p = 0; p < patchNames.size(); ++p) {
        out.regionLabels[{2, static_cast<long long>(p)}] = patchNames[p];
    }
    out.regionArray = OpenFoamReader::s_regionArray;

    // Fields every part has, in the first part's order; a field some part lacks is left out with a note.
    for (DataArray const& first : parts[0].mesh.cellData) {
        if (first.name == OpenFoamReader::s_regionArray) {
            continue;
        }
        std::size_t const comps = static_cast<std::size_t>(first.numComponents);
        std::vector<DataArray const*> sources;
        for (Part const& part : parts) {
            DataArray const* a = part.mesh.findCellArray(first.name);
            if (a != nullptr && a->numComponents == first.numComponents) {
                sources.push_back(a);
            }
        }
        if (sources.size() != parts.size()) {
            out.notes.push_back("note: the field " + first.name +
                                " is missing from some processor folders; left out");
            continue;
        }
        DataArray array = first;
        array.values.clear();
        array.values.reserve(order.size() * comps);
        for (auto const& [part, cell] : order) {
            auto const from = sources[part]->values.begin() + static_cast<std::ptrdiff_t>(cell * comps);
            array.values.insert(array.values.end(), from, from + static_cast<std::ptrdiff_t>(comps));
        }
        out.cellData.push_back(std::move(array));
    }
    for (DataArray const& first : parts[0].mesh.pointData) {
        std::size_t const comps = static_cast<std::size_t>(first.numComponents);
        DataArray array = first;
        array.values.assign(numPoints * comps, 0.0);
        bool complete = true;
        for (Part const& part : parts) {
            DataArray const* a = part.mesh.findPointArray(first.name);
            complete = complete && a != nullptr && a->numComponents == first.numComponents;
            for (std::size_t l = 0; complete && l < part.points.size(); ++l) {
                std::copy_n(a->values.begin() + static_cast<std::ptrdiff_t>(l * comps), comps,
                            array.values.begin() + static_cast<std::ptrdiff_t>(part.points[l] * comps));
            }
        }
        if (complete) {
            out.pointData.push_back(std::move(array));
        } else {
            out.notes.push_back("note: the field " + first.name +
                                " is missing from some processor folders; left out");
        }
    }
    out.notes.insert(out.notes.begin(), "note: read the decomposed case from its " +
                                            std::to_string(parts.size()) + " processor folders");
    for (std::string const& note : parts[0].mesh.notes) {
        if (note.compare(0, 19, "note: read the time") == 0) {
            out.notes.push_back(note);
        }
    }
    return out;
}
} // namespace

bool OpenFoamReader::isCase(std::string const& p_path)
{
    if (isFolderPath(p_path)) {
        return isFolderPath(p_path + "/constant/polyMesh") || exists(p_path + "/system/controlDict") ||
               isFolderPath(p_path + "/processor0/constant/polyMesh");
    }
    if (endsWith(p_path, ".foam") || endsWith(p_path, ".OpenFOAM")) {
        return true;
    }
    return baseName(p_path) == "controlDict" && baseName(parentOf(p_path)) == "system";
}

std::string OpenFoamReader::caseFolder(std::string const& p_path)
{
    if (isFolderPath(p_path)) {
        return p_path;
    }
    if (baseName(p_path) == "controlDict") {
        return parentOf(parentOf(p_path));
    }
    return parentOf(p_path);
}

std::vector<std::string> OpenFoamReader::times(Source const& p_source)
{
    std::vector<std::pair<double, std::string>> found;
    for (std::string const& name : p_source.list("")) {
        double value = 0;
        if (parseTime(name, value) && p_source.isFolder(name)) {
            found.emplace_back(value, name);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (auto const& t : found) {
        out.push_back(t.second);
    }
    return out;
}

OpenFoamReader::Source OpenFoamReader::folderSource(std::string const& p_folder)
{
    Source source;
    source.name = p_folder;
    std::string const folder = p_folder;
    source.read = [folder](std::string const& p_relative, FoamBytes& p_data) {
        std::string const path = folder + "/" + p_relative;
        if (!exists(path)) {
            return false;
        }
        p_data = mapFile(path);
        return true;
    };
    source.list = [folder](std::string const& p_relative) {
        std::vector<std::string> names;
        std::string const path = p_relative.empty() ? folder : folder + "/" + p_relative;
        if (DIR* dir = ::opendir(path.c_str())) {
            while (dirent* entry = ::readdir(dir)) {
                std::string const name = entry->d_name;
                if (name != "." && name != "..") {
                    names.push_back(name);
                }
            }
            ::closedir(dir);
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    source.isFolder = [folder](std::string const& p_relative) {
        return isFolderPath(folder + "/" + p_relative);
    };
    return source;
}

OpenFoamReader::Source OpenFoamReader::memorySource(std::string const& p_name,
                                                    std::map<std::string, std::string> p_files)
{
    auto const files = std::make_shared<std::map<std::string, std::string> const>(std::move(p_files));
    Source source;
    source.name = p_name;
    source.read = [files](std::string const& p_relative, FoamBytes& p_data) {
        auto const found = files->find(p_relative);
        if (found == files->end()) {
            return false;
        }
        p_data.owner = files;
        p_data.text = found->second;
        return true;
    };
    source.list = [files](std::string const& p_relative) {
        std::string const prefix = p_relative.empty() ? std::string() : p_relative + "/";
        std::vector<std::string> names;
        for (auto const& file : *files) {
            if (file.first.compare(0, prefix.size(), prefix) == 0 && file.first.size() > prefix.size()) {
                std::string const rest = file.first.substr(prefix.size());
                std::string const name = rest.substr(0, rest.find('/'));
                if (names.empty() || names.back() != name) {
                    names.push_back(name);
                }
            }
        }
        names.erase(std::unique(names.begin(), names.end()), names.end());
        return names;
    };
    source.isFolder = [files](std::string const& p_relative) {
        std::string const prefix = p_relative + "/";
        auto const after = files->lower_bound(prefix);
        return after != files->end() && after->first.compare(0, prefix.size(), prefix) == 0;
    };
    return source;
}

MeshData OpenFoamReader::readCase(std::string const& p_path, TimeChoice const& p_time)
{
    std::string const folder = caseFolder(p_path);
    if (!isFolderPath(folder + "/constant/polyMesh") && !isFolderPath(folder + "/processor0")) {
        throw FormatError(p_path, 0, FormatError::s_noOffset,
                          "not an OpenFOAM case: " + folder + "/constant/polyMesh is missing");
    }
    return readSource(folderSource(folder), p_time);
}

MeshData OpenFoamReader::readSource(Source const& p_source, TimeChoice const& p_time)
{
    // A case without its own mesh but with processor folders is read from them.
    if (!p_source.isFolder("constant/polyMesh")) {
        std::vector<std::string> const folders = processorFolders(p_source);
        if (!folders.empty()) {
            return readDecomposed(p_source, folders, p_time);
        }
    }
    CaseReader reader(p_source);
    return reader.read(p_time);
}

} // namespace zev::io
