// The file checks that need POSIX: FIFOs, devices, file-size limits, other
// users, time zones and two processes at once.

#include "files/Backups.h"
#include "files/EepromFile.h"
#include "files/FileChecks.h"
#include "files/PortSettings.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <doctest.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// An unprivileged user, for checks that root's permissions would skip.
constexpr uid_t Nobody = 65534;

// Runs `run` with a file-size limit of `bytes`, which makes a write fail
// the way a full disk does.
template <typename Run> auto WithFileSizeLimit(rlim_t bytes, Run run)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto result = run();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    return result;
}

} // namespace

TEST_CASE("saving keeps the mode")
{
    const TestFolder dir;
    const auto path = dir.Path("keep.eep");
    WriteBytes(path, "old contents");
    ::chmod(path.c_str(), 0640);
    CHECK(StoreEepromFile(path, CountingImage(5)) == "");
    CHECK((fs::status(path).permissions() & fs::perms::all) ==
          (fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read));
    CHECK(EntriesIn(dir.path) == 1);
}

TEST_CASE("a failed save keeps the old file")
{
    const TestFolder dir;
    const auto path = dir.Path("old.eep");
    WriteBytes(path, std::string(256, 'x'));
    const std::string problem = WithFileSizeLimit(100, [&] { return StoreEepromFile(path, CountingImage(0)); });
    CHECK(problem == "Export Log File Failed.");
    CHECK(ReadBytes(path) == std::string(256, 'x'));
    CHECK(EntriesIn(dir.path) == 1);
}

TEST_CASE("saving through a link replaces what it points to")
{
    const TestFolder dir;
    const auto target = dir.Path("real.eep");
    const auto link = dir.Path("link.eep");
    WriteBytes(target, std::string(256, 'a'));
    fs::create_symlink(target, link);
    CHECK(StoreEepromFile(link, CountingImage(2)) == "");
    CHECK(fs::is_symlink(link));
    CHECK(ReadBytes(target)[0] == 2);

    // A hard link stays one file: no rename parts the two names.
    const auto second = dir.Path("second.eep");
    fs::create_hard_link(target, second);
    CHECK(StoreEepromFile(target, CountingImage(5)) == "");
    CHECK(fs::hard_link_count(target) == 2);
}

TEST_CASE("a failed port settings write warns")
{
    const TestFolder dir;
    const std::string result = WithFileSizeLimit(2, [&] { return WritePortSettings(dir.Path("mv2mgr.cfg"), 2); });
    CHECK(result == "CFG File SAve Failed.");
}

TEST_CASE("backups never replace one another")
{
    // Two processes (two keyers, or the window beside the command line)
    // keep a backup in the same second, released at the same moment.
    const TestFolder dir;
    const std::time_t second = 1796640125;
    for (int round = 0; round < 8; ++round) {
        CAPTURE(round);
        const std::string folder = dir.Path("race" + std::to_string(round));
        int go[2];
        REQUIRE(::pipe(go) == 0);
        pid_t children[2];
        for (int i = 0; i < 2; ++i) {
            children[i] = ::fork();
            if (children[i] == 0) {
                char byte = 0;
                const bool released = ::read(go[0], &byte, 1) == 1;
                _exit(released && SaveBackup(folder, CountingImage(10 * i), 30, BackupKind::Read, second).empty() ? 0
                                                                                                                  : 1);
            }
        }
        REQUIRE(::write(go[1], "gg", 2) == ssize_t(2));
        for (const pid_t child : children) {
            int status = 0;
            ::waitpid(child, &status, 0);
            CHECK((WIFEXITED(status) && WEXITSTATUS(status) == 0));
        }
        ::close(go[0]);
        ::close(go[1]);
        const std::vector<std::string> kept = ListBackups(folder);
        REQUIRE(kept.size() == std::size_t(2));
        CHECK(ReadBytes(folder + "/" + kept[0])[0] + ReadBytes(folder + "/" + kept[1])[0] == 0 + 10);
    }
}

