#include "app/FileCommands.h"
#include "files/Backups.h"
#include "files/EepromFile.h"
#include "files/PortSettings.h"
#include "support/RecordingPrompts.h"

#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

EepromImage CountingImage(int start)
{
    EepromImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(start + static_cast<int>(i));
    return image;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs `job` with a time limit. A job stuck opening a FIFO is set free by
// opening the FIFO's other end, and the test then fails.
template <typename Job> bool FinishesPromptly(Job job, const std::string& fifo)
{
    auto done = std::async(std::launch::async, job);
    if (done.wait_for(std::chrono::seconds(3)) == std::future_status::ready)
        return true;
    const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    done.wait();
    ::close(fd);
    return false;
}

// Puts something that is not a regular file at `path`.
void MakeOddFile(const std::string& kind, const std::string& path)
{
    if (kind == "folder")
        fs::create_directory(path);
    else if (kind == "fifo")
        ::mkfifo(path.c_str(), 0644);
    else if (kind == "device")
        fs::create_symlink("/dev/zero", path);
}

// An unprivileged user, for checks that root's permissions would skip.
constexpr uid_t Nobody = 65534;

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

  private slots:
    void init()
    {
        dir.emplace();
        QVERIFY(dir->isValid());
        prompts = RecordingPrompts();
        shownNames.clear();
    }

    void saveThenOpenRoundTrips();
    void openLongFileTakesFirst256();
    void openRefusesShortFile_data();
    void openRefusesShortFile();
    void openFailures_data();
    void openFailures();
    void openCancelledChangesNothing();
    void saveReplacesWithoutLeavingTemporaries();
    void saveFailureKeepsOldFile();
    void saveRefusesFoldersAndDevices_data();
    void saveRefusesFoldersAndDevices();
    void saveIntoMissingFolder();
    void saveThroughLinkReplacesTarget();
    void saveRespectsOwnerAndPermissions_data();
    void saveRespectsOwnerAndPermissions();
    void backupsSortAndRotate();
    void backupsNeverReplaceOneAnother();
    void backupJustMadeSurvivesAWrongClock();
    void backupsOnlyInAFolderOfOnesOwn();
    void backupNamesAreUtc();
    void baseName_data();
    void baseName();

    void portSettingsRead_data();
    void portSettingsRead();
    void portSettingsMissingFileWritesPortOne();
    void portSettingsChoiceRewritesFile();
    void portSettingsUnwritableFolderIsSilent();
    void portSettingsNotAFileCountsAsMissing_data();
    void portSettingsNotAFileCountsAsMissing();
    void portSettingsWriteFailureWarns();

  private:
    std::string Path(const char* name) const { return dir->filePath(name).toStdString(); }
    std::optional<QTemporaryDir> dir;
    RecordingPrompts prompts;
    std::vector<std::string> shownNames;
    FileNameDisplay show = [this](const std::string& name, const std::string&) { shownNames.push_back(name); };
};

void TestFiles::saveThenOpenRoundTrips()
{
    const auto path = Path("test.eep");
    const EepromImage saved = CountingImage(3);
    prompts.answers = {path, path};
    QCOMPARE(SaveEepromFile(saved, prompts, Owner::MainWindow, show), 1);
    QCOMPARE(fs::file_size(path), 256u);
    EepromImage loaded;
    QCOMPARE(OpenEepromFile(loaded, prompts, Owner::MainWindow, show), 1);
    QVERIFY(loaded == saved);
    QVERIFY(prompts.boxes.empty());
    QCOMPARE(shownNames, (std::vector<std::string>{"test.eep", "File Name: test.eep"}));
}

void TestFiles::openLongFileTakesFirst256()
{
    const auto path = Path("long.eep");
    std::string bytes(300, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    WriteBytes(path, bytes);
    EepromImage image;
    QCOMPARE(LoadEepromFile(path, image), std::string());
    for (std::size_t i = 0; i < 256; ++i)
        QCOMPARE(image.bytes[i], static_cast<std::uint8_t>(i * 7));
}

void TestFiles::openRefusesShortFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << 0 << "This file holds 0 bytes; an EEPROM file holds 256. Nothing was loaded.";
    QTest::newRow("one") << 1 << "This file holds 1 byte; an EEPROM file holds 256. Nothing was loaded.";
    QTest::newRow("100") << 100 << "This file holds 100 bytes; an EEPROM file holds 256. Nothing was loaded.";
    QTest::newRow("255") << 255 << "This file holds 255 bytes; an EEPROM file holds 256. Nothing was loaded.";
}

