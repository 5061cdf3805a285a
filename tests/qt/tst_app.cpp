#include "qt/AboutBox.h"
#include "qt/HelpWindow.h"
#include "qt/MainWindow.h"
#include "qt/QtPrompts.h"
#include "qt/SettingFinder.h"
#include "qt/WindowSize.h"
#include "files/Backups.h"
#include "files/EepromFile.h"
#include "keyer/PortNames.h"
#include "keyer/qt/QtSerialChannel.h"
#include "qt/EditorPanel.h"
#include "paths/Paths.h"
#include "ui/Layouts.h"
#include "support/RecordingPrompts.h"
#include "support/SentToReader.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <Version.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { InstallPanelAccessibility(); }
    void init();
    void cleanup()
    {
        window.reset();
        channel.reset();
    }

    void windowSizeFromDensity_data();
    void windowSizeFromDensity();
    void windowShowsPanelAndCannotGrow();
    void pathsAsQtNamedThem_data();
    void pathsAsQtNamedThem();
    void menuMatchesTheLayout();
    void portChoiceIsRemembered();
    void portOutsideMenuMarksNothing_data();
    void portOutsideMenuMarksNothing();
    void portDevices();
    void portMenuShowsWhatIsThere();
    void assignDeviceMakesTheLink();
    void openCancelledRefreshesFromImage();
    void openLoadsAndShowsName();
    void saveChecksFirst();
    void saveWritesValidatedImage();
    void exitAndCloseWaitWhileBusy();
    void filesAndPortWaitForOperation();
    void warningBoxLeavesPanelUsable();
    void aboutBoxClosesOnlyOnOk();
    void helpOpensAtContents();
    void fileNamedAtStartIsOpened();
    void oneKeyEach_data();
    void oneKeyEach();
    void goToSetting_data();
    void backupsToChooseBetween();
    void backupsFolderAsItIs_data();
    void backupsFolderAsItIs();
    void backupsListSaysCaptionAndRow();
    void verifyItemSaysItsState();
    void otherDevice_data();
    void otherDevice();
    void goToSetting();
    void helpAndVersionNeedNoDisplay();

  private:
    AppPaths paths;
    std::unique_ptr<QTemporaryDir> dir;
    RecordingPrompts prompts;
    std::unique_ptr<QtSerialChannel> channel;
    std::unique_ptr<MainWindow> window;
};

void TestApp::init()
{
    dir = std::make_unique<QTemporaryDir>();
    paths.configFolder = dir->path().toStdString();
    paths.portSettingsPath = dir->filePath("mv2mgr.cfg").toStdString();
    paths.osFamily = "Linux";
    paths.backupFolder = dir->filePath("backups").toStdString();
    prompts = RecordingPrompts();
    channel = std::make_unique<QtSerialChannel>(paths.configFolder);
    window = std::make_unique<MainWindow>(paths, prompts, *channel, 1);
}

void TestApp::windowSizeFromDensity_data()
{
    QTest::addColumn<int>("density");
    QTest::addColumn<QSize>("size");
    QTest::newRow("96") << 96 << QSize(556, 455);
    QTest::newRow("120") << 120 << QSize(738, 568);
    QTest::newRow("144") << 144 << QSize(885, 681);
    QTest::newRow("72") << 72 << QSize(442, 340);
    QTest::newRow("no screen") << 0 << QSize(556, 455);
}

void TestApp::windowSizeFromDensity()
{
    QFETCH(int, density);
    QFETCH(QSize, size);
    const WindowPixels pixels = InitialWindowSize(density);
    QCOMPARE(QSize(pixels.width, pixels.height), size);
}

void TestApp::windowShowsPanelAndCannotGrow()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->windowTitle(), QString("Morvel2 Standalone Editor"));
    QCOMPARE(window->maximumSize(), window->InitialSize());
    QVERIFY(window->InitialSize().width() >= 556);
    QVERIFY(window->InitialSize().height() >= 455);
    // Every control of the panel lies inside the window's visible area.
    EditorPanel* panel = window->Panel();
    const QRect visible(QPoint(0, 0), window->size());
    for (ControlId id : {ControlId::Message1, ControlId::Message6, ControlId::Test6, ControlId::Swap, ControlId::MsgBrk,
                         ControlId::PotMax, ControlId::PotVal, ControlId::Farns, ControlId::OutputConfig,
                         ControlId::TestMV, ControlId::BytesLeft, ControlId::FileName}) {
        QWidget* w = panel->Control(id);
        const QRect inWindow(w->mapTo(window.get(), QPoint(0, 0)), w->size());
        QVERIFY2(visible.contains(inWindow), qPrintable(QString::number(static_cast<int>(id))));
    }
}

