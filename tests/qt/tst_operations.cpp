#include "files/Backups.h"
#include "files/EepromFile.h"
#include "image/Settings.h"
#include "keyer/qt/QtSerialChannel.h"
#include "keyer/qt/QtWaiter.h"
#include "qt/EditorPanel.h"
#include "qt/KeyerButtons.h"
#include "support/Announcements.h"
#include "support/FakeKeyer.h"
#include "support/LineBytes.h"
#include "support/RecordingPrompts.h"
#include "support/SentToReader.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <memory>
#include <set>
#include <utility>

namespace {

constexpr int Port = 2;
using Fault = FakeKeyer::Fault;
// Every operation's start, before its own command.
const Bytes ConnectBytes = Concat({HandshakeBytes, ReadingBytes});

// A keyer image whose number fields all pass the panel's checks.
EepromImage ValidImage()
{
    EepromImage image;
    const std::uint8_t settings[] = {7, 0x23, 9, 7, 50, 10, 20, 12, 23, 5, 0, 15, 50, 48, 0x25, 0x0C, 20};
    std::copy(std::begin(settings), std::end(settings), image.bytes.begin());
    image[17] = 24;
    for (int i = 18; i <= 23; ++i)
        image[static_cast<std::size_t>(i)] = 0x10;
    return image;
}

// Lets the real channel do the talking and notes, for each call, when it
// began and ended and what the operation status showed at both moments.
class SpyChannel : public SerialChannel {
  public:
    struct Call {
        std::string what;
        int count;
        qint64 startMs, endMs;
        QString statusBefore, statusAfter;
    };

    SpyChannel(SerialChannel& real, const EditorPanel& panel) : real(real), panel(panel) { clock.start(); }

    int OpenPort(int port) override
    {
        return Note("open", 0, [&] { return real.OpenPort(port); });
    }
    int WritePort(const std::uint8_t* data, int count) override
    {
        return Note("write", count, [&] { return real.WritePort(data, count); });
    }
    int ReadPort(std::uint8_t* buffer, int count) override
    {
        return Note("read", count, [&] { return real.ReadPort(buffer, count); });
    }
    void ClosePort() override { real.ClosePort(); }
    bool PortOpen() const override { return real.PortOpen(); }
    std::string FailureReason() const override { return real.FailureReason(); }
    bool LineLost() const override { return real.LineLost(); }
    int LastReadCount() const override { return real.LastReadCount(); }
    const LinkTimings& Timings() const override { return real.Timings(); }
    void SetProgress(std::function<void(int, int)> tell) override { real.SetProgress(std::move(tell)); }

    // The first call of this kind and size since the last Restart.
    Call Find(const std::string& what, int count = 0) const
    {
        for (const Call& call : calls) {
            if (call.what == what && call.count == count)
                return call;
        }
        return {"none", 0, -1, -1, {}, {}};
    }
    void Restart()
    {
        calls.clear();
        clock.restart();
    }
    qint64 Now() const { return clock.elapsed(); }

  private:
    template <typename Call_> int Note(const char* what, int count, Call_ call)
    {
        Call noted{what, count, clock.elapsed(), 0, panel.Text(ControlId::OperationStatus), {}};
        const int result = call();
        noted.endMs = clock.elapsed();
        noted.statusAfter = panel.Text(ControlId::OperationStatus);
        calls.push_back(noted);
        return result;
    }

    SerialChannel& real;
    const EditorPanel& panel;
    std::vector<Call> calls;
    QElapsedTimer clock;
};

// The face's waiter, each wait noted.
struct CountingWaiter : EventLoopWaiter {
    std::vector<int> waits;
    void Wait(int ms) override
    {
        waits.push_back(ms);
        EventLoopWaiter::Wait(ms);
    }
};

} // namespace