void TestFiles::openRefusesShortFile()
{
    QFETCH(int, size);
    QFETCH(QString, message);
    const auto path = Path("short.eep");
    WriteBytes(path, std::string(static_cast<std::size_t>(size), '\x55'));
    EepromImage image = CountingImage(0);
    const EepromImage before = image;
    prompts.answers = {path};
    QCOMPARE(OpenEepromFile(image, prompts, Owner::MainWindow, show), 0);
    QVERIFY(image == before);
    QCOMPARE(QString::fromStdString(prompts.LastText()), message);
    QCOMPARE(prompts.boxes.back().owner, std::optional(Owner::MainWindow));
}

void TestFiles::openFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString odd = QStringLiteral("\"%1\" is not a regular file. Nothing was loaded.");
    QTest::newRow("missing") << "missing"
                             << "File Not Found";
    QTest::newRow("folder") << "folder" << odd;
    QTest::newRow("fifo without writer") << "fifo" << odd;
    QTest::newRow("link to a device") << "device" << odd;
}

void TestFiles::openFailures()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    const QString name = kind + ".eep";
    const std::string path = Path(name.toUtf8().constData());
    MakeOddFile(kind.toStdString(), path);
    EepromImage image = CountingImage(9);
    const EepromImage before = image;
    prompts.answers = {path};
    int result = -1;
    QVERIFY(FinishesPromptly([&] { result = OpenEepromFile(image, prompts, Owner::MainWindow, show); }, path));
    QCOMPARE(result, 0);
    QVERIFY(image == before);
    message = message.arg(QString::fromStdString(path));
    QCOMPARE(prompts.boxes.size(), 1u);
    QCOMPARE(prompts.boxes[0].kind, ShownBox::Error);
    QCOMPARE(QString::fromStdString(prompts.boxes[0].text), message);
    // The name shows before the file is even tried.
    QCOMPARE(QString::fromStdString(shownNames.back()), "File Name: " + name);
}

void TestFiles::openCancelledChangesNothing()
{
    EepromImage image = CountingImage(1);
    const EepromImage before = image;
    QCOMPARE(OpenEepromFile(image, prompts, Owner::MainWindow, show), 0);
    QCOMPARE(SaveEepromFile(image, prompts, Owner::MainWindow, show), 0);
    QVERIFY(image == before);
    QVERIFY(prompts.boxes.empty());
    QVERIFY(shownNames.empty());
}

void TestFiles::saveReplacesWithoutLeavingTemporaries()
{
    const auto path = Path("keep.eep");
    WriteBytes(path, "old contents");
    ::chmod(path.c_str(), 0640);
    QCOMPARE(StoreEepromFile(path, CountingImage(5)), std::string());
    QCOMPARE(ReadBytes(path).size(), 256u);
    QCOMPARE(static_cast<std::uint8_t>(ReadBytes(path)[0]), std::uint8_t{5});
    QCOMPARE(fs::status(path).permissions() & fs::perms::all,
             fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    QCOMPARE(std::distance(fs::directory_iterator(dir->path().toStdString()), fs::directory_iterator{}), 1);
}

void TestFiles::saveFailureKeepsOldFile()
{
    // A file-size limit makes the write fail the way a full disk does.
    const auto path = Path("old.eep");
    WriteBytes(path, std::string(256, 'x'));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const std::string problem = StoreEepromFile(path, CountingImage(0));
    ::setrlimit(RLIMIT_FSIZE, &saved);

    QCOMPARE(problem, std::string("Export Log File Failed."));
    QCOMPARE(ReadBytes(path), std::string(256, 'x'));
    QCOMPARE(std::distance(fs::directory_iterator(dir->path().toStdString()), fs::directory_iterator{}), 1);
}

void TestFiles::saveRefusesFoldersAndDevices_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("folder") << "";
    QTest::newRow("device") << "/dev/null";
}

void TestFiles::saveRefusesFoldersAndDevices()
{
    QFETCH(QString, path);
    const std::string target = path.isEmpty() ? dir->path().toStdString() : path.toStdString();
    QCOMPARE(StoreEepromFile(target, EepromImage{}), std::string("Can't open EEPROM file for write"));
    QVERIFY(!fs::is_regular_file(target));
}

