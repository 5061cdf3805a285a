#pragma once

// The main window, class "Morvel": the menu, the one panel, the port
// chosen in the Comm menu, File Open, Save and Exit, the About box and the
// help.

#include "image/EepromImage.h"
#include "ui/FileCommands.h"
#include "ui/Prompts.h"
#include "paths/Paths.h"
#include "win32/Panel.h"

#include <cstdint>
#include <memory>
#include <windows.h>

class Frame {
  public:
    // Registers the window class (once per process) and creates the window,
    // sized for a screen of `density` pixels per logical inch.
    Frame(const AppPaths& paths, Prompts& prompts, PanelCommands& keyer, std::int32_t selectedPort, int density);
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    ~Frame();

    // False when the window could not be made.
    explicit operator bool() const { return window != nullptr; }
    HWND Handle() const { return window; }
    Panel& EditorPanel() { return *panel; }
    EepromImage& Image() { return image; }
    std::int32_t SelectedPort() const { return selectedPort; }
    bool VerifyAfterWriting() const { return verifyAfterWriting; }

    // What a menu command or a key of the window does.
    void Command(int id);
    // Opens a file named on the command line (an .eep opened from Explorer)
    // as File > Open opens a chosen one.
    void OpenNamedFile(const std::string& path);
    // The keys of the window and of the panel, before a message is
    // dispatched: true when one of them took it.
    bool TakeKeys(MSG& message);
    // Shows the window and runs the message loop until the quit request;
    // returns its code.
    int Run();
    // Handles the messages waiting now, as Run does, while a keyer
    // operation waits; false once the quit request came.
    bool Pump();
    // While a keyer operation runs, the files and the port stay as they are.
    void ShowBusy(bool busy);

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void UpdatePortMenu();
    // Names every port afresh and lists those above Com12 that are there now.
    void UpdatePortCaptions(HMENU comm);
    void AfterOpen();
    // The panel's file-name text, as File > Open, Save and the backups set it.
    FileNameDisplay ShowName();
    void OpenHelp();
    void SetVerifyAfterWriting(bool on);
    std::wstring OptionsPath() const;

    const AppPaths& paths;
    Prompts& prompts;
    PanelCommands& keyer;
    std::int32_t selectedPort;
    EepromImage image;
    HWND window = nullptr;
    HACCEL keys = nullptr;
    std::unique_ptr<Panel> panel;
    int width = 0, height = 0; // at the start, and the largest it becomes
    bool verifyAfterWriting = false;
};

// The main menu, built from the menu table: what this face offers of it.
HMENU BuildMainMenu();
// The window's keys, from the menu table's shortcuts.
HACCEL BuildKeys();
