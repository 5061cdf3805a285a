#pragma once

// Everything the editor asks of the person in front of it goes through this
// interface: the program implements it with real boxes and file choosers, the
// tests record what would have been shown and answer the choosers.

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The title of every box that says something went wrong.
inline constexpr const char* ErrorTitle = "Error";

// The window a box or chooser belongs to.
enum class Owner { MainWindow, EditorPanel };

class Prompts {
  public:
    virtual ~Prompts() = default;

    // A box titled "Error" with an OK button and no icon, owned by `owner`.
    virtual void ErrorBox(Owner owner, const std::string& text) = 0;
    // A box titled "Error" with the warning icon and no owner window; it
    // leaves the rest of the program usable while it is open. `details`, when
    // not empty, stands under the text.
    virtual void WarningBox(const std::string& text, const std::string& details) = 0;

    // The chosen path, or nothing when the person cancels. The open chooser
    // starts in `folder`, or where the platform likes when it is empty.
    virtual std::optional<std::string> ChooseOpenFile(Owner owner, const std::string& folder) = 0;
    virtual std::optional<std::string> ChooseSaveFile(Owner owner) = 0;

    // A box that offers one thing to do instead: true when the person
    // takes `action` (a button's caption), false on Cancel.
    virtual bool Offer(Owner owner, const std::string& text, const std::string& details, const std::string& action) = 0;

    // Which backup to open: the index of one of `rows` (newest first, each
    // one sentence), or nothing when the person cancels. `leftOut` says
    // what was not listed and why, one sentence each.
    virtual std::optional<std::size_t> ChooseBackup(const std::vector<std::string>& rows,
                                                    const std::vector<std::string>& leftOut) = 0;

    // Which of `devices` port 1..12 is to open: the device's index and the
    // port, starting from `port`; nothing when the person cancels. The
    // chooser also offers "Other device...": its index is devices.size(),
    // and `other` holds the path typed or browsed for, which `refusal`
    // passed (an empty text); what it refuses is said while the chooser
    // stays open.
    struct DeviceChoice {
        std::size_t device;
        int port;
        std::string other = {};
    };
    using DeviceRefusal = std::function<std::string(const std::string& path)>;
    virtual std::optional<DeviceChoice> ChooseDevice(const std::vector<std::string>& devices, int port,
                                                     const DeviceRefusal& refusal) = 0;
};
