#include "files/Backups.h"
#include "keyer/KeyerCommands.h"
#include "keyer/Operations.h"
#include "keyer/PortNames.h"
#include "keyer/PortProblems.h"
#include "keyer/qt/QtSerialChannel.h"
#include "keyer/qt/QtWaiter.h"
#include "support/FakeKeyer.h"
#include "support/LineBytes.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Port = 3;
constexpr int ReadTimeout = 300;

// Quick waits where their length is not what is tested.
LinkTimings Quick()
{
    LinkTimings t;
    t.settleMs = 20;
    t.readTimeoutMs = ReadTimeout;
    t.writeMarginMs = 300;
    return t;
}

struct Shown : LinkDisplay {
    std::string status, reason, potVal = "unset", pbVal = "unset";
    void ShowLinkStatus(const std::string& text, const std::string& why) override
    {
        status = text;
        reason = why;
    }
    void ShowPotVal(const std::string& text) override { potVal = text; }
    void ShowPbVal(const std::string& text) override { pbVal = text; }
};

// The real channel, with the steps that touch the line watched, and the
// line settings refused on request.
class WatchedChannel : public QtSerialChannel {
  public:
    using QtSerialChannel::QtSerialChannel;
    bool refuseSettings = false;
    std::vector<std::pair<bool, bool>> modemLines; // DTR, RTS as set

  protected:
    bool ApplyLineSettings() override { return !refuseSettings && QtSerialChannel::ApplyLineSettings(); }
    void ApplyModemLines(bool dtr, bool rts) override
    {
        modemLines.emplace_back(dtr, rts);
        QtSerialChannel::ApplyModemLines(dtr, rts);
    }
};

QByteArray Hex(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())).toHex(' ');
}

// Every report of an operation, in order, as "kind:text".
class RecordedReport : public OperationReport {
  public:
    QStringList said;
    QList<bool> busy;
    QString progress; // the last told
    bool writeChecked = true;
    std::function<void()> whileNotConnected;
    void BusyChanged(bool b) override { busy << b; }
    void Progress(int done, int total) override { progress = QStringLiteral("%1 of %2").arg(done).arg(total); }
    bool CheckBeforeWrite() override { return writeChecked; }
    void ShowLinkStatus(const std::string& text, const std::string&) override { Note("link", text); }
    void ShowPotVal(const std::string& text) override { Note("potval", text); }
    void ShowPbVal(const std::string& text) override { Note("pbval", text); }
    void ShowInterim(const std::string& text) override { Note("interim", text); }
    void ShowOutcome(const std::string& text, const std::string& reason) override
    {
        Note("outcome", reason.empty() ? text : text + ": " + reason);
    }
    void NotConnected(const std::string& reason) override
    {
        Note("not connected", reason.empty() ? "" : "why");
        if (whileNotConnected)
            whileNotConnected();
    }
    void ImageRead() override { Note("image read", ""); }
    void NoBackup(const std::string&) override { Note("no backup", ""); }
    void VerifyFailed(const std::string& headline, const std::string&) override { Note("verify failed", headline); }

  private:
    void Note(const char* kind, const std::string& text)
    {
        said << QString::fromLatin1(kind) + (text.empty() ? "" : ":" + QString::fromStdString(text));
    }
};

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
    void lockNamesTheDeviceNotTheLink();
    void lineSettingsOnTheWire();
    void refusedSettingsKeepThePortHeld();
    void failureReasons_data();
    void failureReasons();
    void readTimeoutBoundsTheWholeRead();
    void writeDeadlineHasItsMargin();
    void closeIsHarmlessWhenClosed();
    void purgeDropsEarlyBytesOnly();
    void readTimesOutAndKeepsWhatCame();
    void readEepromWholeOrNothing();
    void writeEepromAndTestMessage();
    void hangUpEndsTransfers_data();
    void hangUpEndsTransfers();
    void stalledWriteIsBounded();
    void realSpeedReadFitsTimeout();
    void operationsReportInOrder_data();
    void staleLocksDoNotBlock_data();
    void staleLocksDoNotBlock();
    void operationsReportInOrder();
    void verifyNamesEveryDifference_data();
    void verifyNamesEveryDifference();

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

