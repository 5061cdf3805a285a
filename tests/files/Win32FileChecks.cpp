// What the file checks make their Windows way.

#include "files/FileChecks.h"
#include "files/NativePath.h"

#include <cstdlib>
#include <filesystem>
#include <windows.h>

std::vector<std::string> OddKinds()
{
    return {"folder", "device"};
}

std::string MakeOddFile(const std::string& kind, const std::string& path)
{
    if (kind == "device")
        return DevicePath();
    std::filesystem::create_directory(NativePath(path));
    return path;
}

// Nothing here waits on being opened the way a FIFO does.
bool FinishesPromptly(const std::function<void()>& job, const std::string&)
{
    job();
    return true;
}

std::string DevicePath()
{
    // In whatever folder it is named, COM1 or NUL is the device.
    return "NUL";
}

std::optional<FolderLink> LinkToFolder(const TestFolder& folder)
{
    // Wine makes no links; the build makes one on the host beforehand.
    const char* link = std::getenv("MV2MGR_LINK");
    const char* target = std::getenv("MV2MGR_LINK_TARGET");
    if (link && target)
        return FolderLink{link, target};
    FolderLink linked{folder.Path("linked"), folder.Path("theirs")};
    std::filesystem::create_directories(NativePath(linked.target));
    if (!::CreateSymbolicLinkW(NativePath(linked.link).c_str(), NativePath(linked.target).c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        return std::nullopt;
    return linked;
}

Unreadable MakeUnreadable(const std::string& path, const std::string& bytes)
{
    WriteBytes(path, bytes);
    // Shared with no one, as a program that locks its file opens it.
    const HANDLE held = ::CreateFileW(NativePath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return {"it is in use by another program", std::shared_ptr<void>(held, ::CloseHandle)};
}
