#include "keyer/PortProblems.h"

#include "keyer/PortWords.h"

#include <QFile>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
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
QStringList LockFiles(const std::string& device)
{
    QString name = QString::fromStdString(device);
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    QStringList files;
    for (const char* folder : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp", "/var/tmp",
                               "/var/lock/lockdev", "/run/lock"})
        files << QString::fromLatin1(folder) + QLatin1String("/LCK..") + name;
    return files;
}

qint64 LockHolder(const std::string& device)
{
    for (const QString& file : LockFiles(device)) {
        QLockFile lock(file);
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

void ClearStaleLock(const std::string& device)
{
#ifdef Q_OS_UNIX
    for (const QString& file : LockFiles(device)) {
        const QByteArray path = QFile::encodeName(file);
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        QLockFile lock(file);
        qint64 pid = 0;
        QString host, application;
        const bool named = lock.getLockInfo(&pid, &host, &application) && pid > 0;
        // One being made this moment is empty too, for a moment.
        const bool emptyAndOld = !named && st.st_size == 0 && std::time(nullptr) - st.st_mtime > 2;
        const bool holderGone = named && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        if (emptyAndOld || holderGone)
            ::unlink(path.constData());
    }
#else
    (void)device;
#endif
}

std::string ExplainOpenFailure(const std::string& device, const std::string& systemText)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
        return NoSuchDevice(device);
    if (const qint64 pid = LockHolder(device))
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
#endif
    return SystemSaid(device, systemText);
}
