#include "files/NativePath.h"
#include "files/RegularFile.h"
#include "files/platform/FileSystem.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

std::filesystem::path NativePath(const std::string& utf8)
{
    return utf8;
}

std::string Utf8Path(const std::filesystem::path& path)
{
    return path.string();
}

void KeepWritesPastLimitsAsErrors()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

namespace {

FileProblem FromErrno(int error)
{
    return error == ENOENT || error == ENOTDIR ? FileProblem::Missing : FileProblem::Refused;
}

FileProblem FromErrno(int error, std::string* why)
{
    if (why)
        *why = error == EACCES || error == EPERM ? UnreadableWords::Denied : std::strerror(error);
    return FromErrno(error);
}

// Takes over `fd` when it is a regular file; closes it otherwise.
File Adopt(int fd, const char* mode, FileProblem& problem)
{
    if (fd < 0) {
        problem = FromErrno(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        problem = FileProblem::NotRegular;
        return nullptr;
    }
    // Non-blocking was only for the open; regular files never block anyway.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    File file(::fdopen(fd, mode));
    if (!file) {
        ::close(fd);
        problem = FileProblem::Refused;
        return nullptr;
    }
    problem = FileProblem::None;
    return file;
}

} // namespace

File OpenRegularForReading(const std::string& path, FileProblem& problem, std::string* why)
{
    // Look before opening: opening a serial device would raise its lines,
    // and opening a FIFO would wait for a writer.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        problem = FromErrno(errno, why);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        problem = FileProblem::NotRegular;
        return nullptr;
    }
    // What was looked at may have been swapped since; Adopt checks again.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        problem = FromErrno(errno, why);
        return nullptr;
    }
    return Adopt(fd, "rb", problem);
}

File CreateRegularForWriting(const std::string& path, FileProblem& problem)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        problem = FileProblem::NotRegular;
        return nullptr;
    }
    File file =
        Adopt(::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666), "wb", problem);
    // Emptied only now that it is known to be a regular file.
    if (file && ::ftruncate(fileno(file.get()), 0) != 0) {
        problem = FileProblem::Refused;
        return nullptr;
    }
    return file;
}

namespace {

bool WriteAll(int fd, const void* bytes, std::size_t size)
{
    const auto* at = static_cast<const unsigned char*>(bytes);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, at + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A name beside `target` that no file has yet, created by us alone.
int CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temporary)
{
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary = target;
        temporary += ".tmp" + std::to_string(random() % 1000000);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

enum class Renamed { Done, NotPossible, WriteFailed };

// Writes a new file beside `target` and renames it over, so that a failed
// write never destroys what was there. `old` is the file being replaced.
Renamed ReplaceByRename(const std::filesystem::path& target, const struct stat* old, const void* bytes,
                        std::size_t size)
{
    std::filesystem::path temporary;
    const int fd = CreateTemporaryBeside(target, temporary);
    if (fd < 0)
        return Renamed::NotPossible;
    if (old) {
        // The new file must be the old one's twin in owner, group and mode;
        // where this user cannot make it so, the old file is written in place.
        const uid_t uid = old->st_uid == ::geteuid() ? static_cast<uid_t>(-1) : old->st_uid;
        const gid_t gid = old->st_gid == ::getegid() ? static_cast<gid_t>(-1) : old->st_gid;
        const bool same =
            (uid == static_cast<uid_t>(-1) && gid == static_cast<gid_t>(-1)) || ::fchown(fd, uid, gid) == 0;
        if (!same || ::fchmod(fd, old->st_mode & 07777) != 0) {
            ::close(fd);
            ::unlink(temporary.c_str());
            return Renamed::NotPossible;
        }
    }
    // The rename must not land before the bytes do.
    const bool written = WriteAll(fd, bytes, size) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(temporary.c_str(), target.c_str()) == 0)
        return Renamed::Done;
    ::unlink(temporary.c_str());
    return Renamed::WriteFailed;
}

} // namespace

