#pragma once

// What differs between systems beneath files/. One file per system
// (PosixFileSystem.cpp, Win32FileSystem.cpp), chosen by the build,
// implements this header, NativePath.h and RegularFile.h but for its texts;
// the rest of files/ is the same everywhere. Paths are UTF-8.

#include <cstddef>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The calendar time of `when` in UTC, on any thread.
std::tm Utc(std::time_t when);
// The same in the person's time zone.
std::tm Local(std::time_t when);

enum class PathKind { Missing, Folder, Other };

// What is at `path` after following links; Missing also when it cannot be
// looked at. Nothing is opened, so no device wakes up.
PathKind KindOf(const std::string& path);
// The system's answer whether this user may write the file at `path`, or
// make new files in the folder at `path`, now.
bool MayWrite(const std::string& path);
bool MayMakeFilesIn(const std::string& folder);

// Makes `folder` and those above it where missing. What could not be made
// shows when it is used.
void MakeFolders(const std::string& folder);

// A folder for backups, held open so that it stays the folder that was
// checked while files are made and deleted in it.
class OwnFolder {
  public:
    enum class Refusal { None, LinkOrNoFolder, AnotherUsers, CannotOpen };
    enum class Made { Done, NameTaken, NotMade, NotWritten };

    // Makes the folder when missing and opens it when it is this user's own
    // and not a link. `reason` is the system's text for CannotOpen.
    static OwnFolder Open(const std::string& path, Refusal& refusal, std::string& reason);
    OwnFolder(OwnFolder&&) noexcept;
    ~OwnFolder();

    // Creates `name` only when nothing there has that name yet, and writes
    // all of `bytes` to the disk, or removes it again. `reason` is the
    // system's text for NotMade and NotWritten.
    Made MakeNewFile(const std::string& name, const void* bytes, std::size_t size, std::string& reason) const;
    // The regular files in it; links, folders and devices are left out.
    std::vector<std::string> RegularFiles() const;
    void Remove(const std::string& name) const;

  private:
    struct Handle;
    explicit OwnFolder(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> handle;
};

} // namespace platform
