#pragma once

// The boxes and choosers of the Windows face, the About box and the help.

#include "ui/Prompts.h"
#include "paths/Paths.h"

#include <string>
#include <windows.h>

// Message boxes titled "Error" and the common file choosers for .eep files.
class Win32Prompts : public Prompts {
  public:
    // The windows that own what Owner names; none until they exist.
    void SetOwners(HWND mainWindow, HWND editorPanel);

    void ErrorBox(Owner owner, const std::string& text) override;
    void WarningBox(const std::string& text, const std::string& details) override;
    // The open chooser starts in `folder`, else where the last file was
    // chosen, else where Windows likes.
    std::optional<std::string> ChooseOpenFile(Owner owner, const std::string& folder) override;
    std::optional<std::string> ChooseSaveFile(Owner owner) override;
    // A box titled "Open Backup" with the text, the details to read, the
    // action's button (the default) and Cancel.
    bool Offer(Owner owner, const std::string& text, const std::string& details, const std::string& action) override;
    // A list box in a small dialog, its first row current; Enter or a
    // double click opens the current row.
    std::optional<std::size_t> ChooseBackup(const std::vector<std::string>& rows,
                                            const std::vector<std::string>& leftOut) override;
    // Windows names its own ports: no device is assigned here.
    std::optional<DeviceChoice> ChooseDevice(const std::vector<std::string>&, int, const DeviceRefusal&) override
    {
        return std::nullopt;
    }

  private:
    HWND OwnerWindow(Owner owner) const;
    std::optional<std::string> Choose(Owner owner, const std::string& folder, bool save);

    HWND mainWindow = nullptr;
    HWND editorPanel = nullptr;
    std::string lastFolder;
};

// Icon resource 240, the program's picture (win32/mv2mgr.rc): the window's
// and the About box's.
constexpr int ProgramIconId = 240;

// The About box, modal, owned by `owner`; only OK (or Enter) closes it.
INT_PTR RunAboutBox(HWND owner, const std::string& osFamily);

// The bundled help pages: index.html in the folder "help" beside the help
// path that the paths name.
std::string HelpIndexPath(const AppPaths& paths);