void TestApp::pathsAsQtNamedThem_data()
{
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<QByteArray>("configHome");
    QTest::addColumn<QByteArray>("dataHome");
    QTest::newRow("home") << QByteArray("/home/op") << QByteArray() << QByteArray();
    QTest::newRow("untidy home") << QByteArray("/home//op/./x/../") << QByteArray() << QByteArray();
    QTest::newRow("no home") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("relative home") << QByteArray("a/../../b") << QByteArray() << QByteArray();
    QTest::newRow("above the root") << QByteArray("/a/../..") << QByteArray() << QByteArray();
    QTest::newRow("accented home") << QByteArray("/home/Jos\xc3\xa9") << QByteArray() << QByteArray();
    QTest::newRow("XDG, untidy") << QByteArray("/home/op") << QByteArray("/xdg/config/") << QByteArray("/xdg//data");
    QTest::newRow("XDG, relative") << QByteArray("/home/op") << QByteArray("cfg") << QByteArray("data");
}

void TestApp::pathsAsQtNamedThem()
{
    // The folders the Linux window had from QStandardPaths, before the core
    // named them itself: a user's settings and backups must stay where they are.
    QFETCH(QByteArray, home);
    QFETCH(QByteArray, configHome);
    QFETCH(QByteArray, dataHome);
    const std::pair<const char*, QByteArray> variables[] = {
        {"HOME", home}, {"XDG_CONFIG_HOME", configHome}, {"XDG_DATA_HOME", dataHome}};
    std::vector<std::pair<const char*, QByteArray>> saved;
    for (const auto& [name, value] : variables) {
        saved.emplace_back(name, qgetenv(name));
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    }
    const QString program = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("mv2mgr"));
    const AppPaths found = DeterminePaths();
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCoreApplication::setApplicationName(program);
    for (const auto& [name, value] : saved)
        value.isNull() ? qunsetenv(name) : qputenv(name, value);

    QCOMPARE(QString::fromStdString(found.configFolder), config);
    QCOMPARE(QString::fromStdString(found.portSettingsPath), config + "/mv2mgr.cfg");
    QCOMPARE(QString::fromStdString(found.backupFolder), data + "/backups");
    QCOMPARE(QString::fromStdString(found.exePath), QCoreApplication::applicationFilePath());
    QCOMPARE(found.osFamily, std::string("Linux"));
}

void TestApp::menuMatchesTheLayout()
{
    const QList<QAction*> menus = window->menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus[0]->text(), QString("&File"));
    QCOMPARE(menus[1]->text(), QString("&Comm"));
    QCOMPARE(menus[2]->text(), QString("&Help"));
    const std::pair<int, const char*> items[] = {
        {539, "&Open"}, {540, "&Save"}, {551, "&Exit"}, {514, "&About"}, {508, "&Help"}, {500, "Com1"},  {505, "Com6"},
        {519, "Com7"},  {526, "Com8"},  {538, "Com9"},  {546, "Com10"},  {556, "Com11"}, {566, "Com12"},
    };
    for (const auto& [id, caption] : items) {
        QAction* action = window->Action(id);
        QVERIFY2(action, caption);
        QCOMPARE(action->text().section(' ', 0, 0), QString::fromLatin1(caption));
    }
    // The devices are looked up when the menu opens, not before the window shows.
    QCOMPARE(window->Action(519)->text(), QString("Com7"));
    for (QObject* menu : window->Action(519)->associatedObjects())
        emit static_cast<QMenu*>(menu)->aboutToShow();
    QVERIFY(window->Action(519)->text().startsWith("Com7 /dev/ttyUSB2"));
}

void TestApp::portChoiceIsRemembered()
{
    QVERIFY(window->Action(500)->isChecked());
    window->Action(519)->trigger();
    QCOMPARE(window->SelectedPort(), 7);
    QCOMPARE(FileBytes(QString::fromStdString(paths.portSettingsPath)), QByteArray::fromHex("07000000"));
    for (int id : {500, 501, 502, 503, 504, 505, 519, 526, 538, 546, 556, 566})
        QCOMPARE(window->Action(id)->isChecked(), id == 519);
    window->Action(519)->trigger(); // the same port again stays chosen
    QVERIFY(window->Action(519)->isChecked());
}

void TestApp::portOutsideMenuMarksNothing_data()
{
    QTest::addColumn<int>("port");
    QTest::newRow("0") << 0;
    QTest::newRow("13") << 13;
}

void TestApp::portOutsideMenuMarksNothing()
{
    QFETCH(int, port);
    MainWindow other(paths, prompts, *channel, port);
    QCOMPARE(other.SelectedPort(), port);
    for (int id : {500, 505, 519, 566})
        QVERIFY(!other.Action(id)->isChecked());
}

