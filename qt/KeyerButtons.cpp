#include "qt/KeyerButtons.h"

#include "image/Settings.h"
#include "qt/EditorPanel.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>

namespace {
QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}
} // namespace

KeyerButtons::KeyerButtons(EditorPanel& panel, EepromImage& image, KeyerOperations& operations, Prompts& prompts,
                           const std::int32_t& selectedPort, int backupNoticeMs)
    : QObject(&panel), panel(panel), image(image), operations(operations), prompts(prompts), selectedPort(selectedPort),
      backupNoticeMs(backupNoticeMs)
{
    connect(&panel, &EditorPanel::KeyerButtonPressed, this, &KeyerButtons::Press);
}

void KeyerButtons::Press(ControlId id)
{
    switch (id) {
    case ControlId::TestMV:
        operations.Test(selectedPort, *this);
        break;
    case ControlId::ReadMV:
        operations.Read(selectedPort, image, *this);
        break;
    case ControlId::WriteMV:
        operations.Write(selectedPort, image, *this, verify);
        break;
    default:
        if (const int n = MessageOfTest(id))
            operations.Play(selectedPort, n, *this);
        break;
    }
}

void KeyerButtons::BusyChanged(bool busy)
{
    ShowBusy(busy);
    emit RunningChanged(busy);
}

void KeyerButtons::KeyerHoldsChanged(const std::optional<EepromImage>& held)
{
    panel.SetKeyerHolds(held);
}

bool KeyerButtons::CheckBeforeWrite()
{
    // Checked once the keyer has answered, as Write MV always did.
    return panel.ValidatePanel() == 1;
}

void KeyerButtons::ShowBusy(bool busy)
{
    if (busy) {
        // The button that has the keyboard keeps it, and stays enabled:
        // disabling it would pass the focus on, and a screen reader would
        // read out another field in the middle of the operation. A press
        // meanwhile does nothing; the operations refuse a second one.
        panel.SetKeyerButtonsEnabled(false, QApplication::focusWidget());
        QApplication::setOverrideCursor(Qt::BusyCursor);
        return;
    }
    QApplication::restoreOverrideCursor();
    panel.SetKeyerButtonsEnabled(true);
}

void KeyerButtons::ShowLinkStatus(const std::string& text, const std::string& reason)
{
    panel.ShowLinkStatus(Q(text), Q(reason));
}

void KeyerButtons::ShowPotVal(const std::string& text)
{
    panel.SetText(ControlId::PotVal, Q(text));
}

void KeyerButtons::ShowPbVal(const std::string& text)
{
    panel.SetText(ControlId::PbVal, Q(text));
}

void KeyerButtons::ShowInterim(const std::string& text)
{
    panel.ShowInterimStatus(Q(text));
}

void KeyerButtons::ShowOutcome(const std::string& text, const std::string& reason)
{
    panel.ShowStatus(Q(text), Q(reason));
}

void KeyerButtons::NotConnected(const std::string& reason)
{
    // The box waits for the person; the cursor must not claim we are busy.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    panel.SpeakPending();
    prompts.WarningBox(OperationText::NotConnected, reason);
    QApplication::restoreOverrideCursor();
}

void KeyerButtons::ImageRead()
{
    panel.RefreshPanel(operations.KeyerHolds());
}

void KeyerButtons::VerifyFailed(const std::string& headline, const std::string& details)
{
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    panel.SpeakPending();
    prompts.WarningBox(headline, details);
    QApplication::restoreOverrideCursor();
}

void KeyerButtons::NoBackup(const std::string& reason)
{
    // The status line has room for the words; the reason is its tooltip,
    // and a screen reader hears both.
    QTimer::singleShot(backupNoticeMs, &panel, [&shown = panel, why = Q(reason)] {
        shown.ShowStatus(QString::fromLatin1(OperationText::NoBackup), why);
    });
}
