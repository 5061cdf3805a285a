#include "keyer/Operations.h"

#include "files/Backups.h"
#include "image/Settings.h"

#include <ctime>

namespace {

// Transfers this long take seconds, and are worth a progress bar.
constexpr int LongTransfer = 64;

// Passes the link's texts on and keeps the reason of a failure for the
// "MV not connected" that follows.
class ReasonKeeper : public LinkDisplay {
  public:
    ReasonKeeper(LinkDisplay& shown, std::string& reason) : shown(shown), reason(reason) {}
    void ShowLinkStatus(const std::string& text, const std::string& why) override
    {
        reason = why;
        shown.ShowLinkStatus(text, why);
    }
    void ShowPotVal(const std::string& text) override { shown.ShowPotVal(text); }
    void ShowPbVal(const std::string& text) override { shown.ShowPbVal(text); }

  private:
    LinkDisplay& shown;
    std::string& reason;
};

} // namespace

std::string VerifyHeadline(const SerialChannel& channel, const EepromImage* readBack)
{
    if (readBack)
        return "The keyer holds other bytes than were written.";
    const int arrived = channel.LastReadCount();
    if (channel.LineLost() && arrived == 0)
        return "Could not verify: the line closed before the keyer sent anything back.";
    if (channel.LineLost())
        return "Could not verify: the line closed after " + std::to_string(arrived) + " of " +
               std::to_string(EepromImage::Size) + " bytes.";
    return "Could not verify: the keyer sent back " + std::to_string(arrived) + " of " +
           std::to_string(EepromImage::Size) + " bytes.";
}

std::string VerifyDetails(const EepromImage& sent, const EepromImage* readBack)
{
    return readBack ? VerifyReport(sent, *readBack)
                    : "Nothing was compared. What the keyer holds now is not known; read it again to see.";
}

std::string KeyerHoldsText(const Setting& setting, std::string_view held)
{
    return "Keyer holds " + ValueInWords(setting, held) + ".";
}

std::string WriteSummary(bool keyerKnown, const std::vector<std::string>& changed)
{
    if (!keyerKnown)
        return "Writes the whole image; the keyer has not been read yet.";
    if (changed.empty())
        return "Writes no change; the keyer holds what the panel shows.";
    std::string names;
    for (const std::string& name : changed)
        names += (names.empty() ? "" : ", ") + name;
    return "Writes " + std::to_string(changed.size()) + (changed.size() == 1 ? " change: " : " changes: ") + names +
           ".";
}

