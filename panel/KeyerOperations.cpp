#include "panel/KeyerOperations.h"

#include "files/Backups.h"
#include "keyer/KeyerCommands.h"
#include "keyer/QtSerialChannel.h"
#include "panel/EditorPanel.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QTimer>
#include <ctime>

namespace {

class PanelLinkDisplay : public LinkDisplay {
  public:
    PanelLinkDisplay(EditorPanel& panel, std::string& reason) : panel(panel), reason(reason) {}
    void ShowLinkStatus(const std::string& text, const std::string& why) override
    {
        reason = why;
        panel.ShowLinkStatus(QString::fromStdString(text), QString::fromStdString(why));
    }
    void ShowPotVal(const std::string& text) override { Show(Ctl::PotVal, text); }
    void ShowPbVal(const std::string& text) override { Show(Ctl::PbVal, text); }

  private:
    void Show(int id, const std::string& text) { panel.SetText(id, QString::fromStdString(text)); }
    EditorPanel& panel;
    std::string& reason;
};

// Holds the busy state for the length of one operation, whichever way it ends.
class BusyScope {
  public:
    BusyScope(bool& flag, KeyerOperations& operations, EditorPanel& panel, SerialChannel& channel)
        : flag(flag), operations(operations), panel(panel), channel(channel), focus(QApplication::focusWidget())
    {
        flag = true;
        panel.SetKeyerButtonsEnabled(false);
        emit operations.BusyChanged(true);
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    ~BusyScope()
    {
        if (channel.PortOpen())
            channel.ClosePort();
        QApplication::restoreOverrideCursor();
        panel.SetKeyerButtonsEnabled(true);
        // Disabling the pressed button took the keyboard away from it; a
        // keyboard user expects to find it where they left it.
        if (focus && focus->isEnabled())
            focus->setFocus();
        flag = false;
        emit operations.BusyChanged(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& flag;
    KeyerOperations& operations;
    EditorPanel& panel;
    SerialChannel& channel;
    QPointer<QWidget> focus;
};

} // namespace

KeyerOperations::KeyerOperations(EditorPanel& panel, EepromImage& image, SerialChannel& channel, Prompts& prompts,
                                 bool& busyFlag, const std::int32_t& selectedPort, OperationWaits waits)
    : panel(panel), image(image), channel(channel), prompts(prompts), busyFlag(busyFlag), selectedPort(selectedPort),
      waits(waits)
{
}

void KeyerOperations::Press(int controlId)
{
    if (busyFlag)
        return;
    backupProblem.clear();
    {
        BusyScope busy(busyFlag, *this, panel, channel);
        Run(controlId);
    }
    // A backup that failed does not fail the operation; it is told after
    // the operation's own outcome has been seen.
    if (!backupProblem.empty()) {
        QTimer::singleShot(waits.backupNoticeMs, &panel, [&shown = panel, problem = backupProblem] {
            shown.ShowStatus(QStringLiteral("No backup"));
            shown.Control(Ctl::OperationStatus)->setToolTip(QString::fromStdString(problem));
        });
    }
}

void KeyerOperations::Run(int controlId)
{
    switch (controlId) {
    case Ctl::TestMV:
        TestMV();
        break;
    case Ctl::ReadMV:
        ReadMV();
        break;
    case Ctl::WriteMV:
        WriteMV();
        break;
    default:
        if (controlId >= Ctl::FirstMessageTest && controlId < Ctl::FirstMessageTest + 6)
            MessageTest(controlId - Ctl::FirstMessageTest + 1);
        break;
    }
}

int KeyerOperations::Connect()
{
    PanelLinkDisplay display(panel, linkReason);
    return ConnectKeyer(channel, selectedPort, display);
}

void KeyerOperations::NotConnected()
{
    // The box waits for the person; the cursor must not claim we are busy.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    prompts.WarningBox("MV not connected", linkReason);
    QApplication::restoreOverrideCursor();
}

void KeyerOperations::TestMV()
{
    WaitWithEvents(waits.beforeTestMs);
    const int result = Connect();
    if (channel.PortOpen())
        channel.ClosePort();
    panel.ShowStatus(result < 0 ? QStringLiteral("MV NG") : QStringLiteral("MV OK"));
}

void KeyerOperations::Backup(int revision, const char* kind)
{
    if (!backupFolder.empty())
        backupProblem = SaveBackup(backupFolder, image, revision, kind, std::time(nullptr));
}

void KeyerOperations::ReadMV()
{
    const int revision = Connect();
    if (revision < 0) {
        NotConnected();
        return;
    }
    panel.ShowInterimStatus(QStringLiteral("Reading"));
    if (ReadEeprom(channel, image) != 1) {
        // The image is as it was; so is the panel.
        panel.ShowStatus(QStringLiteral("Read failed"));
        return;
    }
    panel.ShowStatus(QStringLiteral("Done"));
    panel.RefreshPanel();
    Backup(revision, "read");
}

void KeyerOperations::WriteMV()
{
    const int revision = Connect();
    if (revision < 0) {
        NotConnected();
        return;
    }
    if (panel.ValidatePanel() != 1)
        return;                // its box was the report
    Backup(revision, "write"); // what is about to be sent, before it is
    panel.ShowInterimStatus(QStringLiteral("Writing"));
    if (WriteEeprom(channel, image) != 1) {
        panel.ShowStatus(QStringLiteral("Write failed"));
        return;
    }
    WaitWithEvents(waits.afterWriteMs);
    // A keyer that hung up or vanished while it stored the bytes may not
    // have stored them.
    panel.ShowStatus(channel.LineLost() ? QStringLiteral("Write failed") : QStringLiteral("Done"));
}

void KeyerOperations::MessageTest(int n)
{
    if (Connect() < 0) {
        NotConnected();
        return;
    }
    // Success shows nothing here: the keyer sending the message is the report.
    if (TestMessage(channel, n) != 1)
        panel.ShowStatus(QStringLiteral("Test failed"));
}