void TestApp::portDevices()
{
    QCOMPARE(PortName(1), std::string("com1:"));
    QCOMPARE(PortName(12), std::string("com12:"));
    const std::string folder = dir->path().toStdString();
    QCOMPARE(PortDevice(1, folder), std::string("/dev/ttyS0"));
    QCOMPARE(PortDevice(5, folder), std::string("/dev/ttyUSB0"));
    QCOMPARE(PortDevice(12, folder), std::string("/dev/ttyACM3"));
    QCOMPARE(PortDevice(0, folder), std::string());
    QCOMPARE(PortDevice(13, folder), std::string());
    std::filesystem::create_symlink("/dev/nonexistent-adapter", folder + "/com3");
    QCOMPARE(PortDevice(3, folder), folder + "/com3");
}

void TestApp::portMenuShowsWhatIsThere()
{
    // Regular files stand in for devices: present means the path exists.
    const QString adapter = dir->filePath("ttyFAKE0");
    const auto plugIn = [&] { std::ofstream(adapter.toStdString()) << ""; };
    plugIn();
    std::filesystem::create_symlink(adapter.toStdString(), dir->filePath("com3").toStdString());
    std::filesystem::create_symlink("/dev/nonexistent-adapter", dir->filePath("com4").toStdString());
    window->SetDeviceSources([&] { return AdapterDescriptions{{adapter.toStdString(), "FT232R USB & UART"}}; }, "");
    const auto opened = [&] {
        for (QObject* menu : window->Action(502)->associatedObjects())
            emit static_cast<QMenu*>(menu)->aboutToShow();
    };
    // An & in a name is shown, not taken for the item's mnemonic.
    const QString present = "Com3 " + adapter + QString::fromUtf8(" \u2014 FT232R USB && UART");
    opened();
    QCOMPARE(window->Action(502)->text(), present);
    QCOMPARE(window->Action(503)->text(), QString("Com4 /dev/nonexistent-adapter (not present)"));
    QVERIFY(window->Action(500)->isChecked()); // the chosen port keeps its mark
    QVERIFY(window->Action(503)->isEnabled()); // and an absent one can still be chosen

    std::filesystem::remove(adapter.toStdString()); // unplugged
    opened();
    QCOMPARE(window->Action(502)->text(), "Com3 " + adapter + " (not present)");
    plugIn(); // and back
    opened();
    QCOMPARE(window->Action(502)->text(), present);
}

void TestApp::assignDeviceMakesTheLink()
{
    // The adapter, and its stable name.
    const QString adapter = dir->filePath("ttyFAKE1");
    std::ofstream(adapter.toStdString()) << "";
    const std::string byId = dir->filePath("by-id").toStdString();
    std::filesystem::create_directory(byId);
    const std::string stable = byId + "/usb-FTDI_FT232R_A1-if00-port0";
    std::filesystem::create_symlink(adapter.toStdString(), stable);
    window->SetDeviceSources([&] { return AdapterDescriptions{{adapter.toStdString(), "FT232R USB UART"}}; }, byId);

    prompts.deviceAnswer = Prompts::DeviceChoice{0, 5};
    window->Command(Cmd::AssignDevice);
    QCOMPARE(prompts.devicesOffered,
             std::vector<std::string>{stable + " \u2014 FT232R USB UART (" + adapter.toStdString() + ")"});
    QCOMPARE(std::filesystem::read_symlink(dir->filePath("com5").toStdString()).string(), stable);
    QCOMPARE(window->SelectedPort(), 5);
    QCOMPARE(FileBytes(QString::fromStdString(paths.portSettingsPath)), QByteArray::fromHex("05000000"));

    // A com<n> that is not a link is somebody's file: left alone.
    std::ofstream(dir->filePath("com6").toStdString()) << "mine";
    prompts.deviceAnswer = Prompts::DeviceChoice{0, 6};
    window->Command(Cmd::AssignDevice);
    QVERIFY(prompts.LastText().find("is not a link") != std::string::npos);
    QCOMPARE(FileBytes(dir->filePath("com6")), QByteArray("mine"));
    QCOMPARE(window->SelectedPort(), 5);
}

void TestApp::openCancelledRefreshesFromImage()
{
    EditorPanel* panel = window->Panel();
    window->Image()[4] = 42;
    panel->SetText(ControlId::Weight, "77");
    panel->SetText(ControlId::Message1, "TYPED");
    window->Command(539); // the chooser is cancelled
    QCOMPARE(prompts.chooserOwners, std::vector<Owner>{Owner::MainWindow});
    QVERIFY(prompts.boxes.empty());
    QCOMPARE(panel->Text(ControlId::Weight), QString("42"));
    QCOMPARE(panel->Text(ControlId::Message1), QString());
}

