#include "keyer/KeyerCommands.h"
#include "keyer/PortNames.h"
#include "keyer/QtSerialChannel.h"
#include "support/FakeKeyer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

constexpr int Port = 3;
constexpr int ReadTimeout = 300;

// Quick waits where their length is not what is tested.
ChannelTimings Quick()
{
    ChannelTimings t;
    t.settleMs = 20;
    t.readTimeoutMs = ReadTimeout;
    t.writeMarginMs = 300;
    return t;
}

struct Shown : LinkDisplay {
    std::string status, potVal = "unset", pbVal = "unset";
    void ShowLinkStatus(const std::string& text) override { status = text; }
    void ShowPotVal(const std::string& text) override { potVal = text; }
    void ShowPbVal(const std::string& text) override { pbVal = text; }
};

using Bytes = std::vector<std::uint8_t>;
const Bytes HandshakeBytes{0x13, 0x13, 0x13, 0x00, 0x04, 0x55, 0x00, 0x03, 0x00, 0x09};
const Bytes ReadingBytes{0x00, 0x06, 0x00, 0x05};

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

QByteArray Hex(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())).toHex(' ');
}

} // namespace

class TestKeyer : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void connectsToKeyer();
    void connectionFailures_data();
    void connectionFailures();
    void missingReadingsShowQuestionMark();
    void portThatDoesNotExist();
    void portHeldByAnotherIsRefused();
    void closeIsHarmlessWhenClosed();
    void purgeDropsEarlyBytesOnly();
    void readTimesOutAndKeepsWhatCame();
    void readEepromWholeOrNothing();
    void writeEepromAndTestMessage();
    void hangUpEndsTransfers_data();
    void hangUpEndsTransfers();
    void stalledWriteIsBounded();
    void realSpeedReadFitsTimeout();

  private:
    int Connect(Shown& shown) { return ConnectKeyer(*channel, Port, shown); }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<FakeKeyer> keyer;
    std::unique_ptr<QtSerialChannel> channel;
};

void TestKeyer::init()
{
    dir = std::make_unique<QTemporaryDir>();
    keyer = std::make_unique<FakeKeyer>();
    QVERIFY(keyer->Ok());
    QVERIFY(keyer->LinkAs(dir->path().toStdString(), Port));
    channel = std::make_unique<QtSerialChannel>(dir->path().toStdString(), Quick());
}

void TestKeyer::cleanup()
{
    channel.reset();
    keyer.reset();
    dir.reset();
}

void TestKeyer::connectsToKeyer()
{
    keyer->Configure({.revision = 11, .potVal = 0, .pbVal = 255});
    Shown shown;
    QCOMPARE(Connect(shown), 11);
    QCOMPARE(shown.status, std::string("MV Open, F/W revision 11"));
    QCOMPARE(shown.potVal, std::string("0"));
    QCOMPARE(shown.pbVal, std::string("255"));
    QVERIFY(channel->PortOpen());
    QCOMPARE(Hex(keyer->Received()), Hex(Concat({HandshakeBytes, ReadingBytes})));
}

void TestKeyer::connectionFailures_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("revision");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QByteArray>("sent");
    using F = FakeKeyer::Fault;
    const Bytes toEcho(HandshakeBytes.begin(), HandshakeBytes.begin() + 6);
    QTest::newRow("silent") << int(F::Silent) << 23 << -1 << "MV Fail:no echo" << Hex(toEcho);
    QTest::newRow("wrong echo") << int(F::WrongEcho) << 23 << -2 << "MV Fail:echo mismatch" << Hex(toEcho);
    QTest::newRow("no revision") << int(F::NoRevisionReply) << 23 << -3 << "MV Fail:no open response"
                                 << Hex(HandshakeBytes);
    QTest::newRow("MV1, revision 10") << int(F::None) << 10 << -1 << "MV Fail:MV1 found" << Hex(HandshakeBytes);
    QTest::newRow("revision 0") << int(F::None) << 0 << -1 << "MV Fail:MV1 found" << Hex(HandshakeBytes);
}