FileProblem ReplaceRegularFile(const std::string& path, const void* bytes, std::size_t size)
{
    std::error_code ec;
    std::filesystem::path target(path);
    // Replace the file a link points to, not the link.
    if (std::filesystem::is_symlink(target, ec)) {
        const auto resolved = std::filesystem::canonical(target, ec);
        if (!ec)
            target = resolved;
    }

    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return FileProblem::Refused;
        switch (ReplaceByRename(target, nullptr, bytes, size)) {
        case Renamed::Done:
            return FileProblem::None;
        case Renamed::NotPossible:
            return FileProblem::Refused;
        case Renamed::WriteFailed:
            return FileProblem::WriteFailed;
        }
    }
    // Only a regular file is ever replaced: renaming over a device or a
    // folder would destroy something that is not ours to destroy.
    if (!S_ISREG(st.st_mode))
        return FileProblem::NotRegular;
    // The kernel's own answer to whether this user may write this file; a
    // rename would otherwise replace a file the folder's owner may not write.
    const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return FileProblem::Refused;
    // A second hard link would keep the old bytes after a rename.
    if (st.st_nlink == 1) {
        const Renamed renamed = ReplaceByRename(target, &st, bytes, size);
        if (renamed != Renamed::NotPossible) {
            ::close(fd);
            return renamed == Renamed::Done ? FileProblem::None : FileProblem::WriteFailed;
        }
    }
    const bool written =
        WriteAll(fd, bytes, size) && ::ftruncate(fd, static_cast<off_t>(size)) == 0 && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    return written && closed ? FileProblem::None : FileProblem::WriteFailed;
}

namespace platform {

std::tm Utc(std::time_t when)
{
    std::tm utc{};
    gmtime_r(&when, &utc);
    return utc;
}

std::tm Local(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    return local;
}

PathKind KindOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return PathKind::Missing;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::Other;
}

bool MayWrite(const std::string& path)
{
    return ::access(path.c_str(), W_OK) == 0;
}

bool MayMakeFilesIn(const std::string& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

void MakeFolders(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
}

struct OwnFolder::Handle {
    int fd;
    ~Handle() { ::close(fd); }
};

OwnFolder::OwnFolder(std::unique_ptr<Handle> handle) : handle(std::move(handle)) {}
OwnFolder::OwnFolder(OwnFolder&&) noexcept = default;
OwnFolder::~OwnFolder() = default;

OwnFolder OwnFolder::Open(const std::string& path, Refusal& refusal, std::string& reason)
{
    MakeFolders(path);
    // Not following a link: the folder itself must be this user's own.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        refusal = errno == ELOOP || errno == ENOTDIR ? Refusal::LinkOrNoFolder : Refusal::CannotOpen;
        reason = std::strerror(errno);
        return OwnFolder(nullptr);
    }
    std::unique_ptr<Handle> handle(new Handle{fd});
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
        refusal = Refusal::AnotherUsers;
        return OwnFolder(nullptr);
    }
    refusal = Refusal::None;
    return OwnFolder(std::move(handle));
}

OwnFolder::Made OwnFolder::MakeNewFile(const std::string& name, const void* bytes, std::size_t size,
                                       std::string& reason) const
{
    const int fd = ::openat(handle->fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST)
        return Made::NameTaken;
    if (fd < 0) {
        reason = std::strerror(errno);
        return Made::NotMade;
    }
    const auto* at = static_cast<const unsigned char*>(bytes);
    std::size_t done = 0;
    int error = 0;
    while (done < size) {
        const ssize_t w = ::write(fd, at + done, size - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            error = w < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(w);
    }
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0)
        return Made::Done;
    ::unlinkat(handle->fd, name.c_str(), 0);
    reason = std::strerror(error);
    return Made::NotWritten;
}

std::vector<std::string> OwnFolder::RegularFiles() const
{
    std::vector<std::string> names;
    const int listing = ::dup(handle->fd);
    DIR* d = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (!d) {
        if (listing >= 0)
            ::close(listing);
        return names;
    }
    ::rewinddir(d);
    while (const dirent* entry = ::readdir(d)) {
        struct stat st {};
        if (::fstatat(handle->fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            names.emplace_back(entry->d_name);
    }
    ::closedir(d);
    return names;
}

void OwnFolder::Remove(const std::string& name) const
{
    ::unlinkat(handle->fd, name.c_str(), 0);
}

} // namespace platform