void TestKeyer::lockNamesTheDeviceNotTheLink()
{
    // Root passes TIOCEXCL, so only the lock can keep a second opener out.
    QVERIFY(keyer->LinkAs(dir->path().toStdString(), Port + 1));
    QCOMPARE(channel->OpenPort(Port), 0);
    QtSerialChannel other(dir->path().toStdString(), Quick());
    QCOMPARE(other.OpenPort(Port + 1), -4);
    QVERIFY(!other.PortOpen());
    QCOMPARE(QString::fromStdString(other.FailureReason()),
             QStringLiteral("Locked by process %1: %2 is in use by another program. Close it, or choose another port.")
                 .arg(::getpid())
                 .arg(QString::fromStdString(keyer->Device())));
}

void TestKeyer::lineSettingsOnTheWire()
{
    WatchedChannel watched(dir->path().toStdString(), Quick());
    QCOMPARE(watched.OpenPort(Port), 0);
    const termios line = keyer->LineSettings();
    QCOMPARE(cfgetospeed(&line), speed_t(B1200));
    QCOMPARE(cfgetispeed(&line), speed_t(B1200));
    QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    QCOMPARE(line.c_iflag & (IXON | IXOFF), tcflag_t(0));
    // A pseudo-terminal has no modem lines to read back: DTR on, RTS off,
    // as asked of the port.
    QCOMPARE(watched.modemLines, (std::vector<std::pair<bool, bool>>{{true, false}}));
}

void TestKeyer::refusedSettingsKeepThePortHeld()
{
    WatchedChannel refusing(dir->path().toStdString(), Quick());
    refusing.refuseSettings = true;
    Shown shown;
    QCOMPARE(ConnectKeyer(refusing, Port, shown), -6);
    QCOMPARE(shown.status, std::string("MV Fail:set comm state"));
    QVERIFY(!shown.reason.empty());
    // Held until the caller closes it, then free for the next opener.
    QVERIFY(refusing.PortOpen());
    QCOMPARE(channel->OpenPort(Port), -4);
    refusing.ClosePort();
    QVERIFY(!refusing.PortOpen());
    QCOMPARE(channel->OpenPort(Port), 0);
}

void TestKeyer::failureReasons_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("reason");
    QTest::newRow("adapter unplugged") << "unplugged"
                                       << "MV Fail:comm open"
                                       << "No such device: ";
    QTest::newRow("not in the device's group") << "unprivileged"
                                               << "MV Fail:comm open"
                                               << "Permission denied: ";
    QTest::newRow("keyer switched off") << "silent"
                                        << "MV Fail:no echo"
                                        << "The port opened, but nothing answered";
    QTest::newRow("first generation") << "MV1"
                                      << "MV Fail:MV1 found"
                                      << "This keyer has firmware revision 9";
}

void TestKeyer::failureReasons()
{
    QFETCH(QString, situation);
    QFETCH(QString, status);
    QFETCH(QString, reason);
    const std::string folder = dir->path().toStdString();
    if (situation == "unplugged") {
        keyer.reset();
        // Its pseudo-terminal's number may go to another test's keyer at
        // once; an unplugged adapter's device does not come back.
        const std::filesystem::path link = std::filesystem::path(folder) / PortLinkName(Port);
        std::filesystem::remove(link);
        std::filesystem::create_symlink(folder + "/unplugged", link);
    } else if (situation == "silent") {
        keyer->Configure({.fault = FakeKeyer::Fault::Silent});
    } else if (situation == "MV1") {
        keyer->Configure({.revision = 9});
    } else if (situation == "unprivileged") {
        if (::geteuid() != 0)
            QSKIP("needs root to become an unprivileged user");
        // The pseudo-terminal belongs to root; an ordinary user may not open it.
        ::chmod(folder.c_str(), 0755);
        int pipe[2];
        QCOMPARE(::pipe(pipe), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
            QtSerialChannel theirs(folder, Quick());
            Shown seen;
            ConnectKeyer(theirs, Port, seen);
            const std::string said = seen.status + "\n" + seen.reason;
            ::_exit(::write(pipe[1], said.data(), said.size()) == static_cast<ssize_t>(said.size()) ? 0 : 4);
        }
        ::close(pipe[1]);
        char said[1024] = {};
        const ssize_t n = ::read(pipe[0], said, sizeof said - 1);
        ::close(pipe[0]);
        int exit = 0;
        ::waitpid(child, &exit, 0);
        QVERIFY(n > 0);
        const QStringList lines = QString::fromUtf8(said).split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), status);
        QVERIFY2(lines.value(1).startsWith(reason) && lines.value(1).contains("adduser"), said);
        return;
    }
    Shown shown;
    QVERIFY(Connect(shown) < 0);
    QCOMPARE(QString::fromStdString(shown.status), status);
    QVERIFY2(QString::fromStdString(shown.reason).startsWith(reason), shown.reason.c_str());
}