void TestApp::openLoadsAndShowsName()
{
    auto* shown = static_cast<QLabel*>(window->Panel()->Control(ControlId::FileName));
    for (const QString name : {"test.eep", "valid_written_by_the_keyer_last_sunday.eep"}) {
        const QString path = dir->filePath(name);
        {
            std::ofstream out(path.toStdString(), std::ios::binary);
            std::string bytes(256, '\0');
            bytes[4] = 60;
            out << bytes;
        }
        prompts.answers = {path.toStdString()};
        window->Command(539);
        QCOMPARE(window->Panel()->Text(ControlId::Weight), QString("60"));
        QCOMPARE(window->Panel()->Text(ControlId::FileName), "File Name: " + name);
        // What fits is shown whole; a long name gives way in the middle, so
        // its end stays in sight, and the whole path is the tooltip.
        QVERIFY(shown->fontMetrics().horizontalAdvance(shown->text()) <= shown->width());
        QVERIFY(shown->text().startsWith("File Name: ") && shown->text().endsWith(".eep"));
        QCOMPARE(shown->text().contains(QChar(0x2026)), name.size() > 10);
        QCOMPARE(shown->toolTip(), path);
        QCOMPARE(shown->accessibleName(), "File Name: " + name); // heard whole
    }
}

void TestApp::saveChecksFirst()
{
    window->Panel()->RefreshPanel(); // all zero: Weight 0 is refused
    window->Panel()->SetText(ControlId::Weight, "");
    window->Command(540);
    QVERIFY(prompts.chooserOwners.empty());
    QCOMPARE(prompts.LastText(), std::string("Weight must be between 10 and 90"));
}

void TestApp::saveWritesValidatedImage()
{
    EditorPanel* panel = window->Panel();
    const std::pair<ControlId, const char*> fields[] = {
        {ControlId::Weight, "50"}, {ControlId::LeadIn, "10"}, {ControlId::Tail, "20"},   {ControlId::FirstExt, "5"},
        {ControlId::Comp, "0"},    {ControlId::Farns, "0"},   {ControlId::Sample, "50"}, {ControlId::CmdWPM, "20"},
        {ControlId::Ratio, "48"},  {ControlId::PotMax, "30"}, {ControlId::PotMin, "10"}, {ControlId::Message1, "CQ"},
    };
    for (const auto& [id, text] : fields)
        panel->SetText(id, text);
    const QString path = dir->filePath("saved.eep");
    prompts.answers = {path.toStdString()};
    window->Command(540);
    QVERIFY(prompts.boxes.empty());
    const QByteArray saved = FileBytes(path);
    QCOMPARE(saved.size(), 256);
    QCOMPARE(int(saved[4]), 50);
    QCOMPARE(int(saved[8]), 20);
    QCOMPARE(static_cast<unsigned char>(saved[25]), 0x9B);
    QCOMPARE(panel->Text(ControlId::FileName), QString("saved.eep"));
}

void TestApp::exitAndCloseWaitWhileBusy()
{
    QSignalSpy quit(window.get(), &MainWindow::QuitRequested);
    window->show();
    // Port 1 leads nowhere: Read MV's operation is under way while its
    // "MV not connected" box is open.
    std::filesystem::create_symlink("/dev/nonexistent-adapter", dir->filePath("com1").toStdString());
    bool closed = true;
    prompts.whileBoxOpen = [&] {
        window->Command(Cmd::Exit);
        closed = window->close();
    };
    window->Panel()->ControlAs<QPushButton>(ControlId::ReadMV)->click();
    QCOMPARE(prompts.LastText(), std::string("MV not connected"));
    QVERIFY(!closed);
    QVERIFY(window->isVisible());
    QCOMPARE(quit.count(), 0);
    QVERIFY(!window->Busy());
    window->Command(Cmd::Exit);
    QCOMPARE(quit.count(), 1);
    QVERIFY(window->close());
}

void TestApp::filesAndPortWaitForOperation()
{
    // Port 1 leads nowhere, so Read MV ends in "MV not connected"; while that
    // box is open the operation is still under way.
    std::filesystem::create_symlink("/dev/nonexistent-adapter", dir->filePath("com1").toStdString());
    const QList<int> guarded{Cmd::Open, Cmd::Save, 500, 519, 566};
    bool greyed = false;
    prompts.whileBoxOpen = [&] {
        greyed = std::none_of(guarded.begin(), guarded.end(), [&](int id) { return window->Action(id)->isEnabled(); });
        prompts.answers = {dir->filePath("any.eep").toStdString()};
        for (int id : guarded)
            window->Command(id); // a shortcut or a queued trigger gets nowhere either
    };
    window->Panel()->ControlAs<QPushButton>(ControlId::ReadMV)->click();
    QCOMPARE(prompts.LastText(), std::string("MV not connected"));
    QVERIFY(greyed);
    QVERIFY(prompts.chooserOwners.empty());
    QCOMPARE(window->SelectedPort(), 1);
    for (int id : guarded)
        QVERIFY(window->Action(id)->isEnabled());
}

