#include "zev/parallel/MeshTransfer.h"

#include <stdexcept>

namespace zev::parallel {

using zev::io::DataArray;
using zev::io::MeshData;

namespace {

void putArrays(ByteWriter& p_out, std::vector<DataArray> const& p_arrays)
{
    p_out.put<std::uint64_t>(p_arrays.size());
    for (DataArray const& a : p_arrays) {
        p_out.putString(a.name);
        p_out.put<std::int32_t>(a.numComponents);
        p_out.put<std::int32_t>(static_cast<std::int32_t>(a.type));
        p_out.put<std::int32_t>(static_cast<std::int32_t>(a.role));
        p_out.putVector(a.values);
    }
}

std::vector<DataArray> getArrays(ByteReader& p_in)
{
    std::uint64_t const n = p_in.get<std::uint64_t>();
    std::vector<DataArray> arrays;
    for (std::uint64_t i = 0; i < n; ++i) {
        DataArray& a = arrays.emplace_back();
        a.name = p_in.getString();
        a.numComponents = p_in.get<std::int32_t>();
        a.type = static_cast<zev::io::ValueType>(p_in.get<std::int32_t>());
        a.role = static_cast<zev::io::ArrayRole>(p_in.get<std::int32_t>());
        a.values = p_in.getVector<double>();
    }
    return arrays;
}

} // namespace

Bytes packMesh(MeshData const& p_mesh)
{
    ByteWriter out;
    out.put<std::int32_t>(static_cast<std::int32_t>(p_mesh.kind));
    out.putString(p_mesh.title);
    out.put<std::int32_t>(static_cast<std::int32_t>(p_mesh.pointType));
    out.putVector(p_mesh.points);
    out.putVector(p_mesh.cellTypes);
    std::vector<std::uint64_t> const offsets(p_mesh.offsets.begin(), p_mesh.offsets.end());
    out.putVector(offsets);
    out.putVector(p_mesh.connectivity);
    putArrays(out, p_mesh.pointData);
    putArrays(out, p_mesh.cellData);
    return std::move(out.bytes());
}

MeshData unpackMesh(Bytes const& p_bytes)
{
    ByteReader in(p_bytes);
    MeshData mesh;
    mesh.kind = static_cast<zev::io::DatasetKind>(in.get<std::int32_t>());
    mesh.title = in.getString();
    mesh.pointType = static_cast<zev::io::ValueType>(in.get<std::int32_t>());
    mesh.points = in.getVector<double>();
    mesh.cellTypes = in.getVector<zev::io::VtkCellType>();
    std::vector<std::uint64_t> const offsets = in.getVector<std::uint64_t>();
    mesh.offsets.assign(offsets.begin(), offsets.end());
    mesh.connectivity = in.getVector<int>();
    mesh.pointData = getArrays(in);
    mesh.cellData = getArrays(in);
    if (!in.atEnd() || mesh.offsets.size() != mesh.cellTypes.size() + 1 ||
        mesh.offsets.back() != mesh.connectivity.size()) {
        throw std::runtime_error("a packed mesh whose cells do not match their connectivity");
    }
    return mesh;
}

std::pair<int, int> piecesOfRank(int p_numPieces, int p_size, int p_rank)
{
    auto const start = [&](int p_r) {
        return static_cast<int>(static_cast<long long>(p_numPieces) * p_r / p_size);
    };
    return {start(p_rank), start(p_rank + 1)};
}

} // namespace zev::parallel
