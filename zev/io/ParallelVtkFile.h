// Parallel VTK XML files (.pvtu, .pvtp): a small index file that names the arrays and lists piece files,
// each an ordinary .vtu/.vtp file. Pieces of one partitioned mesh share points on their borders; the
// point array "GlobalNodeIds" says which.
#pragma once

#include "zev/io/IOExport.h"
#include "zev/io/MeshData.h"
#include "zev/io/MeshFile.h"

#include <string>
#include <vector>

namespace zev::io {

struct ZEV_IO_EXPORT ParallelFileIndex {
    DatasetKind kind = DatasetKind::UnstructuredGrid;
    std::vector<std::string> pieces; // piece file paths, relative ones resolved against the index's folder
    // The arrays the index declares (names, types and components; no values), and the points' type.
    std::vector<DataArray> pointArrays;
    std::vector<DataArray> cellArrays;
    ValueType pointType = ValueType::Double;
};

// Reads the index of a .pvtu/.pvtp file (FormatError when malformed or naming no piece).
ZEV_IO_EXPORT ParallelFileIndex readParallelFileIndex(std::string const& p_path);

// The index and every piece it names, merged into one mesh (mergePieces). When the pieces' "GlobalNodeIds"
// and "GlobalCellIds" number all their points and cells 0 .. n-1 once each (the pieces of one whole mesh),
// that mesh comes back as it was: points and cells in the order of their ids, without those two arrays. A
// piece that is missing or malformed, of the other data set kind, or without an array the index declares
// is a FormatError naming the piece file.
ZEV_IO_EXPORT MeshData readParallelFile(std::string const& p_path);

// Pieces p_first .. p_last - 1 of p_index (the index read from p_path), each checked against the index as
// readParallelFile checks it, merged in order (mergePieces): what one process of a distributed run reads.
// A piece that does not merge is a FormatError of its file naming its number and the index.
ZEV_IO_EXPORT MeshData readParallelPieces(std::string const& p_path, ParallelFileIndex const& p_index,
                                          std::size_t p_first, std::size_t p_last);

// The path of piece p_piece of the index p_path: "dir/OUT.pvtu" gives "dir/OUT_3.vtu" ("dir/OUT_3.vtp" for
// a .pvtp index, or when p_format says ParallelPolyData).
ZEV_IO_EXPORT std::string pieceFilePath(std::string const& p_path, std::size_t p_piece,
                                        FileFormat p_format = FileFormat::Auto);

// One mesh of several pieces: points of equal "GlobalNodeIds" become one point (the first met), cells
// follow in piece order. Without that array every point is kept.
ZEV_IO_EXPORT MeshData mergePieces(std::vector<MeshData> const& p_pieces);

// Writes p_pieces as the files OUT_0.vtu, OUT_1.vtu, ... (.vtp for a .pvtp index) beside the index
// p_path, then the index naming them. Returns the piece file paths written.
ZEV_IO_EXPORT std::vector<std::string> writeParallelFile(std::vector<MeshData> const& p_pieces,
                                                         std::string const& p_path,
                                                         WriteOptions const& p_options = WriteOptions());

// Writes only the index p_path naming p_pieceNames (as given, relative to the index's folder) with the
// arrays of p_layout (names, types, components); the pieces are written by whoever holds them.
ZEV_IO_EXPORT void writeParallelFileIndex(std::string const& p_path,
                                          std::vector<std::string> const& p_pieceNames,
                                          MeshData const& p_layout,
                                          WriteOptions const& p_options = WriteOptions());

} // namespace zev::io
