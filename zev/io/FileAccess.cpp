#include "zev/io/FileAccess.h"

#include "zev/io/FormatError.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace zev::io {

namespace {

[[noreturn]] void failOn(std::string const& p_path, std::string const& p_message)
{
    throw FormatError(p_path, 0, FormatError::s_noOffset, p_message);
}

std::string folderOf(std::string const& p_path)
{
    std::size_t const slash = p_path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : p_path.substr(0, slash);
}

std::string createFailure(int p_errno)
{
    switch (p_errno) {
    case ENOENT:
    case ENOTDIR:
        return "cannot create the file: its folder does not exist";
    case EACCES:
    case EPERM:
    case EROFS:
        return "cannot create the file: permission denied";
    case EISDIR:
        return "cannot create the file: it is a directory";
    default:
        return std::string("cannot create the file: ") + std::strerror(p_errno);
    }
}

// The file that writing p_path replaces: p_path itself, or the end of the chain of symbolic links it
// starts (a dangling link names the file to create).
std::string linkTarget(std::string const& p_path)
{
    std::string path = p_path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        std::vector<char> buffer(PATH_MAX + 1);
        ssize_t const n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) {
            failOn(p_path, "cannot follow the symbolic link");
        }
        std::string const link(buffer.data(), static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : folderOf(path) + "/" + link;
    }
    failOn(p_path, "cannot follow the symbolic link: too many levels");
}

// The batch open on this thread, if any.
thread_local FileBatch* s_batch = nullptr;

} // namespace

FileBatch::FileBatch() : m_outer(s_batch)
{
    s_batch = this;
}

FileBatch::~FileBatch()
{
    s_batch = m_outer;
    for (Pending const& file : m_pending) {
        std::remove(file.temporary.c_str());
    }
}

void FileBatch::commit()
{
    s_batch = m_outer;
    std::vector<Pending> pending = std::move(m_pending);
    m_pending.clear();
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (std::rename(pending[i].temporary.c_str(), pending[i].target.c_str()) != 0) {
            int const error = errno;
            for (std::size_t k = i; k < pending.size(); ++k) {
                std::remove(pending[k].temporary.c_str());
            }
            failOn(pending[i].path, createFailure(error));
        }
    }
}

std::string readRegularFile(std::string const& p_path,
                            std::function<void(std::string_view)> const& p_checkStart,
                            std::string const& p_kind)
{
    struct stat info;
    if (::stat(p_path.c_str(), &info) != 0) {
        failOn(p_path, "cannot open the file");
    }
    if (S_ISDIR(info.st_mode)) {
        failOn(p_path, "is a directory, not " + p_kind);
    }
    if (!S_ISREG(info.st_mode)) {
        failOn(p_path, "is not a regular file (a device, pipe or socket); give " + p_kind);
    }
    std::ifstream in(p_path, std::ios::binary);
    if (!in) {
        failOn(p_path, "cannot open the file");
    }
    std::size_t const size = static_cast<std::size_t>(info.st_size);
    std::string data;
    std::size_t const head = size < 4096 ? size : 4096;
    data.resize(head);
    in.read(data.data(), static_cast<std::streamsize>(head));
    data.resize(static_cast<std::size_t>(in.gcount()));
    if (p_checkStart) {
        p_checkStart(data);
    }
    if (data.size() == head && size > head) {
        data.resize(size);
        in.read(data.data() + head, static_cast<std::streamsize>(size - head));
        data.resize(head + static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        failOn(p_path, "cannot read the file");
    }
    return data;
}

std::string replaceableTarget(std::string const& p_path)
{
    // The rename replaces whatever sits at the target: only a regular file (or nothing) may be there. A
    // device, a pipe or a terminal (also behind a symbolic link such as /proc/self/fd/1) is refused
    // rather than turned into a regular file.
    struct stat info;
    bool const exists = ::stat(p_path.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        failOn(p_path, createFailure(EISDIR));
    }
    if (exists && !S_ISREG(info.st_mode)) {
        failOn(p_path, "is not a regular file (a device, pipe or socket); give a file to write");
    }
    return linkTarget(p_path);
}

void writeFileSafely(std::string const& p_path, std::function<void(std::ostream&)> const& p_write)
{
    // A symbolic link is written through: the file it names is replaced, and the link stays.
    std::string const target = replaceableTarget(p_path);
    struct stat info;
    bool const exists = ::stat(target.c_str(), &info) == 0;
    std::string const folder = folderOf(target);
    std::string const base =
        target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
    std::string pattern =
        (target.find('/') == std::string::npos ? std::string() : folder + "/") + "." + base + ".tmpXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int const fd = ::mkstemp(name.data());
    if (fd < 0) {
        failOn(p_path, createFailure(errno));
    }
    // mkstemp makes the file private; give it the permissions of the file it replaces, or those a newly
    // created file would have.
    mode_t const mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, exists ? (info.st_mode & 07777) : (0666 & ~mask));
    ::close(fd);
    std::string const temporary(name.data());
    try {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            failOn(p_path, createFailure(errno));
        }
        p_write(out);
        out.flush();
        if (!out) {
            failOn(p_path, "cannot write the file (the disk may be full or the file too large)");
        }
        out.close();
        if (out.fail()) {
            failOn(p_path, "cannot write the file (the disk may be full or the file too large)");
        }
        if (s_batch != nullptr) {
            s_batch->m_pending.push_back({temporary, target, p_path});
            return;
        }
        if (std::rename(temporary.c_str(), target.c_str()) != 0) {
            failOn(p_path, createFailure(errno));
        }
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
}

} // namespace zev::io