class TestOperations : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { InstallPanelAccessibility(); }
    void init();
    void cleanup();

    void testMv_data();
    void testMv();
    void keyboardPressKeepsFocus();
    void connectionFailureShowsWarning_data();
    void connectionFailureShowsWarning();
    void readMvRefreshesAndStatusClears();
    void readIsHeardAfterItsRefresh();
    void refreshTellsOnlyChanges_data();
    void refreshTellsOnlyChanges();
    void readFailureKeepsImageAndPanel_data();
    void readFailureKeepsImageAndPanel();
    void secondPressDuringBoxDoesNothing();
    void writeMvSendsValidatedImage();
    void writeMvRefusedFieldSendsNothingMore();
    void writeFailureIsReported_data();
    void writeFailureIsReported();
    void realWaitsAndStatusTexts();
    void readsAndWritesAreBackedUp();
    void failedBackupIsToldAfterTheOutcome();
    void messageTestSendsItsNumber();
    void marksFollowTheKeyer();
    void verifyAfterWriting_data();
    void verifyAfterWriting();

  private:
    void Press(ControlId id) { buttons->Press(id); }
    void MakeOperations(OperationWaits waits, int backupNoticeMs = 1500)
    {
        buttons.reset();
        operations = std::make_unique<KeyerOperations>(*channel, waiter, waits);
        buttons = std::make_unique<KeyerButtons>(*panel, image, *operations, prompts, selectedPort, backupNoticeMs);
    }
    bool Busy() const { return operations->Busy(); }
    std::vector<std::uint8_t> AfterHandshake() const;

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<FakeKeyer> keyer;
    std::unique_ptr<QtSerialChannel> channel;
    EepromImage image;
    RecordingPrompts prompts;
    std::unique_ptr<EditorPanel> panel;
    EventLoopWaiter waiter;
    std::unique_ptr<KeyerOperations> operations;
    std::unique_ptr<KeyerButtons> buttons;
    std::int32_t selectedPort = Port;
};

void TestOperations::init()
{
    dir = std::make_unique<QTemporaryDir>();
    keyer = std::make_unique<FakeKeyer>();
    QVERIFY(keyer->LinkAs(dir->path().toStdString(), Port));
    keyer->SetEeprom(ValidImage());
    LinkTimings quick;
    quick.settleMs = 10;
    quick.readTimeoutMs = 250;
    channel = std::make_unique<QtSerialChannel>(dir->path().toStdString(), quick);
    image = EepromImage{};
    prompts = RecordingPrompts();
    panel = std::make_unique<EditorPanel>(image, prompts);
    MakeOperations(OperationWaits{10, 10});
}

void TestOperations::cleanup()
{
    buttons.reset();
    operations.reset();
    panel.reset();
    channel.reset();
    keyer.reset();
}

std::vector<std::uint8_t> TestOperations::AfterHandshake() const
{
    const auto received = keyer->Received();
    if (received.size() < ConnectBytes.size() ||
        !std::equal(ConnectBytes.begin(), ConnectBytes.end(), received.begin()))
        return {0xFF}; // no complete exchange
    return {received.begin() + static_cast<long>(ConnectBytes.size()), received.end()};
}

void TestOperations::testMv_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("link");
    QTest::newRow("revision 11") << int(Fault::None) << 11 << "MV OK"
                                 << "MV Open, F/W revision 11";
    QTest::newRow("no keyer") << int(Fault::Silent) << 23 << "MV NG"
                              << "MV Fail:no echo";
    QTest::newRow("MV1") << int(Fault::None) << 10 << "MV NG"
                         << "MV Fail:MV1 found";
}

void TestOperations::testMv()
{
    QFETCH(int, fault);
    QFETCH(int, revision);
    QFETCH(QString, status);
    QFETCH(QString, link);
    keyer->Configure({.revision = static_cast<std::uint8_t>(revision), .fault = Fault(fault)});
    Press(ControlId::TestMV);
    QCOMPARE(panel->Text(ControlId::OperationStatus), status);
    QCOMPARE(panel->Text(ControlId::LinkStatus), link);
    QCOMPARE(panel->StatusCountdown(), EditorPanel::StatusTicks);
    QVERIFY(prompts.boxes.empty());
    QVERIFY(!channel->PortOpen());
    QVERIFY(!Busy());
    QVERIFY(panel->Control(ControlId::TestMV)->isEnabled());
}