void TestKeyer::connectionFailures()
{
    QFETCH(int, fault);
    QFETCH(int, revision);
    QFETCH(int, result);
    QFETCH(QString, status);
    QFETCH(QByteArray, sent);
    keyer->Configure({.revision = static_cast<std::uint8_t>(revision), .fault = FakeKeyer::Fault(fault)});
    Shown shown;
    QCOMPARE(Connect(shown), result);
    QCOMPARE(QString::fromStdString(shown.status), status);
    QCOMPARE(shown.potVal, std::string("unset")); // readings left as they were
    QCOMPARE(shown.pbVal, std::string("unset"));
    QTRY_COMPARE(Hex(keyer->Received()), sent);
    QVERIFY(channel->PortOpen()); // the caller closes it
    channel->ClosePort();
    QVERIFY(!channel->PortOpen());
}

void TestKeyer::missingReadingsShowQuestionMark()
{
    keyer->Configure({.fault = FakeKeyer::Fault::NoReadings});
    Shown shown;
    QCOMPARE(Connect(shown), 23);
    QCOMPARE(shown.potVal, std::string("?"));
    QCOMPARE(shown.pbVal, std::string("?"));
}

void TestKeyer::portThatDoesNotExist()
{
    std::filesystem::create_symlink("/dev/no-such-adapter", dir->filePath("com4").toStdString());
    for (int port : {4, 0, 13}) {
        Shown shown;
        QCOMPARE(ConnectKeyer(*channel, port, shown), -4);
        QCOMPARE(shown.status, std::string("MV Fail:comm open"));
        QVERIFY(!channel->PortOpen());
    }
    QVERIFY(keyer->Received().empty());
}

void TestKeyer::portHeldByAnotherIsRefused()
{
    QCOMPARE(channel->OpenPort(Port), 0);
    QtSerialChannel other(dir->path().toStdString(), Quick());
    QCOMPARE(other.OpenPort(Port), -4);
    QVERIFY(!other.PortOpen());
    channel->ClosePort();
    QCOMPARE(other.OpenPort(Port), 0);
}

void TestKeyer::closeIsHarmlessWhenClosed()
{
    channel->ClosePort();
    QVERIFY(!channel->PortOpen());
    std::uint8_t byte = 0;
    QCOMPARE(channel->WritePort(&byte, 1), 0);
    QCOMPARE(channel->ReadPort(&byte, 1), 0);
}

void TestKeyer::purgeDropsEarlyBytesOnly()
{
    // Sent while the port settles: discarded.
    QTimer::singleShot(5, this, [this] { keyer->SendUnprompted({0x55, 0x55, 0x55}); });
    QCOMPARE(channel->OpenPort(Port), 0);
    std::uint8_t byte = 0;
    QCOMPARE(channel->ReadPort(&byte, 1), 0);
    // Sent after it: waits for the next read.
    keyer->SendUnprompted({0x42});
    QCOMPARE(channel->ReadPort(&byte, 1), 1);
    QCOMPARE(byte, std::uint8_t{0x42});
}

void TestKeyer::readTimesOutAndKeepsWhatCame()
{
    QCOMPARE(channel->OpenPort(Port), 0);
    QElapsedTimer timer;
    timer.start();
    std::uint8_t byte = 0;
    QCOMPARE(channel->ReadPort(&byte, 1), 0);
    QVERIFY(timer.elapsed() >= ReadTimeout - 5);
    QVERIFY(timer.elapsed() < ReadTimeout + 500);

    Bytes buffer(256, 0xEE);
    keyer->SendUnprompted(Bytes(255, 0x11));
    QCOMPARE(channel->ReadPort(buffer.data(), 256), 0);
    QCOMPARE(buffer[254], std::uint8_t{0x11});
    QCOMPARE(buffer[255], std::uint8_t{0xEE});
}

