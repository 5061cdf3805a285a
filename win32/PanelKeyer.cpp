#include "win32/PanelKeyer.h"

#include "win32/Frame.h"

PanelKeyer::PanelKeyer(KeyerOperations& operations, Prompts& prompts, int backupNoticeMs)
    : operations(operations), prompts(prompts), backupNoticeMs(backupNoticeMs)
{
}

void PanelKeyer::Press(ControlId button)
{
    if (!frame)
        return;
    const std::int32_t port = frame->SelectedPort();
    switch (button) {
    case ControlId::TestMV:
        operations.Test(port, *this);
        break;
    case ControlId::ReadMV:
        operations.Read(port, frame->Image(), *this);
        break;
    case ControlId::WriteMV:
        operations.Write(port, frame->Image(), *this, frame->VerifyAfterWriting());
        break;
    default:
        if (const int n = MessageOfTest(button))
            operations.Play(port, n, *this);
        break;
    }
}

void PanelKeyer::BusyChanged(bool busy)
{
    // The button that has the keyboard keeps it and stays enabled: disabling
    // it would pass the focus on in the middle of the operation. A press
    // meanwhile does nothing; the operations refuse a second one.
    frame->EditorPanel().SetKeyerButtonsEnabled(!busy, busy ? ::GetFocus() : nullptr);
    frame->ShowBusy(busy);
}

bool PanelKeyer::CheckBeforeWrite()
{
    // Checked once the keyer has answered, as Write MV always did.
    return frame->EditorPanel().ValidatePanel() == 1;
}

void PanelKeyer::ShowLinkStatus(const std::string& text, const std::string& reason)
{
    frame->EditorPanel().ShowLinkStatus(text, reason);
}

void PanelKeyer::ShowPotVal(const std::string& text)
{
    frame->EditorPanel().SetText(ControlId::PotVal, text);
}

void PanelKeyer::ShowPbVal(const std::string& text)
{
    frame->EditorPanel().SetText(ControlId::PbVal, text);
}

void PanelKeyer::ShowInterim(const std::string& text)
{
    frame->EditorPanel().ShowInterimStatus(text);
}

void PanelKeyer::ShowOutcome(const std::string& text, const std::string& reason)
{
    frame->EditorPanel().ShowStatus(text, reason);
}

void PanelKeyer::NotConnected(const std::string& reason)
{
    prompts.WarningBox(OperationText::NotConnected, reason);
}

void PanelKeyer::ImageRead()
{
    frame->EditorPanel().RefreshPanel();
}

void PanelKeyer::NoBackup(const std::string& reason)
{
    frame->EditorPanel().ShowStatusAfter(backupNoticeMs, OperationText::NoBackup, reason);
}

void PanelKeyer::VerifyFailed(const std::string& headline, const std::string& details)
{
    prompts.WarningBox(headline, details);
}
