#include "keyer/QtSerialChannel.h"
#include "panel/EditorPanel.h"
#include "panel/KeyerOperations.h"
#include "support/FakeKeyer.h"
#include "support/RecordingPrompts.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

constexpr int Port = 2;
using Bytes = std::vector<std::uint8_t>;
using Fault = FakeKeyer::Fault;
const Bytes HandshakeBytes{0x13, 0x13, 0x13, 0x00, 0x04, 0x55, 0x00, 0x03, 0x00, 0x09, 0x00, 0x06, 0x00, 0x05};

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

} // namespace

class TestOperations : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void testMv_data();
    void testMv();
    void keyboardPressKeepsFocus();
    void connectionFailureShowsWarning_data();
    void connectionFailureShowsWarning();
    void readMvRefreshesAndStatusClears();
    void readFailureKeepsImageAndPanel_data();
    void readFailureKeepsImageAndPanel();
    void secondPressDuringBoxDoesNothing();
    void writeMvSendsValidatedImage();
    void writeMvRefusedFieldSendsNothingMore();
    void writeFailureIsReported();
    void messageTestSendsItsNumber();

  private:
    void Press(int id) { operations->Press(id); }
    std::vector<std::uint8_t> AfterHandshake() const;

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<FakeKeyer> keyer;
    std::unique_ptr<QtSerialChannel> channel;
    EepromImage image;
    RecordingPrompts prompts;
    std::unique_ptr<EditorPanel> panel;
    std::unique_ptr<KeyerOperations> operations;
    bool busy = false;
    std::int32_t selectedPort = Port;
};

void TestOperations::init()
{
    dir = std::make_unique<QTemporaryDir>();
    keyer = std::make_unique<FakeKeyer>();
    QVERIFY(keyer->LinkAs(dir->path().toStdString(), Port));
    keyer->SetEeprom(ValidImage());
    ChannelTimings quick;
    quick.settleMs = 10;
    quick.readTimeoutMs = 250;
    channel = std::make_unique<QtSerialChannel>(dir->path().toStdString(), quick);
    image = EepromImage{};
    prompts = RecordingPrompts();
    panel = std::make_unique<EditorPanel>(image, prompts);
    operations =
        std::make_unique<KeyerOperations>(*panel, image, *channel, prompts, busy, selectedPort, OperationWaits{10, 10});
}

void TestOperations::cleanup()
{
    operations.reset();
    panel.reset();
    channel.reset();
    keyer.reset();
}

std::vector<std::uint8_t> TestOperations::AfterHandshake() const
{
    const auto received = keyer->Received();
    if (received.size() < HandshakeBytes.size() ||
        !std::equal(HandshakeBytes.begin(), HandshakeBytes.end(), received.begin()))
        return {0xFF}; // no complete exchange
    return {received.begin() + static_cast<long>(HandshakeBytes.size()), received.end()};
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
    Press(Ctl::TestMV);
    QCOMPARE(panel->Text(Ctl::OperationStatus), status);
    QCOMPARE(panel->Text(Ctl::LinkStatus), link);
    QCOMPARE(panel->StatusCountdown(), EditorPanel::StatusTicks);
    QVERIFY(prompts.boxes.empty());
    QVERIFY(!channel->PortOpen());
    QVERIFY(!busy);
    QVERIFY(panel->Control(Ctl::TestMV)->isEnabled());
}

void TestOperations::keyboardPressKeepsFocus()
{
    panel->show();
    panel->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(panel.get()));
    QWidget* button = panel->Control(Ctl::TestMV);
    button->setFocus();
    connect(panel.get(), &EditorPanel::KeyerButtonPressed, operations.get(), &KeyerOperations::Press);
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString("MV OK"));
    QCOMPARE(QApplication::focusWidget(), button);
}

void TestOperations::connectionFailureShowsWarning_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("revision");
    QTest::newRow("Read MV, no keyer") << Ctl::ReadMV << -1;
    QTest::newRow("Read MV, MV1") << Ctl::ReadMV << 10;
    QTest::newRow("Write MV, no keyer") << Ctl::WriteMV << -1;
    QTest::newRow("Write MV, MV1") << Ctl::WriteMV << 10;
    QTest::newRow("Test 3, no keyer") << 1008 << -1;
    QTest::newRow("Test 3, MV1") << 1008 << 10;
}