void TestOperations::keyboardPressKeepsFocus()
{
    panel->show();
    panel->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(panel.get()));
    // No field is read out in between: the keyboard never leaves the button.
    QList<QWidget*> focused;
    QObject watching; // ends the watch with the test
    connect(qApp, &QApplication::focusChanged, &watching, [&](QWidget*, QWidget* now) { focused << now; });
    for (ControlId id : {ControlId::TestMV, ControlId::ReadMV, ControlId::WriteMV, ControlId::Test2}) {
        QWidget* button = panel->Control(id);
        button->setFocus();
        focused.clear();
        QTest::keyClick(button, Qt::Key_Space);
        QVERIFY(!panel->Text(ControlId::LinkStatus).isEmpty());
        QCOMPARE(QApplication::focusWidget(), button);
        QCOMPARE(focused, QList<QWidget*>());
        QVERIFY(panel->Control(ControlId::TestMV)->isEnabled());
    }
}

void TestOperations::connectionFailureShowsWarning_data()
{
    QTest::addColumn<ControlId>("button");
    QTest::addColumn<int>("revision");
    QTest::newRow("Read MV, no keyer") << ControlId::ReadMV << -1;
    QTest::newRow("Read MV, MV1") << ControlId::ReadMV << 10;
    QTest::newRow("Write MV, no keyer") << ControlId::WriteMV << -1;
    QTest::newRow("Write MV, MV1") << ControlId::WriteMV << 10;
    QTest::newRow("Test 3, no keyer") << ControlId::Test3 << -1;
    QTest::newRow("Test 3, MV1") << ControlId::Test3 << 10;
}

void TestOperations::connectionFailureShowsWarning()
{
    QFETCH(ControlId, button);
    QFETCH(int, revision);
    if (revision < 0)
        keyer->Configure({.fault = Fault::Silent});
    else
        keyer->Configure({.revision = static_cast<std::uint8_t>(revision)});
    image = ValidImage();
    panel->RefreshPanel();
    const EepromImage before = image;
    bool busyDuringBox = false;
    panel->show();
    Announcements announcements(panel.get());
    QStringList heardBeforeBox;
    prompts.whileBoxOpen = [&] {
        busyDuringBox = Busy() && !panel->Control(button)->isEnabled();
        heardBeforeBox = announcements.heard;
    };

    Press(button);
    // The reason is heard before the box, not after it.
    QCOMPARE(heardBeforeBox.size(), 1);
    QVERIFY2(heardBeforeBox[0].startsWith("MV Fail:"), qPrintable(heardBeforeBox[0]));
    QCOMPARE(prompts.boxes.size(), 1u);
    QCOMPARE(prompts.boxes[0].kind, ShownBox::Warning);
    QCOMPARE(prompts.boxes[0].text, std::string("MV not connected"));
    // Why, in plain words: under the box's text and on the link status.
    QVERIFY(!prompts.boxes[0].details.empty());
    QCOMPARE(panel->Control(ControlId::LinkStatus)->toolTip().toStdString(), prompts.boxes[0].details);
    QCOMPARE(panel->Control(ControlId::LinkStatus)->accessibleDescription().toStdString(), prompts.boxes[0].details);
    QVERIFY(busyDuringBox);
    QVERIFY(image == before);
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString());
    QVERIFY(!channel->PortOpen());
    QVERIFY(!Busy());
    // Nothing but the exchange went to the keyer.
    const auto received = keyer->Received();
    QVERIFY(received.size() <= ConnectBytes.size());
}

void TestOperations::readMvRefreshesAndStatusClears()
{
    keyer->Configure({.revision = 11});
    Press(ControlId::ReadMV);
    QVERIFY(prompts.boxes.empty());
    QVERIFY(image == keyer->Eeprom());
    QCOMPARE(panel->Text(ControlId::Weight), QString("50"));
    QCOMPARE(panel->Text(ControlId::PotMax), QString("35"));
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Done"));
    QCOMPARE(AfterHandshake(), (Bytes{0x00, 0x0C}));
    for (int tick = 0; tick < EditorPanel::StatusTicks; ++tick)
        panel->Tick();
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString());
    QVERIFY(!channel->PortOpen());
}