void TestFiles::saveIntoMissingFolder()
{
    prompts.answers = {Path("no/such/folder/x.eep")};
    QCOMPARE(SaveEepromFile(EepromImage{}, prompts, Owner::MainWindow, show), 0);
    QCOMPARE(prompts.LastText(), std::string("Can't open EEPROM file for write"));
    QCOMPARE(shownNames.back(), std::string("x.eep"));
}

void TestFiles::saveThroughLinkReplacesTarget()
{
    const auto target = Path("real.eep");
    const auto link = Path("link.eep");
    WriteBytes(target, std::string(256, 'a'));
    fs::create_symlink(target, link);
    QCOMPARE(StoreEepromFile(link, CountingImage(2)), std::string());
    QVERIFY(fs::is_symlink(link));
    QCOMPARE(static_cast<std::uint8_t>(ReadBytes(target)[0]), std::uint8_t{2});

    // A hard link stays one file: both names see what was saved.
    const auto second = Path("second.eep");
    fs::create_hard_link(target, second);
    QCOMPARE(StoreEepromFile(target, CountingImage(5)), std::string());
    QCOMPARE(fs::hard_link_count(target), std::uintmax_t(2));
    QCOMPARE(static_cast<std::uint8_t>(ReadBytes(second)[0]), std::uint8_t{5});
}

void TestFiles::backupsSortAndRotate()
{
    const std::time_t morning = 1796640125; // 2026-12-07 10:42:05 UTC
    QCOMPARE(BackupName(morning, 30, "read"), std::string("2026-12-07T10-42-05Z_rev30_read.eep"));

    const std::string folder = Path("backups");
    fs::create_directories(folder);
    WriteBytes(folder + "/notes.txt", "mine");
    WriteBytes(folder + "/2026-keyer.eep", "mine too");
    // 205 images, a minute apart, newest last; two in the last second.
    for (int i = 0; i < 205; ++i)
        QCOMPARE(SaveBackup(folder, CountingImage(i), 23, i % 2 || i == 204 ? "write" : "read",
                            morning + 60 * std::min(i, 203)),
                 std::string());
    const std::vector<std::string> kept = ListBackups(folder);
    QCOMPARE(kept.size(), std::size_t(BackupsKept));
    QCOMPARE(kept.front(), BackupName(morning + 60 * 5, 23, "write"));
    std::string newest = BackupName(morning + 60 * 203, 23, "write");
    QCOMPARE(kept.back(), newest.insert(newest.size() - 4, "_2"));
    // Oldest first by name is oldest first by time, and each holds its image.
    for (std::size_t i = 0; i < kept.size(); ++i)
        QCOMPARE(static_cast<std::uint8_t>(ReadBytes(folder + "/" + kept[i])[0]), static_cast<std::uint8_t>(i + 5));
    QCOMPARE(ReadBytes(folder + "/notes.txt"), std::string("mine"));
    QCOMPARE(ReadBytes(folder + "/2026-keyer.eep"), std::string("mine too"));

    // A folder that cannot be made: a problem told, nothing thrown.
    WriteBytes(Path("blocker"), "x");
    QVERIFY(!SaveBackup(Path("blocker") + "/backups", EepromImage{}, 23, "read", morning).empty());
}

