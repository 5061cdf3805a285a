// What the file checks make their POSIX way.

#include "files/FileChecks.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::vector<std::string> OddKinds()
{
    return {"folder", "fifo", "device"};
}

std::string MakeOddFile(const std::string& kind, const std::string& path)
{
    if (kind == "folder")
        fs::create_directory(path);
    else if (kind == "fifo")
        ::mkfifo(path.c_str(), 0644);
    else if (kind == "device")
        fs::create_symlink("/dev/zero", path);
    return path;
}

bool FinishesPromptly(const std::function<void()>& job, const std::string& fifo)
{
    auto done = std::async(std::launch::async, job);
    if (done.wait_for(std::chrono::seconds(3)) == std::future_status::ready)
        return true;
    const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    done.wait();
    ::close(fd);
    return false;
}

std::string DevicePath()
{
    return "/dev/null";
}

std::optional<FolderLink> LinkToFolder(const TestFolder& folder)
{
    FolderLink linked{folder.Path("linked"), folder.Path("theirs")};
    fs::create_directories(linked.target);
    fs::create_directory_symlink(linked.target, linked.link);
    return linked;
}

Unreadable MakeUnreadable(const std::string& path, const std::string&)
{
    fs::create_symlink(path, path);
    return {std::strerror(ELOOP), nullptr};
}
