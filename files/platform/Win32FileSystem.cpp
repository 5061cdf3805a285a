#include "files/NativePath.h"
#include "files/RegularFile.h"
#include "files/WideText.h"
#include "files/platform/FileSystem.h"

#include <cstdint>
#include <fcntl.h>
#include <io.h>
#include <random>
#include <string_view>
#include <utility>
#include <windows.h>

namespace {

// The form every call below takes: a path of MAX_PATH or more characters
// only works as an absolute "\\?\" path.
std::wstring SystemPath(const std::wstring& path)
{
    // CreateDirectoryW's own limit is 12 characters short of MAX_PATH.
    if (path.size() < MAX_PATH - 12 || path.starts_with(L"\\\\?\\"))
        return path;
    std::wstring full(::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    full.resize(::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    if (full.empty())
        return path;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring SystemPath(const std::string& utf8)
{
    return SystemPath(Wide(utf8));
}

// "Access is denied", without the line break and full stop that the
// sentences around it bring themselves.
std::string SystemText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n ? std::wstring(text, n) : L"error " + std::to_wstring(error);
    ::LocalFree(text);
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    return Utf8(message);
}

class Handle {
  public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h(h) {}
    Handle(Handle&& other) noexcept : h(other.release()) {}
    Handle& operator=(Handle&& other) noexcept
    {
        Close();
        h = other.release();
        return *this;
    }
    ~Handle() { Close(); }
    explicit operator bool() const { return h != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h; }
    HANDLE release() { return std::exchange(h, INVALID_HANDLE_VALUE); }
    bool Close() { return h == INVALID_HANDLE_VALUE || ::CloseHandle(release()); }

  private:
    HANDLE h;
};

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A name such as "COM1" or "NUL" is a device in whatever folder it is named.
bool IsDevice(const std::wstring& path)
{
    std::wstring full(MAX_PATH, L'\0');
    const DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    return n > 0 && n < full.size() && std::wstring_view(full.data(), n).starts_with(L"\\\\.\\");
}

// What is at `path`, looked at without opening it: opening a serial port
// would raise its lines.
enum class Seen { Missing, Unreachable, Regular, NotRegular };

bool IsMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Why a file that is there could not be opened.
FileProblem Unreadable(DWORD error, std::string* why)
{
    const bool inUse = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    if (why)
        *why = inUse                          ? UnreadableWords::InUse
               : error == ERROR_ACCESS_DENIED ? UnreadableWords::Denied
                                              : SystemText(error);
    return inUse ? FileProblem::InUse : FileProblem::Refused;
}

Seen Look(const std::wstring& path, DWORD* failure = nullptr)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (failure)
            *failure = error;
        return IsMissing(error) ? Seen::Missing : Seen::Unreachable;
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) || IsDevice(path))
        return Seen::NotRegular;
    return Seen::Regular;
}

bool WriteAll(HANDLE file, const void* bytes, std::size_t size)
{
    const auto* at = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 1u << 30 ? 1u << 30 : static_cast<DWORD>(size);
        if (!::WriteFile(file, at, chunk, &written, nullptr) || written == 0)
            return false;
        at += written;
        size -= written;
    }
    return true;
}

// Takes over `file` as a C stdio file when it is a file on a disk.
File Adopt(Handle file, int flags, const char* mode, FileProblem& problem, std::string* why = nullptr)
{
    if (!file) {
        const DWORD error = ::GetLastError();
        problem = IsMissing(error) ? FileProblem::Missing : Unreadable(error, why);
        return nullptr;
    }
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        problem = FileProblem::NotRegular;
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(file.get()), flags);
    if (fd < 0) {
        problem = FileProblem::Refused;
        return nullptr;
    }
    file.release();
    File adopted(::_fdopen(fd, mode));
    if (!adopted) {
        ::_close(fd);
        problem = FileProblem::Refused;
        return nullptr;
    }
    problem = FileProblem::None;
    return adopted;
}

} // namespace

std::filesystem::path NativePath(const std::string& utf8)
{
    return Wide(utf8);
}

std::string Utf8Path(const std::filesystem::path& path)
{
    return Utf8(path.native());
}

// Windows has no file-size signal: a write past a quota simply fails.
void KeepWritesPastLimitsAsErrors() {}

