// Reading and writing whole mesh files safely: only regular files are read, and their first bytes are
// checked before the rest is loaded; a file is written to a temporary file beside it and renamed over
// the target only once every byte is on disk, so a failed write leaves the old file as it was.
#pragma once

#include "zev/io/IOExport.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace zev::io {

// Reads p_path whole. p_checkStart sees the first bytes (up to 4 KiB, or the whole of a shorter file)
// before the rest is read and throws to refuse the file. A missing, unreadable or non-regular file
// (directory, device, pipe) is a FormatError naming it; p_kind says what was wanted ("a mesh file").
ZEV_IO_EXPORT std::string readRegularFile(std::string const& p_path,
                                          std::function<void(std::string_view)> const& p_checkStart,
                                          std::string const& p_kind = "a mesh file");

// The file that writing p_path replaces: p_path, or the file at the end of the symbolic links it starts.
// An existing target that is not a regular file (directory, device, pipe, terminal) is a FormatError.
ZEV_IO_EXPORT std::string replaceableTarget(std::string const& p_path);

// Writes p_path through p_write into a temporary file in the same folder, then renames it over p_path.
// On any failure (p_write throws, the disk is full, the folder is missing or not writable) the temporary
// file is removed, p_path is untouched, and a FormatError says why. A symbolic link is written through
// (its target is replaced, the link stays); a target that is not a regular file is refused.
ZEV_IO_EXPORT void writeFileSafely(std::string const& p_path,
                                   std::function<void(std::ostream&)> const& p_write);

// Several files written as one: while a batch is open on a thread, writeFileSafely on that thread leaves
// each file in its temporary file; commit() then renames them all over their targets in the order they
// were written (the file that names the others last), and a batch closed without commit() removes them.
// A failure part-way through writing leaves every old file as it was.
class ZEV_IO_EXPORT FileBatch {
public:
    FileBatch();
    ~FileBatch();
    FileBatch(FileBatch const&) = delete;
    FileBatch& operator=(FileBatch const&) = delete;

    void commit();

private:
    friend void writeFileSafely(std::string const&, std::function<void(std::ostream&)> const&);
    FileBatch* m_outer;
    // (temporary file, target, path as given) of every file written in the batch.
    struct Pending {
        std::string temporary;
        std::string target;
        std::string path;
    };
    std::vector<Pending> m_pending;
};

} // namespace zev::io