void TestKeyer::readTimeoutBoundsTheWholeRead()
{
    // Bytes keep coming, too slowly: the time-out counts from the start of
    // the read, not from the last byte.
    keyer->Configure({.paced = true, .byteMicros = 20000});
    QCOMPARE(channel->OpenPort(Port), 0);
    const std::uint8_t command[] = {0x00, 0x0C};
    QCOMPARE(channel->WritePort(command, 2), 1);
    EepromImage image;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(channel->ReadPort(image.bytes.data(), 256), 0);
    QVERIFY2(timer.elapsed() < ReadTimeout + 250, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(timer.elapsed() >= ReadTimeout - 10);
}

void TestKeyer::writeDeadlineHasItsMargin()
{
    // More than a pseudo-terminal buffers, taken by the keyer more slowly
    // than the (here nearly zero) line time: the margin lets it finish.
    LinkTimings t = Quick();
    t.lineMsPerByte = 0.0001;
    t.writeMarginMs = LinkTimings{}.writeMarginMs;
    QtSerialChannel slow(dir->path().toStdString(), t);
    QCOMPARE(slow.OpenPort(Port), 0);
    const Bytes lots(1 << 18, 0x13);
    QCOMPARE(slow.WritePort(lots.data(), static_cast<int>(lots.size())), 1);
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
    LinkTimings t = Quick();
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

void TestKeyer::staleLocksDoNotBlock_data()
{
    QTest::addColumn<QString>("lock");
    QTest::addColumn<bool>("opens");
    QTest::newRow("empty, left by a program that died making it") << "empty" << true;
    QTest::newRow("naming a process that is gone") << "gone" << true;
    QTest::newRow("naming a process that runs") << "running" << false;
    // lockdev's and UUCP's: the pid alone, padded to ten places. Qt takes a
    // lock that names no program for a stale one, but its holder is told.
    QTest::newRow("lockdev's, naming a process that is gone") << "gone, lockdev" << true;
    QTest::newRow("lockdev's, naming a process that runs") << "running, lockdev" << true;
}

void TestKeyer::staleLocksDoNotBlock()
{
    QFETCH(QString, lock);
    QFETCH(bool, opens);
    QString device = QString::fromStdString(keyer->Device()).mid(5);
    const QString path = "/var/lock/LCK.." + device.replace('/', '_');
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        QSKIP("the lock folder takes no file from this user");
    pid_t holder = ::getpid();
    if (lock.startsWith("gone")) {
        holder = ::fork();
        if (holder == 0)
            _exit(0);
        ::waitpid(holder, nullptr, 0);
    }
    if (lock.endsWith("lockdev"))
        file.write(QByteArray::number(holder).rightJustified(10, ' ') + "\n");
    else if (lock != "empty")
        file.write(QByteArray::number(holder) + "\n" + QCoreApplication::applicationFilePath().toUtf8() + "\n" +
                   QSysInfo::machineHostName().toUtf8() + "\n");
    file.close();
    const QDateTime old = QDateTime::currentDateTime().addSecs(-10);
    file.open(QIODevice::ReadWrite);
    file.setFileTime(old, QFileDevice::FileModificationTime);
    file.close();
    const QString named = QStringLiteral("Locked by process %1: ").arg(holder);
    QCOMPARE(QString::fromStdString(ExplainOpenFailure(keyer->Device(), "")).startsWith(named), lock != "empty");

    const int opened = channel->OpenPort(Port);
    channel->ClosePort();
    QFile::remove(path);
    QCOMPARE(opened == 0, opens);
    if (!opens)
        QVERIFY2(channel->FailureReason().find("Locked by process") == 0, channel->FailureReason().c_str());
}

void TestKeyer::operationsReportInOrder_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("after");    // bytes before the fault
    QTest::addColumn<bool>("backups"); // a folder that takes them
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<QStringList>("kept"); // backup kinds, oldest first
    using F = FakeKeyer::Fault;
    const QStringList open{"link:MV Open, F/W revision 23", "potval:128", "pbval:0"};
    const QStringList silent{"link:MV Fail:no echo", "not connected:why"};
    QTest::newRow("test") << "test" << int(F::None) << 10 << true << int(Outcome::Done)
                          << open + QStringList{"outcome:MV OK"} << QStringList{};
    QTest::newRow("test, silent") << "test" << int(F::Silent) << 10 << true << int(Outcome::NotConnected)
                                  << QStringList{"link:MV Fail:no echo", "outcome:MV NG"} << QStringList{};
    QTest::newRow("read") << "read" << int(F::None) << 10 << true << int(Outcome::Done)
                          << open + QStringList{"interim:Reading", "outcome:Done", "image read"} << QStringList{"read"};
    QTest::newRow("read, short") << "read" << int(F::ShortEeprom) << 10 << true << int(Outcome::Failed)
                                 << open + QStringList{"interim:Reading",
                                                       "outcome:Read failed: 10 of 256 bytes arrived within 0.3 s."}
                                 << QStringList{};
    QTest::newRow("read, nothing back")
        << "read" << int(F::ShortEeprom) << 0 << true << int(Outcome::Failed)
        << open + QStringList{"interim:Reading", "outcome:Read failed: None of the 256 bytes arrived within 0.3 s."}
        << QStringList{};
    QTest::newRow("read, hung up")
        << "read" << int(F::HangUpDuringRead) << 0 << true << int(Outcome::Failed)
        << open + QStringList{"interim:Reading",
                              "outcome:Read failed: The line closed before any of the 256 bytes arrived."}
        << QStringList{};
    QTest::newRow("read, silent") << "read" << int(F::Silent) << 10 << true << int(Outcome::NotConnected) << silent
                                  << QStringList{};
    QTest::newRow("read, no backup") << "read" << int(F::None) << 10 << false << int(Outcome::Done)
                                     << open + QStringList{"interim:Reading", "outcome:Done", "image read", "no backup"}
                                     << QStringList{};
    QTest::newRow("write") << "write" << int(F::None) << 10 << true << int(Outcome::Done)
                           << open + QStringList{"interim:Writing", "outcome:Done"} << QStringList{"write"};
    // What was meant for the keyer is kept even when the transfer fails.
    QTest::newRow("write, pulled out") << "write" << int(F::HangUpDuringWrite) << 10 << true << int(Outcome::Failed)
                                       << open + QStringList{"interim:Writing",
                                                             "outcome:Write failed: The line closed before the keyer "
                                                             "could store the bytes; what it holds is not known."}
                                       << QStringList{"write"};
    // Nothing was compared: no difference is claimed, and no read-back kept.
    QTest::newRow("verify, short read-back")
        << "verified write" << int(F::ShortEeprom) << 255 << true << int(Outcome::Failed)
        << open + QStringList{"interim:Writing", "outcome:Done", "outcome:Verify failed",
                              "verify failed:Could not verify: the keyer sent back 255 of 256 bytes."}
        << QStringList{"write"};
    QTest::newRow("verify, hung up")
        << "verified write" << int(F::HangUpDuringRead) << 0 << true << int(Outcome::Failed)
        << open + QStringList{"interim:Writing", "outcome:Done", "outcome:Verify failed",
                              "verify failed:Could not verify: the line closed before the keyer sent anything back."}
        << QStringList{"write"};
    QTest::newRow("write, no backup: told last")
        << "write" << int(F::None) << 10 << false << int(Outcome::Done)
        << open + QStringList{"interim:Writing", "outcome:Done", "no backup"} << QStringList{};
    QTest::newRow("write, refused") << "refused write" << int(F::None) << 10 << true << int(Outcome::Refused) << open
                                    << QStringList{};
    QTest::newRow("play") << "play" << int(F::None) << 10 << true << int(Outcome::Done) << open << QStringList{};
    QTest::newRow("play, silent") << "play" << int(F::Silent) << 10 << true << int(Outcome::NotConnected) << silent
                                  << QStringList{};
}

void TestKeyer::operationsReportInOrder()
{
    QFETCH(QString, operation);
    QFETCH(int, fault);
    QFETCH(int, after);
    QFETCH(bool, backups);
    QFETCH(int, outcome);
    QFETCH(QStringList, said);
    QFETCH(QStringList, kept);
    keyer->Configure({.fault = FakeKeyer::Fault(fault), .faultAfter = after});
    keyer->SetEeprom(EepromImage{});
    EventLoopWaiter waiter;
    KeyerOperations operations(*channel, waiter, {10, 10});
    // A folder below a regular file can never be made.
    const std::string folder = dir->filePath(backups ? "backups" : "file/backups").toStdString();
    QFile(dir->filePath("file")).open(QIODevice::WriteOnly);
    operations.SetBackupFolder(folder);
    RecordedReport report;
    // Nothing else starts while one runs, even from inside its report.
    EepromImage other;
    report.whileNotConnected = [&] { QCOMPARE(int(operations.Read(Port, other, report)), int(Outcome::Busy)); };
    EepromImage image;
    image[4] = 77;
    Outcome result = Outcome::Busy;
    if (operation == "test")
        result = operations.Test(Port, report);
    else if (operation == "read")
        result = operations.Read(Port, image, report);
    else if (operation == "write")
        result = operations.Write(Port, image, report);
    else if (operation == "verified write")
        result = operations.Write(Port, image, report, true);
    else if (operation == "refused write")
        result = (report.writeChecked = false, operations.Write(Port, image, report));
    else
        result = operations.Play(Port, 5, report);

    QCOMPARE(int(result), outcome);
    QCOMPARE(report.said, said);
    QCOMPARE(report.busy, QList<bool>({true, false}));
    // Told for the image's transfers only, up to the whole image.
    if (result == Outcome::Done)
        QCOMPARE(report.progress, operation == "test" || operation == "play" ? QString() : QString("256 of 256"));
    QVERIFY(!operations.Busy());
    QVERIFY(!channel->PortOpen());
    QStringList kinds;
    for (const std::string& name : ListBackups(folder))
        kinds << QString::fromStdString(name).section('_', 2, 2).section('.', 0, 0);
    QCOMPARE(kinds, kept);
    if (operation == "read")
        QCOMPARE(image[4] == 77, outcome != int(Outcome::Done)); // only a whole image replaces it
    if (operation == "play" && outcome == int(Outcome::Done))
        QTRY_COMPARE(keyer->PlayedMessages(), std::vector<int>{5});
    if (operation == "refused write")
        QCOMPARE(Hex(keyer->Received()), Hex(Concat({HandshakeBytes, ReadingBytes}))); // nothing after the check
}

void TestKeyer::verifyNamesEveryDifference_data()
{
    QTest::addColumn<QList<int>>("changed"); // addresses that came back inverted
    QTest::addColumn<QString>("details");
    QTest::newRow("one byte, in no setting") << QList<int>{200}
                                             << "1 byte differs (byte 200: written 0x00, holds 0xFF). "
                                                "No setting shows the difference.";
    QTest::newRow("one of the settings") << QList<int>{4}
                                         << "1 byte differs (byte 4: written 0x00, holds 0xFF). Settings that differ: "
                                            "Weight.";
    QTest::newRow("four: all named")
        << QList<int>{4, 5, 200, 201}
        << "4 bytes differ (byte 4: written 0x00, holds 0xFF; byte 5: written 0x00, holds 0xFF; byte 200: written "
           "0x00, holds 0xFF; byte 201: written 0x00, holds 0xFF). Settings that differ: Weight, LeadIn.";
    QTest::newRow("five: the fifth counted")
        << QList<int>{4, 5, 200, 201, 255}
        << "5 bytes differ (byte 4: written 0x00, holds 0xFF; byte 5: written 0x00, holds 0xFF; byte 200: written "
           "0x00, holds 0xFF; byte 201: written 0x00, holds 0xFF; and 1 more). Settings that differ: Weight, "
           "LeadIn.";
}

void TestKeyer::verifyNamesEveryDifference()
{
    QFETCH(QList<int>, changed);
    QFETCH(QString, details);
    const EepromImage sent;
    EepromImage back;
    for (const int a : changed)
        back[static_cast<std::size_t>(a)] = 0xFF;
    QCOMPARE(QString::fromStdString(VerifyDetails(sent, &back)), details);
}

QTEST_MAIN(TestKeyer)
#include "tst_keyer.moc"
