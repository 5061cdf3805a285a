#pragma once

// The one panel that shows and edits the whole image: lists and check boxes
// change the image at once, number and message fields reach it through
// ValidatePanel, and RefreshPanel shows a replaced image.

#include "files/Prompts.h"
#include "image/EepromImage.h"

#include <QFrame>
#include <QHash>
#include <QTimer>

class MessageField;

// Control ids the rest of the program writes or presses.
namespace Ctl {
inline constexpr int PbVal = 104;
inline constexpr int PotVal = 103;
inline constexpr int LinkStatus = 106;
inline constexpr int FileName = 113;
inline constexpr int BytesLeft = 119;
inline constexpr int OperationStatus = 121;
inline constexpr int ReadMV = 102;
inline constexpr int WriteMV = 328;
inline constexpr int TestMV = 115;
inline constexpr int FirstMessage = 1000;
inline constexpr int FirstMessageTest = 1006;
} // namespace Ctl

class EditorPanel : public QFrame {
    Q_OBJECT

  public:
    static constexpr int StatusTicks = 18;

    EditorPanel(EepromImage& image, Prompts& prompts, QWidget* parent = nullptr);

    void RefreshPanel();
    // 1 when every field passed and the image holds the panel's values;
    // 0 at the first refusal, which a box owned by the panel explains.
    int ValidatePanel();
    int MessageCharCount() const;

    QWidget* Control(int id) const { return controls.value(id); }
    QString Text(int id) const;
    void SetText(int id, const QString& text);

    // An operation's final status: shown in text 121, cleared 18 ticks later.
    void ShowStatus(const QString& text);
    // A status that stands until the operation's outcome replaces it.
    void ShowInterimStatus(const QString& text);
    // The link status text 106, with the reason for a failure as its tooltip.
    void ShowLinkStatus(const QString& text, const QString& reason);
    // The file-name text 113: shortened in the middle when it does not fit,
    // the full path as its tooltip.
    void ShowFileName(const QString& text, const QString& path);
    int StatusCountdown() const { return statusCountdown; }

    // Enables or disables the keyer buttons while an operation runs.
    void SetKeyerButtonsEnabled(bool enabled);

  public slots:
    void Tick();

  signals:
    // A keyer button was pressed: Read MV, Write MV, Test MV or a message Test.
    void KeyerButtonPressed(int id);

  private:
    void FillLists();
    void Connect();
    MessageField* Message(int n) const;
    int Refuse(const QString& message);
    void Announce(const QString& text);

    EepromImage& image;
    Prompts& prompts;
    QHash<int, QWidget*> controls;
    QTimer timer;
    int statusCountdown = 0;
    QString fileName; // text 113 in full, before any shortening
    QString linkStatusDescription;
    QWidget* announcer = nullptr;
};