void TestApp::warningBoxLeavesPanelUsable()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QtPrompts real;
    real.SetOwners(window.get(), window->Panel());
    auto* swap = static_cast<QCheckBox*>(window->Panel()->Control(ControlId::Swap));
    QString shown;
    bool modal = true;
    QTimer::singleShot(100, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                shown = box->text() + "|" + box->informativeText();
                modal = QGuiApplication::modalWindow() != nullptr;
                QTest::mouseClick(swap, Qt::LeftButton); // the panel still answers
                box->accept();
            }
        }
    });
    real.WarningBox("MV not connected", "No such device: /dev/ttyUSB0.");
    QCOMPARE(shown, QString("MV not connected|No such device: /dev/ttyUSB0."));
    QVERIFY(!modal);
    QVERIFY(swap->isChecked());
    QCOMPARE(window->Image()[1] & 0x08, 0x08);
}

void TestApp::aboutBoxClosesOnlyOnOk()
{
    AboutBox box("Linux", window.get());
    QVERIFY(box.Line(ControlId::AboutVersion).startsWith(QStringLiteral("Ver %1, Built ").arg(ProgramVersion)));
    QVERIFY(QRegularExpression(R"(^Ver 2\.8, Built \d\d:\d\d:\d\d, [A-Z][a-z]{2} [ 1-3]\d \d{4}$)")
                .match(box.Line(ControlId::AboutVersion))
                .hasMatch());
    QCOMPARE(box.Line(ControlId::AboutSystem), QString("Operating System is Linux"));
    QCOMPARE(box.windowTitle(), QString("Morvel Testbed"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(box.isVisible());
    QTest::keyClick(&box, Qt::Key_Return);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), 1);
}

void TestApp::helpOpensAtContents()
{
    window->Command(508);
    HelpWindow* help = window->Help();
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->Browser()->documentTitle(), QString("Contents"));
    // Every page the contents link to is there.
    for (const char* page : {"settings", "messages", "connecting", "files"}) {
        help->Browser()->setSource(QUrl(QStringLiteral("qrc:/help/%1.html").arg(page)));
        QVERIFY2(help->Browser()->toPlainText().size() > 200, page);
    }
}

void TestApp::fileNamedAtStartIsOpened()
{
    const QString good = dir->filePath("start.eep");
    std::string bytes(256, '\0');
    bytes[4] = 61;
    std::ofstream(good.toStdString(), std::ios::binary) << bytes;
    window->OpenFile(good);
    QVERIFY(prompts.boxes.empty());
    QCOMPARE(window->Panel()->Text(ControlId::Weight), QString("61"));
    QCOMPARE(window->Panel()->Text(ControlId::FileName), QString("File Name: start.eep"));

    // A bad one gets File > Open's box, and the image stays.
    const QString shortFile = dir->filePath("short.eep");
    std::ofstream(shortFile.toStdString(), std::ios::binary) << "abc";
    window->OpenFile(shortFile);
    QCOMPARE(prompts.boxes.size(), 1u);
    QCOMPARE(prompts.boxes[0].owner, std::optional(Owner::MainWindow));
    QCOMPARE(prompts.LastText(), std::string("This file holds 3 bytes; an EEPROM file holds 256. Nothing was loaded."));
    QCOMPARE(window->Panel()->Text(ControlId::Weight), QString("61"));
}

void TestApp::oneKeyEach_data()
{
    QTest::addColumn<ControlId>("from");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("said"); // the box's text, or the status
    QTest::newRow("Ctrl+R from Weight") << ControlId::Weight << QKeySequence("Ctrl+R") << "MV not connected";
    QTest::newRow("Ctrl+W from a message") << ControlId::Message2 << QKeySequence("Ctrl+W") << "MV not connected";
    QTest::newRow("Ctrl+T from a list") << ControlId::Sidetone << QKeySequence("Ctrl+T") << "MV NG";
    QTest::newRow("Alt+R from a message") << ControlId::Message1 << QKeySequence("Alt+R") << "MV not connected";
    QTest::newRow("Alt+W from Farns") << ControlId::Farns << QKeySequence("Alt+W") << "MV not connected";
    QTest::newRow("Alt+T from a box") << ControlId::Swap << QKeySequence("Alt+T") << "MV NG";
}

void TestApp::oneKeyEach()
{
    QFETCH(ControlId, from);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, said);
    // Port 1 leads nowhere: each operation ends quickly, and says so.
    std::filesystem::create_symlink("/dev/nonexistent-adapter", dir->filePath("com1").toStdString());
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    EditorPanel* panel = window->Panel();
    panel->SetText(ControlId::Message1, "CQ");
    panel->SetText(ControlId::Message2, "CQ");
    QWidget* start = panel->Control(from);
    start->setFocus();
    QTest::keySequence(QApplication::focusWidget(), keys);
    QTRY_VERIFY(prompts.LastText() == said.toStdString() || panel->Text(ControlId::OperationStatus) == said);
    QCOMPARE(panel->Text(ControlId::Message1), QString("CQ")); // no letter typed on the way
    QCOMPARE(panel->Text(ControlId::Message2), QString("CQ"));
    // Shown where a sighted user looks: the buttons' mnemonics and the menu.
    QCOMPARE(window->Action(Cmd::ReadMV)->shortcut(), QKeySequence("Ctrl+R"));
    QCOMPARE(panel->ControlAs<QPushButton>(ControlId::WriteMV)->text(), QString("&Write MV"));
}

