#include "files/EepromFile.h"
#include "files/PortSettings.h"
#include "support/RecordingPrompts.h"

#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

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
    void baseName_data();
    void baseName();

    void portSettingsRead_data();
    void portSettingsRead();
    void portSettingsMissingFileWritesPortOne();
    void portSettingsChoiceRewritesFile();
    void portSettingsUnwritableFolderIsSilent();
    void portSettingsUnreadableWarns();

  private:
    std::string Path(const char* name) const { return dir->filePath(name).toStdString(); }
    std::optional<QTemporaryDir> dir;
    RecordingPrompts prompts;
    std::vector<std::string> shownNames;
    FileNameDisplay show = [this](const std::string& name) { shownNames.push_back(name); };
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
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "nothing.eep"
                             << "File Not Found";
    QTest::newRow("folder") << "folder.eep"
                            << "Read EEPROM file failed.";
}

void TestFiles::openFailures()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    fs::create_directory(Path("folder.eep"));
    EepromImage image = CountingImage(9);
    const EepromImage before = image;
    prompts.answers = {Path(name.toUtf8().constData())};
    QCOMPARE(OpenEepromFile(image, prompts, Owner::MainWindow, show), 0);
    QVERIFY(image == before);
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
    QCOMPARE(ReadPortSettings(path, selected, prompts), 1);
    QCOMPARE(selected, port);
    QVERIFY(prompts.boxes.empty());
}

void TestFiles::portSettingsMissingFileWritesPortOne()
{
    const auto path = Path("config/sub/mv2mgr.cfg");
    std::int32_t selected = 9;
    QCOMPARE(ReadPortSettings(path, selected, prompts), 1);
    QCOMPARE(selected, 1);
    QCOMPARE(ReadBytes(path), std::string("\x01\x00\x00\x00", 4));
}

void TestFiles::portSettingsChoiceRewritesFile()
{
    const auto path = Path("mv2mgr.cfg");
    WriteBytes(path, std::string("\x03\x00\x00\x00", 4));
    QCOMPARE(WritePortSettings(path, 7, prompts), 1);
    QCOMPARE(ReadBytes(path), std::string("\x07\x00\x00\x00", 4));
}

void TestFiles::portSettingsUnwritableFolderIsSilent()
{
    // A path below a regular file can never be created, whoever we are.
    const auto blocker = Path("blocker");
    WriteBytes(blocker, "x");
    std::int32_t selected = 4;
    QCOMPARE(ReadPortSettings(blocker + "/mv2mgr.cfg", selected, prompts), 1);
    QCOMPARE(selected, 1);
    QCOMPARE(WritePortSettings(blocker + "/mv2mgr.cfg", 7, prompts), 1);
    QVERIFY(prompts.boxes.empty());
}

void TestFiles::portSettingsUnreadableWarns()
{
    const auto path = Path("folder.cfg");
    fs::create_directory(path);
    std::int32_t selected = 6;
    QCOMPARE(ReadPortSettings(path, selected, prompts), 0);
    QCOMPARE(selected, 6);
    QCOMPARE(prompts.boxes.size(), 1u);
    QCOMPARE(prompts.boxes[0].kind, ShownBox::Warning);
    QCOMPARE(prompts.boxes[0].text, std::string("Read file failed."));

    QCOMPARE(WritePortSettings("/dev/full", 2, prompts), 0); // a full device: the write itself fails
    QCOMPARE(prompts.LastText(), std::string("CFG File SAve Failed."));
}

QTEST_APPLESS_MAIN(TestFiles)
#include "tst_files.moc"
