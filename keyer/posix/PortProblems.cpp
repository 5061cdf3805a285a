#include "keyer/PortProblems.h"

#include "keyer/PortWords.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <signal.h>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The lock files the serial libraries make for `device`: "LCK.." and the
// name below /dev, slashes as underscores, in any of these folders.
std::vector<std::string> LockFiles(const std::string& device)
{
    std::string name = device.starts_with("/dev/") ? device.substr(5) : device;
    for (char& c : name) {
        if (c == '/')
            c = '_';
    }
    std::vector<std::string> files;
    for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp",
                               "/var/lock/lockdev", "/run/lock"})
        files.push_back(std::string(folder) + "/LCK.." + name);
    return files;
}

// The process a lock file names, or 0. Qt writes the pid on the first line
// and the program and host on the next; lockdev and UUCP write the pid
// alone, padded with spaces to ten places.
std::int64_t LockHolderIn(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line))
        return 0;
    const auto first = line.find_first_not_of(" \t");
    const auto last = line.find_last_not_of(" \t\r");
    if (first == std::string::npos)
        return 0;
    const std::string_view digits = std::string_view(line).substr(first, last + 1 - first);
    std::int64_t pid = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9' || pid > (INT64_MAX - 9) / 10)
            return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

std::int64_t LockHolder(const std::string& device)
{
    for (const std::string& file : LockFiles(device)) {
        if (const std::int64_t pid = LockHolderIn(file))
            return pid;
    }
    return 0;
}

std::string GroupOf(const std::string& device)
{
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0)
        return {};
    const group* g = ::getgrgid(st.st_gid);
    return g ? g->gr_name : std::to_string(st.st_gid);
}

} // namespace

void ClearStaleLock(const std::string& device)
{
    for (const std::string& file : LockFiles(device)) {
        struct stat st {};
        if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const std::int64_t pid = LockHolderIn(file);
        // One being made this moment is empty too, for a moment.
        const bool emptyAndOld = pid == 0 && st.st_size == 0 && std::time(nullptr) - st.st_mtime > 2;
        const bool holderGone = pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        if (emptyAndOld || holderGone)
            ::unlink(file.c_str());
    }
}

std::string ExplainOpenFailure(const std::string& device, const std::string& systemText)
{
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return NoSuchDevice(device);
    if (const std::int64_t pid = LockHolder(device))
        return InUseElsewhere("Locked by process " + std::to_string(pid), device);
    if (::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        const std::string group = GroupOf(device);
        return "Permission denied: " + device + " belongs to the group \"" + group +
               "\". Add yourself to it (sudo adduser $USER " + group + ") and log in again.";
    }
    // The lock file that claims the port must be written, a few bytes.
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < 1024)
        return "A file-size limit of " + std::to_string(limit.rlim_cur) + " bytes (ulimit -f) keeps the lock for " +
               device + " from being written. Raise the limit and try again.";
    if (systemText.find("ermission") != std::string::npos || systemText.find("busy") != std::string::npos)
        return InUseElsewhere("Busy", device);
    return SystemSaid(device, systemText);
}

std::optional<bool> IsTerminal(const std::string& device)
{
    // Only to ask: no waiting for a carrier, and never the program's
    // controlling terminal.
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const bool terminal = ::isatty(fd) == 1;
    ::close(fd);
    return terminal;
}

std::string SystemErrorText(unsigned long error)
{
    std::string words = std::strerror(static_cast<int>(error));
    while (!words.empty() && words.back() == '.')
        words.pop_back();
    return words;
}