void TestApp::goToSetting_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<ControlId>("reached");
    QTest::addColumn<QString>("said"); // by the finder, to eye and ear
    QTest::newRow("wei") << "wei" << ControlId::Weight << "";
    QTest::newRow("side") << "side" << ControlId::Sidetone << "";
    QTest::newRow("message 3") << "message 3" << ControlId::Message3 << "";
    QTest::newRow("MIN, not its word inside another") << "min" << ControlId::PotMin << "";
    QTest::newRow("ext") << "EXT" << ControlId::FirstExt << "";
    // Enter goes nowhere; Escape then leaves the keyboard where it was.
    QTest::newRow("no match") << "zqxw" << ControlId::Message1 << "No setting matches \"zqxw\".";
}

void TestApp::goToSetting()
{
    QFETCH(QString, typed);
    QFETCH(ControlId, reached);
    QFETCH(QString, said);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->Panel()->Control(ControlId::Message1)->setFocus();
    bool openAfterEnter = false;
    QString told, heard;
    QTimer::singleShot(0, this, [&] {
        auto* finder = qobject_cast<SettingFinder*>(QApplication::activeModalWidget());
        QVERIFY(finder);
        QTest::keyClicks(finder->Typed(), typed);
        QTest::keyClick(finder->Typed(), Qt::Key_Return);
        openAfterEnter = finder->isVisible();
        told = finder->Said();
        heard = finder->Typed()->accessibleDescription();
        if (openAfterEnter)
            QTest::keyClick(finder->Typed(), Qt::Key_Escape);
    });
    QTest::keySequence(QApplication::focusWidget(), QKeySequence("Ctrl+G"));
    QTRY_COMPARE(window->focusWidget(), window->Panel()->Control(reached));
    QCOMPARE(openAfterEnter, !said.isEmpty());
    QCOMPARE(told, said);
    QCOMPARE(heard, said);
}

void TestApp::backupsToChooseBetween()
{
    // What the panel shows: all zero, Weight typed as 50.
    window->Panel()->RefreshPanel();
    window->Panel()->SetText(ControlId::Weight, "50");
    const std::string folder = paths.backupFolder;
    const QDateTime now = QDateTime::currentDateTime();
    const auto keep = [&](const QDateTime& when, const char* kind, int weight, int sidetone) {
        EepromImage image;
        image[4] = static_cast<std::uint8_t>(weight);
        image[3] = static_cast<std::uint8_t>(sidetone);
        QCOMPARE(SaveBackup(folder, image, 30, kind, when.toSecsSinceEpoch()), std::string());
    };
    keep(now.addDays(-3), BackupKind::Write, 50, 0);
    keep(now.addSecs(-60), BackupKind::Read, 60, 7);
    const QString minuteAgo = QLocale(QLocale::English).toString(now.addSecs(-60).time(), "HH:mm");
    prompts.backupAnswer = 0;
    window->Command(Cmd::OpenBackup);
    const QString today = now.addSecs(-60).date() == now.date() ? "Today " : "Yesterday ";
    QCOMPARE(prompts.backupsOffered.size(), 2u);
    QCOMPARE(QString::fromStdString(prompts.backupsOffered[0]),
             today + minuteAgo + ", read from the keyer, revision 30: Weight 60, Sidetone Hz 571 differ.");
    QVERIFY2(QString::fromStdString(prompts.backupsOffered[1])
                 .contains("written to the keyer, revision 30: the same as "
                           "the panel."),
             prompts.backupsOffered[1].c_str());
    // The newest was opened, and the window says so.
    QCOMPARE(window->Panel()->Text(ControlId::Weight), QString("60"));
    const QString label = "read " + QLocale(QLocale::English).toString(now.addSecs(-60), "d MMM HH:mm");
    QCOMPARE(window->Panel()->Text(ControlId::FileName), "Backup: " + label);
    QVERIFY2(window->windowTitle().endsWith(label), qPrintable(window->windowTitle()));

    // Cancelled: nothing changes.
    prompts.backupAnswer.reset();
    window->Command(Cmd::OpenBackup);
    QCOMPARE(window->Panel()->Text(ControlId::Weight), QString("60"));
}

