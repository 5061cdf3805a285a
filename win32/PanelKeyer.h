#pragma once

// The panel's keyer buttons on Windows: each press runs its keyer operation
// and renders the reports into the window (status texts and their reasons,
// the link status and readings, the box that the keyer cannot be reached). The operation
// itself is the keyer's.

#include "keyer/Operations.h"
#include "ui/Prompts.h"
#include "win32/Panel.h"

class Frame;

class PanelKeyer : public PanelCommands, private OperationReport {
  public:
    // A failed backup is told `backupNoticeMs` after the outcome, so that
    // the outcome is seen first.
    PanelKeyer(KeyerOperations& operations, Prompts& prompts, int backupNoticeMs = 1500);

    // The window whose panel, image and port the operations use; presses
    // before it is given do nothing.
    void Bind(Frame& window) { frame = &window; }

    void Press(ControlId button) override;
    bool Busy() const override { return operations.Busy(); }

  private:
    void BusyChanged(bool busy) override;
    void KeyerHoldsChanged(const std::optional<EepromImage>& held) override;
    bool CheckBeforeWrite() override;
    void ShowLinkStatus(const std::string& text, const std::string& reason) override;
    void ShowPotVal(const std::string& text) override;
    void ShowPbVal(const std::string& text) override;
    void ShowInterim(const std::string& text) override;
    void ShowOutcome(const std::string& text, const std::string& reason) override;
    void NotConnected(const std::string& reason) override;
    void ImageRead() override;
    void NoBackup(const std::string& reason) override;
    void VerifyFailed(const std::string& headline, const std::string& details) override;

    KeyerOperations& operations;
    Prompts& prompts;
    int backupNoticeMs;
    Frame* frame = nullptr;
};
