#pragma once

// Prompts for tests: records every box and answers the choosers from a queue.

#include "ui/Prompts.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct ShownBox {
    enum Kind { Error, Warning } kind;
    std::optional<Owner> owner;
    std::string text;
    std::string details;
};

class RecordingPrompts : public Prompts {
  public:
    std::vector<ShownBox> boxes;
    std::deque<std::optional<std::string>> answers; // empty queue: cancel
    std::vector<Owner> chooserOwners;
    // Runs while a box is "open", as the person's clicks would.
    std::function<void()> whileBoxOpen;

    void ErrorBox(Owner owner, const std::string& text) override
    {
        boxes.push_back({ShownBox::Error, owner, text, {}});
        Open();
    }
    void WarningBox(const std::string& text, const std::string& details) override
    {
        boxes.push_back({ShownBox::Warning, std::nullopt, text, details});
        Open();
    }
    std::vector<std::string> chooserFolders; // where the open chooser started
    std::optional<std::string> ChooseOpenFile(Owner owner, const std::string& folder) override
    {
        chooserFolders.push_back(folder);
        return Answer(owner);
    }
    std::optional<std::string> ChooseSaveFile(Owner owner) override { return Answer(owner); }

    std::optional<DeviceChoice> deviceAnswer; // nothing: cancel
    std::vector<std::string> devicesOffered;
    std::optional<DeviceChoice> ChooseDevice(const std::vector<std::string>& devices, int,
                                             const DeviceRefusal& refusal) override
    {
        devicesOffered = devices;
        // A refused other device: the person reads why, and cancels.
        if (deviceAnswer && deviceAnswer->device == devices.size()) {
            if (const std::string why = refusal(deviceAnswer->other); !why.empty()) {
                ErrorBox(Owner::MainWindow, why);
                return std::nullopt;
            }
        }
        return deviceAnswer;
    }

    std::optional<std::size_t> backupAnswer; // nothing: cancel
    std::vector<std::string> backupsOffered, backupsLeftOut;
    std::optional<std::size_t> ChooseBackup(const std::vector<std::string>& rows,
                                            const std::vector<std::string>& leftOut) override
    {
        backupsOffered = rows;
        backupsLeftOut = leftOut;
        Open();
        return backupAnswer;
    }

    bool offerAnswer = false;
    std::vector<std::string> offers; // "text | details | action"
    bool Offer(Owner, const std::string& text, const std::string& details, const std::string& action) override
    {
        offers.push_back(text + " | " + details + " | " + action);
        return offerAnswer;
    }

    std::string LastText() const { return boxes.empty() ? std::string() : boxes.back().text; }

  private:
    void Open()
    {
        if (whileBoxOpen)
            whileBoxOpen();
    }
    std::optional<std::string> Answer(Owner owner)
    {
        chooserOwners.push_back(owner);
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