void TestApp::backupsFolderAsItIs_data()
{
    // Entries as "name" (an image), "name=link", "name=fifo", "name=short".
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("offered"); // how each row begins after its time
    QTest::addColumn<QStringList>("leftOut");
    QTest::addColumn<QString>("offer"); // the box instead of the list
    const QString stamp = "2026-12-07T10-42-05Z_rev30_";
    QTest::newRow("none yet") << QStringList{} << QStringList{} << QStringList{}
                              << "No backups yet: Read MV keeps one of every read. |  | Open File...";
    QTest::newRow("every kind, with counters")
        << QStringList{stamp + "read.eep", stamp + "read_2.eep", stamp + "write_3.eep", stamp + "verify_2.eep"}
        << QStringList{"written to the keyer", "read back after writing", "read from the keyer", "read from the keyer"}
        << QStringList{} << "";
    QTest::newRow("a link, a FIFO and a short file beside a backup")
        << QStringList{stamp + "read.eep", stamp + "write.eep=link", stamp + "write_2.eep=fifo",
                       stamp + "verify.eep=short"}
        << QStringList{"read from the keyer"}
        << QStringList{stamp + "write.eep is a link; only files inside the backups folder are opened.",
                       stamp + "write_2.eep is no regular file.",
                       stamp + "verify.eep holds 100 bytes, too few for a keyer's memory."}
        << "";
    QTest::newRow("nothing that can be opened")
        << QStringList{stamp + "read.eep=link"} << QStringList{} << QStringList{}
        << "No backup can be opened. | " + stamp +
               "read.eep is a link; only files inside the backups folder are "
               "opened. | Open File...";
}

void TestApp::backupsFolderAsItIs()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, offered);
    QFETCH(QStringList, leftOut);
    QFETCH(QString, offer);
    const QDir folder(QString::fromStdString(paths.backupFolder));
    QVERIFY(entries.isEmpty() || QDir().mkpath(folder.path()));
    const QString outside = dir->filePath("outside.eep");
    QCOMPARE(StoreEepromFile(outside.toStdString(), EepromImage{}), std::string());
    for (const QString& entry : entries) {
        const QString name = entry.section('=', 0, 0), kind = entry.section('=', 1);
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        if (kind == "link")
            QVERIFY(QFile::link(outside, folder.filePath(name)));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        else if (kind == "short")
            QVERIFY(QFile(folder.filePath(name)).open(QIODevice::WriteOnly) &&
                    QFile(folder.filePath(name)).resize(100));
        else
            QCOMPARE(StoreEepromFile(path.toStdString(), EepromImage{}), std::string());
    }
    prompts.offerAnswer = true;
    prompts.answers.push_back(std::nullopt); // the chooser File > Open offers, cancelled
    window->Command(Cmd::OpenBackup);
    QCOMPARE(QString::fromStdString(prompts.offers.empty() ? "" : prompts.offers[0]), offer);
    // Taken, the offer is File > Open's chooser, not one in the backups folder.
    QCOMPARE(prompts.chooserFolders, offer.isEmpty() ? std::vector<std::string>{} : std::vector<std::string>{""});
    QStringList rows;
    for (const std::string& row : prompts.backupsOffered)
        rows << QString::fromStdString(row).section(", ", 1, 1);
    QCOMPARE(rows, offered);
    QStringList left;
    for (const std::string& sentence : prompts.backupsLeftOut)
        left << QString::fromStdString(sentence);
    QCOMPARE(left, leftOut);
}

void TestApp::backupsListSaysCaptionAndRow()
{
    // What a screen reader is told as the list takes the focus: its
    // caption, and the row that Open would open.
    QtPrompts real;
    real.SetOwners(window.get(), window->Panel());
    window->show();
    const SentToReader reader;
    QString name;
    int rowTold = -1;
    QTimer::singleShot(0, window.get(), [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* list = dialog ? dialog->findChild<QListWidget*>() : nullptr;
        if (list && QTest::qWaitFor([&] { return list->hasFocus(); })) {
            QTest::qWait(50);
            name = QAccessible::queryAccessibleInterface(list)->text(QAccessible::Name);
            for (const SentToReader::Event& event : reader.Events())
                rowTold = event.object == list && event.type == QAccessible::Focus ? event.child : rowTold;
        }
        if (dialog)
            dialog->reject();
    });
    QCOMPARE(real.ChooseBackup({"Today 19:22, read from the keyer, revision 30: the same as the panel.",
                                "Yesterday 08:05, written to the keyer, revision 30: Weight 50 differs."},
                               {}),
             std::optional<std::size_t>());
    QCOMPARE(name, QString("Backups, newest first:"));
    QCOMPARE(rowTold, 0);
}

