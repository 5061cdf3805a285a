#include "keyer/PortProblems.h"

#include <QLockFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

std::string ResolveDevice(const std::string& name)
{
    std::error_code ec;
    const auto resolved = std::filesystem::canonical(name, ec);
    return ec ? name : resolved.string();
}

namespace {

#ifdef Q_OS_UNIX
// The process that holds the serial library's lock on `device`, or 0. The
// lock files are "LCK.." and the name below /dev, slashes as underscores, in
// the first of these folders that has one.
qint64 LockHolder(const std::string& device)
{
    QString name = QString::fromStdString(device);
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp",
                               "/var/lock/lockdev", "/run/lock"}) {
        QLockFile lock(QString::fromLatin1(folder) + QLatin1String("/LCK..") + name);
        qint64 pid = 0;
        QString host, application;
        if (lock.getLockInfo(&pid, &host, &application) && pid > 0)
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
#endif

} // namespace

std::string ExplainOpenFailure(const std::string& device, const std::string& systemText)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return "No such device: " + device + ". Is the adapter plugged in, and is this the right port?";
    if (const qint64 pid = LockHolder(device))
        return "Locked by process " + std::to_string(pid) + ": " + device +
               " is in use by another program. Close it, or choose another port.";
    if (::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        const std::string group = GroupOf(device);
        return "Permission denied: " + device + " belongs to the group \"" + group +
               "\". Add yourself to it (sudo adduser $USER " + group + ") and log in again.";
    }
    if (systemText.find("ermission") != std::string::npos || systemText.find("busy") != std::string::npos)
        return "Busy: " + device + " is held open by another program. Close it, or choose another port.";
#endif
    return device + ": " + systemText;
}