void TestFiles::backupsNeverReplaceOneAnother()
{
    // Two processes (two keyers, or the window beside the command line)
    // keep a backup in the same second, released at the same moment.
    const std::time_t second = 1796640125;
    for (int round = 0; round < 8; ++round) {
        const std::string folder = Path("race") + std::to_string(round);
        int go[2];
        QCOMPARE(::pipe(go), 0);
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
        QCOMPARE(::write(go[1], "gg", 2), ssize_t(2));
        for (const pid_t child : children) {
            int status = 0;
            ::waitpid(child, &status, 0);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        ::close(go[0]);
        ::close(go[1]);
        const std::vector<std::string> kept = ListBackups(folder);
        QCOMPARE(kept.size(), std::size_t(2));
        QCOMPARE(ReadBytes(folder + "/" + kept[0])[0] + ReadBytes(folder + "/" + kept[1])[0], 0 + 10);
    }
}

void TestFiles::backupJustMadeSurvivesAWrongClock()
{
    // 200 backups named while the clock ran four years ahead.
    const std::string folder = Path("backups");
    const std::time_t ahead = 1923000000; // 2030
    for (int i = 0; i < BackupsKept; ++i)
        QCOMPARE(SaveBackup(folder, CountingImage(1), 30, BackupKind::Read, ahead + i), std::string());
    const std::time_t now = 1796640125;
    QCOMPARE(SaveBackup(folder, CountingImage(7), 30, BackupKind::Write, now), std::string());
    const std::vector<std::string> kept = ListBackups(folder);
    QCOMPARE(kept.size(), std::size_t(BackupsKept));
    QCOMPARE(kept.front(), BackupName(now, 30, BackupKind::Write));
    QCOMPARE(ReadBytes(folder + "/" + kept.front())[0], char(7));
    QCOMPARE(kept[1], BackupName(ahead + 1, 30, BackupKind::Read)); // the oldest of the others gave way
}

void TestFiles::backupsOnlyInAFolderOfOnesOwn()
{
    const std::time_t now = 1796640125;
    // Another's folder, holding what look like backups.
    const std::string theirs = Path("theirs");
    fs::create_directories(theirs);
    for (int i = 0; i < BackupsKept; ++i)
        WriteBytes(theirs + "/" + BackupName(now - 1000 + i, 30, BackupKind::Read), "theirs");
    const auto untouched = [&] {
        return ListBackups(theirs).size() == std::size_t(BackupsKept) &&
               ReadBytes(theirs + "/" + BackupName(now - 1000, 30, BackupKind::Read)) == "theirs";
    };

    // A link to it is not followed, whoever owns what it leads to.
    fs::create_symlink(theirs, Path("linked"));
    const std::string linked = SaveBackup(Path("linked"), CountingImage(1), 30, BackupKind::Read, now);
    QVERIFY2(linked.find("link") != std::string::npos, linked.c_str());
    QVERIFY(untouched());

    // A folder of another user is not ours to write in or prune.
    if (::geteuid() != 0)
        QSKIP("giving a folder to another user needs root");
    QCOMPARE(::chown(theirs.c_str(), Nobody, Nobody), 0);
    const std::string foreign = SaveBackup(theirs, CountingImage(1), 30, BackupKind::Read, now);
    QVERIFY2(foreign.find("another user") != std::string::npos, foreign.c_str());
    QVERIFY(untouched());
}

void TestFiles::backupNamesAreUtc()
{
    const std::time_t morning = 1796640125; // 2026-12-07 10:42:05 UTC
    const QByteArray saved = qgetenv("TZ");
    for (const char* zone : {"Pacific/Kiritimati", "America/St_Johns", "UTC"}) {
        qputenv("TZ", zone);
        ::tzset();
        QCOMPARE(BackupName(morning, 30, BackupKind::Read), std::string("2026-12-07T10-42-05Z_rev30_read.eep"));
    }
    saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved);
    ::tzset();
}

void TestFiles::baseName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::newRow("unix") << "/home/op/keyer/test.eep"
                          << "test.eep";
    QTest::newRow("windows") << "C:\\keyer\\test.eep"
                             << "test.eep";
    QTest::newRow("bare") << "test.eep"
                          << "test.eep";
}

void TestFiles::baseName()
{
    QFETCH(QString, path);
    QFETCH(QString, base);
    QCOMPARE(QString::fromStdString(BaseName(path.toStdString())), base);
}

void TestFiles::portSettingsRead_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("port");
    QTest::newRow("port 3") << QByteArray::fromHex("03000000") << 3;
    QTest::newRow("two bytes") << QByteArray::fromHex("0500") << 5;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("out of range kept") << QByteArray::fromHex("0d000000") << 13;
    QTest::newRow("negative") << QByteArray::fromHex("ffffffff") << -1;
    QTest::newRow("longer file") << QByteArray::fromHex("0c00000099") << 12;
}

void TestFiles::portSettingsRead()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, port);
    const auto path = Path("mv2mgr.cfg");
    WriteBytes(path, contents.toStdString());
    std::int32_t selected = 0;
    QCOMPARE(ReadPortSettings(path, selected), std::string());
    QCOMPARE(selected, port);
    QVERIFY(prompts.boxes.empty());
}

void TestFiles::portSettingsMissingFileWritesPortOne()
{
    const auto path = Path("config/sub/mv2mgr.cfg");
    std::int32_t selected = 9;
    QCOMPARE(ReadPortSettings(path, selected), std::string());
    QCOMPARE(selected, 1);
    QCOMPARE(ReadBytes(path), std::string("\x01\x00\x00\x00", 4));
}