namespace {
// Notes each announcement, as it is shown, into a shared log.
class ToldInOrder : public QObject {
  public:
    ToldInOrder(QAccessibleInterface* notification, QStringList& told) : notification(notification), told(told)
    {
        notification->object()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            told << "announced " + notification->text(QAccessible::Name);
        return false;
    }

  private:
    QAccessibleInterface* notification;
    QStringList& told;
};
} // namespace

void TestOperations::readIsHeardAfterItsRefresh()
{
    // Each change of a control is an event a screen reader must hear out;
    // they are noted in order, with the announcements.
    panel->show();
    QStringList told;
    Announcements announcements(panel.get());
    ToldInOrder order(announcements.notification, told);
    QObject watching;
    for (QLineEdit* field : panel->findChildren<QLineEdit*>())
        connect(field, &QLineEdit::textChanged, &watching, [&] { told << "change"; });
    for (QPlainTextEdit* field : panel->findChildren<QPlainTextEdit*>())
        connect(field, &QPlainTextEdit::textChanged, &watching, [&] { told << "change"; });
    for (QComboBox* box : panel->findChildren<QComboBox*>())
        connect(box, &QComboBox::currentIndexChanged, &watching, [&] { told << "change"; });
    for (QCheckBox* box : panel->findChildren<QCheckBox*>())
        connect(box, &QCheckBox::toggled, &watching, [&] { told << "change"; });
    // The link's status is heard with the outcome, not replaced by it.
    const QString done = "announced MV Open, F/W revision 23. Done";
    for (int round = 0; round < 2; ++round) {
        told.clear();
        Press(ControlId::ReadMV);
        QTRY_VERIFY(told.contains(done));
        // The outcome is told after every change the refresh made, and the
        // second read of the same image changes no control at all.
        QVERIFY(told.lastIndexOf("change") < told.indexOf(done));
        QVERIFY(round == 1 ? told.count("change") == 0 : told.count("change") > 10);
    }
}

void TestOperations::refreshTellsOnlyChanges_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<ControlId>("button");
    QTest::addColumn<int>("marks");
    QTest::addColumn<int>("descriptions");
    QTest::addColumn<int>("summaries");
    // Nothing differs before or after a first read: only the summary
    // learns that the keyer is known now.
    QTest::newRow("first read") << "" << ControlId::ReadMV << 0 << 0 << 1;
    QTest::newRow("second read, nothing changed") << "read" << ControlId::ReadMV << 0 << 0 << 0;
    QTest::newRow("read over a typed Weight") << "read, type" << ControlId::ReadMV << 1 << 1 << 1;
    QTest::newRow("write of a typed Weight") << "read, type" << ControlId::WriteMV << 1 << 1 << 1;
    QTest::newRow("write of what the keyer holds") << "read" << ControlId::WriteMV << 0 << 0 << 0;
}

void TestOperations::refreshTellsOnlyChanges()
{
    QFETCH(QString, before);
    QFETCH(ControlId, button);
    QFETCH(int, marks);
    QFETCH(int, descriptions);
    QFETCH(int, summaries);
    panel->show();
    if (before.contains("read"))
        Press(ControlId::ReadMV);
    if (before.contains("type"))
        panel->SetText(ControlId::Weight, "61");
    QCOMPARE(panel->IsMarked(ControlId::Weight), before.contains("type"));
    QList<QObject*> controls, markLabels;
    for (const Setting& setting : AllSettings())
        controls << panel->Control(setting.id);
    for (QLabel* label : panel->findChildren<QLabel*>()) {
        if (label->accessibleName() == "differs from the keyer")
            markLabels << label;
    }

    const SentToReader reader;
    Press(button);
    QTest::qWait(2 * EditorPanel::AnnounceDelayMs);
    int seenMarks = 0, seenDescriptions = 0, seenSummaries = 0;
    std::set<std::pair<QObject*, QAccessible::Event>> once;
    for (const auto& [object, type, child] : reader.Events()) {
        const bool isMark = markLabels.contains(object);
        const bool description = type == QAccessible::DescriptionChanged;
        seenMarks += isMark && (type == QAccessible::ObjectShow || type == QAccessible::ObjectHide);
        seenDescriptions += description && controls.contains(object);
        seenSummaries += description && object == panel->Control(ControlId::WriteMV);
        // A control told twice of the same kind of change went there and back.
        if (isMark || controls.contains(object))
            QVERIFY2(once.insert({object, type}).second, qPrintable(object->objectName()));
    }
    QCOMPARE(seenMarks, marks);
    QCOMPARE(seenDescriptions, descriptions);
    QCOMPARE(seenSummaries, summaries);
    QVERIFY(!panel->IsMarked(ControlId::Weight));
}

