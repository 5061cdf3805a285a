#pragma once

// The editor panel, dialog 100, a child of the main window. Lists and check
// boxes change the image at once through the settings table; number and
// message fields reach it through ValidatePanel; RefreshPanel shows a
// replaced image. What is added to a message field keeps to the one rule
// for added text, whichever way it arrives; what a file or keyer gave it is
// shown as it is.

#include "image/ControlIds.h"
#include "image/EepromImage.h"
#include "image/MessageCodec.h"
#include "ui/PanelRules.h"
#include "image/Settings.h"
#include "ui/Prompts.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

// What the keyer buttons start: the keyer operations stand behind it.
class PanelCommands {
  public:
    virtual ~PanelCommands() = default;
    // Read MV, Write MV, Test MV or a message's Test was pressed.
    virtual void Press(ControlId button) = 0;
    // An operation runs (boxes included): no second one, and no Exit.
    virtual bool Busy() const = 0;
};

class Panel {
  public:
    static constexpr UINT_PTR TimerId = 1;
    static constexpr UINT_PTR LaterTimerId = 2;

    Panel(HWND parent, EepromImage& image, Prompts& prompts, PanelCommands& commands);
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;
    ~Panel();

    HWND Handle() const { return dialog; }
    // The panel's size in pixels as its layout makes it, frame included,
    // whatever size the window gives it later.
    SIZE LaidOutSize() const { return laidOut; }
    HWND Control(ControlId id) const { return ::GetDlgItem(dialog, static_cast<int>(id)); }

    void RefreshPanel();
    // 1 when every field passed and the image holds the panel's values; 0 at
    // the first refusal, which a box owned by the panel explains.
    int ValidatePanel();

    FieldTexts FieldTextsNow() const;
    MessageTexts Messages() const;
    std::string Text(ControlId id) const;
    // Shows `text` as it is, a message field's too.
    void SetText(ControlId id, const std::string& text);

    // An operation's outcome in text 121, cleared once its time is up;
    // `reason` (why it failed) is its tooltip.
    void ShowStatus(const std::string& text, const std::string& reason = {});
    // The same, `ms` from now, so that what stands now is seen first.
    void ShowStatusAfter(int ms, const std::string& text, const std::string& reason);
    // A status that stands until the outcome replaces it.
    void ShowInterimStatus(const std::string& text);
    // The link status text 106, with the reason for a failure as its tooltip.
    void ShowLinkStatus(const std::string& text, const std::string& reason);
    // The file-name text 113, with the whole path as its tooltip.
    void ShowFileName(const std::string& text, const std::string& path);
    // The tooltip of a text, a setting's control or Write MV.
    std::string Tip(ControlId id) const;
    // What the keyer holds, as far as this run knows (nothing before the
    // first read or write): each setting the panel shows otherwise gets a
    // bullet before its caption and says in its tooltip what the keyer
    // holds; Write MV's tooltip says what it would change.
    void SetKeyerHolds(const std::optional<EepromImage>& held);
    bool IsMarked(ControlId id) const;
    // The keyer buttons while an operation runs; `keep`, the one that has
    // the keyboard, stays as it is, so that the focus does not move on.
    void SetKeyerButtonsEnabled(bool enabled, HWND keep = nullptr);
    const StatusCountdown& Countdown() const { return countdown; }
    // What the 250 ms timer does.
    void Tick();

  private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);
    void Created(HWND handle);
    bool Command(int id, int code);
    // A character typed into a message field: false when it is not taken,
    // else `c` is what the field takes.
    bool TakeTyped(HWND field, WPARAM& c) const;
    void Paste(HWND field) const;
    // After any change to message field n: what was added keeps to the rule.
    void KeepToRule(int n);
    // What the messages have room for in place of the field's selection.
    int RoomFor(HWND field) const;
    void SetShown(ControlId id, const std::wstring& text);
    void SetTip(ControlId id, const std::string& text);
    void AddTip(HWND control);
    void MakeMarks();
    // The file name takes the room the status row has for it.
    void LayOutStatusRow();
    void UpdateMarks();

    EepromImage& image;
    Prompts& prompts;
    PanelCommands& commands;
    std::vector<WORD> layout;
    HWND dialog = nullptr;
    StatusCountdown countdown;
    // Each message field's text as the rule last saw it.
    std::array<std::wstring, MessageCount> accepted;
    bool mending = false;
    HWND tips = nullptr;
    std::string laterText, laterReason;
    std::optional<EepromImage> keyerHolds;
    FieldTexts keyerTexts; // as the panel would show what the keyer holds
    std::map<ControlId, HWND> marks;
    SIZE laidOut{};
};

// The text of a window.
std::wstring WindowText(HWND window);