void TestFiles::portSettingsChoiceRewritesFile()
{
    const auto path = Path("mv2mgr.cfg");
    WriteBytes(path, std::string("\x03\x00\x00\x00", 4));
    QCOMPARE(WritePortSettings(path, 7), std::string());
    QCOMPARE(ReadBytes(path), std::string("\x07\x00\x00\x00", 4));
}

void TestFiles::portSettingsUnwritableFolderIsSilent()
{
    // A path below a regular file can never be created, whoever we are.
    const auto blocker = Path("blocker");
    WriteBytes(blocker, "x");
    std::int32_t selected = 4;
    QCOMPARE(ReadPortSettings(blocker + "/mv2mgr.cfg", selected), std::string());
    QCOMPARE(selected, 1);
    QCOMPARE(WritePortSettings(blocker + "/mv2mgr.cfg", 7), std::string());
    QVERIFY(prompts.boxes.empty());
}

void TestFiles::portSettingsNotAFileCountsAsMissing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("fifo without writer") << "fifo";
    QTest::newRow("link to a device") << "device";
}

void TestFiles::portSettingsNotAFileCountsAsMissing()
{
    QFETCH(QString, kind);
    const auto path = Path("mv2mgr.cfg");
    MakeOddFile(kind.toStdString(), path);
    std::int32_t selected = 6;
    std::string result = "not read";
    QVERIFY(FinishesPromptly([&] { result = ReadPortSettings(path, selected); }, path));
    QCOMPARE(result, std::string());
    QCOMPARE(selected, 1);
    QVERIFY(prompts.boxes.empty());
    QVERIFY(!fs::is_regular_file(path)); // nothing written into it either
}

void TestFiles::portSettingsWriteFailureWarns()
{
    // A file-size limit makes the write fail the way a full disk does.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 2;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const std::string result = WritePortSettings(Path("mv2mgr.cfg"), 2);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(result, std::string("CFG File SAve Failed."));
}

void TestFiles::saveRespectsOwnerAndPermissions_data()
{
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("fileIsUsers");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("saved");
    QTest::newRow("own file") << true << true << 0600 << true;
    QTest::newRow("own read-only file") << true << true << 0444 << false;
    QTest::newRow("another's file, read-only to us") << true << false << 0644 << false;
    QTest::newRow("another's file, writable to us") << true << false << 0666 << true;
    QTest::newRow("folder takes no new file") << false << true << 0640 << true;
}

void TestFiles::saveRespectsOwnerAndPermissions()
{
    QFETCH(bool, folderWritable);
    QFETCH(bool, fileIsUsers);
    QFETCH(int, mode);
    QFETCH(bool, saved);
    if (::geteuid() != 0)
        QSKIP("needs root to stage files of two users");

    // The user's own folder, holding one file.
    ::chmod(dir->path().toLocal8Bit().constData(), 0755);
    const std::string folder = Path("home");
    fs::create_directory(folder);
    const std::string path = folder + "/keyer.eep";
    const std::string old(256, 'o');
    WriteBytes(path, old);
    const uid_t owner = fileIsUsers ? Nobody : 0;
    QCOMPARE(::chown(path.c_str(), owner, owner), 0);
    QCOMPARE(::chmod(path.c_str(), static_cast<mode_t>(mode)), 0);
    QCOMPARE(::chown(folder.c_str(), Nobody, Nobody), 0);
    QCOMPARE(::chmod(folder.c_str(), folderWritable ? 0755 : 0555), 0);

    // The save runs as that user, so the kernel's permission checks apply.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
            ::_exit(3);
        const std::string problem = StoreEepromFile(path, CountingImage(1));
        ::_exit(problem.empty() ? 0 : problem == "Can't open EEPROM file for write" ? 1 : 2);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), saved ? 0 : 1);

    const EepromImage fresh = CountingImage(1);
    QCOMPARE(ReadBytes(path), saved ? std::string(fresh.bytes.begin(), fresh.bytes.end()) : old);
    struct stat st {};
    QCOMPARE(::stat(path.c_str(), &st), 0);
    QCOMPARE(st.st_uid, owner);
    QCOMPARE(static_cast<int>(st.st_mode & 07777), mode);
    QCOMPARE(std::distance(fs::directory_iterator(folder), fs::directory_iterator{}), 1);
}

QTEST_APPLESS_MAIN(TestFiles)
#include "tst_files.moc"