void TestOperations::readFailureKeepsImageAndPanel_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("why"); // how the reason begins; the hang-up's count is the kernel's
    QTest::newRow("255 of 256 bytes") << int(Fault::ShortEeprom) << "255 of 256 bytes arrived within 0.25 s.";
    QTest::newRow("keyer pulled out") << int(Fault::HangUpDuringRead) << "The line closed ";
}

void TestOperations::readFailureKeepsImageAndPanel()
{
    QFETCH(int, fault);
    QFETCH(QString, why);
    keyer->Configure({.fault = Fault(fault), .faultAfter = 255});
    image[4] = 33;
    panel->RefreshPanel();
    const EepromImage before = image;
    panel->show();
    Announcements announcements(panel.get());
    Press(ControlId::ReadMV);
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Read failed"));
    // Why, where a pointer and a screen reader find it.
    QVERIFY2(panel->Control(ControlId::OperationStatus)->toolTip().startsWith(why),
             qPrintable(panel->Control(ControlId::OperationStatus)->toolTip()));
    QTRY_VERIFY2(!announcements.heard.isEmpty() && announcements.heard.last().contains("Read failed: " + why),
                 qPrintable(announcements.heard.join('|')));
    QCOMPARE(panel->StatusCountdown(), EditorPanel::StatusTicks);
    QVERIFY(image == before);
    QCOMPARE(panel->Text(ControlId::Weight), QString("33"));
    QVERIFY(!channel->PortOpen());
    QVERIFY(!Busy());
}

void TestOperations::secondPressDuringBoxDoesNothing()
{
    keyer->Configure({.fault = Fault::Silent});
    int pressesInBox = 0;
    prompts.whileBoxOpen = [&] {
        if (pressesInBox++ == 0) {
            keyer->ClearReceived();
            Press(ControlId::ReadMV);
            Press(ControlId::TestMV);
        }
    };
    Press(ControlId::ReadMV);
    QCOMPARE(prompts.boxes.size(), 1u);
    QVERIFY(keyer->Received().empty());
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString());
}

void TestOperations::writeMvSendsValidatedImage()
{
    image = ValidImage();
    panel->RefreshPanel();
    panel->SetText(ControlId::Weight, "60");
    panel->SetText(ControlId::Message1, "CQ");
    keyer->SetEeprom(EepromImage{});
    panel->show(); // a hidden panel announces nothing
    Announcements announcements(panel.get());
    Press(ControlId::WriteMV);
    QVERIFY(prompts.boxes.empty());
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Done"));
    // "Writing" gave way to "Done" before it was said.
    QTRY_COMPARE(announcements.heard, QStringList({"MV Open, F/W revision 23. Done"}));
    for (int tick = 1; tick < EditorPanel::StatusTicks; ++tick)
        panel->Tick();
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Done"));
    panel->Tick();
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString());
    QCOMPARE(int(image[4]), 60);
    QTRY_VERIFY(keyer->Eeprom() == image);
    const auto sent = AfterHandshake();
    QCOMPARE(sent.size(), 2u + 256u);
    QCOMPARE(sent[1], std::uint8_t{0x0D});
    QCOMPARE(int(keyer->Eeprom()[0]), 7); // a byte the editor never changes goes out as it came
}