File OpenRegularForReading(const std::string& path, FileProblem& problem, std::string* why)
{
    const std::wstring wide = SystemPath(path);
    DWORD failure = 0;
    switch (Look(wide, &failure)) {
    case Seen::Missing:
        problem = FileProblem::Missing;
        return nullptr;
    case Seen::Unreachable:
        problem = Unreadable(failure, why);
        return nullptr;
    case Seen::NotRegular:
        problem = FileProblem::NotRegular;
        return nullptr;
    case Seen::Regular:
        break;
    }
    // What was looked at may have been swapped since; Adopt checks again.
    Handle file(
        ::CreateFileW(wide.c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return Adopt(std::move(file), _O_RDONLY | _O_BINARY, "rb", problem, why);
}

File CreateRegularForWriting(const std::string& path, FileProblem& problem)
{
    const std::wstring wide = SystemPath(path);
    if (Look(wide) == Seen::NotRegular) {
        problem = FileProblem::NotRegular;
        return nullptr;
    }
    Handle file(::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
    // Emptied only once it is known to be a file on a disk.
    if (file && ::GetFileType(file.get()) == FILE_TYPE_DISK && !::SetEndOfFile(file.get())) {
        problem = FileProblem::Refused;
        return nullptr;
    }
    return Adopt(std::move(file), _O_WRONLY | _O_BINARY, "wb", problem);
}

namespace {

// A name beside `target` that no file has yet, created by us alone.
Handle CreateTemporaryBeside(const std::wstring& target, std::wstring& temporary)
{
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary = target + L".tmp" + std::to_wstring(random() % 1000000);
        Handle file(
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file || ::GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return Handle();
}

enum class Renamed { Done, NotPossible, WriteFailed };

// What of an old file's attributes its replacement takes over; a read-only
// file never gets this far.
constexpr DWORD KeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Writes a new file beside `target` and renames it over, so that a failed
// write never destroys what was there. `old` holds the attributes of the
// file being replaced, if any. (ReplaceFileW would keep more, but under
// wine a failed one leaves a stray file behind.)
Renamed ReplaceByRename(const std::wstring& target, const DWORD* old, const void* bytes, std::size_t size)
{
    std::wstring temporary;
    Handle file = CreateTemporaryBeside(target, temporary);
    if (!file)
        return Renamed::NotPossible;
    if (old && !::SetFileAttributesW(temporary.c_str(), (*old & KeptAttributes) | FILE_ATTRIBUTE_NORMAL)) {
        file.Close();
        ::DeleteFileW(temporary.c_str());
        return Renamed::NotPossible;
    }
    // The rename must not land before the bytes do.
    const bool written = WriteAll(file.get(), bytes, size) && ::FlushFileBuffers(file.get());
    const bool closed = file.Close();
    if (written && closed &&
        ::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Renamed::Done;
    ::DeleteFileW(temporary.c_str());
    return Renamed::WriteFailed;
}

Handle OpenToWrite(const std::wstring& path)
{
    return Handle(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, ShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The path of the file itself, behind any link to it.
std::wstring FinalPath(HANDLE file, const std::wstring& fallback)
{
    std::wstring path(::GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED), L'\0');
    const DWORD n = ::GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
    if (n == 0 || n >= path.size())
        return fallback;
    path.resize(n);
    return path;
}

} // namespace

FileProblem ReplaceRegularFile(const std::string& path, const void* bytes, std::size_t size)
{
    std::wstring target = SystemPath(path);
    switch (Look(target)) {
    case Seen::Missing:
        switch (ReplaceByRename(target, nullptr, bytes, size)) {
        case Renamed::Done:
            return FileProblem::None;
        case Renamed::NotPossible:
            return FileProblem::Refused;
        case Renamed::WriteFailed:
            return FileProblem::WriteFailed;
        }
        return FileProblem::WriteFailed;
    case Seen::Unreachable:
        return FileProblem::Refused;
    case Seen::NotRegular:
        // Replacing a device or a folder would destroy what is not ours.
        return FileProblem::NotRegular;
    case Seen::Regular:
        break;
    }
    // The system's own answer to whether this user may write this file; a
    // replacement would otherwise stand in for a file the user may not write.
    Handle file = OpenToWrite(target);
    if (!file)
        return FileProblem::Refused;
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        return FileProblem::NotRegular;
    // Replace the file a link points to, not the link.
    target = FinalPath(file.get(), target);
    // A second hard link would keep the old bytes after a replacement.
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(file.get(), &info) && info.nNumberOfLinks == 1) {
        // The old file must be free to give up its name.
        file.Close();
        const Renamed renamed = ReplaceByRename(target, &info.dwFileAttributes, bytes, size);
        if (renamed != Renamed::NotPossible)
            return renamed == Renamed::Done ? FileProblem::None : FileProblem::WriteFailed;
        file = OpenToWrite(target);
        if (!file)
            return FileProblem::Refused;
    }
    const bool written =
        WriteAll(file.get(), bytes, size) && ::SetEndOfFile(file.get()) && ::FlushFileBuffers(file.get());
    const bool closed = file.Close();
    return written && closed ? FileProblem::None : FileProblem::WriteFailed;
}

namespace platform {

std::tm Utc(std::time_t when)
{
    std::tm utc{};
    ::gmtime_s(&utc, &when);
    return utc;
}

std::tm Local(std::time_t when)
{
    std::tm local{};
    ::localtime_s(&local, &when);
    return local;
}

PathKind KindOf(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(SystemPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Folder : PathKind::Other;
}

bool MayWrite(const std::string& path)
{
    const std::wstring wide = SystemPath(path);
    // A device is never opened to ask; writing to it is refused later.
    if (Look(wide) != Seen::Regular)
        return true;
    return static_cast<bool>(OpenToWrite(wide));
}

bool MayMakeFilesIn(const std::string& folder)
{
    // Only trying tells: permissions here are lists of rules, not bits.
    const std::wstring probe = SystemPath(Wide(folder) + L"\\~mv2mgr" + std::to_wstring(::GetCurrentProcessId()));
    const Handle file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file || ::GetLastError() == ERROR_FILE_EXISTS;
}

namespace {

void MakeFoldersWide(const std::wstring& folder)
{
    if (folder.empty() || ::GetFileAttributesW(SystemPath(folder).c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    const auto cut = folder.find_last_of(L"\\/");
    if (cut != std::wstring::npos && cut > 0)
        MakeFoldersWide(folder.substr(0, cut));
    ::CreateDirectoryW(SystemPath(folder).c_str(), nullptr);
}

} // namespace

void MakeFolders(const std::string& folder)
{
    MakeFoldersWide(Wide(folder));
}

struct OwnFolder::Handle {
    ::Handle folder;
    std::wstring path;
    std::wstring Entry(const std::string& name) const { return SystemPath(path + L"\\" + Wide(name)); }
};

OwnFolder::OwnFolder(std::unique_ptr<Handle> handle) : handle(std::move(handle)) {}
OwnFolder::OwnFolder(OwnFolder&&) noexcept = default;
OwnFolder::~OwnFolder() = default;

OwnFolder OwnFolder::Open(const std::string& path, Refusal& refusal, std::string& reason)
{
    MakeFolders(path);
    const std::wstring wide = SystemPath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        refusal = Refusal::CannotOpen;
        reason = SystemText(::GetLastError());
        return OwnFolder(nullptr);
    }
    // Held without delete sharing, the folder cannot be swapped for a link
    // while backups are made in it; the handle tells what it really is.
    ::Handle folder(::CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) {
        refusal = Refusal::CannotOpen;
        reason = SystemText(::GetLastError());
        return OwnFolder(nullptr);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const auto isLinkOrNoFolder = [](DWORD a) {
        return !(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT);
    };
    if (isLinkOrNoFolder(attributes) || !::GetFileInformationByHandle(folder.get(), &info) ||
        isLinkOrNoFolder(info.dwFileAttributes)) {
        refusal = Refusal::LinkOrNoFolder;
        return OwnFolder(nullptr);
    }
    refusal = Refusal::None;
    return OwnFolder(std::unique_ptr<Handle>(new Handle{std::move(folder), Wide(path)}));
}

OwnFolder::Made OwnFolder::MakeNewFile(const std::string& name, const void* bytes, std::size_t size,
                                       std::string& reason) const
{
    const std::wstring entry = handle->Entry(name);
    ::Handle file(::CreateFileW(entry.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_EXISTS)
            return Made::NameTaken;
        reason = SystemText(error);
        return Made::NotMade;
    }
    DWORD error = 0;
    if (!WriteAll(file.get(), bytes, size) || !::FlushFileBuffers(file.get()))
        error = ::GetLastError();
    if (!file.Close() && error == 0)
        error = ::GetLastError();
    if (error == 0)
        return Made::Done;
    ::DeleteFileW(entry.c_str());
    reason = SystemText(error);
    return Made::NotWritten;
}

std::vector<std::string> OwnFolder::RegularFiles() const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(SystemPath(handle->path + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes &
              (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)))
            names.push_back(Utf8(found.cFileName));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

void OwnFolder::Remove(const std::string& name) const
{
    ::DeleteFileW(handle->Entry(name).c_str());
}

} // namespace platform
