#include "zev/io/ParallelVtkFile.h"

#include <stdexcept>

namespace zev::io {

ParallelFileIndex readParallelFileIndex(std::string const&)
{
    throw std::logic_error("readParallelFileIndex: not built yet");
}

MeshData mergePieces(std::vector<MeshData> const&)
{
    throw std::logic_error("mergePieces: not built yet");
}

std::vector<std::string> writeParallelFile(std::vector<MeshData> const&, std::string const&,
                                           WriteOptions const&)
{
    throw std::logic_error("writeParallelFile: not built yet");
}

void writeParallelFileIndex(std::string const&, std::vector<std::string> const&, MeshData const&,
                            WriteOptions const&)
{
    throw std::logic_error("writeParallelFileIndex: not built yet");
}

} // namespace zev::io