void TestOperations::writeMvRefusedFieldSendsNothingMore()
{
    image = ValidImage();
    panel->RefreshPanel();
    panel->SetText(ControlId::Weight, "5");
    panel->SetText(ControlId::OperationStatus, "MV OK");
    Press(ControlId::WriteMV);
    QCOMPARE(prompts.boxes.size(), 1u);
    QCOMPARE(prompts.boxes[0].text, std::string("Weight must be between 10 and 90"));
    QCOMPARE(prompts.boxes[0].owner, std::optional(Owner::EditorPanel));
    QCOMPARE(AfterHandshake(), Bytes{});
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("MV OK"));
    QVERIFY(!channel->PortOpen());
}

void TestOperations::writeFailureIsReported_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("after");
    QTest::newRow("pulled out during the transfer") << int(Fault::HangUpDuringWrite) << 10;
    QTest::newRow("hung up while storing the bytes") << int(Fault::HangUpAfterWrite) << 100;
}

void TestOperations::writeFailureIsReported()
{
    QFETCH(int, fault);
    QFETCH(int, after);
    MakeOperations(OperationWaits{10, 300});
    const std::string folder = dir->filePath("backups").toStdString();
    operations->SetBackupFolder(folder);
    Press(ControlId::ReadMV); // the keyer's image is known, and marks can show
    keyer->Configure({.fault = Fault(fault), .faultAfter = after});
    panel->SetText(ControlId::Weight, "60");
    QVERIFY(panel->IsMarked(ControlId::Weight));
    Press(ControlId::WriteMV);
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Write failed"));
    QVERIFY(!channel->PortOpen());
    // What the keyer holds now is not known: no mark claims anything of it.
    for (const Setting& setting : AllSettings())
        QVERIFY2(!panel->IsMarked(setting.id), setting.name.data());
    // What was meant for it is kept.
    const auto kept = ListBackups(folder);
    QCOMPARE(kept.size(), 2u);
    EepromImage meant;
    QCOMPARE(LoadEepromFile((std::filesystem::path(folder) / kept.back()).string(), meant), std::string());
    QVERIFY(kept.back().find("_write") != std::string::npos);
    QCOMPARE(meant[4], std::uint8_t{60});
    Press(ControlId::TestMV);
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("MV NG"));
    QVERIFY(!Busy());
}

void TestOperations::realWaitsAndStatusTexts()
{
    // The real waits and time-outs, a keyer at the line's own pace.
    keyer->Configure({.potVal = 128, .pbVal = 7, .paced = true});
    QtSerialChannel real(dir->path().toStdString());
    SpyChannel spy(real, *panel);
    CountingWaiter counted;
    KeyerOperations timedOperations(spy, counted);
    KeyerButtons timed(*panel, image, timedOperations, prompts, selectedPort);
    panel->show(); // its timer runs the countdown while the line is busy

    // An earlier status whose countdown still runs when "Reading" appears.
    panel->ShowStatus("MV OK");
    for (int tick = 0; tick < EditorPanel::StatusTicks - 6; ++tick)
        panel->Tick();
    timed.Press(ControlId::ReadMV);
    const auto read = spy.Find("read", 256);
    QCOMPARE(read.statusBefore, QString("Reading"));
    QCOMPARE(read.statusAfter, QString("Reading"));
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Done"));
    QCOMPARE(panel->Text(ControlId::PotVal), QString("128"));
    QCOMPARE(panel->Text(ControlId::PbVal), QString("7"));
    const auto open = spy.Find("open");
    QVERIFY2(open.endMs - open.startMs >= 400, "the port settles 400 ms before anything is sent");
    QCOMPARE(counted.waits, std::vector<int>{});

    spy.Restart();
    timed.Press(ControlId::TestMV);
    QVERIFY2(spy.Find("open").startMs >= 500, "Test MV waits 500 ms before it connects");
    QCOMPARE(std::exchange(counted.waits, {}), std::vector<int>{500});
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("MV OK"));

    image = ValidImage();
    panel->RefreshPanel();
    spy.Restart();
    timed.Press(ControlId::WriteMV);
    const qint64 done = spy.Now();
    const auto write = spy.Find("write", 256);
    QCOMPARE(write.statusBefore, QString("Writing"));
    QCOMPARE(write.statusAfter, QString("Writing"));
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Done"));
    QVERIFY2(done - write.endMs >= 500 && done - write.endMs < 1000, qPrintable(QString::number(done - write.endMs)));
    QCOMPARE(counted.waits, std::vector<int>{500});
}