TEST_CASE("backups are not kept in another user's folder")
{
    if (::geteuid() != 0) {
        MESSAGE("giving a folder to another user needs root");
        return;
    }
    const TestFolder dir;
    const std::time_t now = 1796640125;
    const std::string theirs = dir.Path("theirs");
    fs::create_directories(theirs);
    for (int i = 0; i < BackupsKept; ++i)
        WriteBytes(theirs + "/" + BackupName(now - 1000 + i, 30, BackupKind::Read), "theirs");
    REQUIRE(::chown(theirs.c_str(), Nobody, Nobody) == 0);
    const std::string foreign = SaveBackup(theirs, CountingImage(1), 30, BackupKind::Read, now);
    CHECK(foreign == theirs + " belongs to another user; backups are kept only in a folder of your own.");
    CHECK(ListBackups(theirs).size() == std::size_t(BackupsKept));
    CHECK(ReadBytes(theirs + "/" + BackupName(now - 1000, 30, BackupKind::Read)) == "theirs");
}

TEST_CASE("backup names are UTC")
{
    const std::time_t morning = 1796640125; // 2026-12-07 10:42:05 UTC
    const char* saved = std::getenv("TZ");
    const std::string before = saved ? saved : "";
    for (const char* zone : {"Pacific/Kiritimati", "America/St_Johns", "UTC"}) {
        CAPTURE(zone);
        ::setenv("TZ", zone, 1);
        ::tzset();
        CHECK(BackupName(morning, 30, BackupKind::Read) == "2026-12-07T10-42-05Z_rev30_read.eep");
    }
    saved ? ::setenv("TZ", before.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

TEST_CASE("saving respects owner and permissions")
{
    if (::geteuid() != 0) {
        MESSAGE("needs root to stage files of two users");
        return;
    }
    const struct {
        const char* name;
        bool folderWritable;
        bool fileIsUsers;
        mode_t mode;
        bool saved;
    } rows[] = {
        {"own file", true, true, 0600, true},
        {"own read-only file", true, true, 0444, false},
        {"another's file, read-only to us", true, false, 0644, false},
        {"another's file, writable to us", true, false, 0666, true},
        {"folder takes no new file", false, true, 0640, true},
    };
    for (const auto& row : rows) {
        CAPTURE(row.name);
        // The user's own folder, holding one file.
        const TestFolder dir;
        ::chmod(dir.path.c_str(), 0755);
        const std::string folder = dir.Path("home");
        fs::create_directory(folder);
        const std::string path = folder + "/keyer.eep";
        const std::string old(256, 'o');
        WriteBytes(path, old);
        const uid_t owner = row.fileIsUsers ? Nobody : 0;
        REQUIRE(::chown(path.c_str(), owner, owner) == 0);
        REQUIRE(::chmod(path.c_str(), row.mode) == 0);
        REQUIRE(::chown(folder.c_str(), Nobody, Nobody) == 0);
        REQUIRE(::chmod(folder.c_str(), row.folderWritable ? 0755 : 0555) == 0);

        // The save runs as that user, so the kernel's permission checks apply.
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
                ::_exit(3);
            const std::string problem = StoreEepromFile(path, CountingImage(1));
            ::_exit(problem.empty() ? 0 : problem == "Can't open EEPROM file for write" ? 1 : 2);
        }
        int status = 0;
        REQUIRE(::waitpid(child, &status, 0) == child);
        REQUIRE(WIFEXITED(status));
        CHECK(WEXITSTATUS(status) == (row.saved ? 0 : 1));

        const EepromImage fresh = CountingImage(1);
        CHECK(ReadBytes(path) == (row.saved ? std::string(fresh.bytes.begin(), fresh.bytes.end()) : old));
        struct stat st {};
        REQUIRE(::stat(path.c_str(), &st) == 0);
        CHECK(st.st_uid == owner);
        CHECK((st.st_mode & 07777) == row.mode);
        CHECK(EntriesIn(folder) == 1);
    }
}