void TestKeyer::readEepromWholeOrNothing()
{
    Shown shown;
    QVERIFY(Connect(shown) > 0);
    EepromImage image;
    QCOMPARE(ReadEeprom(*channel, image), 1);
    QVERIFY(image == keyer->Eeprom());
    channel->ClosePort();

    keyer->Configure({.fault = FakeKeyer::Fault::ShortEeprom, .faultAfter = 255});
    QVERIFY(Connect(shown) > 0);
    EepromImage untouched;
    untouched.bytes.fill(0xA5);
    EepromImage target = untouched;
    QCOMPARE(ReadEeprom(*channel, target), 0);
    QVERIFY(target == untouched);
}

void TestKeyer::writeEepromAndTestMessage()
{
    Shown shown;
    QVERIFY(Connect(shown) > 0);
    keyer->ClearReceived();
    EepromImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(255 - i);
    QCOMPARE(WriteEeprom(*channel, image), 1);
    QCOMPARE(TestMessage(*channel, 6), 1);
    QTRY_COMPARE(keyer->PlayedMessages(), std::vector<int>{6});
    QVERIFY(keyer->Eeprom() == image);
    const Bytes received = keyer->Received();
    QCOMPARE(received.size(), 2u + 256u + 3u);
    QCOMPARE(Hex(Bytes(received.begin(), received.begin() + 2)), QByteArray("00 0d"));
    QCOMPARE(Hex(Bytes(received.end() - 3, received.end())), QByteArray("00 0e 06"));
}

void TestKeyer::hangUpEndsTransfers_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("during read") << int(FakeKeyer::Fault::HangUpDuringRead);
    QTest::newRow("during write") << int(FakeKeyer::Fault::HangUpDuringWrite);
}

void TestKeyer::hangUpEndsTransfers()
{
    QFETCH(int, fault);
    keyer->Configure({.fault = FakeKeyer::Fault(fault), .faultAfter = 100});
    Shown shown;
    QVERIFY(Connect(shown) > 0);
    EepromImage image;
    image.bytes.fill(0x5A);
    const EepromImage before = image;
    if (FakeKeyer::Fault(fault) == FakeKeyer::Fault::HangUpDuringRead) {
        QCOMPARE(ReadEeprom(*channel, image), 0);
        QVERIFY(image == before);
    } else {
        WriteEeprom(*channel, image); // may leave before the keyer hangs up
        QTRY_VERIFY(!keyer->Ok());
        QCOMPARE(TestMessage(*channel, 1), 0);
    }
    // Nothing more goes through, and closing is clean.
    std::uint8_t byte = 0;
    QCOMPARE(channel->ReadPort(&byte, 1), 0);
    channel->ClosePort();
    QVERIFY(!channel->PortOpen());
}

void TestKeyer::stalledWriteIsBounded()
{
    keyer->Configure({.fault = FakeKeyer::Fault::StopReading, .faultAfter = 0});
    ChannelTimings t = Quick();
    t.lineMsPerByte = 0.001;
    QtSerialChannel stalled(dir->path().toStdString(), t);
    QCOMPARE(stalled.OpenPort(Port), 0);
    // More than any pseudo-terminal buffers, to a keyer that reads nothing.
    const Bytes lots(1 << 20, 0x13);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(stalled.WritePort(lots.data(), static_cast<int>(lots.size())), 0);
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
}

void TestKeyer::realSpeedReadFitsTimeout()
{
    // The real line speed and time-outs: 256 bytes take about 2.13 s of the
    // read's 2.5 s.
    keyer->Configure({.paced = true});
    QtSerialChannel real(dir->path().toStdString());
    Shown shown;
    QCOMPARE(ConnectKeyer(real, Port, shown), 23);
    EepromImage image;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(ReadEeprom(real, image), 1);
    QVERIFY(timer.elapsed() >= 2100);
    QVERIFY(image == keyer->Eeprom());
}

QTEST_MAIN(TestKeyer)
#include "tst_keyer.moc"