void TestOperations::connectionFailureShowsWarning()
{
    QFETCH(int, button);
    QFETCH(int, revision);
    if (revision < 0)
        keyer->Configure({.fault = Fault::Silent});
    else
        keyer->Configure({.revision = static_cast<std::uint8_t>(revision)});
    image = ValidImage();
    panel->RefreshPanel();
    const EepromImage before = image;
    bool busyDuringBox = false;
    prompts.whileBoxOpen = [&] { busyDuringBox = busy && !panel->Control(button)->isEnabled(); };

    Press(button);
    QCOMPARE(prompts.boxes.size(), 1u);
    QCOMPARE(prompts.boxes[0].kind, ShownBox::Warning);
    QCOMPARE(prompts.boxes[0].text, std::string("MV not connected"));
    QVERIFY(busyDuringBox);
    QVERIFY(image == before);
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString());
    QVERIFY(!channel->PortOpen());
    QVERIFY(!busy);
    // Nothing but the exchange went to the keyer.
    const auto received = keyer->Received();
    QVERIFY(received.size() <= HandshakeBytes.size());
}

void TestOperations::readMvRefreshesAndStatusClears()
{
    keyer->Configure({.revision = 11});
    Press(Ctl::ReadMV);
    QVERIFY(prompts.boxes.empty());
    QVERIFY(image == keyer->Eeprom());
    QCOMPARE(panel->Text(1021), QString("50"));
    QCOMPARE(panel->Text(1014), QString("35"));
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString("Done"));
    QCOMPARE(AfterHandshake(), (Bytes{0x00, 0x0C}));
    for (int tick = 0; tick < EditorPanel::StatusTicks; ++tick)
        panel->Tick();
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString());
    QVERIFY(!channel->PortOpen());
}

void TestOperations::readFailureKeepsImageAndPanel_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("255 of 256 bytes") << int(Fault::ShortEeprom);
    QTest::newRow("keyer pulled out") << int(Fault::HangUpDuringRead);
}

void TestOperations::readFailureKeepsImageAndPanel()
{
    QFETCH(int, fault);
    keyer->Configure({.fault = Fault(fault), .faultAfter = 255});
    image[4] = 33;
    panel->RefreshPanel();
    const EepromImage before = image;
    Press(Ctl::ReadMV);
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString("Read failed"));
    QCOMPARE(panel->StatusCountdown(), EditorPanel::StatusTicks);
    QVERIFY(image == before);
    QCOMPARE(panel->Text(1021), QString("33"));
    QVERIFY(!channel->PortOpen());
    QVERIFY(!busy);
}

void TestOperations::secondPressDuringBoxDoesNothing()
{
    keyer->Configure({.fault = Fault::Silent});
    int pressesInBox = 0;
    prompts.whileBoxOpen = [&] {
        if (pressesInBox++ == 0) {
            keyer->ClearReceived();
            Press(Ctl::ReadMV);
            Press(Ctl::TestMV);
        }
    };
    Press(Ctl::ReadMV);
    QCOMPARE(prompts.boxes.size(), 1u);
    QVERIFY(keyer->Received().empty());
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString());
}

void TestOperations::writeMvSendsValidatedImage()
{
    image = ValidImage();
    panel->RefreshPanel();
    panel->SetText(1021, "60");
    panel->SetText(1000, "CQ");
    keyer->SetEeprom(EepromImage{});
    Press(Ctl::WriteMV);
    QVERIFY(prompts.boxes.empty());
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString("Done"));
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
    panel->SetText(1021, "5");
    panel->SetText(Ctl::OperationStatus, "MV OK");
    Press(Ctl::WriteMV);
    QCOMPARE(prompts.boxes.size(), 1u);
    QCOMPARE(prompts.boxes[0].text, std::string("Weight must be between 10 and 90"));
    QCOMPARE(prompts.boxes[0].owner, std::optional(Owner::EditorPanel));
    QCOMPARE(AfterHandshake(), Bytes{});
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString("MV OK"));
    QVERIFY(!channel->PortOpen());
}

void TestOperations::writeFailureIsReported()
{
    keyer->Configure({.fault = Fault::HangUpDuringWrite, .faultAfter = 10});
    image = ValidImage();
    panel->RefreshPanel();
    Press(Ctl::WriteMV);
    // The transfer may have been handed over before the line went; then the
    // keyer's silence shows at the latest on the next operation.
    const QString status = panel->Text(Ctl::OperationStatus);
    QVERIFY2(status == "Write failed" || status == "Done", qPrintable(status));
    QVERIFY(!channel->PortOpen());
    Press(Ctl::TestMV);
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString("MV NG"));
    QVERIFY(!busy);
}

void TestOperations::messageTestSendsItsNumber()
{
    panel->SetText(Ctl::OperationStatus, "earlier");
    Press(1009);
    QTRY_COMPARE(keyer->PlayedMessages(), std::vector<int>{4});
    QCOMPARE(AfterHandshake(), (Bytes{0x00, 0x0E, 0x04}));
    QCOMPARE(panel->Text(Ctl::OperationStatus), QString("earlier"));
    QVERIFY(prompts.boxes.empty());
    QVERIFY(!channel->PortOpen());
}

QTEST_MAIN(TestOperations)
#include "tst_operations.moc"
