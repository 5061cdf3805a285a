#include "ui/FileCommands.h"
#include "files/EepromFile.h"
#include "files/FileChecks.h"
#include "support/RecordingPrompts.h"

#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

namespace fs = std::filesystem;

// File > Open and File > Save: the boxes and the file-name text around the
// files' own checks (tst_files).
class TestFileCommands : public QObject {
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
    void openRefusesShortFile_data();
    void openRefusesShortFile();
    void openFailures_data();
    void openFailures();
    void openCancelledChangesNothing();
    void saveIntoMissingFolder();

  private:
    std::string Path(const char* name) const { return dir->filePath(name).toStdString(); }
    std::optional<QTemporaryDir> dir;
    RecordingPrompts prompts;
    std::vector<std::string> shownNames;
    FileNameDisplay show = [this](const std::string& name, const std::string&) { shownNames.push_back(name); };
};

void TestFileCommands::saveThenOpenRoundTrips()
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

void TestFileCommands::openRefusesShortFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << 0 << "This file holds 0 bytes; an EEPROM file holds 256. Nothing was loaded.";
    QTest::newRow("one") << 1 << "This file holds 1 byte; an EEPROM file holds 256. Nothing was loaded.";
    QTest::newRow("100") << 100 << "This file holds 100 bytes; an EEPROM file holds 256. Nothing was loaded.";
    QTest::newRow("255") << 255 << "This file holds 255 bytes; an EEPROM file holds 256. Nothing was loaded.";
}

void TestFileCommands::openRefusesShortFile()
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

void TestFileCommands::openFailures_data()
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

void TestFileCommands::openFailures()
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

void TestFileCommands::openCancelledChangesNothing()
{
    EepromImage image = CountingImage(1);
    const EepromImage before = image;
    QCOMPARE(OpenEepromFile(image, prompts, Owner::MainWindow, show), 0);
    QCOMPARE(SaveEepromFile(image, prompts, Owner::MainWindow, show), 0);
    QVERIFY(image == before);
    QVERIFY(prompts.boxes.empty());
    QVERIFY(shownNames.empty());
}

void TestFileCommands::saveIntoMissingFolder()
{
    prompts.answers = {Path("no/such/folder/x.eep")};
    QCOMPARE(SaveEepromFile(EepromImage{}, prompts, Owner::MainWindow, show), 0);
    QCOMPARE(prompts.LastText(), std::string("Can't open EEPROM file for write"));
    QCOMPARE(shownNames.back(), std::string("x.eep"));
}

QTEST_APPLESS_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
