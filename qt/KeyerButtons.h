#pragma once

// The panel's keyer buttons: each press runs its operation and renders the
// reports into the panel (status texts, the link status and readings, the
// box that the keyer cannot be reached). Only cursor, focus and buttons are kept here;
// the operation itself is the keyer's.

#include "image/ControlIds.h"
#include "image/EepromImage.h"
#include "keyer/Operations.h"
#include "ui/Prompts.h"

#include <QObject>
#include <cstdint>

class EditorPanel;

class KeyerButtons : public QObject, private OperationReport {
    Q_OBJECT

  public:
    // `selectedPort` is read at each press. The failed backup is told
    // `backupNoticeMs` after the outcome, so that the outcome is seen first.
    KeyerButtons(EditorPanel& panel, EepromImage& image, KeyerOperations& operations, Prompts& prompts,
                 const std::int32_t& selectedPort, int backupNoticeMs = 1500);

    // Whether Write MV reads the keyer back and compares.
    void SetVerifyAfterWriting(bool on) { verify = on; }

  public slots:
    // Runs the operation of a keyer button; does nothing while one runs.
    void Press(ControlId id);

  signals:
    // An operation started (true) or ended (false).
    void RunningChanged(bool running);

  private:
    void ShowBusy(bool busy);

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

    EditorPanel& panel;
    EepromImage& image;
    KeyerOperations& operations;
    Prompts& prompts;
    const std::int32_t& selectedPort;
    int backupNoticeMs;
    bool verify = false;
};