void TestOperations::readsAndWritesAreBackedUp()
{
    const std::string folder = dir->filePath("backups").toStdString();
    operations->SetBackupFolder(folder);
    keyer->Configure({.revision = 30});
    Press(ControlId::ReadMV);
    QCOMPARE(AfterHandshake(), (Bytes{0x00, 0x0C})); // no traffic of its own
    panel->SetText(ControlId::Weight, "61");
    keyer->ClearReceived();
    Press(ControlId::WriteMV);
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Done"));

    const auto backups = ListBackups(folder);
    QCOMPARE(backups.size(), std::size_t(2));
    QVERIFY(backups[0].ends_with("_rev30_read.eep") && backups[1].ends_with("_rev30_write.eep"));
    const auto bytes = [&](const std::string& name) {
        QFile file(QString::fromStdString(folder + "/" + name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const EepromImage read = ValidImage();
    QCOMPARE(bytes(backups[0]), QByteArray(reinterpret_cast<const char*>(read.bytes.data()), 256));
    // What was written is what the keyer now holds.
    QTRY_VERIFY(keyer->Eeprom() == image);
    QCOMPARE(bytes(backups[1]), QByteArray(reinterpret_cast<const char*>(image.bytes.data()), 256));
    QCOMPARE(int(image[4]), 61);
}

void TestOperations::failedBackupIsToldAfterTheOutcome()
{
    // A folder below a regular file can never be made.
    QFile blocker(dir->filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    MakeOperations(OperationWaits{10, 10}, 100);
    operations->SetBackupFolder(dir->filePath("blocker/backups").toStdString());
    Press(ControlId::ReadMV);
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Done"));
    QVERIFY(image == keyer->Eeprom()); // the read itself stands
    QTRY_COMPARE(panel->Text(ControlId::OperationStatus), QString("No backup"));
    QVERIFY(panel->Control(ControlId::OperationStatus)->toolTip().contains("blocker"));
    QVERIFY(prompts.boxes.empty());
}

void TestOperations::messageTestSendsItsNumber()
{
    panel->SetText(ControlId::OperationStatus, "earlier");
    Press(ControlId::Test4);
    QTRY_COMPARE(keyer->PlayedMessages(), std::vector<int>{4});
    QCOMPARE(AfterHandshake(), (Bytes{0x00, 0x0E, 0x04}));
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("earlier"));
    QVERIFY(prompts.boxes.empty());
    QVERIFY(!channel->PortOpen());
}

namespace {
QStringList Marked(const EditorPanel& panel)
{
    QStringList marked;
    for (const Setting& setting : AllSettings()) {
        if (panel.IsMarked(setting.id))
            marked << QString::fromLatin1(setting.name.data(), static_cast<qsizetype>(setting.name.size()));
    }
    return marked;
}
} // namespace

void TestOperations::marksFollowTheKeyer()
{
    QWidget* write = panel->Control(ControlId::WriteMV);
    QCOMPARE(write->accessibleDescription(), QString("Writes the whole image; the keyer has not been read yet."));
    panel->SetText(ControlId::Weight, "77");
    QCOMPARE(Marked(*panel), QStringList()); // nothing known of the keyer: nothing marked

    EepromImage held = ValidImage();
    PackMessages(held, {"CQ", "", "", "", "", ""});
    keyer->SetEeprom(held);
    Press(ControlId::ReadMV);
    QCOMPARE(Marked(*panel), QStringList());
    QCOMPARE(write->accessibleDescription(), QString("Writes no change; the keyer holds what the panel shows."));

    // Every kind of control, changed as a person would.
    panel->SetText(ControlId::Weight, "61");
    panel->ControlAs<QCheckBox>(ControlId::Swap)->click();
    auto* sidetone = panel->ControlAs<QComboBox>(ControlId::Sidetone);
    sidetone->setCurrentIndex(2);
    emit sidetone->activated(2);
    panel->SetText(ControlId::Message1, "CQ DE");
    QCOMPARE(Marked(*panel), QStringList({"Swap", "Weight", "Sidetone Hz", "Message 1"}));
    const std::pair<ControlId, QString> heard[] = {
        {ControlId::Weight, "Dot and dash weighting; 50 is standard. Keyer holds 50."},
        {ControlId::Swap, "Keyer holds off."},
        {ControlId::Sidetone, "Keyer holds 571."},
        {ControlId::Message1, "Keyer holds \"CQ\"."},
    };
    for (const auto& [id, description] : heard)
        QCOMPARE(panel->Control(id)->accessibleDescription(), description);
    QCOMPARE(write->accessibleDescription(), QString("Writes 4 changes: Swap, Weight, Sidetone Hz, Message 1."));
    QCOMPARE(write->toolTip(), write->accessibleDescription());

    // Typed back to the keyer's value: no longer marked.
    panel->SetText(ControlId::Weight, "50");
    panel->ControlAs<QCheckBox>(ControlId::Swap)->click();
    QCOMPARE(Marked(*panel), QStringList({"Sidetone Hz", "Message 1"}));
    QCOMPARE(panel->Control(ControlId::Weight)->accessibleDescription(),
             QString("Dot and dash weighting; 50 is standard"));
    panel->SetText(ControlId::Message1, "CQ");
    QCOMPARE(write->accessibleDescription(), QString("Writes 1 change: Sidetone Hz."));

    // Written: the keyer holds it all now.
    Press(ControlId::WriteMV);
    QCOMPARE(panel->Text(ControlId::OperationStatus), QString("Done"));
    QCOMPARE(Marked(*panel), QStringList());
}

void TestOperations::verifyAfterWriting_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("status");
    QTest::newRow("a keyer that stores what it gets") << int(Fault::None) << "Verified";
    QTest::newRow("a keyer that changes byte 4") << int(Fault::StoresOneWrong) << "Verify failed";
}

void TestOperations::verifyAfterWriting()
{
    QFETCH(int, fault);
    QFETCH(QString, status);
    keyer->Configure({.fault = Fault(fault), .faultAfter = 4});
    const std::string folder = dir->filePath("backups").toStdString();
    operations->SetBackupFolder(folder);
    buttons->SetVerifyAfterWriting(true);
    image = ValidImage();
    panel->RefreshPanel();
    panel->SetText(ControlId::Weight, "60");
    Press(ControlId::WriteMV);
    QCOMPARE(panel->Text(ControlId::OperationStatus), status);
    // The keyer was read back on the same connection, after the write.
    const auto sent = AfterHandshake();
    QCOMPARE(sent.size(), 2u + 256u + 2u);
    QCOMPARE(sent[258], std::uint8_t{0x00});
    QCOMPARE(sent[259], std::uint8_t{0x0C});
    QStringList kinds;
    for (const std::string& name : ListBackups(folder))
        kinds << QString::fromStdString(name).section('_', 2, 2).section('.', 0, 0);
    kinds.sort(); // the two may fall in different seconds
    if (fault == int(Fault::None)) {
        QVERIFY(prompts.boxes.empty());
        QCOMPARE(kinds, QStringList({"write"}));
        QCOMPARE(Marked(*panel), QStringList());
        return;
    }
    QCOMPARE(prompts.boxes.size(), 1u);
    QCOMPARE(prompts.boxes[0].text, std::string("The keyer holds other bytes than were written."));
    QCOMPARE(prompts.boxes[0].details,
             std::string("1 byte differs (byte 4: written 0x3C, holds 0xC3). Settings that differ: Weight."));
    QCOMPARE(kinds, QStringList({"verify", "write"}));
    // What the keyer holds is what it sent back: Weight is marked.
    QCOMPARE(Marked(*panel), QStringList({"Weight"}));
    QCOMPARE(panel->Control(ControlId::Weight)->accessibleDescription(),
             QString("Dot and dash weighting; 50 is standard. Keyer holds 195."));
}

QTEST_MAIN(TestOperations)
#include "tst_operations.moc"
