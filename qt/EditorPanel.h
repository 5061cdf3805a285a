#pragma once

// The one panel that shows and edits the whole image: lists and check boxes
// change the image at once, number and message fields reach it through
// ValidatePanel, and RefreshPanel shows a replaced image.

#include "image/ControlIds.h"
#include "image/EepromImage.h"
#include "image/MessageCodec.h"
#include "ui/PanelRules.h"
#include "image/Settings.h"
#include "qt/LayoutBuilder.h"
#include "ui/Prompts.h"

#include <QFrame>
#include <QHash>
#include <QTimer>
#include <optional>

class QLabel;

class MessageField;

class EditorPanel : public QFrame {
    Q_OBJECT

  public:
    static constexpr int StatusTicks = ::StatusCountdown::Ticks;
    static constexpr int AnnounceDelayMs = 100;

    EditorPanel(EepromImage& image, Prompts& prompts, QWidget* parent = nullptr);

    // Shows the image anew. Only what changes is touched, and the marks are
    // worked out once, at the end: each change is an event a screen reader
    // has to hear out, and one that is flooded drops the outcome that
    // follows. With `held`, what the keyer holds changes in the same pass.
    void RefreshPanel();
    void RefreshPanel(const std::optional<EepromImage>& held);
    // 1 when every field passed and the image holds the panel's values;
    // 0 at the first refusal, which a box owned by the panel explains.
    int ValidatePanel();
    // The texts the number and message fields hold now.
    FieldTexts FieldTextsNow() const;
    // The six message fields' texts, and the characters they hold together.
    MessageTexts Messages() const;
    int MessageCharCount() const;

    QWidget* Control(ControlId id) const { return controls.Widget(id); }
    template <typename W> W* ControlAs(ControlId id) const { return controls.As<W>(id); }
    QString Text(ControlId id) const;
    void SetText(ControlId id, const QString& text);

    // An operation's final status: shown in text 121, cleared 18 ticks later.
    // `detail` (why) is its tooltip and is heard after it.
    void ShowStatus(const QString& text, const QString& detail = {});
    // A status that stands until the operation's outcome replaces it.
    void ShowInterimStatus(const QString& text);
    // The link status text 106, with the reason for a failure as its tooltip.
    void ShowLinkStatus(const QString& text, const QString& reason);
    // The file-name text 113: shortened in the middle when it does not fit,
    // the full path as its tooltip.
    void ShowFileName(const QString& text, const QString& path);
    int StatusCountdown() const { return statusCountdown; }
    // Says `text` to a screen reader once the panel's own changes have been
    // told, so that it is not lost among them; texts that wait together
    // are said as one.
    void Announce(const QString& text);
    // Says what waits to be said now: before a box, which a screen reader
    // reads at once, so that the link's status is not heard after it.
    void SpeakPending();

    // What the keyer holds, as far as this run knows (nothing before the
    // first read or write): each setting the panel shows otherwise is
    // marked, and says what the keyer holds; Write MV says what it changes.
    void SetKeyerHolds(const std::optional<EepromImage>& held);
    // Whether a setting is marked as differing from the keyer.
    bool IsMarked(ControlId id) const;

    // Enables or disables the keyer buttons while an operation runs; `keep`,
    // the button that has the keyboard, stays as it is.
    void SetKeyerButtonsEnabled(bool enabled, const QWidget* keep = nullptr);

  public slots:
    void Tick();

  signals:
    // A keyer button was pressed: Read MV, Write MV, Test MV or a message Test.
    void KeyerButtonPressed(ControlId id);

  private:
    void FillLists();
    void Connect();
    MessageField* Message(int n) const;
    int Refuse(const QString& message);
    void MakeMarks();
    void UpdateMarks();

    EepromImage& image;
    Prompts& prompts;
    DialogControls controls;
    QTimer timer;
    QTimer announceTimer;
    QStringList pendingAnnouncements;
    int pendingInterim = -1; // where among them an interim status waits
    int statusCountdown = 0;
    QString fileName; // text 113 in full, before any shortening
    QString linkStatusDescription;
    QWidget* announcer = nullptr;
    std::optional<EepromImage> keyerHolds;
    bool refreshing = false;          // the marks wait for the refresh's end
    FieldTexts keyerTexts;            // as the panel would show what the keyer holds
    QHash<int, QLabel*> marks;        // by control id
    QHash<int, QString> descriptions; // each control's own, before any "Keyer holds"
};

// The accessibility interfaces the panel's controls need. Qt keeps the first
// interface it makes for a widget, so the program installs them once, before
// any window exists.
void InstallPanelAccessibility();