void TestApp::verifyItemSaysItsState()
{
    // Qt tells a screen reader only that a menu item is checked: the words
    // say on and off, in this run and the next.
    QCOMPARE(window->Action(Cmd::VerifyAfterWriting)->text(), QString("&Verify after writing, off"));
    for (const bool on : {true, false}) {
        window->Action(Cmd::VerifyAfterWriting)->trigger();
        const QString said = on ? "&Verify after writing, on" : "&Verify after writing, off";
        QCOMPARE(window->Action(Cmd::VerifyAfterWriting)->isChecked(), on);
        QCOMPARE(window->Action(Cmd::VerifyAfterWriting)->text(), said);
        window = std::make_unique<MainWindow>(paths, prompts, *channel, 1);
        QCOMPARE(window->Action(Cmd::VerifyAfterWriting)->text(), said);
    }
}

void TestApp::otherDevice_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal"); // empty: linked
    QTest::newRow("a terminal Qt does not list") << "PTY"
                                                 << "";
    QTest::newRow("a link to one, as in /dev/serial/by-id") << "LINK"
                                                            << "";
    QTest::newRow("a device that is no terminal") << "/dev/null"
                                                  << "/dev/null is a device, but not a serial port: it is no terminal.";
    QTest::newRow("missing") << "/dev/rfcomm9"
                             << "No such device: /dev/rfcomm9. Is it connected, and is the path right?";
    QTest::newRow("not a whole path") << "rfcomm0"
                                      << "\"rfcomm0\" is not a whole path; a device's path begins with /dev/.";
    QTest::newRow("a regular file") << "FILE"
                                    << "FILE is a file, not a serial device.";
    QTest::newRow("a folder") << "DIR"
                              << "DIR is a folder, not a serial device.";
    QTest::newRow("nothing typed") << ""
                                   << "Type the device's path, for example /dev/rfcomm0, or browse for it.";
}

void TestApp::otherDevice()
{
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    const QString file = dir->filePath("plain");
    std::ofstream(file.toStdString()) << "";
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
    const QString pty = QString::fromLatin1(::ptsname(terminal));
    const QString link = dir->filePath("usb-FTDI_FT232R_A1-if00-port0");
    std::filesystem::create_symlink(pty.toStdString(), link.toStdString());
    for (QString* text : {&typed, &refusal})
        text->replace("FILE", file).replace("DIR", dir->path()).replace("PTY", pty).replace("LINK", link);
    // Nothing listed: "Other device..." is still offered, after the listed ones.
    window->SetDeviceSources([] { return AdapterDescriptions{}; }, "");
    prompts.deviceAnswer = Prompts::DeviceChoice{0, 9, typed.toStdString()};
    window->Command(Cmd::AssignDevice);
    const auto closeTerminal = qScopeGuard([terminal] { ::close(terminal); });
    QVERIFY(prompts.devicesOffered.empty());
    const std::string com9 = dir->filePath("com9").toStdString();
    if (refusal.isEmpty()) {
        QVERIFY(prompts.boxes.empty());
        QCOMPARE(std::filesystem::read_symlink(com9).string(), typed.toStdString());
        QCOMPARE(window->SelectedPort(), 9);
        // Said where a screen reader hears it, the path as given.
        QCOMPARE(window->Panel()->Text(ControlId::OperationStatus), "Com9 now opens " + typed + ".");
        // The Comm menu follows a link to name the adapter.
        window->SetDeviceSources([&] { return AdapterDescriptions{{pty.toStdString(), "FT232R USB UART"}}; }, "");
        for (QObject* menu : window->Action(538)->associatedObjects())
            emit static_cast<QMenu*>(menu)->aboutToShow();
        QCOMPARE(window->Action(538)->text(), "Com9 " + typed + QString::fromUtf8(" \u2014 FT232R USB UART"));
    } else {
        QCOMPARE(QString::fromStdString(prompts.LastText()), refusal);
        QVERIFY(!std::filesystem::exists(std::filesystem::symlink_status(com9)));
        QCOMPARE(window->SelectedPort(), 1);
        QCOMPARE(window->Panel()->Text(ControlId::OperationStatus), QString());
    }
}

void TestApp::helpAndVersionNeedNoDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    const auto run = [&](const QStringList& args) {
        QProcess editor;
        editor.setProcessEnvironment(env);
        editor.start(MV2MGR_APP, args);
        editor.waitForFinished(10000);
        return std::tuple(editor.exitCode(), QString::fromUtf8(editor.readAllStandardOutput()),
                          QString::fromUtf8(editor.readAllStandardError()));
    };
    const auto [versionCode, version, versionErr] = run({"--version"});
    QCOMPARE(versionCode, 0);
    QCOMPARE(version.trimmed(), QString("mv2mgr ") + ProgramVersion);
    const auto [helpCode, help, helpErr] = run({"--help"});
    QCOMPARE(helpCode, 0);
    QVERIFY2(help.startsWith("Usage: mv2mgr [options] [FILE.eep]"), qPrintable(help));
    const auto [badCode, badOut, bad] = run({"--colour"});
    QCOMPARE(badCode, 2);
    QVERIFY2(bad.contains("--help"), qPrintable(bad));
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