// One operation: busy from start to end, its long transfers' progress told,
// the port closed and a failed backup told (after the outcome) however it
// ends.
class KeyerOperations::Session {
  public:
    Session(KeyerOperations& operations, OperationReport& report) : operations(operations), report(report)
    {
        operations.busy = true;
        report.BusyChanged(true);
        operations.channel.SetProgress([&report](int done, int total) {
            if (total >= LongTransfer)
                report.Progress(done, total);
        });
    }
    ~Session()
    {
        operations.channel.SetProgress({});
        if (operations.channel.PortOpen())
            operations.channel.ClosePort();
        operations.busy = false;
        report.BusyChanged(false);
        if (!backupProblem.empty())
            report.NoBackup(backupProblem);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    std::string backupProblem;

  private:
    KeyerOperations& operations;
    OperationReport& report;
};

KeyerOperations::KeyerOperations(SerialChannel& channel, Waiter& waiter, OperationWaits waits)
    : channel(channel), waiter(waiter), waits(waits)
{
}

int KeyerOperations::Connect(int port, OperationReport& report, std::string& reason)
{
    ReasonKeeper display(report, reason);
    return ConnectKeyer(channel, port, display);
}

int KeyerOperations::ConnectOrTell(int port, OperationReport& report)
{
    std::string reason;
    const int revision = Connect(port, report, reason);
    if (revision < 0)
        report.NotConnected(reason);
    return revision;
}

void KeyerOperations::Backup(const EepromImage& image, int revision, const char* kind, std::string& problem) const
{
    if (!backupFolder.empty())
        problem = SaveBackup(backupFolder, image, revision, kind, std::time(nullptr));
}

void KeyerOperations::Hold(const std::optional<EepromImage>& held, OperationReport& report)
{
    keyerHolds = held;
    report.KeyerHoldsChanged(keyerHolds);
}

Outcome KeyerOperations::Test(int port, OperationReport& report)
{
    if (busy)
        return Outcome::Busy;
    Session session(*this, report);
    waiter.Wait(waits.beforeTestMs); // the keyer may still be busy with its last command
    std::string reason;
    const int revision = Connect(port, report, reason);
    if (channel.PortOpen())
        channel.ClosePort();
    report.ShowOutcome(revision < 0 ? OperationText::TestFailed : OperationText::TestOk, {}); // the link said why
    return revision < 0 ? Outcome::NotConnected : Outcome::Done;
}

Outcome KeyerOperations::Read(int port, EepromImage& image, OperationReport& report)
{
    if (busy)
        return Outcome::Busy;
    Session session(*this, report);
    const int revision = ConnectOrTell(port, report);
    if (revision < 0)
        return Outcome::NotConnected;
    report.ShowInterim(OperationText::Reading);
    if (ReadEeprom(channel, image) != 1) {
        // The image is as it was.
        report.ShowOutcome(OperationText::ReadFailed, ShortReadText(channel, EepromImage::Size));
        return Outcome::Failed;
    }
    channel.ClosePort();
    keyerHolds = image;
    report.ShowOutcome(OperationText::Done, {});
    // Told after ImageRead, which already finds the image in KeyerHolds():
    // a panel shows both in one pass, not the new holdings beside the old
    // values first.
    report.ImageRead();
    report.KeyerHoldsChanged(keyerHolds);
    Backup(image, revision, BackupKind::Read, session.backupProblem);
    return Outcome::Done;
}

Outcome KeyerOperations::Write(int port, EepromImage& image, OperationReport& report, bool verify)
{
    if (busy)
        return Outcome::Busy;
    Session session(*this, report);
    const int revision = ConnectOrTell(port, report);
    if (revision < 0)
        return Outcome::NotConnected;
    if (!report.CheckBeforeWrite())
        return Outcome::Refused;
    // What is about to be sent, kept before it is: whatever the transfer
    // does to the keyer, what it was meant to hold is not lost.
    Backup(image, revision, BackupKind::Write, session.backupProblem);
    report.ShowInterim(OperationText::Writing);
    bool written = WriteEeprom(channel, image) == 1;
    if (written) {
        waiter.Wait(waits.afterWriteMs); // the keyer stores the bytes meanwhile
        // A keyer that hung up or vanished meanwhile may not have stored them.
        written = !channel.LineLost();
    }
    if (!written) {
        // What the keyer holds now is not known.
        Hold(std::nullopt, report);
        report.ShowOutcome(OperationText::WriteFailed,
                           channel.LineLost()
                               ? "The line closed before the keyer could store the bytes; what it holds is not known."
                               : "Not all " + std::to_string(EepromImage::Size) +
                                     " bytes went out; what the keyer holds is not known.");
        return Outcome::Failed;
    }
    Hold(image, report);
    report.ShowOutcome(OperationText::Done, {});
    if (!verify)
        return Outcome::Done;
    // The same connection: the keyer has had its 500 ms to store them.
    EepromImage readBack;
    if (ReadEeprom(channel, readBack) != 1) {
        // Nothing was compared, so nothing is said to differ.
        Hold(std::nullopt, report);
        report.ShowOutcome(OperationText::VerifyFailed, {});
        report.VerifyFailed(VerifyHeadline(channel, nullptr), VerifyDetails(image, nullptr));
        return Outcome::Failed;
    }
    if (readBack == image) {
        report.ShowOutcome(OperationText::Verified, {});
        return Outcome::Done;
    }
    Hold(readBack, report);
    std::string problem;
    Backup(readBack, revision, BackupKind::Verify, problem);
    if (session.backupProblem.empty())
        session.backupProblem = problem;
    report.ShowOutcome(OperationText::VerifyFailed, {});
    report.VerifyFailed(VerifyHeadline(channel, &readBack), VerifyDetails(image, &readBack));
    return Outcome::Failed;
}

Outcome KeyerOperations::Play(int port, int message, OperationReport& report)
{
    if (busy)
        return Outcome::Busy;
    Session session(*this, report);
    if (ConnectOrTell(port, report) < 0)
        return Outcome::NotConnected;
    // Success shows nothing: the keyer sending the message is the report.
    if (TestMessage(channel, message) != 1) {
        report.ShowOutcome(OperationText::PlayFailed, channel.LineLost()
                                                          ? "The line closed before the command went out."
                                                          : "The command did not go out.");
        return Outcome::Failed;
    }
    return Outcome::Done;
}
